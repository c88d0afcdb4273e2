#include "app/settings_controller.h"
#include "core/path_text_qt.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSignalBlocker>
#include <exception>

#include "app/dialogs.h"
#include "app/form_state.h"
#include "core/message_catalogue.h"
#include "organise/settings.h"
#include "platform/error.h"
#include "platform/files.h"
#include "shell/appdata.h"

namespace app {
namespace {

// Only an absolute path names an output folder: a relative one would name a different folder
// depending on where the program was started.
bool isFolder(const QString& path) {
    return !path.isEmpty() && QDir::isAbsolutePath(path) &&
           platform::folderExists(core::toPlatformPath(path));
}

}  // namespace

SettingsController::SettingsController(const SettingsControls& controls, FormState& state)
    : controls_(controls), form_(controls.form), state_(state) {}

// The controls are the window's children: they live exactly as long as the window does.
QLineEdit* SettingsController::edit() const {
    return form_ ? controls_.JvDirectoryEdit1 : nullptr;
}

QComboBox* SettingsController::combo() const {
    return form_ ? controls_.ComboBox1 : nullptr;
}

void SettingsController::fixSettingsFolder() {
    shell::AppName = "Epub_polcaro";
    if (!platform::folderExists(shell::GetAppDataFolder())) shell::EnsureAppDataFolder();
    state_.settingsFolder = core::fromPlatformPath(shell::GetAppDataFolder());
}

void SettingsController::loadOutputFolder() {
    state_.outputFolder = organise::LoadSettings(state_.settingsFolder);
    // A relative value (written by hand) names no folder: the first-run prompt asks for one.
    if (!QDir::isAbsolutePath(state_.outputFolder)) state_.outputFolder.clear();
}

SettingsController::FirstRun SettingsController::firstRunPrompt() {
    if (!state_.outputFolder.isEmpty()) return FirstRun::NotNeeded;
    const bool english = state_.englishUi;
    const bool ok =
        dialogs().errorTask(form_, core::message(core::MessageId::ErrorTitle, english),
                            core::message(core::MessageId::SelectDirectory, english),
                            core::message(core::MessageId::OutputFolderNotSelected, english));
    if (!ok) return FirstRun::Dismissed;
    const std::optional<QString> chosen = dialogs().pickFolder(form_, QString());
    if (!chosen) return FirstRun::Quit;
    state_.outputFolder = core::pathFromOutside(*chosen);
    dialogs().message(form_, state_.outputFolder);
    return FirstRun::Chosen;
}

void SettingsController::prepareOutputFolder() {
    state_.stopRequested = false;
    state_.outputFolder = core::withTrailingSeparator(state_.outputFolder);
    if (QLineEdit* e = edit()) e->setText(state_.outputFolder);
    if (!isFolder(state_.outputFolder) &&
        !shell::ForceFolder(core::toPlatformPath(state_.outputFolder)))
        throw platform::Error(core::message(core::MessageId::DirectoryNotCreated, state_.englishUi)
                                  .arg(state_.outputFolder)
                                  .toStdString());
}

void SettingsController::loadFavourites() {
    organise::Favourites loaded =
        organise::LoadFavourites(organise::favouritesFilePath(state_.settingsFolder));
    if (QComboBox* c = combo()) {
        // The list is filled, not picked from: no change handler may run for it.
        const QSignalBlocker blocker(c);
        c->clear();
        c->addItems(loaded.entries);
        c->setCurrentIndex(-1);
    }
    favourites_ = std::move(loaded);
    favourites_.loaded = true;
}

void SettingsController::JvDirectoryEdit1AfterDialog(const QString& folder, bool accepted) {
    if (!accepted) return;
    const QString chosen = core::pathFromOutside(folder);
    state_.outputFolder = core::withTrailingSeparator(chosen);
    if (QLineEdit* e = edit()) e->setText(chosen);
}

bool SettingsController::takeTypedOutputFolder() {
    const QLineEdit* e = edit();
    if (!e) return false;
    const QString typed = core::pathFromOutside(e->text());
    if (typed.trimmed().isEmpty() || !QDir::isAbsolutePath(typed)) return false;
    state_.outputFolder = core::withTrailingSeparator(typed);
    return true;
}

void SettingsController::Button1Click() {
    QComboBox* c = combo();
    const QLineEdit* e = edit();
    if (!c || !e) return;
    QStringList entries;
    for (int i = 0; i < c->count(); ++i) entries << c->itemText(i);
    if (!organise::addFavourite(entries, e->text())) return;
    // Adding to an empty combo box would select the new entry; the pick stays as it was.
    const QSignalBlocker blocker(c);
    const int current = c->currentIndex();
    c->addItem(entries.last());
    c->setCurrentIndex(current);
}

void SettingsController::ComboBox1Change() {
    if (const QComboBox* c = combo(); c && c->currentIndex() >= 0)
        ComboBox1Change(c->currentText());
}

void SettingsController::ComboBox1Change(const QString& entry) {
    if (!isFolder(entry)) return;
    if (QLineEdit* e = edit()) e->setText(entry);
    state_.outputFolder = core::withTrailingSeparator(entry);
}

void SettingsController::FormDestroy() {
    // Start-up failed before the per-user folder was known: there is nowhere to write, and a
    // bare file name would land in whatever folder the program was started from.
    if (state_.settingsFolder.isEmpty()) return;
    try {
        favourites_.entries.clear();
        if (const QComboBox* c = combo())
            for (int i = 0; i < c->count(); ++i) favourites_.entries << c->itemText(i);
        // A list that start-up never loaded and nobody added to says nothing about the
        // stored favourites: leave the file alone.
        if (favourites_.loaded || !favourites_.entries.isEmpty())
            organise::SaveFavourites(organise::favouritesFilePath(state_.settingsFolder),
                                     favourites_);
    } catch (const std::exception& e) {
        dialogs().error(form_, QString::fromUtf8(e.what()));
        return;
    }

    // A folder typed into the edit becomes the output folder at exit. Only an absolute path:
    // a relative one would name a different folder depending on where the program starts.
    if (const QLineEdit* e = edit()) {
        const QString typed = e->text();
        if (!state_.outputFolder.isEmpty() && isFolder(typed)) state_.outputFolder = typed;
    }

    try {
        organise::SaveSettings(state_.settingsFolder, state_.outputFolder);
    } catch (const std::exception& e) {
        dialogs().error(form_, QString::fromUtf8(e.what()));
    }
}

}  // namespace app
