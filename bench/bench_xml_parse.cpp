// How close reading a book's XML comes to pugixml's own parse: the container, package documents
// and NCX of a set of books, read into memory once, then parsed again and again
//  1. by pugixml alone (a copy of the bytes parsed in place, no tree of ours): the floor;
//  2. by parseXmlDocument (pugixml into our tree, libxml2 for what it declines), what the reader
//     does;
//  3. by libxml2 into the same tree (the reference pre-pass and SAX parse), as it used to.
//
//   bench_xml_parse [BOOK.epub...]   (default: the books of POLCARO_REAL_BOOKS, else 40
//                                     generated ones)
#include <zip.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <pugixml.hpp>
#include <vector>

#include "bench_support.h"
#include "epub/xml_tree.h"
#include "platform/process_tuning.h"
#include "support/epub_builder.h"
#include "support/folder_search.h"

namespace {

using Clock = std::chrono::steady_clock;

// Every container, package document and NCX of the book, as stored.
void collectDocuments(const QString& path, std::vector<QByteArray>& documents) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive) return;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const QByteArray name = zip_get_name(archive, zip_uint64_t(i), 0);
        if (!name.endsWith(".opf") && !name.endsWith(".ncx") && name != "META-INF/container.xml")
            continue;
        zip_stat_t stat;
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (!file || zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0) {
            if (file) zip_fclose(file);
            continue;
        }
        QByteArray bytes(qsizetype(stat.size), '\0');
        if (zip_fread(file, bytes.data(), stat.size) == zip_int64_t(stat.size))
            documents.push_back(bytes);
        zip_fclose(file);
    }
    zip_discard(archive);
}

// Seconds per pass over all documents, the best of several timed passes.
template <class Parse>
double bestPass(const std::vector<QByteArray>& documents, Parse parse) {
    double best = 1e9;
    for (int round = 0; round < 7; ++round) {
        const auto start = Clock::now();
        for (int pass = 0; pass < 5; ++pass) {
            for (const QByteArray& bytes : documents) parse(bytes);
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count() / 5);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    platform::prepareProcessForBookReading();  // as the readers do
    QStringList books;
    for (int i = 1; i < argc; ++i) books.append(QString::fromLocal8Bit(argv[i]));
    QTemporaryDir generated;
    if (books.isEmpty() && !qEnvironmentVariable("POLCARO_REAL_BOOKS").isEmpty())
        books = testsupport::searchBooks(qEnvironmentVariable("POLCARO_REAL_BOOKS"));
    if (books.isEmpty()) {
        for (int number = 0; number < 40; ++number) {
            testsupport::BookSpec spec;
            spec.title = QStringLiteral(u"Könyv %1 & társai").arg(number);
            spec.description = QStringLiteral("<p>A longer description, repeated. ").repeated(8);
            bench::setPartsOfTenChapters(spec, 20);
            const QString path = generated.filePath(QStringLiteral("book%1.epub").arg(number));
            testsupport::writeBook(path, spec);
            books.append(path);
        }
    }
    std::vector<QByteArray> documents;
    for (const QString& book : books) collectDocuments(book, documents);
    qsizetype bytes = 0;
    for (const QByteArray& document : documents) bytes += document.size();
    if (documents.empty()) {
        std::fputs("no documents found\n", stderr);
        return 1;
    }
    std::printf("%zu documents of %lld books, %.1f KiB in all\n", documents.size(),
                static_cast<long long>(books.size()), double(bytes) / 1024);

    epub::initialiseXmlParser();
    std::vector<char> buffer;
    const auto pugixmlAlone = [&](const QByteArray& document) {
        buffer.assign(document.begin(), document.end());
        pugi::xml_document parsed;
        parsed.load_buffer_inplace(buffer.data(), buffer.size(), pugi::parse_default,
                                   pugi::encoding_utf8);
    };
    const auto readerParse = [](const QByteArray& document) {
        const epub::XmlDocument tree = epub::parseXmlDocument(document);
    };
    const auto libxml2Parse = [](const QByteArray& document) {
        const epub::XmlDocument tree = epub::parseXmlDocumentWithLibxml2(document);
    };
    // BENCH_XML_ONE=floor|reader|libxml2: one pass of that parse alone (after one to warm up),
    // for counting instructions under valgrind --tool=callgrind, which the shared machine's
    // noise does not reach; BENCH_XML_PASSES=N makes it N passes, for a profiler.
    const QString one = qEnvironmentVariable("BENCH_XML_ONE");
    if (!one.isEmpty()) {
        const int passes = std::max(2, qEnvironmentVariableIntValue("BENCH_XML_PASSES"));
        for (int pass = 0; pass < passes; ++pass) {
            for (const QByteArray& document : documents) {
                if (one == u"floor")
                    pugixmlAlone(document);
                else if (one == u"reader")
                    readerParse(document);
                else if (one == u"libxml2")
                    libxml2Parse(document);
            }
        }
        return 0;
    }
    const double floor = bestPass(documents, pugixmlAlone);
    const double reader = bestPass(documents, readerParse);
    const double reference = bestPass(documents, libxml2Parse);
    const auto report = [&](const char* what, double seconds) {
        std::printf("  %-44s %8.1f us per pass  %7.1f MB/s  %5.2fx the floor\n", what,
                    seconds * 1e6, double(bytes) / seconds / 1e6, seconds / floor);
    };
    report("pugixml alone (copy + parse in place):", floor);
    report("parseXmlDocument (pugixml into our tree):", reader);
    report("libxml2 into our tree (the reference):", reference);
    return 0;
}
