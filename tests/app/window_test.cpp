// The main window and the splash window: controls by name with their captions and initial
// states, the always-on-top pair, the copy/move pair kept in step with the popup menu, the
// start-up steps and the error box of the event loop.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <memory>
#include <stdexcept>

#include "app/find_folder_animation.h"
#include "app/tform1.h"
#include "app/tsplash.h"
#include "platform/system_folders.h"
#include "scripted_dialogs.h"
#include "support/temp_tree.h"

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A path part written with '/', in native form: the list holds native paths.
QString n(const char* utf8) {
    return QDir::toNativeSeparators(u(utf8));
}

template <typename T>
T* child(QObject* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

TEST(MainWindow, EveryControlCarriesItsNameCaptionAndInitialState) {
    app::TForm1 form;
    EXPECT_EQ(form.objectName(), u("Form1"));
    EXPECT_EQ(form.windowTitle(), u("Epub polcaro"));
    EXPECT_EQ(form.size(), QSize(app::TForm1::kOpeningWidth, app::TForm1::kOpeningHeight));
    EXPECT_EQ(form.font().pixelSize(), 11);

    ASSERT_NE(child<QToolBar>(&form, "RzToolbar1"), nullptr);
    const char* const buttons[] = {"RzToolButton1", "RzToolButton2", "RzToolButton3",
                                   "RzToolButton4", "RzToolButton5", "RzToolButton6",
                                   "RzToolButton7", "RzToolButton8", "RzToolButton9"};
    for (const char* name : buttons) {
        QToolButton* button = child<QToolButton>(&form, name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_TRUE(button->isEnabled()) << name;
    }
    for (const char* name : {"RzToolButton1", "RzToolButton9", "RzToolButton2", "RzToolButton3"}) {
        EXPECT_EQ(child<QToolButton>(&form, name)->toolButtonStyle(), Qt::ToolButtonIconOnly);
        EXPECT_FALSE(child<QToolButton>(&form, name)->icon().isNull()) << name;
    }
    EXPECT_FALSE(form.RzToolButton4()->icon().isNull());
    EXPECT_FALSE(form.RzToolButton9()->icon().isNull());
    EXPECT_EQ(form.RzToolButton9()->text(), u("Előnézet"));
    EXPECT_EQ(form.RzToolButton4()->text(), u("Ures könyvtárak törlése"));
    EXPECT_EQ(form.RzToolButton5()->text(), u("Regisztráció"));
    EXPECT_EQ(form.RzToolButton6()->text(), u("Regisztráció törlése"));
    EXPECT_EQ(form.RzToolButton7()->text(), u("Mindig legfelul"));
    EXPECT_EQ(form.RzToolButton8()->text(), u("Normál"));

    // The toolbar's order from left to right.
    QStringList order;
    for (QAction* action : form.RzToolbar1()->actions())
        order << form.RzToolbar1()->widgetForAction(action)->objectName();
    EXPECT_EQ(order.join(u(",")),
              u("RzToolButton1,RzToolButton9,RzToolButton2,RzSpacer1,RzToolButton3,RzSpacer2,"
                "RzRadioGroup3,"
                "RzSpacer3,RzToolButton4,RzSpacer4,RzToolButton5,RzToolButton6,RzSpacer5,"
                "RzToolButton7,RzToolButton8"));

    QGroupBox* mode = child<QGroupBox>(&form, "RzRadioGroup3");
    ASSERT_NE(mode, nullptr);
    EXPECT_TRUE(mode->title().isEmpty());
    EXPECT_EQ(child<QRadioButton>(&form, "RzRadioGroup3_Item0")->text(), u("Másolás"));
    EXPECT_EQ(child<QRadioButton>(&form, "RzRadioGroup3_Item1")->text(), u("Áthelyezés"));
    EXPECT_TRUE(child<QRadioButton>(&form, "RzRadioGroup3_Item0")->isChecked());
    EXPECT_EQ(form.transferMode(), 0);

    EXPECT_EQ(child<QGroupBox>(&form, "RzGroupBox1")->title(), u("Kimeneti mappa"));
    EXPECT_TRUE(child<QLineEdit>(&form, "JvDirectoryEdit1")->text().isEmpty());
    EXPECT_NE(child<QToolButton>(&form, "JvDirectoryEdit1Button"), nullptr);
    EXPECT_EQ(child<QPushButton>(&form, "Button1")->text(), u("Kedvencekhez ad"));

    QTreeWidget* list = child<QTreeWidget>(&form, "RzListView1");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->columnCount(), 3);
    EXPECT_EQ(list->headerItem()->text(0), u("Másolandó file"));
    EXPECT_EQ(list->headerItem()->text(1), u("Hiba"));
    EXPECT_EQ(list->headerItem()->text(2), u("Kimenet"));
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_FALSE(list->rootIsDecorated());

    QGroupBox* options = child<QGroupBox>(&form, "RzRadioGroup2");
    EXPECT_EQ(options->title(), u("Opciók"));
    EXPECT_EQ(child<QGroupBox>(&form, "RzRadioGroup1")->title(), u("Átnevezés"));
    const char* schemes[] = {"Nincs átnevezés", "Szerzö-Cim", "Cim-Szerzö"};
    for (int i = 0; i < 3; ++i) {
        QRadioButton* radio =
            form.findChild<QRadioButton*>(QStringLiteral("RzRadioGroup1_Item%1").arg(i));
        ASSERT_NE(radio, nullptr);
        EXPECT_EQ(radio->text(), u(schemes[i]));
        EXPECT_EQ(radio->isChecked(), i == 1);
        EXPECT_EQ(form.RzRadioGroup1Items()->id(radio), i);
    }
    struct Check {
        const char* name;
        const char* caption;
        bool on;
    };
    for (const Check& c : {Check{"chknyelv", "Nyelvek szerint szetválogatás (fökönyvtár)", false},
                           Check{"chkszerzo", "Szerzök szerint szétválogatás", true},
                           Check{"chkkonvcimmappa", "Könyv cime a almappa neve", false},
                           Check{"chksorozat", "Sorozatok mappa létrehozása", false},
                           Check{"chknone", "Nincs mappa létrehozás", false}}) {
        QCheckBox* box = child<QCheckBox>(&form, c.name);
        ASSERT_NE(box, nullptr) << c.name;
        EXPECT_EQ(box->text(), u(c.caption));
        EXPECT_EQ(box->isChecked(), c.on) << c.name;
    }
    EXPECT_EQ(child<QLabel>(&form, "Label1")->text(), u("Kedvencek:"));
    QComboBox* favourites = child<QComboBox>(&form, "ComboBox1");
    EXPECT_FALSE(favourites->isEditable());
    EXPECT_EQ(favourites->currentIndex(), -1);

    QMenu* popup = child<QMenu>(&form, "PopupMenu2");
    ASSERT_NE(popup, nullptr);
    QStringList items;
    for (QAction* action : popup->actions())
        items << (action->isSeparator() ? u("-") : action->objectName() + u("=") + action->text());
    EXPECT_EQ(items.join(u("|")),
              u("Listatrlse1=Lista törlése|-|Msols2=Másolás|thelyezs2=Áthelyezés|-|"
                "Filemegnyits1=File megnyitás|teszt1=Átmasolt file megnyitasa|-|"
                "Utolsfutsvisszavonsa1=Utolsó futás visszavonása|-|Elnzet1=Előnézet|"
                "Csakahibssorok1=Csak a hibás sorok"));
    EXPECT_TRUE(child<QAction>(&form, "Csakahibssorok1")->isCheckable());
    EXPECT_FALSE(child<QAction>(&form, "Csakahibssorok1")->isChecked());
    EXPECT_TRUE(child<QAction>(&form, "Msols2")->isChecked());
    EXPECT_FALSE(child<QAction>(&form, "thelyezs2")->isChecked());

    EXPECT_NE(child<QStatusBar>(&form, "RzStatusBar1"), nullptr);
    EXPECT_TRUE(child<QLabel>(&form, "RzStatusPane1")->text().isEmpty());
    EXPECT_EQ(child<QProgressBar>(&form, "RzProgressStatus1")->value(),
              child<QProgressBar>(&form, "RzProgressStatus1")->minimum());
    EXPECT_TRUE(child<QLabel>(&form, "RzStatusPane2")->text().isEmpty());
}

TEST(MainWindow, LayoutStacksToolbarGroupListOptionsAndStatusBar) {
    app::TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const auto top = [&](QWidget* w) { return w->mapTo(&form, QPoint(0, 0)).y(); };
    EXPECT_LT(top(form.RzToolbar1()), top(form.RzGroupBox1()));
    EXPECT_LT(top(form.RzGroupBox1()), top(form.RzListView1()));
    EXPECT_LT(top(form.RzListView1()), top(form.RzRadioGroup2()));
    EXPECT_LT(top(form.RzRadioGroup2()), top(form.RzStatusBar1()));
    // The list takes the height the others leave.
    EXPECT_EQ(form.RzListView1()->height(),
              form.height() - form.RzToolbar1()->height() - form.RzGroupBox1()->height() -
                  form.RzRadioGroup2()->height() - form.RzStatusBar1()->height());
    EXPECT_EQ(form.width(), app::TForm1::kOpeningWidth)
        << "the controls must fit the window's width";
    // The status bar holds the first pane, the progress bar and the second pane, side by side.
    const auto left = [&](QWidget* w) { return w->mapTo(&form, QPoint(0, 0)).x(); };
    EXPECT_LE(left(form.RzStatusPane1()) + form.RzStatusPane1()->width(),
              left(form.RzProgressStatus1()));
    EXPECT_LE(left(form.RzProgressStatus1()) + form.RzProgressStatus1()->width(),
              left(form.RzStatusPane2()));
    EXPECT_LE(form.RzProgressStatus1()->height(), form.RzStatusBar1()->height());
}

TEST(MainWindow, TopmostButtonsFormOneGroupWithTheirCaptionColours) {
    app::TForm1 form;
    const QColor red = app::TForm1::activeCaptionColour();
    const QColor highlight = form.highlightCaptionColour();
    ASSERT_NE(red, highlight);

    // Before start-up switches it on: pressed, but not on top and neither caption red.
    EXPECT_TRUE(form.RzToolButton7()->isChecked());
    EXPECT_FALSE(form.RzToolButton8()->isChecked());
    EXPECT_FALSE(form.isTopmost());
    EXPECT_EQ(form.captionColour(form.RzToolButton7()), highlight);
    EXPECT_EQ(form.captionColour(form.RzToolButton8()), highlight);

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QRect before = form.geometry();

    QTest::mouseClick(form.RzToolButton8(), Qt::LeftButton);
    EXPECT_FALSE(form.isTopmost());
    EXPECT_TRUE(form.RzToolButton8()->isChecked());
    EXPECT_FALSE(form.RzToolButton7()->isChecked());
    EXPECT_EQ(form.captionColour(form.RzToolButton8()), red);
    EXPECT_EQ(form.captionColour(form.RzToolButton7()), highlight);

    QTest::mouseClick(form.RzToolButton7(), Qt::LeftButton);
    EXPECT_TRUE(form.isTopmost());
    EXPECT_TRUE(form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form.RzToolButton7()->isChecked());
    EXPECT_FALSE(form.RzToolButton8()->isChecked());
    EXPECT_EQ(form.captionColour(form.RzToolButton7()), red);
    EXPECT_EQ(form.captionColour(form.RzToolButton8()), highlight);
    // Neither moved nor resized, and still showing.
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.geometry(), before);

    // F4 is the always-on-top button's key; F5 moves the window to the last screen's corner.
    QTest::mouseClick(form.RzToolButton8(), Qt::LeftButton);
    form.activateWindow();
    QTest::keyClick(&form, Qt::Key_F4);
    EXPECT_TRUE(form.isTopmost());
    EXPECT_EQ(form.captionColour(form.RzToolButton7()), red);
    form.move(3, 4);
    QTest::keyClick(&form, Qt::Key_F5);
    const QRect last = QGuiApplication::screens().last()->geometry();
    EXPECT_EQ(form.frameGeometry().topLeft(),
              QPoint(last.width() - form.frameGeometry().width(),
                     last.height() - form.frameGeometry().height()));

    // Pressing the pressed button again keeps it so.
    QTest::mouseClick(form.RzToolButton7(), Qt::LeftButton);
    EXPECT_TRUE(form.RzToolButton7()->isChecked());
    EXPECT_TRUE(form.isTopmost());
}

TEST(MainWindow, CopyMovePairStaysInStepWithThePopupItems) {
    app::TForm1 form;
    QRadioButton* move = child<QRadioButton>(&form, "RzRadioGroup3_Item1");
    QRadioButton* copy = child<QRadioButton>(&form, "RzRadioGroup3_Item0");

    move->click();
    EXPECT_EQ(form.transferMode(), 1);
    EXPECT_TRUE(form.thelyezs2()->isChecked());
    EXPECT_FALSE(form.Msols2()->isChecked());

    form.Msols2()->trigger();
    EXPECT_TRUE(copy->isChecked());
    EXPECT_EQ(form.transferMode(), 0);
    EXPECT_TRUE(form.Msols2()->isChecked());
    EXPECT_FALSE(form.thelyezs2()->isChecked());

    form.thelyezs2()->trigger();
    EXPECT_TRUE(move->isChecked());
    EXPECT_EQ(form.transferMode(), 1);

    copy->click();
    EXPECT_TRUE(form.Msols2()->isChecked());
    EXPECT_FALSE(form.thelyezs2()->isChecked());
}

TEST(MainWindow, NoFoldersBoxGreysTheOtherFourWithoutUntickingThem) {
    app::TForm1 form;
    form.chknyelv()->setChecked(true);
    form.chknone()->click();
    for (QCheckBox* box :
         {form.chknyelv(), form.chkszerzo(), form.chkkonvcimmappa(), form.chksorozat()})
        EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
    EXPECT_TRUE(form.chknyelv()->isChecked());
    EXPECT_TRUE(form.chkszerzo()->isChecked());
    form.chknone()->click();
    for (QCheckBox* box :
         {form.chknyelv(), form.chkszerzo(), form.chkkonvcimmappa(), form.chksorozat()})
        EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(form.chknyelv()->isChecked());
    EXPECT_FALSE(form.chkkonvcimmappa()->isChecked());
}

TEST(SplashWindow, ShowsItsTextsAndPlaysTheAnimationOnceToFrame27) {
    app::TSplash splash;
    EXPECT_EQ(splash.objectName(), u("Splash"));
    EXPECT_EQ(splash.windowTitle(), u("Betöltés..."));
    EXPECT_EQ(splash.minimumSize(), splash.maximumSize()) << "fixed frame";
    EXPECT_FALSE(splash.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(splash.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(splash.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(splash.windowIcon().isNull()) << "the program's icon, not the system's";
    EXPECT_EQ(splash.font().pixelSize(), 11);
    EXPECT_EQ(child<QGroupBox>(&splash, "GroupBox1")->geometry(), splash.rect()) << "fills it";
    EXPECT_TRUE(child<QGroupBox>(&splash, "GroupBox1")->title().isEmpty());
    EXPECT_EQ(child<QLabel>(&splash, "Label1")->text(), u("Kis türelmet betöltés folyamatban.."));
    EXPECT_EQ(child<QLabel>(&splash, "Label2")->text(), u("File:"));
    EXPECT_TRUE(child<QLabel>(&splash, "Label3")->text().isEmpty());
    // The message above the "File:" line, the file name after "File:", the animation in the
    // top-right corner.
    const QRect message = splash.Label1()->geometry();
    const QRect file = splash.Label2()->geometry();
    const QRect name = splash.Label3()->geometry();
    EXPECT_LT(message.top(), file.top());
    EXPECT_EQ(message.left(), file.left());
    EXPECT_EQ(name.top(), file.top());
    EXPECT_LT(file.right(), name.left());
    auto* animation = child<app::FindFolderAnimation>(&splash, "Animate1");
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->geometry().topRight(), splash.rect().topRight());

    // Centred on the desktop.
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE(std::abs(splash.geometry().center().x() - desktop.center().x()), 1);
    EXPECT_LE(std::abs(splash.geometry().center().y() - desktop.center().y()), 1);

    EXPECT_TRUE(animation->playing());
    QTRY_VERIFY_WITH_TIMEOUT(!animation->playing(), 10000);
    EXPECT_EQ(animation->frame(), app::FindFolderAnimation::kStopFrame);
    QTest::qWait(200);
    EXPECT_EQ(animation->frame(), app::FindFolderAnimation::kStopFrame) << "plays only once";
}

// Start-up with a temporary per-user folder and scripted dialogs.
class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        savedRoaming_ = platform::redirectRoamingAppDataFolder(
            QDir::toNativeSeparators(tree.path(QStringLiteral("config"))).toStdString());
        books = tree.makeFolder(QStringLiteral("books"));
        tree.writeFile(QStringLiteral("books/a.epub"));
        tree.writeFile(QStringLiteral("books/sub/b.epub"));
    }
    void TearDown() override { platform::redirectRoamingAppDataFolder(savedRoaming_); }

    void storeOutputFolder(const QString& folder) {
        tree.writeFile(
            QStringLiteral("config/Epub_polcaro/epub_polcaro.ini"),
            QByteArray("[kimeneti_mappa]\r\nDirectory=") + folder.toUtf8() + QByteArray("\r\n"));
    }

    testsupport::TempTree tree;
    QString books;
    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install{dialogs};

private:
    std::string savedRoaming_;
};

TEST_F(StartUp, WithAStoredOutputFolderTheWindowGoesOnTopToTheCornerAndSearchesTheArgument) {
    const QString output = tree.path(QStringLiteral("out"));
    storeOutputFolder(output);
    app::TForm1 form;
    app::TSplash splash;
    form.setSplash(&splash);
    form.FormCreate({books, QStringLiteral("ignored-second-argument")});

    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_FALSE(form.quitRequested());
    EXPECT_EQ(form.state().outputFolder, output + QDir::separator());
    EXPECT_TRUE(QFileInfo(output).isDir()) << "a missing output folder is created";
    EXPECT_TRUE(form.isTopmost());
    EXPECT_EQ(form.captionColour(form.RzToolButton7()), app::TForm1::activeCaptionColour());
    const QRect last = QGuiApplication::screens().last()->geometry();
    EXPECT_EQ(form.pos(), QPoint(last.width() - form.frameGeometry().width(),
                                 last.height() - form.frameGeometry().height()));
    ASSERT_EQ(form.rowPaths(), QStringList({books + n("/a.epub"), books + n("/sub/b.epub")}));
    EXPECT_EQ(splash.Label3()->text(), u("b.epub")) << "the splash names each file found";
    EXPECT_EQ(form.RzStatusPane1()->text(), u("Db:2"));
}

TEST_F(StartUp, AFileArgumentIsAddedOnlyWhenItIsAnEpub) {
    storeOutputFolder(tree.path(QStringLiteral("out")));
    const QString text = tree.writeFile(QStringLiteral("notes.txt"));
    {
        app::TForm1 form;
        form.FormCreate({text});
        EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 0);
    }
    app::TForm1 form;
    form.FormCreate({books + u("/a.epub")});
    EXPECT_EQ(form.rowPaths(), QStringList({books + u("/a.epub")}));
}

TEST_F(StartUp, ADismissedFirstRunPromptSkipsTheRestOfStartUp) {
    dialogs.errorTaskAnswers = {false};
    app::TForm1 form;
    form.FormCreate({books});
    ASSERT_EQ(dialogs.textsOf(u("errorTask")).size(), 1);
    EXPECT_FALSE(form.quitRequested());
    EXPECT_TRUE(form.state().outputFolder.isEmpty());
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 0) << "the argument is not used";
    EXPECT_TRUE(form.RzToolButton7()->isChecked());
    EXPECT_FALSE(form.isTopmost());
    EXPECT_NE(form.captionColour(form.RzToolButton7()), app::TForm1::activeCaptionColour());
    EXPECT_NE(form.captionColour(form.RzToolButton8()), app::TForm1::activeCaptionColour());
}

TEST_F(StartUp, ACancelledFolderPickerEndsTheProgramBeforeTheWindowShows) {
    dialogs.errorTaskAnswers = {true};
    dialogs.folderAnswers = {std::nullopt};
    app::TForm1 form;
    form.FormCreate({books});
    EXPECT_TRUE(form.quitRequested());
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 0);
}

TEST_F(StartUp, AnErrorInAStepIsShownAndTheRemainingStepsAreSkipped) {
    // A plain file where the output folder should be created: step F3 fails.
    const QString blocker = tree.writeFile(QStringLiteral("blocker"));
    storeOutputFolder(blocker + u("/out"));
    app::TForm1 form;
    form.FormCreate({books});
    ASSERT_EQ(dialogs.textsOf(u("error")).size(), 1);
    EXPECT_FALSE(form.quitRequested());
    EXPECT_FALSE(form.isTopmost()) << "the steps after the failing one did not run";
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 0);
}

// An object whose event handler fails, as a command handler may.
class FailingReceiver : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("the handler failed");
        return QObject::event(e);
    }
};

TEST(EventLoop, AnErrorEscapingAHandlerIsShownInTheErrorBoxAndTheProgramGoesOn) {
    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install(dialogs);
    FailingReceiver receiver;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&receiver, &event);
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.textsOf(u("error")),
              QStringList({u("the handler failed"), u("the handler failed")}));
}

}  // namespace

namespace {

TEST(MainWindow, ButtonsAndMenusReachTheirCommands) {
    testsupport::TempTree tree;
    const QString picked = tree.makeFolder(QStringLiteral("picked"));
    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install(dialogs);
    app::TForm1 form;

    // The output-folder edit's browse button: the picker, then the chosen folder is taken.
    dialogs.folderAnswers = {picked, std::nullopt};
    form.JvDirectoryEdit1Button()->click();
    EXPECT_EQ(form.state().outputFolder, picked + QDir::separator());
    EXPECT_EQ(form.JvDirectoryEdit1()->text(), picked);
    form.JvDirectoryEdit1Button()->click();  // cancelled: nothing changes
    EXPECT_EQ(form.state().outputFolder, picked + QDir::separator());

    // Adding to the favourites, then picking the favourite back.
    form.Button1()->click();
    ASSERT_EQ(form.ComboBox1()->count(), 1);
    EXPECT_EQ(form.ComboBox1()->itemText(0), picked);
    form.JvDirectoryEdit1()->clear();
    form.ComboBox1()->setCurrentIndex(0);
    emit form.ComboBox1()->activated(0);
    EXPECT_EQ(form.JvDirectoryEdit1()->text(), picked);

    // The run with no output folder in the edit refuses with its message.
    form.JvDirectoryEdit1()->clear();
    form.RzToolButton1()->click();
    EXPECT_EQ(dialogs.textsOf(u("message")).value(0), u("Nincs megadva kimeneti mappa"));
    form.RzToolButton2()->click();
    EXPECT_TRUE(form.state().stopRequested);

    // Removing empty folders asks first; declined, nothing else happens.
    form.JvDirectoryEdit1()->setText(picked);
    dialogs.confirmAnswers = {false};
    form.RzToolButton4()->click();
    EXPECT_EQ(dialogs.textsOf(u("confirm")).size(), 1);
    EXPECT_TRUE(QFileInfo(picked).isDir());
}

}  // namespace
