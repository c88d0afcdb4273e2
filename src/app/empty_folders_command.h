#pragma once
// The command behind the toolbar button "Ures könyvtárak törlése" (RzToolButton4): asks for
// confirmation, then removes the empty folders below the folder named in the output-folder edit.
#include <QString>
#include <functional>

class QLineEdit;
class QWidget;

namespace app {

// Runs the command. `directoryEditText` returns the current text of the output-folder edit; it
// is read once for the confirmation text and again, after the user confirmed, for the walk.
// Dialogs go through app::dialogs(), owned by `owner`. When the edit holds no folder (empty or
// blank) the command refuses with a message instead of walking from a root nobody named; the
// same holds when the edit was emptied while the confirmation was open; a relative path names no
// folder either. A failed check before a removal (organise::FolderRemovalError) propagates to
// the caller as a platform::Error worded in the interface's language; the completion message is
// then not shown.
void runEmptyFoldersCommand(QWidget* owner, const std::function<QString()>& directoryEditText,
                            bool englishUi);

// The message when the output-folder edit names no folder (empty, blanks or a relative path):
// the empty-folder removal and the organise run refuse with it.
QString noOutputFolderText(bool englishUi);

// The same, reading the output-folder edit JvDirectoryEdit1 (null reads as empty).
void runEmptyFoldersCommand(QWidget* owner, QLineEdit* JvDirectoryEdit1, bool englishUi);

}  // namespace app
