#include "app/tsplash.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "app/app_icon.h"
#include "app/blank_caption.h"
#include "app/find_folder_animation.h"
#include "app/window_font.h"

namespace app {

// A caption and nothing else: no system menu, no minimise, maximise or close button (a window
// manager that draws its own frame is told the same through the window's styles).
TSplash::TSplash(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("Splash"));
    // The program's own icon on the taskbar while the main window is built.
    setWindowIcon(appIcon("epub-polcaro"));
    setWindowTitle(QStringLiteral("Betöltés..."));
    keepCaptionBlank(this);
    setFont(windowFont());
    setFixedSize(385, 81);

    GroupBox1_ = new QGroupBox(this);
    GroupBox1_->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1_->setGeometry(0, 0, 385, 81);

    Label1_ = new QLabel(QStringLiteral("Kis türelmet betöltés folyamatban.."), GroupBox1_);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setGeometry(16, 27, 285, 14);

    Label2_ = new QLabel(QStringLiteral("File:"), GroupBox1_);
    Label2_->setObjectName(QStringLiteral("Label2"));
    Label2_->setGeometry(16, 48, 24, 14);

    Label3_ = new QLabel(GroupBox1_);
    Label3_->setObjectName(QStringLiteral("Label3"));
    Label3_->setGeometry(40, 48, 335, 14);
    Label3_->setTextFormat(Qt::PlainText);

    Animate1_ = new FindFolderAnimation(GroupBox1_);
    Animate1_->setObjectName(QStringLiteral("Animate1"));
    Animate1_->setGeometry(305, 0, 80, 50);

    centreOnDesktop();
    Animate1_->play();
}

void TSplash::centreOnDesktop() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect desktop = screen->geometry();
    move(desktop.center() - QPoint(width() / 2, height() / 2));
}

}  // namespace app
