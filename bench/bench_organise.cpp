// Organise-run benchmark: a generated library of books (a few hundred KB each, incompressible
// filler stored) organised into nested folders in copy mode through the real run, compared with
// `cp -r` of the same files on the same volume; then the same books moved (renames only).
//
//   bench_organise [BOOKS] [BASE_FOLDER]      defaults: 2000 books, the system temp folder
//
// Everything runs warm (the library is read once before timing). The run's copy links each
// complete book into place and flushes the volume once when the run ends (its time includes that
// flush); `cp` does not flush, so the figures also show `cp -r` followed by `sync`. For reference
// the run is repeated with a plain unflushed copy and with a copy that flushes every book.
#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "bench_support.h"
#include "core/message_sink.h"
#include "epub/read_ahead.h"
#include "epub/tepub.h"
#include "organise/collection.h"
#include "organise/file_operations.h"
#include "organise/organise_run.h"
#include "platform/process_tuning.h"
#include "support/epub_builder.h"

namespace {

using bench::Clock;
using bench::Headless;
using bench::Rows;
using bench::secondsSince;

// The real operations except the copy, which is a plain one (no temporary name, no link) that
// flushes each book or nothing: the references the run's copy is compared with.
class ReferenceCopy final : public organise::ForwardingFileOperations {
public:
    ReferenceCopy(organise::FileOperations& real, bool flushEachBook)
        : ForwardingFileOperations(real), flushEachBook_(flushEachBook) {}
    platform::OsError copyFile(const QString& source, const QString& target) override {
        std::error_code error;
        std::filesystem::copy_file(source.toStdString(), target.toStdString(),
                                   std::filesystem::copy_options::none, error);
        if (error) return platform::OsError::fromNative(static_cast<std::uint32_t>(error.value()));
        if (!flushEachBook_) return {};
        const int fd = ::open(target.toStdString().c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return platform::OsError::fromNative(static_cast<std::uint32_t>(errno));
        const int result = ::fsync(fd) == 0 ? 0 : errno;
        ::close(fd);
        return platform::OsError::fromNative(static_cast<std::uint32_t>(result));
    }
    // Nothing is flushed at the end: the references flush each book or nothing.
    void finish() override {}

private:
    bool flushEachBook_;
};

int run(const char* command) {
    const int status = std::system(command);
    if (status != 0) std::fprintf(stderr, "command failed (%d): %s\n", status, command);
    return status;
}

double timedSync() {
    const auto start = Clock::now();
    run("sync");
    return secondsSince(start);
}

struct RunFigures {
    double seconds = 0;
    int done = 0;
    int failed = 0;
};

RunFigures organiseInto(const QStringList& sources, const QString& output,
                        organise::TransferMode mode, organise::FileOperations& files,
                        int threads = epub::defaultReadAheadThreads()) {
    Rows rows;
    rows.sources = sources;
    Headless observer;
    observer.naming.language = true;
    observer.naming.creator = true;
    observer.naming.series = true;
    observer.mode = mode;
    observer.output = output;
    const auto start = Clock::now();
    organise::OrganiseRun(rows, observer, files, threads);
    return {secondsSince(start), observer.done, observer.failed};
}

}  // namespace

int main(int argc, char** argv) {
    platform::prepareProcessForBookReading();
    const int books = argc > 1 ? std::atoi(argv[1]) : 2000;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    QTemporaryDir root(base + QStringLiteral("/bench_organise-XXXXXX"));
    if (books <= 0 || !root.isValid()) {
        std::fprintf(stderr, "usage: bench_organise [BOOKS] [BASE_FOLDER]\n");
        return 2;
    }
    const QString top = root.path() + QLatin1Char('/');
    const QString lib = top + QStringLiteral("lib");

    // The library: ten languages, two hundred creators, every other book in a series.
    std::mt19937_64 random(20261208);
    static const char* kLanguages[] = {"hu", "en", "en-US", "de", "fr",
                                       "it", "es", "pl",    "cs", "fi"};
    qint64 totalBytes = 0;
    const auto generating = Clock::now();
    for (int i = 0; i < books; ++i) {
        testsupport::BookSpec spec;
        spec.title = QStringLiteral("Könyv %1 a sorozatból").arg(i);
        spec.creators = {QStringLiteral("Szerző %1 Író").arg(i % 200)};
        spec.language = QString::fromLatin1(kLanguages[i % 10]);
        if (i % 2 == 0) spec.series = QStringLiteral("Sorozat %1").arg(i % 37);
        const int fillerSize = 150 * 1024 + static_cast<int>(random() % (250 * 1024));
        QByteArray filler(fillerSize, Qt::Uninitialized);
        for (int k = 0; k + 8 <= fillerSize; k += 8) {
            const std::uint64_t word = random();
            std::memcpy(filler.data() + k, &word, 8);
        }
        spec.extraEntries = {
            {QStringLiteral("OEBPS/images/plate.bin"), filler, testsupport::Compression::Stored}};
        const QString folder = lib + QStringLiteral("/shelf%1").arg(i % 20);
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/b%1.epub").arg(i, 5, 10, QLatin1Char('0'));
        testsupport::writeBook(path, spec);
        totalBytes += QFileInfo(path).size();
    }
    std::printf("library: %d books, %.1f MB, generated in %.1f s (%s)\n", books,
                static_cast<double>(totalBytes) / 1e6, secondsSince(generating),
                top.toLocal8Bit().constData());

    // Warm: read every book once, and let the generator's writes reach the disk.
    auto start = Clock::now();
    const QStringList sources = testsupport::searchBooks(lib);
    const double searchSeconds = secondsSince(start);
    for (const QString& path : sources) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) file.readAll();
    }
    timedSync();
    std::printf("folder search: %lld books found in %.3f s\n",
                static_cast<long long>(sources.size()), searchSeconds);

    // Reading the metadata alone, as the run does for every book.
    start = Clock::now();
    {
        core::StderrMessageSink sink;
        for (const QString& path : sources) {
            epub::TEpuB book(sink);
            try {
                book.Open(path);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s: %s\n", path.toLocal8Bit().constData(), e.what());
            }
        }
    }
    const double openSeconds = secondsSince(start);
    std::printf("reading the metadata of every book (TEpuB::Open): %.2f s (%.2f ms per book)\n",
                openSeconds, 1000.0 * openSeconds / books);

    // Every measured copy starts from the same state: the copies made before it removed and the
    // volume flushed (neither timed). Otherwise each copy pays for the write-back and removal of
    // the ones before it, and whichever runs first looks fastest. cp and the run take turns for
    // a few rounds; the median round counts.
    const auto settle = [&] {
        for (const char* name :
             {"cp", "out-copy", "out-sequential", "out-noflush", "out-fileflush"})
            QDir(top + QString::fromLatin1(name)).removeRecursively();
        timedSync();
    };
    const QByteArray cpCommand =
        "cp -r '" + lib.toLocal8Bit() + "' '" + (top + QStringLiteral("cp")).toLocal8Bit() + "'";
    organise::PlatformFileOperations platformFiles;
    constexpr int kRounds = 3;
    std::vector<double> ratios;
    double cpSeconds = 0, cpSync = 0, copySync = 0;
    RunFigures copy;
    for (int round = 0; round < kRounds; ++round) {
        settle();
        start = Clock::now();
        run(cpCommand.constData());
        cpSeconds = secondsSince(start);
        cpSync = timedSync();
        settle();
        copy = organiseInto(sources, top + QStringLiteral("out-copy/"),
                            organise::TransferMode::Copy, platformFiles);
        copySync = timedSync();
        ratios.push_back((copy.seconds + copySync) / (cpSeconds + cpSync));
        std::printf("round %d: cp -r + sync %.2f s, organise run (copy, flushed) %.2f s: %.2fx\n",
                    round + 1, cpSeconds + cpSync, copy.seconds + copySync, ratios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    const double medianRatio = ratios[ratios.size() / 2];

    settle();
    const RunFigures sequentialCopy = organiseInto(sources, top + QStringLiteral("out-sequential/"),
                                                   organise::TransferMode::Copy, platformFiles, 0);
    const double sequentialSync = timedSync();

    settle();
    ReferenceCopy unflushed(platformFiles, false);
    const RunFigures noFlush = organiseInto(sources, top + QStringLiteral("out-noflush/"),
                                            organise::TransferMode::Copy, unflushed);
    const double noFlushSync = timedSync();

    settle();
    ReferenceCopy fileFlushed(platformFiles, true);
    const RunFigures dataFlush = organiseInto(sources, top + QStringLiteral("out-fileflush/"),
                                              organise::TransferMode::Copy, fileFlushed);
    const double dataFlushSync = timedSync();

    // Move a cp copy (same volume: renames), so the generated library stays as it was.
    settle();
    run(cpCommand.constData());
    timedSync();
    const QStringList cpSources = testsupport::searchBooks(top + QStringLiteral("cp"));
    const RunFigures move = organiseInto(cpSources, top + QStringLiteral("out-move/"),
                                         organise::TransferMode::Move, platformFiles);

    const double mb = static_cast<double>(totalBytes) / 1e6;
    std::printf("\n%-44s %9s %9s %10s\n", "", "seconds", "+sync", "MB/s");
    std::printf("%-44s %9.2f %9.2f %10.0f\n", "cp -r (last round)", cpSeconds, cpSync,
                mb / cpSeconds);
    std::printf("%-44s %9.2f %9.2f %10.0f   (%d done, %d failed)\n",
                "organise run, copy, read-ahead (last round)", copy.seconds, copySync,
                mb / copy.seconds, copy.done, copy.failed);
    std::printf("%-44s %9.2f %9.2f %10.0f   (%d done, %d failed)\n",
                "organise run, copy, no read-ahead", sequentialCopy.seconds, sequentialSync,
                mb / sequentialCopy.seconds, sequentialCopy.done, sequentialCopy.failed);
    std::printf("%-44s %9.2f %9.2f %10.0f   (%d done, %d failed)\n",
                "reference: plain copy, no flush", noFlush.seconds, noFlushSync,
                mb / noFlush.seconds, noFlush.done, noFlush.failed);
    std::printf("%-44s %9.2f %9.2f %10.0f   (%d done, %d failed)\n",
                "reference: plain copy, flush per book", dataFlush.seconds, dataFlushSync,
                mb / dataFlush.seconds, dataFlush.done, dataFlush.failed);
    std::printf("%-44s %9.2f %9s %10s   (%d done, %d failed)\n", "organise run, move (renames)",
                move.seconds, "", "", move.done, move.failed);
    std::printf(
        "\nrun/(cp+sync), median of %d rounds: %.2fx; a flush per book would cost %.2f s more\n",
        kRounds, medianRatio, dataFlush.seconds - noFlush.seconds);
    std::printf("without read-ahead: run/(cp+sync): %.2fx\n",
                sequentialCopy.seconds / (cpSeconds + cpSync));
    return copy.failed == 0 && noFlush.failed == 0 && dataFlush.failed == 0 && move.failed == 0 ? 0
                                                                                                : 1;
}
