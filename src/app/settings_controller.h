#pragma once
// The window side of the settings and favourites: the per-user folder, the output folder with
// its first-run prompt, the output-folder edit, the favourites list and the saving at exit.
// It works on the form's output-folder edit and favourites list (SettingsControls) and on its
// FormState, so the window only forwards its handlers here.
//
// The window owns one SettingsController and calls, in FormCreate (each step may throw a
// platform::Error; the window shows it and skips the remaining steps):
//   B   fixSettingsFolder();
//   C   (language file, the window's own)
//   D   loadOutputFolder();
//   E   switch (firstRunPrompt()) {
//         case FirstRun::Quit:      requestQuit(); return;   // never show the window
//         case FirstRun::Dismissed: return;                  // step F is skipped
//         default: break;                                    // NotNeeded or Chosen
//       }
//   F1-F3 prepareOutputFolder();
//   F4, F5 (topmost, placing: the window's own)
//   F6  loadFavourites();
//   F7  (the first argument: the window's own)
// and bound to the controls:
//   JvDirectoryEdit1Button clicked    -> (the folder picker, the window's own)
//                                        JvDirectoryEdit1AfterDialog(folder, accepted)
//   JvDirectoryEdit1 editing finished -> takeTypedOutputFolder()
//   Button1 clicked                   -> Button1Click()
//   ComboBox1 activated (user's pick) -> ComboBox1Change()
//   FormDestroy (after the event loop, while the controls still exist) -> FormDestroy()
#include <QPointer>
#include <QString>

#include "app/form_controls.h"
#include "organise/favourites.h"

namespace app {

struct FormState;

class SettingsController {
public:
    // `controls` are the main window's; `state` is its FormState. Both outlive the controller.
    SettingsController(const SettingsControls& controls, FormState& state);

    // Step B: the application name, the per-user folder created when missing (a failure to
    // create it is not reported: the files then simply cannot be read or written), and
    // FormState::settingsFolder. Throws platform::Error when the roaming folder is unknown.
    void fixSettingsFolder();

    // Step D: FormState::outputFolder := the stored output folder, unchanged.
    void loadOutputFolder();

    enum class FirstRun {
        NotNeeded,  // an output folder was stored: nothing was asked
        Chosen,     // the user picked one: it is FormState::outputFolder now
        Dismissed,  // the task dialog was closed without OK: no output folder, skip step F
        Quit,       // the folder picker was cancelled: end without showing the window
    };
    // Step E: the first-run prompt, only when FormState::outputFolder is empty.
    FirstRun firstRunPrompt();

    // Steps F1 to F3: StopRequested cleared, the separator appended, the edit showing the
    // folder, and the folder created with its missing parents. Throws platform::Error
    // ("Unable to create directory <path>") when the folder cannot be created.
    void prepareOutputFolder();

    // Step F6: ComboBox1 replaced by the stored favourites, nothing selected. From here on the
    // favourites written at exit replace the stored ones. Throws platform::Error when the file
    // exists but cannot be read.
    void loadFavourites();

    // After the browse dialog of JvDirectoryEdit1: an accepted folder becomes the output folder
    // (with the separator) and is shown in the edit; a cancelled dialog changes nothing.
    void JvDirectoryEdit1AfterDialog(const QString& folder, bool accepted);

    // When editing of JvDirectoryEdit1 ends (Enter, or focus leaving it), and before a run or
    // the empty-folder removal reads the folder: a typed absolute path becomes the output
    // folder, with the separator as the browse dialog gives it, so that the run, the removal
    // and the edit name the same folder. Returns false, changing nothing, when the edit holds
    // no absolute path (empty, blanks, or relative: that would name a different folder
    // depending on where the program was started).
    bool takeTypedOutputFolder();

    // Appends the edit's text, unchanged, to the favourites unless an entry equal to it
    // (letter case ignored) is there. The file is written only at exit.
    void Button1Click();

    // The picked favourite (ComboBox1's current text, or `entry`): when it names an existing
    // folder the edit shows it and it becomes the output folder (with the separator);
    // otherwise nothing changes.
    void ComboBox1Change();
    void ComboBox1Change(const QString& entry);

    // The saving at exit, in order: the favourites file, then the output folder taken from
    // the edit when it names an existing folder, then the settings file. Errors are shown in
    // the standard error box; a failed favourites write skips the rest. Never throws.
    //
    // When start-up never loaded the favourites (no output folder chosen, or an earlier step
    // failed), the list holds only what was added since: nothing added writes nothing, and
    // entries added are appended to the stored list instead of replacing it. When step B never
    // fixed the per-user folder, nothing is written.
    void FormDestroy();

    // The favourites as they will be written (entries mirrored from ComboBox1 at exit).
    const organise::Favourites& favourites() const { return favourites_; }

private:
    QLineEdit* edit() const;
    QComboBox* combo() const;

    SettingsControls controls_;
    QPointer<QWidget> form_;
    FormState& state_;
    organise::Favourites favourites_;
};

}  // namespace app
