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

#include "epub/message_sink.h"
#include "organise/collection.h"
#include "organise/organise_run.h"
#include "organise/run_journal.h"
#include "organise/undo_run.h"
#include "support/epub_builder.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class Rows final : public organise::WorkList {
public:
    QStringList sources;
    int rowCount() const override { return static_cast<int>(sources.size()); }
    QString source(int row) const override { return sources.at(row); }
    void setResultText(int, const QString&) override {}
    void setOutputText(int, const QString&) override {}
};

class Headless final : public organise::RunObserver {
public:
    QString output;
    int done = 0;

    void clearStopRequest() override {}
    bool stopRequested() const override { return false; }
    organise::BookSettings bookSettings() const override {
        organise::BookSettings settings;
        settings.naming.language = true;
        settings.naming.creator = true;
        settings.mode = organise::TransferMode::Move;
        settings.outputFolder = output;
        return settings;
    }
    bool englishUi() const override { return false; }
    epub::MessageSink& messageSink() override { return sink_; }
    void showMessage(const QString& text) override { sink_.showMessage(text); }
    void rowFinished(int, organise::OrganiseResult result) override {
        if (result == organise::OrganiseResult::Done) ++done;
    }

private:
    epub::StderrMessageSink sink_;
};

class Counter final : public organise::UndoObserver {
public:
    void bookFinished(int, const organise::UndoBookResult&) override {}
};

QStringList search(const QString& folder) {
    QStringList found;
    organise::FolderSearch walker;
    walker.run(folder, [&](const QString& path) { found.append(path); });
    return found;
}

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

    static const char* kLanguages[] = {"hu", "en", "de", "fr", "it"};
    auto start = Clock::now();
    for (int i = 0; i < books; ++i) {
        testsupport::BookSpec spec;
        spec.title = QStringLiteral("Könyv %1").arg(i);
        spec.creators = {QStringLiteral("Szerző %1").arg(i % 500)};
        spec.language = QString::fromLatin1(kLanguages[i % 5]);
        const QString folder = lib + QStringLiteral("/shelf%1").arg(i % 50);
        if (i < 50) QDir().mkpath(folder);
        testsupport::writeBook(folder + QStringLiteral("/b%1.epub").arg(i, 5, 10, QLatin1Char('0')),
                               spec);
    }
    std::printf("library: %d books generated in %.1f s (%s)\n", books, secondsSince(start),
                top.toLocal8Bit().constData());

    Rows rows;
    rows.sources = search(lib);
    Headless observer;
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
    const int error = organise::UndoJournal(journal.path(), counter, false, summary);
    const double undoSeconds = secondsSince(start);
    std::printf(
        "undo:      %d of %d books back, %d kept, %d failed, %d folders removed in %.2f s\n",
        summary.undone, summary.books, summary.kept, summary.failed, summary.foldersRemoved,
        undoSeconds);
    std::printf("undo/run:  %.2f\n", runSeconds > 0 ? undoSeconds / runSeconds : 0.0);

    const int back = static_cast<int>(search(lib).size());
    const bool outGone = !QFileInfo::exists(top + QStringLiteral("out"));
    std::printf("check:     %d books in the library again, output folder %s\n", back,
                outGone ? "removed" : "left");
    return error == 0 && back == books && outGone ? 0 : 1;
}
