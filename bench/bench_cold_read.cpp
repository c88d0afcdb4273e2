// Reading books from a cold disk: what the program costs over the disk's own floor. Every
// measurement starts with an empty page cache (as root: sync, then 3 into
// /proc/sys/vm/drop_caches), and each round takes the measurements in turn, so that a disk that
// slows down or speeds up over the run does so for all of them:
//  - the I/O floor: one 64 KiB read at the end and one at the start of each book (what finding
//    the central directory and the first entries takes), nothing parsed, on 16 threads and on 1;
//  - `epub-polcaro-cli inspect` on every book, with its default threads and with --jobs 1;
//  - `epub-polcaro-cli organise --move` into a folder on the same volume (the books are moved
//    back, untimed, after each round).
// Medians of the rounds are printed side by side, each with its ratio to the 16-thread floor.
// Without root the caches cannot be emptied: the figures are then warm ones, and say so.
//
//   bash bench/cold_corpus.sh /var/tmp/cold [N]      # once: N real books of about 1.6 MB
//   bench_cold_read /var/tmp/cold [ROUNDS [BOOKS]]  # defaults: 3 rounds, every book
//
// The program measured is build/tools/cli/epub-polcaro-cli beside this build, or POLCARO_CLI.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "bench_support.h"
#include "platform/files.h"

namespace {

using bench::Clock;
using bench::secondsSince;

constexpr std::size_t kFloorRead = 64 * 1024;

bool dropCaches() {
    ::sync();
    QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
    return control.open(QIODevice::WriteOnly) && control.write("3\n") == 2;
}

// The books in the corpus folder, by name; the first `limit` of them when limit > 0.
QStringList listBooks(const QString& folder, int limit) {
    QStringList books;
    for (const QFileInfo& entry :
         QDir(folder).entryInfoList({QStringLiteral("*.epub")}, QDir::Files, QDir::Name))
        books.append(entry.absoluteFilePath());
    if (limit > 0 && books.size() > limit) books = books.mid(0, limit);
    return books;
}

// One read at the end and one at the start of every book, on `threads` threads. Seconds.
double ioFloor(const QStringList& books, int threads) {
    std::vector<std::string> paths;
    for (const QString& book : books) paths.push_back(book.toStdString());
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> failed{0};
    const auto start = Clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            const auto buffer = std::make_unique<char[]>(kFloorRead);
            for (std::size_t i = next++; i < paths.size(); i = next++) {
                platform::ReadOnlyFile file;
                if (!file.open(paths[i])) {
                    ++failed;
                    continue;
                }
                const std::uint64_t size = file.size();
                const std::uint64_t tail = size > kFloorRead ? size - kFloorRead : 0;
                if (file.readAt(tail, kFloorRead, buffer.get()) < 0 ||
                    file.readAt(0, kFloorRead, buffer.get()) < 0)
                    ++failed;
            }
        });
    for (std::thread& worker : workers) worker.join();
    const double seconds = secondsSince(start);
    if (failed > 0)
        std::fprintf(stderr, "unexpected: %zu books could not be read\n", failed.load());
    return seconds;
}

// Runs the command line program with these arguments, its output thrown away. Seconds.
double runCli(const QString& cli, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const auto start = Clock::now();
    process.start(cli, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
        std::fprintf(stderr, "unexpected: %s %s did not finish\n", cli.toLocal8Bit().constData(),
                     arguments.value(0).toLocal8Bit().constData());
    else if (process.exitCode() != 0)
        std::fprintf(stderr, "note: %s exited with %d\n",
                     arguments.value(0).toLocal8Bit().constData(), process.exitCode());
    return secondsSince(start);
}

// Moves every book the organise run moved back into the corpus folder, under its own name.
int moveBack(const QString& organised, const QString& folder) {
    int moved = 0;
    QDirIterator it(organised, {QStringLiteral("*.epub")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFile::rename(path, folder + QLatin1Char('/') + QFileInfo(path).fileName())) ++moved;
    }
    QDir(organised).removeRecursively();
    return moved;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: bench_cold_read CORPUS_FOLDER [ROUNDS [BOOKS]]\n", stderr);
        return 2;
    }
    const QString corpus = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const int limit = argc > 3 ? std::atoi(argv[3]) : 0;
    const QString folder = corpus + QStringLiteral("/books");
    const QString organised = corpus + QStringLiteral("/organised");
    QString cli = qEnvironmentVariable("POLCARO_CLI");
    if (cli.isEmpty())
        cli = QCoreApplication::applicationDirPath() +
              QStringLiteral("/../tools/cli/epub-polcaro-cli");
    const QStringList first = listBooks(folder, limit);
    if (first.isEmpty() || !QFileInfo(cli).isExecutable()) {
        std::fprintf(stderr, "no books in %s (bench/cold_corpus.sh makes them) or no program %s\n",
                     folder.toLocal8Bit().constData(), cli.toLocal8Bit().constData());
        return 2;
    }
    qint64 bytes = 0;
    for (const QString& book : first) bytes += QFileInfo(book).size();
    QDir(organised).removeRecursively();

    const bool cold = ::geteuid() == 0 && dropCaches();
    std::printf("%lld books, %.1f GB, %d rounds, %s\nprogram: %s\n\n",
                static_cast<long long>(first.size()), static_cast<double>(bytes) / 1e9, rounds,
                cold ? "page cache emptied before each measurement (cold)"
                     : "NOT root: the page cache cannot be emptied, figures are WARM",
                QFileInfo(cli).canonicalFilePath().toLocal8Bit().constData());
    std::fflush(stdout);

    struct Measurement {
        const char* name;
        std::function<double(const QStringList&)> run;
        std::vector<double> seconds;
    };
    std::vector<Measurement> measurements = {
        {"I/O floor, 16 threads", [](const QStringList& books) { return ioFloor(books, 16); }, {}},
        {"I/O floor, 1 thread", [](const QStringList& books) { return ioFloor(books, 1); }, {}},
        {"inspect",
         [&](const QStringList& books) {
             return runCli(cli, QStringList{QStringLiteral("inspect")} + books);
         },
         {}},
        {"inspect --jobs 1",
         [&](const QStringList& books) {
             return runCli(cli, QStringList{QStringLiteral("inspect"), QStringLiteral("--jobs"),
                                            QStringLiteral("1")} +
                                    books);
         },
         {}},
        {"organise --move",
         [&](const QStringList& books) {
             // --rename none keeps each book's name, so that it goes back under it; the
             // creators of the real books hold '<', which no folder name may.
             const double seconds =
                 runCli(cli, QStringList{QStringLiteral("organise"), QStringLiteral("--output"),
                                         organised, QStringLiteral("--move"),
                                         QStringLiteral("--rename"), QStringLiteral("none"),
                                         QStringLiteral("--folders"), QStringLiteral("language")} +
                                 books);
             const int back = moveBack(organised, folder);
             if (back != books.size())
                 std::fprintf(stderr, "note: %d of %lld books were moved\n", back,
                              static_cast<long long>(books.size()));
             return seconds;
         },
         {}},
    };

    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d:", round);
        for (Measurement& measurement : measurements) {
            const QStringList books = listBooks(folder, limit);
            if (cold) dropCaches();
            measurement.seconds.push_back(measurement.run(books));
            std::printf("  %s %.2f s;", measurement.name, measurement.seconds.back());
            std::fflush(stdout);
        }
        std::printf("\n");
    }

    const double floor = median(measurements.front().seconds);
    std::printf("\n%-24s %10s %10s %10s   (median of %d, %s)\n", "", "seconds", "books/s",
                "x floor16", rounds, cold ? "cold" : "warm");
    for (const Measurement& measurement : measurements) {
        const double seconds = median(measurement.seconds);
        std::printf("%-24s %10.2f %10.0f %9.2fx\n", measurement.name, seconds,
                    static_cast<double>(first.size()) / seconds, seconds / floor);
    }
    std::printf(
        "\ntargets: inspect within 2x of the 16-thread floor, organise --move within 2.5x\n");
    return 0;
}
