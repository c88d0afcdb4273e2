// The floor under any reader built on libzip and libxml2: per book, open the archive, inflate
// the container, the package document and the NCX, and run each through libxml2's SAX parser
// with callbacks that do nothing. No tree, no queries, no output: whatever a reader does on top
// of this comes on top of these figures. A file of its own so that libzip's and libxml2's C
// names stay out of the benchmark's Qt code.
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct ZipClose {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ZipClose>;

struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

struct ContextFree {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

std::string readEntry(zip_t* archive, zip_int64_t index) {
    zip_stat_t stat;
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0) return {};
    const std::unique_ptr<zip_file_t, ZipFileClose> file(
        zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0));
    if (!file) return {};
    std::string bytes(stat.size, '\0');
    const zip_int64_t read = zip_fread(file.get(), bytes.data(), stat.size);
    bytes.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    return bytes;
}

void nothingStarts(void*, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int,
                   int, const xmlChar**) {}
void nothingEnds(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}
void nothingRead(void*, const xmlChar*, int) {}

bool parse(const std::string& bytes) {
    const std::unique_ptr<xmlParserCtxt, ContextFree> context(
        xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size())));
    if (!context) return false;
    // As the reader does: the whole document is in memory, so no read callback is needed.
    if (context->input && context->input->buf) context->input->buf->readcallback = nullptr;
    xmlSAXHandler handler{};
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = nothingStarts;
    handler.endElementNs = nothingEnds;
    handler.characters = nothingRead;
    handler.ignorableWhitespace = nothingRead;
    *context->sax = handler;
    context->userData = context.get();
    xmlCtxtUseOptions(context.get(), XML_PARSE_NONET);
    xmlParseDocument(context.get());
    return context->wellFormed != 0;
}

bool endsWith(const char* name, const char* end) {
    const std::size_t length = std::strlen(name), endLength = std::strlen(end);
    return length >= endLength && std::strcmp(name + length - endLength, end) == 0;
}

// The entries a reader needs, found by name (not timed): the container, the first ".opf" and
// the first ".ncx". The floor's loop then opens them by index, sparing itself the name lookup.
struct BookEntries {
    std::string path;
    std::vector<zip_int64_t> entries;
};

BookEntries entriesOf(const std::string& path) {
    BookEntries book{path, {}};
    int error = 0;
    const Archive archive(zip_open(path.c_str(), ZIP_RDONLY, &error));
    if (!archive) return book;
    const zip_int64_t container = zip_name_locate(archive.get(), "META-INF/container.xml", 0);
    zip_int64_t opf = -1, ncx = -1;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive.get(), 0); ++i) {
        const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
        if (!name) continue;
        if (opf < 0 && endsWith(name, ".opf")) opf = i;
        if (ncx < 0 && endsWith(name, ".ncx")) ncx = i;
    }
    for (const zip_int64_t index : {container, opf, ncx})
        if (index >= 0) book.entries.push_back(index);
    return book;
}

std::size_t readBooks(const std::vector<BookEntries>& books, std::size_t first, std::size_t step) {
    std::size_t parsed = 0;
    for (std::size_t i = first; i < books.size(); i += step) {
        int error = 0;
        const Archive archive(zip_open(books[i].path.c_str(), ZIP_RDONLY, &error));
        if (!archive) continue;
        for (const zip_int64_t index : books[i].entries)
            parsed += parse(readEntry(archive.get(), index)) ? 1 : 0;
    }
    return parsed;
}

}  // namespace

double parserFloorBooksPerSecond(const std::vector<std::string>& paths, int threads,
                                 std::size_t& parsed) {
    xmlInitParser();
    std::vector<BookEntries> books;
    books.reserve(paths.size());
    for (const std::string& path : paths) books.push_back(entriesOf(path));
    threads = std::max(threads, 1);
    std::vector<std::size_t> counts(static_cast<std::size_t>(threads), 0);
    const auto start = std::chrono::steady_clock::now();
    {
        std::vector<std::jthread> workers;
        for (int t = 1; t < threads; ++t)
            workers.emplace_back([&, t] {
                counts[std::size_t(t)] = readBooks(books, std::size_t(t), std::size_t(threads));
            });
        counts[0] = readBooks(books, 0, std::size_t(threads));
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    for (const std::size_t count : counts) parsed += count;
    return static_cast<double>(paths.size()) / seconds.count();
}
