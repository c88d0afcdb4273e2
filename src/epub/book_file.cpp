#include "epub/book_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "core/path_text_qt.h"

namespace epub {

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
        book.readPart(0, size, size + 1, book.head_);
        if (book.head_.bytes.data) {  // read whole, and no more than its size
            book.whole_ = true;
            book.file_.close();
        } else {
            book.head_ = Part{};
        }
        return book;
    }
    const std::uint64_t tailStart = book.size_ - std::min(book.size_, kTailRead);
    book.readPart(tailStart, static_cast<std::size_t>(book.size_ - tailStart),
                  static_cast<std::size_t>(book.size_ - tailStart), book.tail_);
    const auto headSize = static_cast<std::size_t>(std::min(kHeadRead, tailStart));
    book.readPart(0, headSize, headSize, book.head_);
    return book;
}

std::int64_t BookFile::readAt(std::uint64_t offset, std::size_t count, void* out) const {
    if (!open_) return -1;
    if (offset >= size_) return 0;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
    auto* const target = static_cast<char*>(out);
    std::size_t done = 0;
    while (done < count) {
        const std::uint64_t at = offset + done;
        const Part* part = head_.holds(at) ? &head_ : tail_.holds(at) ? &tail_ : nullptr;
        if (part) {
            const std::size_t n = static_cast<std::size_t>(
                std::min<std::uint64_t>(count - done, part->offset + part->bytes.size - at));
            std::memcpy(target + done, part->bytes.data.get() + (at - part->offset), n);
            done += n;
            continue;
        }
        // Outside the fetched parts: from the file, up to where the next part begins.
        std::uint64_t until = offset + count;
        for (const Part* next : {&head_, &tail_})
            if (next->bytes.size > 0 && next->offset > at) until = std::min(until, next->offset);
        const std::int64_t got =
            file_.readAt(at, static_cast<std::size_t>(until - at), target + done);
        if (got < 0) return -1;
        done += static_cast<std::size_t>(got);
        if (static_cast<std::uint64_t>(got) < until - at) break;  // the file ended early
    }
    return static_cast<std::int64_t>(done);
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
