#pragma once
// The parts of a book's file that opening it needs, read from the disk ahead of the parsing:
// the whole file when it is small; otherwise its tail (the central directory) and then the
// stretches the directory places the container, the package documents and the NCX in (or, when
// the directory cannot be read there, the head of the file, where they usually lie). Fetching
// many books at once keeps a disk busy while the parsing runs on the cores; anything outside the
// fetched parts is read from the same open file when the archive asks for it.
//
//   epub::BookFile file = epub::BookFile::fetch(path);  // on an I/O thread
//   epub::OpenArchive archive(std::move(file));         // later, on a parsing thread
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace epub {

class BookFile {
public:
    // Books up to this size are read whole.
    static constexpr std::uint64_t kWholeReadLimit = 256 * 1024;
    // Of a larger book, the last this many bytes: the end-of-directory record is searched for in
    // its last 64 KiB and 42 bytes, and the central directory sits right before it...
    static constexpr std::uint64_t kTailRead = 64 * 1024 + 1024;
    // ...then at most this many where the directory places the documents, in at most
    // kDocumentParts reads (stretches less than kMergeGap apart are read as one)...
    static constexpr std::uint64_t kDocumentsRead = 1024 * 1024;
    static constexpr std::size_t kDocumentParts = 3;
    static constexpr std::uint64_t kMergeGap = 128 * 1024;
    // ...or, without a directory to go by, the first this many.
    static constexpr std::uint64_t kHeadRead = 256 * 1024;

    BookFile() = default;  // nothing fetched: opens nothing
    BookFile(BookFile&&) noexcept = default;
    BookFile& operator=(BookFile&&) noexcept = default;

    // Opens the file at path and reads its parts. A path that is not a regular file (or cannot
    // be opened) gives a BookFile that is not open; its path is kept for the caller's own
    // error handling.
    static BookFile fetch(const QString& path);

    // The path as the platform layer takes it.
    const std::string& path() const { return path_; }
    // A regular file was opened and its size taken.
    bool isOpen() const { return open_; }
    std::uint64_t size() const { return size_; }
    // The whole file is in memory (wholeData() then holds size() bytes).
    bool isWhole() const { return whole_; }
    const char* wholeData() const { return parts_[0].bytes.data.get(); }

    // Reads up to count bytes at offset, from the fetched parts or else from the file; the
    // number of bytes read (fewer at the end of the file), or -1 on a read error.
    std::int64_t readAt(std::uint64_t offset, std::size_t count, void* out) const;
    // The count bytes at offset where they lie, when one fetched part holds them all (readAt
    // would copy those very bytes); null otherwise.
    const char* fetchedAt(std::uint64_t offset, std::size_t count) const;

private:
    struct Part {
        std::uint64_t offset = 0;
        platform::FileBytes bytes;

        bool holds(std::uint64_t at) const { return at >= offset && at - offset < bytes.size; }
    };
    struct Stretch {
        std::uint64_t begin = 0;
        std::uint64_t end = 0;
    };

    // Reads `size` bytes at offset into a part, asking for `room` (a byte more finds a file that
    // grew). The part stays empty when the read comes up short or fails: the archive then reads
    // those bytes from the file, and meets the same end or error there.
    void readPart(std::uint64_t offset, std::size_t size, std::size_t room, Part& part) const;
    // The stretches before the tail that hold the entries opening a book reads (container,
    // package documents, NCX), as the central directory in the tail places them, merged and in
    // file order; false when the directory is not in the tail or the stretches are more or
    // larger than the limits above.
    bool findDocuments(std::vector<Stretch>& stretches) const;

    std::string path_;
    platform::ReadOnlyFile file_;  // closed once the whole file is in memory
    bool open_ = false;
    bool whole_ = false;
    std::uint64_t size_ = 0;
    // parts_[0] the whole file, the head or the first stretch of documents; parts_[1] the tail;
    // the rest any further stretches.
    std::array<Part, 2 + kDocumentParts - 1> parts_;
};

}  // namespace epub
