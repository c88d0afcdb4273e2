#pragma once
// The texts the program words itself, Hungarian and English, kept in one table so that a wording
// change is an edit of message_catalogue.cpp alone. The captions of the controls come from the
// language file instead; the texts of the system and of the EPUB reader come as they are.
#include <QString>

namespace core {

enum class MessageId {
    // The organise run: the reasons of a book that was not copied or moved, and the row texts.
    OutputFolderNotSelected,
    RunWithoutOutputFolder,
    SourceFileMissing,
    TargetFileNameEmpty,
    MetadataLeavesOutputFolder,  // the folder path follows
    FolderNotCreated,            // the folder and the system's reason follow
    WindowsCharacterRefused,     // the characters and the path follow
    WindowsPathTooLong,          // %1 the length; the path follows
    WindowsNameReserved,         // the name and the path follow
    ResultCopyFailed,            // ends with a blank, nothing follows it
    ResultTargetExists,
    ResultReadFailed,
    ExistingIdentical,    // the reason of a TargetExists row whose target holds the same bytes
    ExistingDifferent,    // ... and of one whose target is another file
    ExistingNotCompared,  // the system's error follows: the files could not be compared

    // Shared by several commands.
    Ready,
    Cancel,

    // The work list.
    ListCount,  // the number of rows follows
    ScanComplete,

    // Undoing the last run.
    UndoWhileRunning,
    UndoNoRun,
    JournalUnreadable,  // the system's reason follows
    UndoNothingCopied,
    UndoQuestion,  // %1 the number of books
    UndoConfirmTitle,
    UndoButton,
    UndoneCount,        // %1 undone, %2 all
    JournalNotWritten,  // the reason follows
    JournalNoOutputFolder,
    JournalDotLevel,           // the path follows
    JournalOutsideOutput,      // the path follows
    JournalSourceNotAbsolute,  // the path follows
    UndoBookNotBack,
    UndoOutcomeUndone,
    UndoOutcomeKeptChanged,
    UndoOutcomeKeptSourceTaken,
    UndoOutcomeKeptOnlyCopy,
    UndoOutcomeKeptUnfinished,
    UndoOutcomeFailed,  // the reason follows

    // Removing the empty folders.
    EmptyFoldersConfirmTitle,
    EmptyFoldersQuestion,  // "%s" the folder
    DeleteButton,
    NoOutputFolderGiven,
    FolderNotRemovable,  // %1 the folder, %2 one of the causes below
    FolderVanished,
    FolderNowAFile,
    FolderUnreadable,
    FolderNotEmpty,

    // The output folder of the settings.
    ErrorTitle,
    SelectDirectory,
    DirectoryNotCreated,  // %1 the folder

    // Registering the context-menu entries.
    VerbsRegistered,
    VerbsUnregistered,
    VerbsUnchanged,
    ElevationDeclined,
    ElevationNotAuthorised,
    ElevationNoAgent,
    ElevationHelperMissing,

    // The window.
    FileNotCopiedYet,
    StartToolTip,
    StopToolTip,
    ScanFolderToolTip,
    TopmostToolTip,
    NormalToolTip,

    // Previewing a run, and the counts at the end of a run, a preview or an undo.
    PreviewCommand,
    PreviewToolTip,
    PreviewResultPrefix,  // the row's planned result text follows
    PreviewFinished,
    OnlyFailedRows,
    TallyPreview,     // the counts follow
    TallyOk,          // %1
    TallyExisting,    // %1 all, %2 identical, %3 different
    TallyReadFailed,  // %1
    TallyCopyFailed,  // %1
    TallyNotEpub,     // %1
    TallyStopped,     // %1
    UndoTallyUndone,  // %1
    UndoTallyKept,    // %1
    UndoTallyFailed,  // %1
    UndoTallyLeft,    // %1 books of the run still to take back
    UndoRunQuestion,  // %1 start time, %2 books, %3 output folder, %4 copied or moved
    UndoRunCopied,
    UndoRunMoved,

    Count  // not a message: the number of ids above
};

// The text of id, English when english is set, else Hungarian. Placeholders (%1, %2, and the
// empty-folder question's %s) are left for the caller to fill.
QString message(MessageId id, bool english);

}  // namespace core
