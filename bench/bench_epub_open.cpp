// How fast TEpuB::Open reads realistic books, and whether memory stays flat as the corpus grows.
// Generates two corpora of books (a few hundred entries each, full OPF metadata, NCX with
// nested points) in a temporary folder, then opens every book single-threaded with a warm cache.
//
//   bench_epub_open [SMALL_COUNT [LARGE_COUNT [ENTRIES_PER_BOOK]]]   (defaults 200 2000 300)
#include <sys/resource.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "core/message_sink.h"
#include "epub/tepub.h"
#include "platform/process_tuning.h"
#include "support/epub_builder.h"

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

testsupport::BookSpec bookSpec(int number, int entries) {
    testsupport::BookSpec spec;
    spec.title = QStringLiteral(u"Könyv %1: a hosszú cím & alcím").arg(number);
    spec.creators = {QStringLiteral(u"Szerző Számú %1").arg(number % 97),
                     QStringLiteral("Illustrator")};
    spec.language = number % 3 ? QStringLiteral("hu") : QStringLiteral("en-US");
    spec.publisher = QStringLiteral("Kiadó Kft.");
    spec.description =
        QStringLiteral("<p>A longer description with <b>escaped</b> markup, repeated. ")
            .repeated(8);
    spec.date = QStringLiteral("2019-05-01");
    spec.source = QStringLiteral("scan");
    spec.subjects = {QStringLiteral("Fiction"), QStringLiteral("History"),
                     QStringLiteral("Fiction")};
    spec.identifiers = {{QString(), QStringLiteral("ISBN"),
                         QStringLiteral("978963%1").arg(number, 7, 10, QLatin1Char('0'))},
                        {QStringLiteral("uuid_id"), QStringLiteral("UUID"),
                         QStringLiteral("urn:uuid:%1").arg(number)}};
    spec.series = QStringLiteral("Series %1").arg(number % 13);
    spec.seriesIndex = QString::number(number % 7);
    spec.coverHref = QStringLiteral("Images/cover.jpg");
    // Roughly half of the entries are chapters in the spine, the rest images and styles.
    const int chapters = entries / 2;
    spec.chapters.clear();
    for (int i = 1; i <= chapters; ++i)
        spec.chapters.append(QStringLiteral("Text/chapter%1.xhtml").arg(i));
    for (int part = 0; part < chapters / 10; ++part) {
        testsupport::NavPointSpec point{
            QStringLiteral("Volume %1").arg(part + 1), spec.chapters[part * 10], {}};
        for (int k = 0; k < 10; ++k)
            point.children.append({QStringLiteral("Chapter %1").arg(part * 10 + k + 1),
                                   spec.chapters[part * 10 + k] + QStringLiteral("#start"),
                                   {{QStringLiteral("Section"),
                                     spec.chapters[part * 10 + k] + QStringLiteral("#s1"),
                                     {}}}});
        spec.toc.append(point);
    }
    for (int i = 0; i < entries - chapters; ++i)
        spec.extraEntries.append({QStringLiteral("OEBPS/Images/image%1.png").arg(i),
                                  QByteArray(64, char('a' + i % 26)),
                                  testsupport::Compression::Stored});
    return spec;
}

QStringList makeCorpus(const QString& folder, int count, int entries) {
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/book%1.epub").arg(i);
        testsupport::writeBook(path, bookSpec(i, entries));
        paths.append(path);
    }
    return paths;
}

struct Rate {
    double wall = 0;  // books per second of elapsed time
    double cpu = 0;   // books per second of this process's CPU time (user + system)
};

// Opens every book `rounds` times. The machine may be shared, so CPU time is reported beside
// elapsed time.
Rate openAll(const QStringList& books, int rounds, core::MessageSink& sink) {
    qsizetype checksum = 0;
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds();
    for (int round = 0; round < rounds; ++round) {
        for (const QString& path : books) {
            epub::TEpuB book(sink);
            book.Open(path);
            checksum += book.Title.size() + book.Toc.size() + book.Manifest.size();
        }
    }
    const double wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuStart;
    if (checksum == 0) std::fputs("unexpected: empty books\n", stderr);
    const double opened = static_cast<double>(books.size()) * rounds;
    return {opened / wall, opened / cpu};
}

}  // namespace

int main(int argc, char** argv) {
    platform::prepareProcessForBookReading();
    const int smallCount = argc > 1 ? std::atoi(argv[1]) : 200;
    const int largeCount = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int entries = argc > 3 ? std::atoi(argv[3]) : 300;
    QTemporaryDir dir;
    if (!dir.isValid() || smallCount <= 0 || largeCount <= 0 || entries < 20) {
        std::fputs("usage: bench_epub_open [SMALL_COUNT [LARGE_COUNT [ENTRIES_PER_BOOK]]]\n",
                   stderr);
        return 2;
    }
    std::printf("generating %d + %d books of %d entries each in %s ...\n", smallCount, largeCount,
                entries, dir.path().toUtf8().constData());
    std::fflush(stdout);
    const QStringList small =
        makeCorpus(dir.path() + QStringLiteral("/small"), smallCount, entries);
    const QStringList large =
        makeCorpus(dir.path() + QStringLiteral("/large"), largeCount, entries);
    const long afterGeneration = peakRssKiB();

    core::StderrMessageSink sink;
    openAll(small, 1, sink);  // warm the page cache and the allocator
    const Rate smallRate = openAll(small, 3, sink);
    const long afterSmall = peakRssKiB();
    openAll(large, 1, sink);
    const Rate largeRate = openAll(large, 1, sink);
    const long afterLarge = peakRssKiB();

    std::printf("peak RSS after generating the corpora: %ld KiB\n", afterGeneration);
    std::printf(
        "%6d books x3: %7.0f books/s elapsed, %7.0f books/s of CPU time, peak RSS %ld KiB\n",
        smallCount, smallRate.wall, smallRate.cpu, afterSmall);
    std::printf(
        "%6d books x1: %7.0f books/s elapsed, %7.0f books/s of CPU time, peak RSS %ld KiB\n",
        largeCount, largeRate.wall, largeRate.cpu, afterLarge);
    std::printf("peak RSS growth from the small to the large corpus: %ld KiB\n",
                afterLarge - afterSmall);
    return 0;
}
