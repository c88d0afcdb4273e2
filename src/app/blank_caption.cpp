#include "app/blank_caption.h"

#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>

namespace app {
namespace {

class BlankCaption final : public QObject {
public:
    explicit BlankCaption(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_) {
            switch (event->type()) {
                case QEvent::WindowTitleChange:
                case QEvent::WinIdChange:
                case QEvent::Show:
                    if (window_->windowTitle().isEmpty() && window_->windowHandle())
                        window_->windowHandle()->setTitle(QStringLiteral(" "));
                    break;
                default:
                    break;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* window_;
};

}  // namespace

void keepCaptionBlank(QWidget* window) {
    if (window) new BlankCaption(window);
}

}  // namespace app
