#include "epub/book_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "core/path_text_qt.h"

namespace epub {

namespace {

std::uint64_t littleEndian(const unsigned char* bytes, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

// True for the names of the entries that opening a book reads: META-INF/container.xml and
// every package document or NCX, whatever their letter case.
bool isDocumentName(const unsigned char* name, std::size_t length) {
    const auto endsWith = [&](const char* suffix) {
        const std::size_t n = std::strlen(suffix);
        if (length < n) return false;
        for (std::size_t i = 0; i < n; ++i) {
            unsigned char c = name[length - n + i];
            if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
            if (c != static_cast<unsigned char>(suffix[i])) return false;
        }
        return true;
    };
    return endsWith("container.xml") || endsWith(".opf") || endsWith(".ncx");
}

}  // namespace

BookFile BookFile::fetch(const QString& path) {
    BookFile book;
    book.path_ = core::toPlatformPath(path);
    if (path.isEmpty() || !book.file_.open(book.path_)) return book;
    book.open_ = true;
    book.size_ = book.file_.size();
    if (book.size_ <= kWholeReadLimit) {
        const auto size = static_cast<std::size_t>(book.size_);
        // One byte more than the size: a file that grew since it was opened is seen to have, and
        // is then read from the file like a large one.
        book.readPart(0, size, size + 1, book.parts_[0]);
        if (book.parts_[0].bytes.data) {  // read whole, and no more than its size
            book.whole_ = true;
            book.file_.close();
        }
        return book;
    }
    const std::uint64_t tailStart = book.size_ - std::min(book.size_, kTailRead);
    const auto tailSize = static_cast<std::size_t>(book.size_ - tailStart);
    book.readPart(tailStart, tailSize, tailSize, book.parts_[1]);
    std::vector<Stretch> stretches;
    if (!book.findDocuments(stretches)) stretches = {Stretch{0, std::min(kHeadRead, tailStart)}};
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        const auto size = static_cast<std::size_t>(stretches[i].end - stretches[i].begin);
        book.readPart(stretches[i].begin, size, size, book.parts_[i == 0 ? 0 : i + 1]);
    }
    return book;
}

bool BookFile::findDocuments(std::vector<Stretch>& stretches) const {
    stretches.clear();
    const Part& tail = parts_[1];
    constexpr std::size_t kEndRecord = 22;
    constexpr std::size_t kDirectoryEntry = 46;
    constexpr std::uint64_t kLocalHeader = 30;
    // Room for a local extra field longer than the directory's copy; anything beyond is read
    // from the file.
    constexpr std::uint64_t kLocalSlack = 256;
    if (tail.bytes.size < kEndRecord) return false;
    const auto* const bytes = reinterpret_cast<const unsigned char*>(tail.bytes.data.get());
    // The last end-of-directory record; a directory it places outside the tail (or a zip64
    // one) is left to libzip.
    std::size_t record = tail.bytes.size - kEndRecord + 1;
    do {
        --record;
    } while (record > 0 && littleEndian(bytes + record, 4) != 0x06054b50);
    if (littleEndian(bytes + record, 4) != 0x06054b50) return false;
    const std::uint64_t directorySize = littleEndian(bytes + record + 12, 4);
    const std::uint64_t directoryStart = littleEndian(bytes + record + 16, 4);
    if (directoryStart < tail.offset || directoryStart + directorySize > tail.offset + record)
        return false;
    std::vector<Stretch> found;
    std::size_t at = static_cast<std::size_t>(directoryStart - tail.offset);
    const std::size_t stop = at + static_cast<std::size_t>(directorySize);
    while (at + kDirectoryEntry <= stop && littleEndian(bytes + at, 4) == 0x02014b50) {
        const std::uint64_t compressed = littleEndian(bytes + at + 20, 4);
        const auto nameLength = static_cast<std::size_t>(littleEndian(bytes + at + 28, 2));
        const auto extraLength = static_cast<std::size_t>(littleEndian(bytes + at + 30, 2));
        const auto commentLength = static_cast<std::size_t>(littleEndian(bytes + at + 32, 2));
        const std::uint64_t local = littleEndian(bytes + at + 42, 4);
        if (at + kDirectoryEntry + nameLength > stop) break;
        if (local < tail.offset && isDocumentName(bytes + at + kDirectoryEntry, nameLength)) {
            const std::uint64_t end =
                local + kLocalHeader + nameLength + extraLength + kLocalSlack + compressed;
            found.push_back({local, std::min(end, tail.offset)});
            if (found.size() > 64) return false;  // no book has that many
        }
        at += kDirectoryEntry + nameLength + extraLength + commentLength;
    }
    std::sort(found.begin(), found.end(),
              [](const Stretch& a, const Stretch& b) { return a.begin < b.begin; });
    std::uint64_t total = 0;
    for (const Stretch& stretch : found) {
        if (!stretches.empty() && stretch.begin <= stretches.back().end + kMergeGap) {
            stretches.back().end = std::max(stretches.back().end, stretch.end);
        } else {
            stretches.push_back(stretch);
        }
    }
    for (const Stretch& stretch : stretches) total += stretch.end - stretch.begin;
    return stretches.size() <= kDocumentParts && total <= kDocumentsRead;
}

std::int64_t BookFile::readAt(std::uint64_t offset, std::size_t count, void* out) const {
    if (!open_) return -1;
    if (offset >= size_) return 0;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
    auto* const target = static_cast<char*>(out);
    std::size_t done = 0;
    while (done < count) {
        const std::uint64_t at = offset + done;
        const auto part =
            std::find_if(parts_.begin(), parts_.end(), [at](const Part& p) { return p.holds(at); });
        if (part != parts_.end()) {
            const auto n = static_cast<std::size_t>(
                std::min<std::uint64_t>(count - done, part->offset + part->bytes.size - at));
            std::memcpy(target + done, part->bytes.data.get() + (at - part->offset), n);
            done += n;
            continue;
        }
        // Outside the fetched parts: from the file, up to where the next part begins.
        std::uint64_t until = offset + count;
        for (const Part& next : parts_)
            if (next.bytes.size > 0 && next.offset > at) until = std::min(until, next.offset);
        const std::int64_t got =
            file_.readAt(at, static_cast<std::size_t>(until - at), target + done);
        if (got < 0) return -1;
        done += static_cast<std::size_t>(got);
        if (static_cast<std::uint64_t>(got) < until - at) break;  // the file ended early
    }
    return static_cast<std::int64_t>(done);
}

const char* BookFile::fetchedAt(std::uint64_t offset, std::size_t count) const {
    if (!open_ || offset >= size_ || count > size_ - offset) return nullptr;
    // The part readAt would copy from.
    const auto part = std::find_if(parts_.begin(), parts_.end(),
                                   [offset](const Part& p) { return p.holds(offset); });
    if (part == parts_.end() || part->offset + part->bytes.size - offset < count) return nullptr;
    return part->bytes.data.get() + (offset - part->offset);
}

void BookFile::readPart(std::uint64_t offset, std::size_t size, std::size_t room,
                        Part& part) const {
    part = Part{};
    part.offset = offset;
    part.bytes.data = std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(room, 1));
    const std::int64_t got = file_.readAt(offset, room, part.bytes.data.get());
    if (got < 0 || static_cast<std::uint64_t>(got) != size) {
        part.bytes.clear();
        return;
    }
    part.bytes.size = size;
}

}  // namespace epub
