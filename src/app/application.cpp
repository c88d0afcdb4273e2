#include "app/application.h"

#include <exception>

#include "app/dialogs.h"
#include "platform/error.h"

namespace app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showHandlerError(QString::fromUtf8(error.what()));
    } catch (...) {
        showHandlerError(QStringLiteral("Unknown error"));
    }
    return false;
}

void showHandlerError(const QString& text) {
    // A failing dialog must not take the process down with it.
    try {
        dialogs().error(QApplication::activeWindow(), text);
    } catch (...) {
    }
}

}  // namespace app
