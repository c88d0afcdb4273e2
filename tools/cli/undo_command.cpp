// epub-polcaro-cli undo: takes an organise run back from its journal. The decisions are the
// library's; this file parses the arguments and prints one JSON line per book and per folder.
#include "undo_command.h"

#include <QCommandLineParser>

#include "command_line.h"
#include "core/json_writer.h"
#include "core/path_text_qt.h"
#include "organise/run_journal.h"
#include "organise/run_tally.h"
#include "organise/undo_run.h"
#include "platform/error.h"
#include "platform/process.h"
#include "shell/appdata.h"

namespace cli {

namespace {

constexpr char kDescription[] =
    "Takes back the last organise run (of the window or of this program) from its journal, the\n"
    "last book first. A moved book goes back to its source path, a copied book is deleted, and\n"
    "the folders the run created are removed when empty. A book whose target changed after the\n"
    "run, whose source path is taken again, or whose copy is the only one left, is kept; so is\n"
    "a book the run was handling when it ended, unless the disk shows it is safe to take back.\n"
    "Nothing outside the run's output folder is ever touched, whatever the journal says.\n"
    "Prints one JSON object per book:\n"
    "  {\"mode\":...,\"source\":...,\"target\":...,\"outcome\":...,\"reason\":...}\n"
    "where outcome is Undone, KeptChanged, KeptSourceTaken, KeptOnlyCopy, KeptUnfinished or\n"
    "Failed (reason says why: the system's description, or a journal path that is not the\n"
    "run's own), and one per folder removed:\n"
    "  {\"folder\":...,\"outcome\":\"Removed\"}\n"
    "At the end one line of counts goes to stderr:\n"
    "  undone=N kept=N failed=N left=N\n"
    "where left counts the run's books a stopped undo did not reach (0 when it went through).";

constexpr char kExitStatus[] =
    "Exit status: 0 when every book was undone, 1 otherwise (also when there is no journal),\n"
    "2 for a usage error. Ctrl-C stops after the book being handled.\n";

const QString kProgram = QStringLiteral("epub-polcaro-cli undo");

void printLine(const core::JsonObject& object) {
    platform::writeStandardOutput(object.line().toStdString());
}

class JsonUndoObserver final : public organise::UndoObserver {
public:
    void bookFinished(int, const organise::UndoBookResult& r) override {
        const bool move = r.entry.mode == organise::TransferMode::Move;
        core::JsonObject line;
        line.add("mode", move ? "move" : "copy")
            .add("source", r.entry.source)
            .add("target", r.entry.target)
            .add("outcome", organise::undoOutcomeName(r.outcome))
            .add("reason", r.reason);
        printLine(line);
    }
    void folderRemoved(const QString& folder) override {
        core::JsonObject line;
        line.add("folder", folder).add("outcome", "Removed");
        printLine(line);
    }
    bool stopRequested() const override { return interrupted(); }
};

}  // namespace

QString journalFolder() {
    if (shell::AppName.empty()) shell::AppName = "Epub_polcaro";
    return organise::journalFolder(core::fromPlatformPath(shell::EnsureAppDataFolder()));
}

int runUndo(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption journalOption(
        QStringLiteral("journal"),
        QStringLiteral("Undo this journal instead of the newest one not yet undone."),
        QStringLiteral("FILE"));
    const QCommandLineOption dryRunOption(
        QStringLiteral("dry-run"),
        QStringLiteral("Change nothing on disk; report what would happen."));
    parser.addOptions({journalOption, dryRunOption});

    if (!parser.parse(QStringList{kProgram} + args))
        return usageError(kProgram, parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        printOut(helpText(parser, QStringLiteral("undo [--journal FILE] [--dry-run]"),
                          QString::fromUtf8(kExitStatus)));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            kProgram,
            QStringLiteral("unknown argument '%1'").arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(journalOption) && parser.value(journalOption).isEmpty())
        return usageError(kProgram, QStringLiteral("--journal needs a file"));
    const bool dryRun = parser.isSet(dryRunOption);

    QString journal = core::pathFromOutside(parser.value(journalOption));
    if (journal.isEmpty()) {
        journal = organise::NewestJournal(journalFolder());
        if (journal.isEmpty()) {
            printErr(kProgram + QStringLiteral(": no run to undo in ") + journalFolder());
            return 1;
        }
    }

    organise::JournalContents contents;
    if (const platform::OsError error = organise::ReadJournal(journal, contents)) {
        printErr(kProgram + QStringLiteral(": cannot read %1: %2")
                                .arg(journal, QString::fromStdString(error.describe())));
        return 1;
    }
    if (contents.unreadableLines > 0)
        printErr(kProgram +
                 QStringLiteral(": %1 unreadable line(s) in %2 passed over "
                                "(a run that was killed may leave its last line cut off)")
                     .arg(contents.unreadableLines)
                     .arg(journal));

    JsonUndoObserver observer;
    organise::UndoSummary summary;
    watchInterrupt();
    const platform::OsError error = organise::UndoJournal(journal, observer, dryRun, summary);
    stopWatchingInterrupt();
    if (error) {
        printErr(kProgram + QStringLiteral(": cannot read %1: %2")
                                .arg(journal, QString::fromStdString(error.describe())));
        return 1;
    }
    if (!summary.journalError.isEmpty())
        printErr(kProgram + QStringLiteral(": ") + summary.journalError);
    if (summary.stopped)
        printErr(kProgram + QStringLiteral(": stopped; %1 of %2 books were not handled")
                                .arg(contents.bookCount() - summary.books)
                                .arg(contents.bookCount()));
    printErr(QString::fromStdString(
        organise::undoTallyKeyValues(summary, organise::undoBooksLeft(contents, summary))));
    return summary.undone == contents.bookCount() ? 0 : 1;
}

}  // namespace cli
