// epub-polcaro-cli undo: takes an organise run back from its journal. The decisions are the
// library's; this file parses the arguments and prints one JSON line per book and per folder.
#include "undo_command.h"

#include <QByteArray>
#include <csignal>
#include <cstdio>

#include "epub/path_text_qt.h"
#include "organise/run_journal.h"
#include "organise/undo_run.h"
#include "platform/error.h"
#include "shell/appdata.h"

namespace cli {

namespace {

constexpr char kUndoUsage[] =
    "Usage: epub-polcaro-cli undo [--journal FILE] [--dry-run]\n"
    "\n"
    "Takes back the last organise run (of the window or of this program) from its journal, the\n"
    "last book first. A moved book goes back to its source path, a copied book is deleted, and\n"
    "the folders the run created are removed when empty. A book whose target changed after the\n"
    "run, whose source path is taken again, or whose copy is the only one left, is kept.\n"
    "Prints one JSON object per book:\n"
    "  {\"mode\":...,\"source\":...,\"target\":...,\"outcome\":...,\"reason\":...}\n"
    "where outcome is Undone, KeptChanged, KeptSourceTaken, KeptOnlyCopy or Failed (reason is\n"
    "then the system's description), and one per folder removed: "
    "{\"folder\":...,\"outcome\":\"Removed\"}.\n"
    "\n"
    "Options:\n"
    "  --journal FILE     undo this journal instead of the newest one not yet undone\n"
    "  --dry-run          change nothing on disk; report what would happen\n"
    "  --help             show this text\n"
    "\n"
    "Exit status: 0 when every book was undone, 1 otherwise (also when there is no journal),\n"
    "2 for a usage error. Ctrl-C stops after the book being handled.\n";

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onUndoInterrupt(int) {
    gInterrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

void printErr(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stderr);
    std::fputc('\n', stderr);
}

int usageError(const QString& text) {
    printErr(QStringLiteral("epub-polcaro-cli undo: ") + text);
    std::fputs("Run 'epub-polcaro-cli undo --help' for the options.\n", stderr);
    return 2;
}

// A JSON string literal, escaped as the organise command escapes it.
QByteArray jsonString(const QString& text) {
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

void printLine(const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);
}

class JsonUndoObserver final : public organise::UndoObserver {
public:
    void bookFinished(int, const organise::UndoBookResult& r) override {
        const bool move = r.entry.mode == organise::TransferMode::Move;
        printLine("{\"mode\":\"" + QByteArray(move ? "move" : "copy") + "\",\"source\":" +
                  jsonString(r.entry.source) + ",\"target\":" + jsonString(r.entry.target) +
                  ",\"outcome\":\"" + organise::undoOutcomeName(r.outcome) +
                  "\",\"reason\":" + jsonString(r.reason) + "}\n");
    }
    void folderRemoved(const QString& folder) override {
        printLine("{\"folder\":" + jsonString(folder) + ",\"outcome\":\"Removed\"}\n");
    }
    bool stopRequested() const override { return gInterrupted != 0; }
};

}  // namespace

QString journalFolder() {
    if (shell::AppName.empty()) shell::AppName = "Epub_polcaro";
    return organise::journalFolder(epub::fromPlatformPath(shell::EnsureAppDataFolder()));
}

int runUndo(const QStringList& args) {
    QString journal;
    bool dryRun = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(kUndoUsage, stdout);
            return 0;
        } else if (arg == QLatin1String("--dry-run")) {
            dryRun = true;
        } else if (arg == QLatin1String("--journal")) {
            if (i + 1 >= args.size()) return usageError(QStringLiteral("--journal needs a file"));
            journal = args.at(++i);
        } else if (arg.startsWith(QLatin1String("--journal="))) {
            journal = arg.mid(10);
        } else {
            return usageError(QStringLiteral("unknown argument '%1'").arg(arg));
        }
    }
    if (journal.isEmpty()) {
        journal = organise::NewestJournal(journalFolder());
        if (journal.isEmpty()) {
            printErr(
                QStringLiteral("epub-polcaro-cli undo: no run to undo in %1").arg(journalFolder()));
            return 1;
        }
    }

    organise::JournalContents contents;
    if (const int error = organise::ReadJournal(journal, contents)) {
        printErr(QStringLiteral("epub-polcaro-cli undo: cannot read %1: %2")
                     .arg(journal, QString::fromStdString(platform::describeError(
                                       static_cast<std::uint32_t>(error)))));
        return 1;
    }
    if (contents.unreadableLines > 0)
        printErr(QStringLiteral("epub-polcaro-cli undo: %1 unreadable line(s) in %2 passed over "
                                "(a run that was killed may leave its last line cut off)")
                     .arg(contents.unreadableLines)
                     .arg(journal));

    JsonUndoObserver observer;
    organise::UndoSummary summary;
    std::signal(SIGINT, onUndoInterrupt);
    const int error = organise::UndoJournal(journal, observer, dryRun, summary);
    std::signal(SIGINT, SIG_DFL);
    if (error != 0) return 1;
    if (summary.stopped)
        printErr(QStringLiteral("epub-polcaro-cli undo: stopped; %1 of %2 books were not handled")
                     .arg(contents.bookCount() - summary.books)
                     .arg(contents.bookCount()));
    return summary.undone == contents.bookCount() ? 0 : 1;
}

}  // namespace cli
