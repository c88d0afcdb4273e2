// Undo benchmark: a generated library moved into nested folders through the real run with its
// journal, then taken back by the undo from that journal, both on one volume (renames only).
//
//   bench_undo [BOOKS] [BASE_FOLDER]      defaults: 20000 books, the system temp folder
//
// The undo should take about as long as the run: both rename every book once; the run also
// reads every book, the undo compares each target's size and time with the journal.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench_support.h"
#include "core/message_sink.h"
#include "organise/collection.h"
#include "organise/organise_run.h"
#include "organise/run_journal.h"
#include "organise/undo_run.h"
#include "support/epub_builder.h"

namespace {

using bench::Clock;
using bench::Headless;
using bench::Rows;
using bench::secondsSince;

class Counter final : public organise::UndoObserver {
public:
    void bookFinished(int, const organise::UndoBookResult&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    const int books = argc > 1 ? std::atoi(argv[1]) : 20000;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    QTemporaryDir root(base + QStringLiteral("/bench_undo-XXXXXX"));
    if (books <= 0 || !root.isValid()) {
        std::fprintf(stderr, "usage: bench_undo [BOOKS] [BASE_FOLDER]\n");
        return 2;
    }
    const QString top = root.path() + QLatin1Char('/');
    const QString lib = top + QStringLiteral("lib");

    auto start = Clock::now();
    bench::makeSmallLibrary(lib, books);
    std::printf("library: %d books generated in %.1f s (%s)\n", books, secondsSince(start),
                top.toLocal8Bit().constData());

    Rows rows;
    rows.sources = testsupport::searchBooks(lib);
    Headless observer;
    observer.naming.language = true;
    observer.naming.creator = true;
    observer.mode = organise::TransferMode::Move;
    observer.output = top + QStringLiteral("out/");
    organise::RunJournal journal(top + QStringLiteral("journal"));
    {
        organise::PlatformFileOperations disk;
        organise::JournalingFileOperations files(disk, journal);
        start = Clock::now();
        organise::OrganiseRun(rows, observer, files);
    }
    const double runSeconds = secondsSince(start);
    std::printf("move run:  %d of %d books in %.2f s (journal %s)\n", observer.done,
                static_cast<int>(rows.sources.size()), runSeconds,
                journal.error().isEmpty() ? "written" : journal.error().toLocal8Bit().constData());

    Counter counter;
    organise::UndoSummary summary;
    start = Clock::now();
    const platform::OsError error = organise::UndoJournal(journal.path(), counter, false, summary);
    const double undoSeconds = secondsSince(start);
    std::printf(
        "undo:      %d of %d books back, %d kept, %d failed, %d folders removed in %.2f s\n",
        summary.undone, summary.books, summary.kept, summary.failed, summary.foldersRemoved,
        undoSeconds);
    std::printf("undo/run:  %.2f\n", runSeconds > 0 ? undoSeconds / runSeconds : 0.0);

    const int back = static_cast<int>(testsupport::searchBooks(lib).size());
    const bool outGone = !QFileInfo::exists(top + QStringLiteral("out"));
    std::printf("check:     %d books in the library again, output folder %s\n", back,
                outGone ? "removed" : "left");
    return !error && back == books && outGone ? 0 : 1;
}
