// How long reading takes and how much memory it needs for hostile books: each shape that once
// made reading quadratic or memory-hungry, generated at the largest size the archive entry cap
// allows, and a real-sized heavy book for comparison. Every book is opened in a fresh child
// process (this program again, with --open) that reports its own peak resident memory: the
// high-water mark of its address space (VmHWM), which starts afresh at exec, unlike the
// rusage figure a child inherits from the parent it was forked from.
//
//   bench_hostile_books            generate the books, open each in a child, print the figures
//   bench_hostile_books --open F   open one book; print seconds, peak KiB and the outcome
//
// Target: every hostile book done in under 1 s with a peak resident memory under 128 MB.
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "core/message_sink.h"
#include "epub/archive_reader.h"
#include "epub/reference_prepass.h"
#include "epub/tepub.h"
#include "support/epub_builder.h"

namespace {

// Room left in an entry for the text around the repeated part.
constexpr qsizetype kFill = epub::kMaxEntrySize - 4096;

class SilentSink final : public core::MessageSink {
public:
    void showMessage(const QString&) override {}
};

QByteArray repeatedUpTo(const std::function<QByteArray(qsizetype)>& piece, qsizetype budget) {
    QByteArray out;
    out.reserve(budget);
    for (qsizetype i = 0;; ++i) {
        const QByteArray next = piece(i);
        if (out.size() + next.size() > budget) break;
        out += next;
    }
    return out;
}

QByteArray opf(const QByteArray& metadata, const QByteArray& manifest, const QByteArray& spine) {
    return "<?xml version='1.0' encoding='utf-8'?>\n"
           "<package xmlns='http://www.idpf.org/2007/opf' version='2.0'>"
           "<metadata xmlns:dc='http://purl.org/dc/elements/1.1/'>"
           "<dc:title>Hostile</dc:title><dc:creator>Nobody</dc:creator>" +
           metadata + "</metadata><manifest><item id='ncx' href='toc.ncx'/>" + manifest +
           "</manifest><spine toc='ncx'>" + spine + "</spine></package>";
}

QByteArray ncx(const QByteArray& navMap) {
    return "<?xml version='1.0' encoding='utf-8'?>\n"
           "<ncx xmlns='http://www.daisy.org/z3986/2005/ncx/' version='2005-1'>"
           "<head/><docTitle><text>Hostile</text></docTitle><navMap>" +
           navMap + "</navMap></ncx>";
}

QByteArray navPoint(qsizetype i) {
    return "<navPoint><navLabel><text>P" + QByteArray::number(i) +
           "</text></navLabel><content src='c.xhtml'/></navPoint>";
}

void writeEpub(const QString& path, const QByteArray& opfBytes, const QByteArray& ncxBytes) {
    testsupport::writeZip(path, {{QStringLiteral("mimetype"), "application/epub+zip",
                                  testsupport::Compression::Stored},
                                 {QStringLiteral("META-INF/container.xml"),
                                  testsupport::containerXml(QStringLiteral("OEBPS/content.opf"))},
                                 {QStringLiteral("OEBPS/content.opf"), opfBytes},
                                 {QStringLiteral("OEBPS/toc.ncx"), ncxBytes}});
}

const QByteArray kPlainNcx = ncx(navPoint(1));
const QByteArray kPlainManifest = "<item id='c' href='c.xhtml'/>";
const QByteArray kPlainSpine = "<itemref idref='c'/>";

void manyAttributes(const QString& path) {
    const QByteArray attributes =
        repeatedUpTo([](qsizetype i) { return " a" + QByteArray::number(i, 36) + "=''"; }, kFill);
    writeEpub(path, opf("<meta" + attributes + "/>", kPlainManifest, kPlainSpine), kPlainNcx);
}

void deepRepeatedNcx(const QString& path) {
    QByteArray open;
    QByteArray close;
    for (int level = 0; level < 200; ++level) {
        open += "<navPoint><navLabel><text>L</text></navLabel><content src='c.xhtml'/>";
        close += "</navPoint>";
    }
    const QByteArray nest = open + close;
    writeEpub(path, opf({}, kPlainManifest, kPlainSpine),
              ncx(repeatedUpTo([&](qsizetype) { return nest; }, kFill)));
}

void flatNcx(const QString& path) {
    writeEpub(path, opf({}, kPlainManifest, kPlainSpine), ncx(repeatedUpTo(navPoint, kFill)));
}

void ampersandTitle(const QString& path) {
    writeEpub(
        path,
        opf("<dc:title>" + QByteArray(kFill, '&') + "</dc:title>", kPlainManifest, kPlainSpine),
        kPlainNcx);
}

void manySubjects(const QString& path) {
    const QByteArray subjects = repeatedUpTo(
        [](qsizetype i) { return "<dc:subject>s" + QByteArray::number(i) + "</dc:subject>"; },
        kFill);
    writeEpub(path, opf(subjects, kPlainManifest, kPlainSpine), kPlainNcx);
}

void manyManifestItems(const QString& path) {
    const QByteArray items = repeatedUpTo(
        [](qsizetype i) {
            const QByteArray id = QByteArray::number(i, 36);
            return "<item id='i" + id + "' href='c" + id + ".xhtml'/>";
        },
        kFill * 2 / 3);
    const QByteArray spine = repeatedUpTo(
        [](qsizetype i) { return "<itemref idref='i" + QByteArray::number(i, 36) + "'/>"; },
        kFill / 3);
    writeEpub(path, opf({}, items, spine), kPlainNcx);
}

// A million empty entries (about 90 MB), written by hand since libzip's writer would itself
// hold every entry in memory: a local header and a directory record each, then the zip64 end
// records that a ZIP needs past 65,535 entries.
void millionEntries(const QString& path) {
    constexpr std::uint32_t kEntries = 1000000;
    const auto put = [](QByteArray& out, std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    QByteArray local;
    QByteArray directory;
    for (std::uint32_t i = 0; i < kEntries; ++i) {
        const QByteArray name = QByteArray::number(i, 36);
        const auto offset = static_cast<std::uint64_t>(local.size());
        put(local, 0x04034b50, 4);
        put(local, 10, 2);                         // version needed
        put(local, 0, 2 + 2 + 2 + 2 + 4 + 4 + 4);  // flags, method, time, date, CRC, sizes
        put(local, static_cast<std::uint64_t>(name.size()), 2);
        put(local, 0, 2);
        local += name;
        put(directory, 0x02014b50, 4);
        put(directory, 20, 2);
        put(directory, 10, 2);
        put(directory, 0, 2 + 2 + 2 + 2 + 4 + 4 + 4);
        put(directory, static_cast<std::uint64_t>(name.size()), 2);
        put(directory, 0, 2 + 2 + 2 + 2 + 4);  // extra, comment, disk, attributes
        put(directory, offset, 4);
        directory += name;
    }
    const auto directoryStart = static_cast<std::uint64_t>(local.size());
    const auto directorySize = static_cast<std::uint64_t>(directory.size());
    QByteArray end;
    put(end, 0x06064b50, 4);
    put(end, 44, 8);
    put(end, 45, 2);
    put(end, 45, 2);
    put(end, 0, 4 + 4);
    put(end, kEntries, 8);
    put(end, kEntries, 8);
    put(end, directorySize, 8);
    put(end, directoryStart, 8);
    put(end, 0x07064b50, 4);
    put(end, 0, 4);
    put(end, directoryStart + directorySize, 8);
    put(end, 1, 4);
    put(end, 0x06054b50, 4);
    put(end, 0, 2 + 2);
    put(end, 0xFFFF, 2);
    put(end, 0xFFFF, 2);
    put(end, 0xFFFFFFFF, 4);
    put(end, 0xFFFFFFFF, 4);
    put(end, 0, 2);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(local) != local.size() ||
        file.write(directory) != directory.size() || file.write(end) != end.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// The same shapes kept just inside the limits, so that they are read rather than refused.
void flatNcxAtTheLimit(const QString& path) {
    const qsizetype points = (epub::XmlLimits::kElements - 16) / 4;  // four elements each
    writeEpub(path, opf({}, kPlainManifest, kPlainSpine),
              ncx(QByteArray(navPoint(0)).repeated(points)));
}

void attributesAtTheLimit(const QString& path) {
    QByteArray attributes;
    for (qsizetype i = 0; i < epub::XmlLimits::kAttributesPerElement - 1; ++i)
        attributes += " a" + QByteArray::number(i, 36) + "=''";
    const QByteArray meta = "<meta" + attributes + "/>";
    const qsizetype metas = epub::XmlLimits::kAttributes / epub::XmlLimits::kAttributesPerElement;
    writeEpub(path, opf(meta.repeated(metas), kPlainManifest, kPlainSpine), kPlainNcx);
}

void textAtTheLimit(const QString& path) {
    writeEpub(path,
              opf("<dc:description>" + QByteArray(epub::XmlLimits::kTextBytes - 4096, 'x') +
                      "</dc:description>",
                  kPlainManifest, kPlainSpine),
              kPlainNcx);
}

// Every manifest item has the same id and the spine names it again and again: each idref
// contributes every item.
void repeatedIds(const QString& path) {
    const qsizetype items = epub::XmlLimits::kElements / 2 - 16;
    writeEpub(path,
              opf({}, QByteArray("<item id='a' href='a.xhtml'/>").repeated(items),
                  QByteArray("<itemref idref='a'/>").repeated(items)),
              kPlainNcx);
}

// A large real book: 3,000 chapters, a three-level NCX of 6,000 points, full metadata.
void heavyBook(const QString& path) {
    testsupport::BookSpec spec;
    spec.title = QStringLiteral(u"Nagy könyv & társai");
    spec.description = QStringLiteral("<p>A long description, repeated. ").repeated(200);
    spec.subjects = {QStringLiteral("Fiction"), QStringLiteral("History")};
    spec.series = QStringLiteral("Series");
    spec.seriesIndex = QStringLiteral("3");
    spec.chapters.clear();
    for (int i = 1; i <= 3000; ++i)
        spec.chapters.append(QStringLiteral("Text/chapter%1.xhtml").arg(i));
    for (int part = 0; part < 300; ++part) {
        testsupport::NavPointSpec volume{
            QStringLiteral("Volume %1").arg(part + 1), spec.chapters[part * 10], {}};
        for (int k = 0; k < 10; ++k)
            volume.children.append({QStringLiteral("Chapter %1").arg(part * 10 + k + 1),
                                    spec.chapters[part * 10 + k],
                                    {}});
        spec.toc.append(volume);
    }
    testsupport::writeBook(path, spec);
}

long peakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

int openOne(const char* path) {
    SilentSink sink;
    epub::TEpuB book(sink);
    QElapsedTimer timer;
    timer.start();
    std::string outcome;
    try {
        book.Open(QFile::decodeName(path));
        outcome = "read, " + std::to_string(book.Toc.size()) + " toc entries, " +
                  std::to_string(book.Manifest.size()) + " content documents";
    } catch (const epub::BookReadError& error) {
        outcome = std::string("refused as damaged: ") + error.what();
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("%.3f %ld %s\n", seconds, peakResidentKiB(), outcome.c_str());
    return 0;
}

// Runs this program with --open path; prints the child's figures and its peak memory.
bool measure(const char* self, const char* name, const QString& path) {
    int output[2];
    if (pipe(output) != 0) return false;
    const QByteArray file = QFile::encodeName(path);
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        execl(self, self, "--open", file.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);
    std::string text;
    char chunk[512];
    for (ssize_t got; (got = read(output[0], chunk, sizeof chunk)) > 0;) text.append(chunk, got);
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    double seconds = 0;
    long kib = -1;
    int consumed = 0;
    std::sscanf(text.c_str(), "%lf %ld %n", &seconds, &kib, &consumed);
    const double megabytes = static_cast<double>(kib) / 1024.0;
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && consumed > 0 && kib > 0;
    std::printf("%-26s %8.3f s %8.1f MB  %s\n", name, seconds, megabytes,
                ok ? text.c_str() + consumed : "child failed");
    std::fflush(stdout);
    return ok && seconds < 1.0 && megabytes < 128.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--open") == 0) return openOne(argv[2]);
    QTemporaryDir dir;
    if (!dir.isValid()) return 2;
    struct Shape {
        const char* name;
        void (*write)(const QString&);
        bool hostile;
    };
    const Shape shapes[] = {
        {"attributes on one element", manyAttributes, true},
        {"deep repeated NCX", deepRepeatedNcx, true},
        {"flat NCX", flatNcx, true},
        {"ampersands in the title", ampersandTitle, true},
        {"dc:subject elements", manySubjects, true},
        {"manifest items", manyManifestItems, true},
        {"flat NCX, limit", flatNcxAtTheLimit, true},
        {"attributes, limit", attributesAtTheLimit, true},
        {"text, limit", textAtTheLimit, true},
        {"repeated manifest ids", repeatedIds, true},
        {"a million entries", millionEntries, true},
        {"heavy real book", heavyBook, false},
    };
    std::printf("%-26s %10s %11s  outcome\n", "book", "open", "peak RSS");
    bool allWithin = true;
    for (const Shape& shape : shapes) {
        const QString path = dir.filePath(QString::fromUtf8(shape.name) + QStringLiteral(".epub"));
        shape.write(path);
        const bool within = measure(argv[0], shape.name, path);
        if (shape.hostile) allWithin = allWithin && within;
    }
    std::printf("%s\n", allWithin ? "every hostile book under 1 s and 128 MB"
                                  : "SOME HOSTILE BOOK OVER 1 s OR 128 MB");
    return allWithin ? 0 : 1;
}
