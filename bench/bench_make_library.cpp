// Writes the generated library the move benchmarks use into a folder, for comparisons made by
// scripts (bench/move_against_earlier.sh): fifty shelves of small books with full metadata.
//
//   bench_make_library FOLDER [BOOKS]   defaults: 20000 books
#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>

#include "bench_support.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_make_library FOLDER [BOOKS]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int books = argc > 2 ? std::atoi(argv[2]) : 20000;
    if (books <= 0 || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "bench_make_library: cannot make %d books in %s\n", books, argv[1]);
        return 2;
    }
    bench::makeSmallLibrary(folder, books);
    std::printf("%d books written to %s\n", books, argv[1]);
    return 0;
}
