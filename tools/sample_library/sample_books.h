#pragma once
// A small library of generated books to try the program on: Hungarian and English metadata,
// a series, a book without a creator, a creator whose characters Windows refuses in a file
// name, the same book twice under two names and one damaged file. The books come from the
// EPUB builder the tests use, so the repository holds no binary book.
#include <QString>

namespace sample {

// Writes the library into `folder` (created when missing; existing files of the same names are
// replaced) and returns how many files it wrote. Throws std::runtime_error when a file or
// folder cannot be written.
int writeSampleLibrary(const QString& folder);

}  // namespace sample
