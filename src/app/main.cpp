// The program entry: the elevated-action check, the splash window while the main window is
// built, the event loop, and the saving at exit.
#include <QStringList>
#include <memory>

#include "app/application.h"
#include "app/elevated_launch.h"
#include "app/tform1.h"
#include "app/tsplash.h"
#include "app/window_font.h"
#include "platform/process_tuning.h"
#include "shell/desktop_verbs.h"

int main(int argc, char** argv) {
    // A copy started elevated with the marker switch performs its action and ends in here.
    app::installElevatedActionAndCheck();

    platform::prepareProcessForBookReading();
    app::Application application(argc, argv);
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
        form.setSplash(splash.get());
        form.FormCreate(QCoreApplication::arguments().mid(1));
        splash->hide();
        if (!form.quitRequested()) {
            form.show();
            result = application.exec();
        }
        form.FormDestroy();
    }
    return result;
}
