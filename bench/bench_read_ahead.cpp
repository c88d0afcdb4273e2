// Reading ahead on every core and copying off the window's thread, measured side by side in one
// run:
//  1. inspect: a generated corpus read and turned into JSON lines, single-threaded and on every
//     core, against the C reader of libepub (title, creator and language only) when the build
//     found it, otherwise against our own single-threaded reader opening the archive once per
//     entry (three opens per book, as it used to); and libzip with libxml2 alone (the three
//     documents inflated and parsed with callbacks that do nothing), the floor under any
//     reader on that stack;
//  2. organise, move mode on one volume: the same library moved by the run reading each book at
//     its turn and by the run reading ahead;
//  3. the window's thread while the run copies one large book: the longest gap between ticks of
//     a 10 ms timer, with the copy on that thread and with the copy off it.
// Copy mode against `cp -r` and `sync` is bench_organise's.
//
//   bench_read_ahead [CORPUS_BOOKS [MOVE_BOOKS [LARGE_BOOK_MB [BASE_FOLDER]]]]
//                    defaults: 480 20000 500, the system temp folder
//
// With POLCARO_REAL_BOOKS=FOLDER (bench/real_books.sh fills one) part 1 is repeated for the
// books found there, taken in turn until there are CORPUS_BOOKS of them.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "bench_support.h"
#include "core/message_sink.h"
#include "epub/archive_reader.h"
#include "epub/book_json.h"
#include "epub/read_ahead.h"
#include "epub/tepub.h"
#include "organise/collection.h"
#include "organise/file_operations.h"
#include "organise/off_thread_transfers.h"
#include "organise/organise_run.h"
#include "platform/process_tuning.h"
#include "support/epub_builder.h"

#include <string>
#include <vector>

// bench/parser_floor.cc
double parserFloorBooksPerSecond(const std::vector<std::string>& paths, int threads,
                                 std::size_t& parsed);
#ifdef POLCARO_HAVE_LIBEPUB
// bench/libepub_reader.cc
double libepubBooksPerSecond(const std::vector<std::string>& paths, std::size_t& bytes);
#endif

namespace {

using bench::Clock;
using bench::Headless;
using bench::Rows;
using bench::secondsSince;

// A book of a realistic shape: full metadata, some sixty chapters with a nested table of
// contents, and images.
testsupport::BookSpec corpusBook(int number) {
    testsupport::BookSpec spec;
    spec.title = QStringLiteral(u"Könyv %1: a hosszú cím & alcím").arg(number);
    spec.creators = {QStringLiteral(u"Szerző %1").arg(number % 97), QStringLiteral("Ill")};
    spec.language = number % 3 ? QStringLiteral("hu") : QStringLiteral("en-US");
    spec.publisher = QStringLiteral("Kiadó Kft.");
    spec.description = QStringLiteral("<p>A longer description, repeated. ").repeated(8);
    spec.subjects = {QStringLiteral("Fiction"), QStringLiteral("History")};
    spec.series = QStringLiteral("Series %1").arg(number % 13);
    spec.seriesIndex = QString::number(number % 7);
    spec.coverHref = QStringLiteral("Images/cover.jpg");
    bench::setPartsOfTenChapters(spec, 6);
    for (int i = 0; i < 60; ++i)
        spec.extraEntries.append({QStringLiteral("OEBPS/Images/img%1.png").arg(i),
                                  QByteArray(2048, char('a' + i % 26)),
                                  testsupport::Compression::Stored});
    return spec;
}

// What `inspect` does for one book: read it (from what was fetched of it) and write its JSON
// line.
qsizetype inspectOne(const QString& path, epub::BookFile file) {
    class Quiet final : public core::MessageSink {
        void showMessage(const QString&) override {}
    } sink;
    epub::TEpuB book(sink);
    QString error;
    try {
        book.Open(path, std::move(file));
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    return epub::bookToJson(book, error).size();
}

// inspect's loop: `jobs` books at a time, results taken in order. Returns books per second.
double inspectAll(const QStringList& books, int jobs) {
    const int ioThreads = epub::defaultReadAheadIoThreads();
    epub::ReadAhead<qsizetype> ahead(jobs > 1 ? jobs : 0, epub::readAheadWindow(jobs, ioThreads),
                                     ioThreads);
    qsizetype bytes = 0;
    const auto start = Clock::now();
    for (const QString& path : books) {
        if (ahead.full()) bytes += ahead.take();
        ahead.push([path] { return epub::BookFile::fetch(path); },
                   [path](epub::BookFile file) { return inspectOne(path, std::move(file)); });
    }
    while (!ahead.empty()) bytes += ahead.take();
    const double seconds = secondsSince(start);
    if (bytes == 0) std::fputs("unexpected: no output\n", stderr);
    return static_cast<double>(books.size()) / seconds;
}

// The reading as it was: every entry opened the archive anew (container, package, NCX).
double threeOpensAll(const QStringList& books) {
    qsizetype bytes = 0;
    const auto start = Clock::now();
    for (const QString& path : books) {
        for (const char* name :
             {"META-INF\\container.xml", "OEBPS\\content.opf", "OEBPS\\toc.ncx"}) {
            epub::WorkBuffer buffer;
            epub::readEntry(path, QString::fromLatin1(name), buffer);
            bytes += buffer.bytes.size();
        }
        bytes += inspectOne(path, epub::BookFile::fetch(path));  // and the parse, once
    }
    // The one-open reading of the entries alone, taken off again, leaves the three-open path.
    const double withParse = secondsSince(start);
    const auto again = Clock::now();
    for (const QString& path : books) {
        const epub::OpenArchive archive(path);
        for (const char* name :
             {"META-INF\\container.xml", "OEBPS\\content.opf", "OEBPS\\toc.ncx"}) {
            epub::WorkBuffer buffer;
            archive.read(QString::fromLatin1(name), buffer);
            bytes += buffer.bytes.size();
        }
    }
    const double oneOpen = secondsSince(again);
    if (bytes == 0) std::fputs("unexpected: no entries\n", stderr);
    return static_cast<double>(books.size()) / (withParse - oneOpen);
}

std::vector<std::string> localPaths(const QStringList& books) {
    std::vector<std::string> paths;
    for (const QString& path : books) paths.push_back(QFile::encodeName(path).toStdString());
    return paths;
}

// libzip and libxml2 alone, parsing with callbacks that do nothing: what no reader on this
// stack gets below.
double floorAll(const QStringList& books, int threads) {
    std::size_t parsed = 0;
    const double rate = parserFloorBooksPerSecond(localPaths(books), threads, parsed);
    if (parsed == 0) std::fputs("unexpected: the floor parsed nothing\n", stderr);
    return rate;
}

#ifdef POLCARO_HAVE_LIBEPUB
double libepubAll(const QStringList& books) {
    const std::vector<std::string> paths = localPaths(books);
    std::size_t bytes = 0;
    const double rate = libepubBooksPerSecond(paths, bytes);
    if (bytes == 0) std::fputs("unexpected: libepub read nothing\n", stderr);
    return rate;
}
#endif

// The inspect figures of one corpus: single-threaded, on every core, and against the C reader.
// The three-open line needs the generated books' entry names.
void reportInspect(const QString& label, const QStringList& corpus, int cores, bool generated) {
    inspectAll(corpus, 1);  // warm the page cache and the allocator
    const double single = inspectAll(corpus, 1);
    const double all = inspectAll(corpus, cores);
    std::printf("\ninspect, %s:\n", label.toLocal8Bit().constData());
    std::printf("  single-threaded:            %8.0f books/s\n", single);
    std::printf("  %2d threads:                 %8.0f books/s  (%.2fx single)\n", cores, all,
                all / single);
    const double threeOpens = generated ? threeOpensAll(corpus) : 0;
    if (generated)
        std::printf(
            "  single-threaded, three archive opens per book as before: %.0f books/s "
            "(one open: %.2fx)\n",
            threeOpens, single / threeOpens);
    floorAll(corpus, 1);
    const double floorSingle = floorAll(corpus, 1);
    const double floorCores = floorAll(corpus, cores);
    std::printf(
        "  libzip + libxml2 alone (inflate, SAX with empty callbacks): %.0f books/s "
        "single-threaded, %.0f on %d threads\n",
        floorSingle, floorCores, cores);
    std::printf("  inspect / that floor:        %7.2f single-threaded, %.2f on %d threads\n",
                single / floorSingle, all / floorCores, cores);
#ifdef POLCARO_HAVE_LIBEPUB
    // This machine's speed drifts between runs: the two readers take turns for five rounds and
    // the median round's ratio counts.
    libepubAll(corpus);
    std::vector<double> ratios, floorRatios;
    double reference = 0;
    for (int round = 0; round < 5; ++round) {
        const double ours = inspectAll(corpus, cores);
        reference = libepubAll(corpus);
        ratios.push_back(ours / reference);
        floorRatios.push_back(floorAll(corpus, cores) / reference);
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(floorRatios.begin(), floorRatios.end());
    std::printf("  libepub C reader (3 fields): %7.0f books/s (last round)\n", reference);
    std::printf(
        "  all cores / libepub:         %7.2fx  median of 5 alternating rounds (%.2fx-%.2fx)\n",
        ratios[2], ratios.front(), ratios.back());
    std::printf("  single-threaded / libepub:   %7.2fx  (first measurement)\n", single / reference);
    std::printf("  the floor on all cores / libepub: %.2fx  median of the same rounds\n",
                floorRatios[2]);
#else
    if (generated)
        std::printf("  libepub not found: all cores / three opens: %.2fx\n", all / threeOpens);
#endif
}

// Moves the library; returns seconds and checks every book arrived.
double moveRun(const QString& lib, const QString& output, int threads, int books) {
    Rows rows;
    rows.sources = testsupport::searchBooks(lib);
    Headless observer;
    observer.naming.language = true;
    observer.mode = organise::TransferMode::Move;
    observer.output = output;
    organise::PlatformFileOperations files;
    const auto start = Clock::now();
    organise::OrganiseRun(rows, observer, files, threads);
    const double seconds = secondsSince(start);
    if (observer.done != books)
        std::fprintf(stderr, "unexpected: %d of %d books moved\n", observer.done, books);
    return seconds;
}

// Runs the copy of one book from the event loop, a 10 ms timer ticking beside it; returns the
// longest gap between two ticks, in milliseconds.
double longestTickGap(const QString& book, const QString& output, bool offThread) {
    Rows rows;
    rows.sources = {book};
    Headless observer;
    observer.naming.language = true;
    observer.output = output;
    observer.pump = true;

    auto last = Clock::now();
    double longest = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    });
    QTimer::singleShot(50, [&] {
        organise::PlatformFileOperations disk;
        if (offThread) {
            organise::OffThreadTransfers files(disk);
            organise::OrganiseRun(rows, observer, files, epub::defaultReadAheadThreads());
        } else {
            organise::OrganiseRun(rows, observer, disk, 0);
        }
        QTimer::singleShot(50, [] { QCoreApplication::quit(); });
    });
    ticker.start();
    QCoreApplication::exec();
    if (observer.done != 1) std::fputs("unexpected: the large book was not copied\n", stderr);
    return longest;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    platform::prepareProcessForBookReading();
    const int corpusBooks = argc > 1 ? std::atoi(argv[1]) : 480;
    const int moveBooks = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int largeMb = argc > 3 ? std::atoi(argv[3]) : 500;
    const QString base = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QDir::tempPath();
    QTemporaryDir root(base + QStringLiteral("/bench_read_ahead-XXXXXX"));
    if (corpusBooks <= 0 || moveBooks <= 0 || largeMb <= 0 || !root.isValid()) {
        std::fputs(
            "usage: bench_read_ahead [CORPUS_BOOKS [MOVE_BOOKS [LARGE_BOOK_MB "
            "[BASE_FOLDER]]]]\n",
            stderr);
        return 2;
    }
    const QString top = root.path() + QLatin1Char('/');
    const int cores = epub::defaultReadAheadThreads();
    std::printf("cores: %d; folder %s\n", cores, top.toLocal8Bit().constData());

    // 1. inspect
    QStringList corpus;
    QDir().mkpath(top + QStringLiteral("corpus"));
    for (int i = 0; i < corpusBooks; ++i) {
        const QString path = top + QStringLiteral("corpus/book%1.epub").arg(i);
        testsupport::writeBook(path, corpusBook(i));
        corpus.append(path);
    }
    reportInspect(QStringLiteral("%1 generated books").arg(corpusBooks), corpus, cores, true);
    // Real books (bench/real_books.sh fetches Debian's), each taken in turn until there are as
    // many as the generated corpus has.
    const QString realFolder = qEnvironmentVariable("POLCARO_REAL_BOOKS");
    if (!realFolder.isEmpty()) {
        const QStringList found = testsupport::searchBooks(realFolder);
        QStringList real;
        for (int i = 0; !found.isEmpty() && i < corpusBooks; ++i)
            real.append(found[i % found.size()]);
        if (real.isEmpty())
            std::fprintf(stderr, "no books in POLCARO_REAL_BOOKS=%s\n",
                         realFolder.toLocal8Bit().constData());
        else
            reportInspect(QStringLiteral("%1 real books (%2 distinct)")
                              .arg(real.size())
                              .arg(std::min<qsizetype>(found.size(), real.size())),
                          real, cores, false);
    }

    // 2. move mode, 20,000 books, reading at each turn against reading ahead
    auto start = Clock::now();
    bench::makeSmallLibrary(top + QStringLiteral("move-a"), moveBooks);
    bench::makeSmallLibrary(top + QStringLiteral("move-b"), moveBooks);
    std::printf("\nmove: two libraries of %d books generated in %.1f s\n", moveBooks,
                secondsSince(start));
    // Both runs start with the generator's writes on the disk, so neither pays for them.
    std::system("sync");
    const double sequential =
        moveRun(top + QStringLiteral("move-a"), top + QStringLiteral("out-a/"), 0, moveBooks);
    std::system("sync");
    const double ahead =
        moveRun(top + QStringLiteral("move-b"), top + QStringLiteral("out-b/"), cores, moveBooks);
    std::printf("  reading each book at its turn: %6.2f s (%.0f books/s)\n", sequential,
                moveBooks / sequential);
    std::printf("  reading ahead on %2d threads:   %6.2f s (%.0f books/s)\n", cores, ahead,
                moveBooks / ahead);
    std::printf("  speed-up:                      %6.2fx\n", sequential / ahead);
    // Both runs here share today's reading (one archive open per book and the cheaper parse);
    // the program as it was before any of that is measured by bench/move_against_earlier.sh.
    std::printf(
        "  (against the program before reading ahead: bash bench/move_against_earlier.sh)\n");

    // 3. the window's thread while one large book is copied
    testsupport::BookSpec big;
    big.title = QStringLiteral("Large");
    QByteArray filler(static_cast<qsizetype>(largeMb) * 1024 * 1024, Qt::Uninitialized);
    std::mt19937_64 random(14);
    for (qsizetype k = 0; k + 8 <= filler.size(); k += 8) {
        const std::uint64_t word = random();
        std::memcpy(filler.data() + k, &word, 8);
    }
    big.extraEntries = {
        {QStringLiteral("OEBPS/images/plate.bin"), filler, testsupport::Compression::Stored}};
    const QString bigPath = top + QStringLiteral("large.epub");
    testsupport::writeBook(bigPath, big);
    filler = QByteArray();
    const double onThread = longestTickGap(bigPath, top + QStringLiteral("big-on/"), false);
    const double offThread = longestTickGap(bigPath, top + QStringLiteral("big-off/"), true);
    std::printf(
        "\nlongest gap between 10 ms ticks while one %.0f MB book is copied (and flushed):\n",
        static_cast<double>(QFileInfo(bigPath).size()) / 1e6);
    std::printf("  copy on the window's thread:  %8.0f ms\n", onThread);
    std::printf("  copy off the window's thread: %8.0f ms\n", offThread);
    return 0;
}
