#pragma once
// Reading one entry of an EPUB's ZIP container into memory.
#include <QString>
#include <cstdint>

#include "epub/book_file.h"
#include "epub/work_buffer.h"

struct zip;  // libzip's archive

namespace epub {

// No entry is ever inflated past this many bytes: a larger one is a damaged (or hostile) book.
inline constexpr qsizetype kMaxEntrySize = 32 * 1024 * 1024;

// No archive with more entries than this is opened: the ZIP format holds 65,535 without its
// zip64 extension, no real book comes near, and each entry costs memory before any is read.
inline constexpr std::uint64_t kMaxArchiveEntries = 65535;

// An archive path as entries are named here: every '/' turned into '\'.
QString archiveEntryName(QString path);

// Opens the archive read-only, finds the first entry (central-directory order) whose stored
// name, with every '/' turned into '\', equals entryName exactly (letter case significant),
// appends its uncompressed bytes to buffer, sets the read position to 0 and answers true.
// Every archive error (missing file, not a ZIP, damaged directory) answers false. An entry
// that is found but cannot be inflated to the end (damaged data, encryption, unknown method)
// answers true with whatever bytes were produced. An entry larger than kMaxEntrySize answers
// true with an empty buffer and buffer.oversized set. The archive is closed on every path.
//
// A program that reads many books calls platform::prepareProcessForBookReading() once from its
// main() (see platform/process_tuning.h); a library does not change the whole process.
bool readEntry(const QString& archivePath, const QString& entryName, WorkBuffer& buffer);

// One archive kept open while several of its entries are read, so that they all come from the
// same state of the file and the directory is read once. read() follows the rules of readEntry
// above; an archive that could not be opened answers false to every read. Closed on destruction.
class OpenArchive {
public:
    explicit OpenArchive(const QString& archivePath);
    // Opens the book from what was fetched of it ahead (see book_file.h).
    explicit OpenArchive(BookFile file);
    ~OpenArchive();
    OpenArchive(const OpenArchive&) = delete;
    OpenArchive& operator=(const OpenArchive&) = delete;

    bool isOpen() const { return archive_ != nullptr; }
    // True when the archive was refused unopened because it claims more than
    // kMaxArchiveEntries entries.
    bool tooManyEntries() const { return tooManyEntries_; }
    bool read(const QString& entryName, WorkBuffer& buffer) const;

private:
    BookFile file_;  // what libzip reads; outlives the archive
    ::zip* archive_ = nullptr;
    bool tooManyEntries_ = false;
};

}  // namespace epub
