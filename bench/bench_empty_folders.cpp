// Empty-folder removal over a large collection: 50 x 40 x 25 leaf folders (50,000, plus 2,050
// above them), one leaf in a hundred holding a book. Prints the time of the walk.
#include <sys/stat.h>

#include <QString>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "organise/empty_folders.h"
#include "support/temp_tree.h"

namespace {

long countFolders(const std::string& root) {
    long count = 0;
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory()) ++count;
    return count;
}

}  // namespace

int main() {
    using Clock = std::chrono::steady_clock;
    testsupport::TempTree tree;
    const std::string out = tree.path(QStringLiteral("Out")).toStdString();

    const auto buildStart = Clock::now();
    ::mkdir(out.c_str(), 0777);
    long leaves = 0;
    long books = 0;
    for (int a = 0; a < 50; ++a) {
        const std::string author = out + "/Author " + std::to_string(a);
        ::mkdir(author.c_str(), 0777);
        for (int s = 0; s < 40; ++s) {
            const std::string series = author + "/Series " + std::to_string(s);
            ::mkdir(series.c_str(), 0777);
            for (int t = 0; t < 25; ++t) {
                const std::string title = series + "/Title " + std::to_string(t);
                ::mkdir(title.c_str(), 0777);
                if (leaves++ % 100 == 0) {
                    if (std::FILE* book = std::fopen((title + "/book.epub").c_str(), "w")) {
                        std::fclose(book);
                        ++books;
                    }
                }
            }
        }
    }
    const double buildSeconds = std::chrono::duration<double>(Clock::now() - buildStart).count();
    const long before = countFolders(out);

    const auto walkStart = Clock::now();
    organise::RemoveEmptyFolders(QString::fromStdString(out + "/"));
    const double walkSeconds = std::chrono::duration<double>(Clock::now() - walkStart).count();
    const long after = countFolders(out);

    std::printf("tree: %ld folders, %ld books (built in %.2f s)\n", before, books, buildSeconds);
    std::printf("RemoveEmptyFolders: %.3f s, %ld folders removed, %ld left\n", walkSeconds,
                before - after, after);
    return 0;
}
