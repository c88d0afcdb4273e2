// The window as a desktop shows it: placement with the window manager's frame, the width a
// grown window gives away, tooltips, a blank caption, Qt's own texts in the interface's
// language, message boxes wide enough for their text, sockets of ended processes, relative
// output paths and the start-up error in both languages.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>
#include <stdexcept>

#include "app/dialogs.h"
#include "app/empty_folders_command.h"
#include "app/qt_translation.h"
#include "app/settings_controller.h"
#include "app/tform1.h"
#include "app/tool_tips.h"
#include "app/tsplash.h"
#include "app/window_placement.h"
#include "organise/settings.h"
#include "scripted_dialogs.h"
#include "support/temp_tree.h"

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TEST(Desktop, PlacementPutsTheOuterFrameAtTheLastScreensUsableCorner) {
    const QSize client(881, 452);
    const QMargins frame(1, 24, 1, 4);  // borders and a title bar
    // One 1280 x 900 screen with a 30 pixel panel at the bottom.
    EXPECT_EQ(app::cornerPosition({0, 0, 1280, 900}, {0, 0, 1280, 870}, client, frame),
              QPoint(1280 - 883, 870 - 480));
    // A second screen to the right: its origin is not added, its own size decides.
    EXPECT_EQ(app::cornerPosition({1280, 0, 1024, 768}, {1280, 0, 1024, 768}, client, frame),
              QPoint(1024 - 883, 768 - 480));
    // A panel on the left or at the top takes nothing from the right or bottom edge.
    EXPECT_EQ(app::cornerPosition({0, 0, 1280, 900}, {40, 30, 1240, 870}, client, QMargins()),
              QPoint(1280 - 881, 900 - 452));

    // The window itself, unframed (offscreen): client corner at the usable corner.
    app::TForm1 form;
    form.placeAtLastScreenCorner();
    const QScreen* last = QGuiApplication::screens().last();
    const QRect usable = last->availableGeometry();
    EXPECT_EQ(form.pos(), QPoint(usable.right() + 1 - last->geometry().x() - form.width(),
                                 usable.bottom() + 1 - last->geometry().y() - form.height()));
}

TEST(Desktop, ToolbarTooltipsInBothLanguagesNameTheShortcuts) {
    app::TForm1 form;
    QStringList hungarian;
    for (QToolButton* b : {form.RzToolButton1(), form.RzToolButton2(), form.RzToolButton3()}) {
        EXPECT_FALSE(b->toolTip().isEmpty()) << b->objectName().toStdString();
        hungarian << b->toolTip();
    }
    EXPECT_TRUE(form.RzToolButton7()->toolTip().contains(QStringLiteral("F4")));
    EXPECT_TRUE(form.RzToolButton7()->toolTip().contains(QStringLiteral("F5")));
    form.state().englishUi = true;
    app::applyToolTips(form);
    EXPECT_TRUE(form.RzToolButton1()->toolTip().startsWith(QStringLiteral("Start")));
    EXPECT_NE(form.RzToolButton2()->toolTip(), hungarian[1]);
    EXPECT_NE(form.RzToolButton3()->toolTip(), hungarian[2]);
}

TEST(Desktop, EmptyCaptionLeavesNoApplicationNameInTheTitleBar) {
    app::TForm1 form;
    form.setWindowTitle(QString());
    form.show();
    ASSERT_NE(form.windowHandle(), nullptr);
    // An empty native title would be filled with the application's name by Qt.
    EXPECT_EQ(form.windowHandle()->title(), QStringLiteral(" "));
    EXPECT_EQ(form.windowTitle(), QString());
    form.setWindowTitle(QStringLiteral("English"));
    EXPECT_EQ(form.windowHandle()->title(), QStringLiteral("English"));

    app::TSplash splash;
    splash.setWindowTitle(QString());
    splash.show();
    ASSERT_NE(splash.windowHandle(), nullptr);
    EXPECT_EQ(splash.windowHandle()->title(), QStringLiteral(" "));
}

TEST(Desktop, QtOwnTextsFollowTheInterfaceLanguage) {
    const QString file =
        QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_hu.qm");
    if (!QFile::exists(file)) GTEST_SKIP() << "qt6-translations-l10n is not installed";
    const auto findDirectory = [] {
        return QCoreApplication::translate("QFileDialog", "Find Directory");
    };
    ASSERT_TRUE(app::useQtTranslation(false));
    EXPECT_NE(findDirectory(), QStringLiteral("Find Directory"));
    EXPECT_FALSE(app::useQtTranslation(true));
    EXPECT_EQ(findDirectory(), QStringLiteral("Find Directory"));

    // At start-up the first-run prompt and its folder picker already speak Hungarian.
    struct Prompt : apptest::ScriptedDialogs {
        QString seen;
        bool errorTask(QWidget*, const QString&, const QString&, const QString&) override {
            seen = QCoreApplication::translate("QFileDialog", "Find Directory");
            return false;
        }
    } dialogs;
    apptest::ScriptedDialogs::Install install(dialogs);
    testsupport::TempTree tree;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", tree.makeFolder(QStringLiteral("config")).toUtf8());
    {
        app::TForm1 form;
        form.FormCreate({});
    }
    qputenv("XDG_CONFIG_HOME", saved);
    EXPECT_FALSE(dialogs.seen.isEmpty());
    EXPECT_NE(dialogs.seen, QStringLiteral("Find Directory"));
    app::useQtTranslation(true);
}

TEST(Desktop, MessageBoxesAreWideEnoughForTheirTextsAndCaption) {
    for (const bool english : {false, true}) {
        QMessageBox box(QMessageBox::Critical, english ? u("Error") : u("Hiba"),
                        english ? u("Select Directory") : u("Könyvtár kiválasztása"),
                        QMessageBox::Ok);
        const QString text = english ? u("No output directory is selected")
                                     : u("Nincs kiválasztva a kimeneti könyvtár");
        box.setInformativeText(text);
        app::fitMessageBoxToText(box);
        box.show();
        QCoreApplication::processEvents();
        auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        ASSERT_NE(label, nullptr);
        // One line: at its width the label needs no more height than with unlimited room.
        EXPECT_EQ(label->heightForWidth(label->width()), label->heightForWidth(100000))
            << text.toStdString();
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(text));
        box.hide();
    }
}

TEST(Desktop, RelativeOutputPathsAreRefusedEverywhere) {
    testsupport::TempTree tree;
    tree.makeFolder(QStringLiteral("work/rel/empty"));
    const QString before = QDir::currentPath();
    QDir::setCurrent(tree.path(QStringLiteral("work")));
    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install(dialogs);
    dialogs.confirmAnswers = {true};

    // The empty-folder button: nothing is asked, nothing is removed, the message says why.
    app::runEmptyFoldersCommand(
        nullptr, [] { return QStringLiteral("rel"); }, false);
    EXPECT_TRUE(dialogs.textsOf(QStringLiteral("confirm")).isEmpty());
    EXPECT_EQ(dialogs.textsOf(QStringLiteral("message")),
              QStringList{u("Nincs megadva kimeneti mappa")});
    EXPECT_TRUE(QFileInfo::exists(tree.path(QStringLiteral("work/rel/empty"))));

    app::TForm1 form;
    // A favourite naming a relative folder is not taken.
    form.JvDirectoryEdit1()->setText(QStringLiteral("/kept"));
    form.settings().ComboBox1Change(QStringLiteral("rel"));
    EXPECT_EQ(form.JvDirectoryEdit1()->text(), QStringLiteral("/kept"));
    // A relative stored value names no output folder: start-up asks for one.
    form.settings().fixSettingsFolder();
    organise::SaveSettings(form.state().settingsFolder, QStringLiteral("rel"));
    form.settings().loadOutputFolder();
    EXPECT_EQ(form.state().outputFolder, QString());
    QDir::setCurrent(before);
}

TEST(Desktop, StartUpFolderErrorSpeaksTheInterfaceLanguage) {
    testsupport::TempTree tree;
    const QString blocked = tree.writeFile(QStringLiteral("file")) + QStringLiteral("/out/");
    for (const bool english : {false, true}) {
        app::TForm1 form;
        form.state().englishUi = english;
        form.state().outputFolder = blocked;
        try {
            form.settings().prepareOutputFolder();
            ADD_FAILURE() << "a folder below a file cannot be created";
        } catch (const std::exception& error) {
            const QString text = QString::fromUtf8(error.what());
            EXPECT_TRUE(text.startsWith(english ? u("Unable to create directory ")
                                                : u("Nem sikerült létrehozni a könyvtárat: ")))
                << error.what();
            EXPECT_TRUE(text.endsWith(blocked));
        }
    }
}

}  // namespace
