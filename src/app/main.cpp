// The program entry: the elevated-action check, the splash window while the main window is
// built, the event loop, and the saving at exit.
#include <QSessionManager>
#include <QSocketNotifier>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/elevated_launch.h"
#include "app/tform1.h"
#include "app/tsplash.h"
#include "app/window_font.h"
#include "platform/process.h"
#include "platform/process_tuning.h"
#include "platform/termination.h"
#include "shell/desktop_verbs.h"

namespace {

// The program's own arguments, untouched by Qt: the first one is a folder or a book whatever it
// looks like ("-reverse" may be a folder's name).
QStringList programArguments() {
    QStringList arguments;
    for (const std::string& argument : platform::commandLineArguments())
        arguments << QString::fromStdString(argument);
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    // A copy started elevated with the marker switch performs its action and ends in here.
    app::installElevatedActionAndCheck();

    platform::prepareProcessForBookReading();
    // Qt sees the program name only: it must not take "-reverse", "-style" or "-platform" from
    // the command line (settings for Qt come from its environment variables).
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    app::Application application(qtArgc, qtArgv);
    application.setApplicationName(QStringLiteral("Epub polcaro"));
    // Lets the desktop match the window to its launcher (Wayland app id, taskbar grouping).
    QGuiApplication::setDesktopFileName(QString::fromLatin1(shell::ApplicationId));
    // Tahoma at 11 pixels for every window, the message boxes included.
    QApplication::setFont(app::windowFont());

    auto splash = std::make_unique<app::TSplash>();
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();

    int result = 0;
    {
        app::TForm1 form;
        // SIGTERM (log-out, shut-down, kill), SIGINT and SIGHUP close the window in order, so
        // the exit save runs and the hand-over socket goes; a dialog open at that moment ends.
        std::unique_ptr<QSocketNotifier> termination;
        if (const int fd = platform::watchTerminationSignals(); fd >= 0) {
            termination = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            QObject::connect(termination.get(), &QSocketNotifier::activated, &form, [&form] {
                platform::drainTerminationSignals();
                form.requestQuit();
                form.close();
                QCoreApplication::exit(0);
            });
        }
        // The session manager's quit request (log-out on a desktop with session management,
        // Windows shut-down): save now, as the close would, in case the process is ended
        // before the event loop returns.
        QObject::connect(&application, &QGuiApplication::commitDataRequest, &form,
                         [&form](QSessionManager&) { form.FormDestroy(); });

        form.setSplash(splash.get());
        form.FormCreate(programArguments());
        splash->hide();
        if (!form.quitRequested()) {
            form.show();
            result = application.exec();
        }
        form.FormDestroy();
    }
    return result;
}
