// The settings and favourites as the window handles them: start-up steps, the output-folder
// edit, the favourites list and the saving at exit, on the real main window with scripted
// dialogs and the per-user folder redirected into a temporary folder.
#include "app/settings_controller.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QToolButton>

#include "app/form_state.h"
#include "app/tform1.h"
#include "organise/favourites.h"
#include "organise/settings.h"
#include "platform/code_page.h"
#include "platform/error.h"
#include "platform/system_folders.h"
#include "scripted_dialogs.h"
#include "support/temp_tree.h"

namespace {

using app::SettingsController;
using FirstRun = app::SettingsController::FirstRun;

const QString kSep = QDir::separator();

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SettingsControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedRoaming_ = platform::redirectRoamingAppDataFolder(
            QDir::toNativeSeparators(tree.path(QStringLiteral("config"))).toStdString());
        settingsFolder =
            QDir::toNativeSeparators(tree.path(QStringLiteral("config/Epub_polcaro"))) + kSep;
    }
    void TearDown() override { platform::redirectRoamingAppDataFolder(savedRoaming_); }

    QString settingsFile() const { return organise::settingsFilePath(settingsFolder); }
    QString favouritesFile() const { return organise::favouritesFilePath(settingsFolder); }
    void storeOutputFolder(const QString& folder) {
        QDir().mkpath(settingsFolder);
        organise::SaveSettings(settingsFolder, folder);
    }
    QString storedOutputFolder() const { return organise::LoadSettings(settingsFolder); }
    void storeFavourites(const QByteArray& bytes) {
        QDir().mkpath(settingsFolder);
        QFile file(favouritesFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Start-up steps B, D, E and, when it may run, F (without the window's own F4, F5, F7).
    FirstRun startUp(SettingsController& settings) {
        settings.fixSettingsFolder();
        settings.loadOutputFolder();
        const FirstRun outcome = settings.firstRunPrompt();
        if (outcome == FirstRun::NotNeeded || outcome == FirstRun::Chosen) {
            settings.prepareOutputFolder();
            settings.loadFavourites();
        }
        return outcome;
    }

    QLineEdit* edit() { return form.JvDirectoryEdit1(); }
    QComboBox* combo() { return form.ComboBox1(); }
    QStringList comboEntries() {
        QStringList out;
        for (int i = 0; i < combo()->count(); ++i) out << combo()->itemText(i);
        return out;
    }

    testsupport::TempTree tree;
    QString settingsFolder;
    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install{dialogs};
    app::TForm1 form;
    app::FormState& state = form.state();

private:
    std::string savedRoaming_;
};

TEST_F(SettingsControllerTest, PerUserFolderIsCreatedAndEndsWithOneSeparator) {
    SettingsController settings(form.settingsControls(), state);
    settings.fixSettingsFolder();
    EXPECT_EQ(state.settingsFolder, settingsFolder);
    EXPECT_TRUE(QDir(settingsFolder).exists());
    // Present already: nothing changes, no error.
    settings.fixSettingsFolder();
    EXPECT_EQ(state.settingsFolder, settingsFolder);
}

TEST_F(SettingsControllerTest, StoredFolderWithoutSeparatorIsShownCreatedAndWrittenBackWithIt) {
    const QString books = tree.path(QStringLiteral("library/books"));  // does not exist yet
    storeOutputFolder(books);

    SettingsController settings(form.settingsControls(), state);
    state.stopRequested = true;
    EXPECT_EQ(startUp(settings), FirstRun::NotNeeded);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_FALSE(state.stopRequested);
    EXPECT_EQ(state.outputFolder, books + kSep);
    EXPECT_EQ(edit()->text(), books + kSep);
    EXPECT_TRUE(QDir(books).exists());

    settings.FormDestroy();
    EXPECT_TRUE(dialogs.textsOf(QStringLiteral("error")).isEmpty());
    EXPECT_EQ(storedOutputFolder(), books + kSep);
}

TEST_F(SettingsControllerTest, OutputFolderThatCannotBeCreatedRaisesAndKeepsTheFavouritesSafe) {
    // A file stands where a parent folder would have to be created.
    const QString blocker = tree.writeFile(QStringLiteral("blocker"), "x");
    storeOutputFolder(blocker + kSep + QStringLiteral("books"));
    storeFavourites("/one\r\n/two\r\n");
    const QByteArray before = readAll(favouritesFile());

    SettingsController settings(form.settingsControls(), state);
    EXPECT_THROW(startUp(settings), platform::Error);
    // The rest of step F (the favourites) was skipped; exit must not wipe the stored list.
    settings.FormDestroy();
    EXPECT_EQ(readAll(favouritesFile()), before);
    EXPECT_EQ(storedOutputFolder(), blocker + kSep + QStringLiteral("books") + kSep);
}

TEST_F(SettingsControllerTest, FavouritesAddAsTheFileSystemComparesAndEmptyEntryOnce) {
    const QString a = tree.makeFolder(QStringLiteral("Alpha"));
    storeOutputFolder(a);
    storeFavourites((a + QStringLiteral("\r\n")).toUtf8());

    SettingsController settings(form.settingsControls(), state);
    startUp(settings);
    ASSERT_EQ(comboEntries(), QStringList{a});
    EXPECT_EQ(combo()->currentIndex(), -1);  // nothing selected after loading

    edit()->setText(a);
    settings.Button1Click();
    EXPECT_EQ(comboEntries(), QStringList{a});
    // Windows folder names ignore letter case; POSIX ones tell /tmp/x from /TMP/X.
    QStringList added{a};
    if (!platform::pathsIgnoreCase()) added << a.toUpper();
    edit()->setText(a.toUpper());
    settings.Button1Click();
    EXPECT_EQ(comboEntries(), added);

    edit()->setText(QStringLiteral("/not/a/folder"));  // added unchanged, existing or not
    settings.Button1Click();
    edit()->clear();
    settings.Button1Click();
    settings.Button1Click();
    const QStringList expected = added + QStringList{QStringLiteral("/not/a/folder"), QString()};
    EXPECT_EQ(comboEntries(), expected);
    // Adding neither picks an entry nor changes the output folder.
    EXPECT_EQ(combo()->currentIndex(), -1);
    EXPECT_EQ(state.outputFolder, a + kSep);
    // Nothing is written before exit.
    EXPECT_EQ(readAll(favouritesFile()), (a + QStringLiteral("\r\n")).toUtf8());

    settings.FormDestroy();
    EXPECT_EQ(readAll(favouritesFile()),
              (added.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n/not/a/folder\r\n\r\n"))
                  .toUtf8());
}

TEST_F(SettingsControllerTest, PickingAFavourite) {
    const QString out = tree.makeFolder(QStringLiteral("out"));
    const QString other = tree.makeFolder(QStringLiteral("other"));
    const QString gone = tree.makeFolder(QStringLiteral("gone"));
    storeOutputFolder(out + kSep);
    storeFavourites((gone + QStringLiteral("\r\n") + other + QStringLiteral("\r\n")).toUtf8());
    SettingsController settings(form.settingsControls(), state);
    startUp(settings);
    ASSERT_TRUE(QDir(gone).removeRecursively());

    combo()->setCurrentIndex(0);  // the deleted one
    settings.ComboBox1Change();
    EXPECT_EQ(edit()->text(), out + kSep);
    EXPECT_EQ(state.outputFolder, out + kSep);

    settings.ComboBox1Change(QString());  // the empty entry names no folder
    EXPECT_EQ(state.outputFolder, out + kSep);

    combo()->setCurrentIndex(1);
    settings.ComboBox1Change();
    EXPECT_EQ(edit()->text(), other);
    EXPECT_EQ(state.outputFolder, other + kSep);
}

TEST_F(SettingsControllerTest, BrowseDialogSetsTheOutputFolderOnlyWhenAccepted) {
    const QString out = tree.makeFolder(QStringLiteral("out"));
    const QString picked = tree.makeFolder(QStringLiteral("picked"));
    storeOutputFolder(out);
    SettingsController settings(form.settingsControls(), state);
    startUp(settings);

    // The window's browse button: the folder picker, then JvDirectoryEdit1AfterDialog.
    edit()->clear();
    dialogs.folderAnswers.push_back(std::nullopt);
    form.JvDirectoryEdit1Button()->click();
    EXPECT_EQ(edit()->text(), QString());
    EXPECT_EQ(state.outputFolder, out + kSep);

    dialogs.folderAnswers.push_back(picked);
    form.JvDirectoryEdit1Button()->click();
    EXPECT_EQ(edit()->text(), picked);
    EXPECT_EQ(state.outputFolder, picked + kSep);

    settings.JvDirectoryEdit1AfterDialog(out + kSep, true);
    EXPECT_EQ(state.outputFolder, out + kSep);  // no second separator
}

TEST_F(SettingsControllerTest, TypedFolderIsTakenAtExitOnlyWhenItExists) {
    const QString out = tree.makeFolder(QStringLiteral("out"));
    const QString typed = tree.makeFolder(QStringLiteral("typed"));
    storeOutputFolder(out + kSep);

    {
        SettingsController settings(form.settingsControls(), state);
        startUp(settings);
        edit()->setText(tree.path(QStringLiteral("missing")));
        settings.FormDestroy();
        EXPECT_EQ(storedOutputFolder(), out + kSep);
    }
    {
        SettingsController settings(form.settingsControls(), state);
        startUp(settings);
        edit()->setText(QStringLiteral("."));  // exists, but only relative to where we run
        settings.FormDestroy();
        EXPECT_EQ(storedOutputFolder(), out + kSep);
    }
    {
        SettingsController settings(form.settingsControls(), state);
        startUp(settings);
        edit()->setText(typed);
        // Typing alone does not change the folder the run uses.
        EXPECT_EQ(state.outputFolder, out + kSep);
        settings.FormDestroy();
        EXPECT_EQ(storedOutputFolder(), typed);  // as typed, no separator added
    }
    {
        // The next start uses it, with the separator.
        SettingsController settings(form.settingsControls(), state);
        startUp(settings);
        EXPECT_EQ(state.outputFolder, typed + kSep);
    }
}

TEST_F(SettingsControllerTest, Utf8FavouritesWithByteOrderMarkAreWrittenBackWithIt) {
    const QString out = tree.makeFolder(QStringLiteral("out"));
    storeOutputFolder(out);
    const QByteArray bom("\xEF\xBB\xBF");
    storeFavourites(bom + QStringLiteral("/könyvek/Árvíztűrő\r\n/x\n").toUtf8());
    SettingsController settings(form.settingsControls(), state);
    startUp(settings);
    EXPECT_EQ(comboEntries(),
              (QStringList{QStringLiteral("/könyvek/Árvíztűrő"), QStringLiteral("/x")}));

    edit()->setText(QStringLiteral("/új"));
    settings.Button1Click();
    settings.FormDestroy();
    EXPECT_EQ(readAll(favouritesFile()),
              bom + QStringLiteral("/könyvek/Árvíztűrő\r\n/x\r\n/új\r\n").toUtf8());
}

TEST_F(SettingsControllerTest, FirstRunPromptOkAndPick) {
    const QString picked = tree.makeFolder(QStringLiteral("picked"));
    dialogs.errorTaskAnswers.push_back(true);
    dialogs.folderAnswers.push_back(picked);
    SettingsController settings(form.settingsControls(), state);
    EXPECT_EQ(startUp(settings), FirstRun::Chosen);

    ASSERT_EQ(dialogs.calls.size(), 3u);
    EXPECT_EQ(dialogs.calls[0].kind, QStringLiteral("errorTask"));
    EXPECT_EQ(dialogs.calls[0].texts,
              (QStringList{QStringLiteral("Hiba"), QStringLiteral("Könyvtár kiválasztása"),
                           QStringLiteral("Nincs kiválasztva a kimeneti könyvtár")}));
    EXPECT_EQ(dialogs.calls[1].kind, QStringLiteral("pickFolder"));
    EXPECT_EQ(dialogs.calls[2].kind, QStringLiteral("message"));
    EXPECT_EQ(dialogs.calls[2].texts, QStringList{picked});
    EXPECT_EQ(state.outputFolder, picked + kSep);
    EXPECT_EQ(edit()->text(), picked + kSep);

    settings.FormDestroy();
    EXPECT_EQ(storedOutputFolder(), picked + kSep);
}

TEST_F(SettingsControllerTest, FirstRunPromptInEnglishAndCancelledPickerEndsTheApplication) {
    state.englishUi = true;
    dialogs.errorTaskAnswers.push_back(true);
    dialogs.folderAnswers.push_back(std::nullopt);
    SettingsController settings(form.settingsControls(), state);
    EXPECT_EQ(startUp(settings), FirstRun::Quit);
    ASSERT_FALSE(dialogs.calls.empty());
    EXPECT_EQ(dialogs.calls[0].texts,
              (QStringList{QStringLiteral("Error"), QStringLiteral("Select Directory"),
                           QStringLiteral("No output directory is selected")}));
    EXPECT_TRUE(dialogs.textsOf(QStringLiteral("message")).isEmpty());
    EXPECT_TRUE(state.outputFolder.isEmpty());
}

TEST_F(SettingsControllerTest, DismissedPromptSkipsLoadingAndNeverWipesStoredFavourites) {
    const QByteArray stored("/one\r\n/Two\r\n");
    storeFavourites(stored);
    {
        // Dismissed, nothing added: the stored file is left exactly as it was.
        SettingsController settings(form.settingsControls(), state);
        EXPECT_EQ(startUp(settings), FirstRun::Dismissed);
        EXPECT_EQ(dialogs.calls.size(), 1u);  // no picker
        EXPECT_TRUE(state.outputFolder.isEmpty());
        EXPECT_EQ(combo()->count(), 0);
        EXPECT_TRUE(edit()->text().isEmpty());
        settings.FormDestroy();
        EXPECT_EQ(readAll(favouritesFile()), stored);
        EXPECT_TRUE(storedOutputFolder().isEmpty());
    }
    {
        // Dismissed, then entries added: they join the stored list instead of replacing it.
        SettingsController settings(form.settingsControls(), state);
        startUp(settings);
        edit()->setText(QStringLiteral("/two"));  // stored as "/Two": the same on Windows only
        settings.Button1Click();
        edit()->setText(QStringLiteral("/three"));
        settings.Button1Click();
        settings.FormDestroy();
        EXPECT_EQ(readAll(favouritesFile()),
                  platform::pathsIgnoreCase() ? QByteArray("/one\r\n/Two\r\n/three\r\n")
                                              : QByteArray("/one\r\n/Two\r\n/two\r\n/three\r\n"));
    }
}

TEST_F(SettingsControllerTest, FavouritesWriteFailureIsShownAndKeepsTheSettingsFile) {
    const QString out = tree.makeFolder(QStringLiteral("out"));
    const QString typed = tree.makeFolder(QStringLiteral("typed"));
    storeOutputFolder(out + kSep);
    SettingsController settings(form.settingsControls(), state);
    startUp(settings);
    // A folder in place of the favourites file cannot be replaced by a file.
    QDir().mkpath(favouritesFile() + QStringLiteral("/inside"));
    edit()->setText(typed);
    settings.FormDestroy();

    const QStringList errors = dialogs.textsOf(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Cannot create file \"") + favouritesFile()))
        << errors[0].toStdString();
    EXPECT_EQ(storedOutputFolder(), out + kSep);
}

TEST_F(SettingsControllerTest, SettingsWriteFailureIsShown) {
    const QString out = tree.makeFolder(QStringLiteral("out"));
    storeOutputFolder(out + kSep);
    SettingsController settings(form.settingsControls(), state);
    startUp(settings);
    QFile::remove(settingsFile());
    QDir().mkpath(settingsFile() + QStringLiteral("/inside"));
    settings.FormDestroy();
    EXPECT_EQ(dialogs.textsOf(QStringLiteral("error")),
              QStringList{QStringLiteral("Unable to write to ") + settingsFile()});
}

TEST_F(SettingsControllerTest, NothingIsWrittenWhenThePerUserFolderWasNeverFixed) {
    // Step B failed: no settings folder. Exit must not drop the files into the folder the
    // program happened to be started from.
    const QString here = tree.makeFolder(QStringLiteral("cwd"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(here));
    SettingsController settings(form.settingsControls(), state);
    state.outputFolder = here + kSep;
    edit()->setText(QStringLiteral("/somewhere"));
    settings.Button1Click();
    settings.FormDestroy();
    QDir::setCurrent(previous);
    EXPECT_TRUE(QDir(here).isEmpty());
    EXPECT_TRUE(dialogs.calls.empty());
}

}  // namespace
