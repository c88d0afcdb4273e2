// The C reader bench_read_ahead compares inspect with: libepub (libepub-dev) reading title,
// creator and language of each book. A file of its own because libepub's `struct epub` and
// our namespace `epub` cannot meet in one translation unit.
#include <epub.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

double libepubBooksPerSecond(const std::vector<std::string>& paths, std::size_t& bytes) {
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : paths) {
        struct epub* book = epub_open(path.c_str(), 0);
        if (!book) continue;
        for (const epub_metadata type : {EPUB_TITLE, EPUB_CREATOR, EPUB_LANG}) {
            int size = 0;
            unsigned char** values = epub_get_metadata(book, type, &size);
            for (int i = 0; i < size; ++i) {
                bytes += std::strlen(reinterpret_cast<char*>(values[i]));
                std::free(values[i]);
            }
            std::free(values);
        }
        epub_close(book);
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    return static_cast<double>(paths.size()) / seconds.count();
}
