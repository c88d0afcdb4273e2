#pragma once
// Puts the captions of the interface-language file onto the main window and the splash window.
// Controls are found by their object names (the component names), so this works on any widget
// tree that carries those names.
#include <QString>

class QWidget;

namespace app {

class LanguageFile;
struct FormState;

// The language file's full path: "eng.lng" in the folder that holds the program file.
QString languageFilePath(const QString& programFolder);

// Applies the 28 caption keys, in their fixed order: sections "TForm1" to `form` and its
// children, "TSplash" to `splash` (may be null: then its two keys are skipped).
// A plain key replaces the caption; a missing key empties it. A list key
// (".Items.Strings") holds the radio items separated by "^": an empty value changes nothing,
// an empty piece keeps its item, backslashes are removed from the rest. Pieces beyond the
// group's last item are ignored.
void applyLanguageFile(const LanguageFile& file, QWidget* form, QWidget* splash);

// Start-up step of the main window: when "eng.lng" is a file in `programFolder`, or else in
// the per-user `settingsFolder` (may be empty: then only beside the program counts), sets
// state.englishUi and applies that file to `form` and the visible `splash`. An installed
// program's folder is not writable for its users, hence the second place. The flag is set
// whatever the file contains, before it is read. A file that exists but cannot be read throws
// platform::Error ("Cannot open file "<path>". <reason>"); the flag then stays set.
// The window passes QCoreApplication::applicationDirPath() as `programFolder` and
// FormState::settingsFolder as `settingsFolder`.
void applyLanguageStep(QWidget* form, QWidget* splash, FormState& state,
                       const QString& programFolder, const QString& settingsFolder = QString());

}  // namespace app
