#pragma once
// The application object. Every event passes its notify, which turns an error escaping a
// handler into the standard error message box; the window then goes on.
#include <QApplication>

namespace app {

class Application : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an error that escaped a handler in the standard error message box, owned by the active
// window. Used by the notify wrapper and by the few places that catch errors themselves.
void showHandlerError(const QString& text);

}  // namespace app
