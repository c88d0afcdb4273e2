#include "epub/archive_reader.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "core/path_text_qt.h"
#include "epub/book_file.h"

namespace epub {

namespace {

struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using Entry = std::unique_ptr<zip_file_t, EntryCloser>;

// Index of the first entry whose stored name, '/' read as '\', equals wanted byte for byte;
// -1 when none matches or the directory cannot be listed.
zip_int64_t findEntry(zip_t* archive, const QByteArray& wanted) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    const char* const want = wanted.constData();
    const std::size_t wantLength = static_cast<std::size_t>(wanted.size());
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (!name) return -1;
        std::size_t k = 0;
        for (; k < wantLength; ++k) {
            const char c = name[k] == '/' ? '\\' : name[k];
            if (c != want[k] || name[k] == '\0') break;
        }
        if (k == wantLength && name[k] == '\0') return i;
    }
    return -1;
}

struct DecompressorFreer {
    void operator()(libdeflate_decompressor* decompressor) const {
        libdeflate_free_decompressor(decompressor);
    }
};

// One decompressor per thread, made at its first use and kept for every later entry: making
// one costs more than inflating a small document.
libdeflate_decompressor* threadDecompressor() {
    thread_local const std::unique_ptr<libdeflate_decompressor, DecompressorFreer> decompressor(
        libdeflate_alloc_decompressor());
    return decompressor.get();
}

// Deflate cannot expand one byte into more than about 1,032; a directory claiming more than
// that of its compressed data lies, and is not believed for setting memory aside.
constexpr zip_uint64_t kMaxDeflateRatio = 1032;

// Inflates a deflated entry in one call, straight into the buffer at the size its directory
// gives, and answers true when that gave exactly the entry: the declared number of bytes with the
// declared CRC. Anything else (another method, encryption, a size over the cap or beyond what
// the compressed data could hold, damaged data, a size or CRC that does not match) leaves the
// buffer as it was and answers false, and the entry is then read by the streaming reader below,
// which gives damaged data the bytes and flags it always gave.
bool inflateWhole(zip_t* archive, zip_uint64_t index, WorkBuffer& buffer) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    constexpr zip_uint64_t needed = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD |
                                    ZIP_STAT_CRC | ZIP_STAT_ENCRYPTION_METHOD;
    if (zip_stat_index(archive, index, 0, &stat) != 0 || (stat.valid & needed) != needed ||
        stat.comp_method != ZIP_CM_DEFLATE || stat.encryption_method != ZIP_EM_NONE ||
        stat.size > static_cast<zip_uint64_t>(kMaxEntrySize) ||
        stat.comp_size > static_cast<zip_uint64_t>(kMaxEntrySize) ||
        stat.size > stat.comp_size * kMaxDeflateRatio + 64)
        return false;
    libdeflate_decompressor* const decompressor = threadDecompressor();
    if (!decompressor) return false;

    const Entry raw(zip_fopen_index(archive, index, ZIP_FL_COMPRESSED));
    if (!raw) return false;
    const auto compressedSize = static_cast<std::size_t>(stat.comp_size);
    const auto compressed =
        std::make_unique_for_overwrite<unsigned char[]>(std::max<std::size_t>(compressedSize, 1));
    std::size_t filled = 0;
    while (filled < compressedSize) {
        const zip_int64_t got = zip_fread(raw.get(), compressed.get() + filled,
                                          static_cast<zip_uint64_t>(compressedSize - filled));
        if (got <= 0) return false;  // the file ends early or cannot be read
        filled += static_cast<std::size_t>(got);
    }

    const qsizetype start = buffer.bytes.size();
    const auto size = static_cast<std::size_t>(stat.size);
    buffer.bytes.resize(start + static_cast<qsizetype>(size));
    char* const out = buffer.bytes.data() + start;
    std::size_t produced = 0;
    if (libdeflate_deflate_decompress(decompressor, compressed.get(), compressedSize, out, size,
                                      &produced) != LIBDEFLATE_SUCCESS ||
        produced != size ||
        libdeflate_crc32(0, out, size) != static_cast<std::uint32_t>(stat.crc)) {
        buffer.bytes.resize(start);
        return false;
    }
    return true;
}

// Appends the entry's bytes; stops past kMaxEntrySize and marks the buffer oversized.
void inflateEntry(zip_t* archive, zip_uint64_t index, WorkBuffer& buffer) {
    if (inflateWhole(archive, index, buffer)) return;
    const Entry entry(zip_fopen_index(archive, index, 0));
    if (!entry) return;  // encrypted or unknown method: found, no bytes
    zip_stat_t stat;
    zip_stat_init(&stat);
    // The directory's size is only a hint (a damaged or hostile archive may claim anything), so
    // at most 1 MiB is set aside up front; the chunked loop below decides.
    constexpr zip_uint64_t kFirstReservation = 1024 * 1024;
    qsizetype expected = 0;
    if (zip_stat_index(archive, index, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE))
        expected = static_cast<qsizetype>(std::min(stat.size, kFirstReservation));
    const qsizetype start = buffer.bytes.size();
    qsizetype capacity = expected + 1;
    buffer.bytes.resize(start + capacity);
    qsizetype produced = 0;
    for (;;) {
        if (produced == capacity) {
            if (produced > kMaxEntrySize) break;
            capacity = std::min<qsizetype>(std::max<qsizetype>(capacity * 2, 64 * 1024),
                                           kMaxEntrySize + 1);
            buffer.bytes.resize(start + capacity);
        }
        const zip_int64_t got = zip_fread(entry.get(), buffer.bytes.data() + start + produced,
                                          static_cast<zip_uint64_t>(capacity - produced));
        if (got < 0 && zip_error_code_zip(zip_file_get_error(entry.get())) == ZIP_ER_CRC)
            buffer.crcError = true;
        if (got <= 0) break;  // end, or damaged data: keep what was produced
        produced += static_cast<qsizetype>(got);
    }
    if (produced > kMaxEntrySize) {
        buffer.bytes.clear();
        buffer.bytes.squeeze();
        buffer.oversized = true;
        return;
    }
    buffer.bytes.resize(start + produced);
}

// Reads size bytes at offset (from the archive's start) into out; false when they cannot be read.
using ReadAt = std::function<bool(std::uint64_t offset, std::size_t size, unsigned char* out)>;

std::uint64_t littleEndian(const unsigned char* bytes, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

// The entry counts an archive's end-of-directory records claim, read before libzip sees the
// archive: libzip sets aside memory for every entry the record claims, about 300 bytes each, so
// a book of millions of empty entries would take hundreds of megabytes before anything could
// refuse it. Every end record in the last 64 KiB counts (libzip may settle on any of them), and
// so does the zip64 record a locator points at. Answers the largest count claimed.
// fetched, when given, answers bytes already in memory (or null), read there without a copy.
std::uint64_t largestClaimedEntryCount(
    std::uint64_t archiveSize, const ReadAt& readAt,
    const std::function<const unsigned char*(std::uint64_t, std::size_t)>& fetched = {}) {
    constexpr std::size_t kEndRecord = 22;
    constexpr std::size_t kLocator = 20;
    constexpr std::size_t kZip64EndRecord = 56;
    const std::size_t tailSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(archiveSize, 65535 + kEndRecord));
    if (tailSize < kEndRecord) return 0;
    const std::uint64_t tailStart = archiveSize - tailSize;
    std::unique_ptr<unsigned char[]> tail;
    const unsigned char* first = fetched ? fetched(tailStart, tailSize) : nullptr;
    if (!first) {
        // Not zeroed first: the read fills all of it or the tail is not looked at.
        tail = std::make_unique_for_overwrite<unsigned char[]>(tailSize);
        if (!readAt(tailStart, tailSize, tail.get())) return 0;
        first = tail.get();
    }
    std::uint64_t largest = 0;
    const unsigned char* const last = first + (tailSize - kEndRecord);  // last possible start
    for (const unsigned char* record = first; record <= last; ++record) {
        record = static_cast<const unsigned char*>(
            std::memchr(record, 'P', static_cast<std::size_t>(last - record) + 1));
        if (!record) break;
        if (littleEndian(record, 4) != 0x06054b50) continue;
        largest = std::max({largest, littleEndian(record + 8, 2), littleEndian(record + 10, 2)});
        const auto at = static_cast<std::uint64_t>(record - first);
        if (at < kLocator) continue;
        const unsigned char* locator = record - kLocator;
        if (littleEndian(locator, 4) != 0x07064b50) continue;
        // The zip64 record sits right before its locator, or where the locator says.
        const std::uint64_t locatorStart = tailStart + at - kLocator;
        std::vector<std::uint64_t> places{littleEndian(locator + 8, 8)};
        if (locatorStart >= kZip64EndRecord) places.push_back(locatorStart - kZip64EndRecord);
        for (const std::uint64_t where : places) {
            unsigned char zip64[kZip64EndRecord];
            if (where > archiveSize || archiveSize - where < kZip64EndRecord) continue;
            if (!readAt(where, kZip64EndRecord, zip64) || littleEndian(zip64, 4) != 0x06064b50)
                continue;
            largest = std::max({largest, littleEndian(zip64 + 24, 8), littleEndian(zip64 + 32, 8)});
        }
    }
    return largest;
}

bool claimsTooManyEntries(const BookFile& file) {
    return largestClaimedEntryCount(
               file.size(),
               [&file](std::uint64_t offset, std::size_t count, unsigned char* out) {
                   return file.readAt(offset, count, out) == static_cast<std::int64_t>(count);
               },
               [&file](std::uint64_t offset, std::size_t count) {
                   return reinterpret_cast<const unsigned char*>(file.fetchedAt(offset, count));
               }) > kMaxArchiveEntries;
}

// The same check through libzip's own file source, which names files as zip_open does.
bool claimsTooManyEntries(zip_source_t* source) {
    if (zip_source_open(source) < 0) return false;  // zip_open reports the failure
    bool tooMany = false;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(source, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE)) {
        tooMany =
            largestClaimedEntryCount(
                stat.size, [source](std::uint64_t offset, std::size_t count, unsigned char* out) {
                    if (offset > static_cast<std::uint64_t>(INT64_MAX) ||
                        zip_source_seek(source, static_cast<zip_int64_t>(offset), SEEK_SET) < 0)
                        return false;
                    return zip_source_read(source, out, count) == static_cast<zip_int64_t>(count);
                }) > kMaxArchiveEntries;
    }
    zip_source_close(source);
    return tooMany;
}

// libzip's view of a fetched book: reads come from the parts fetched ahead, or else from the
// file the BookFile keeps open.
class BookFileSource {
public:
    explicit BookFileSource(const BookFile& file) : file_(file) { zip_error_init(&error_); }
    ~BookFileSource() { zip_error_fini(&error_); }
    BookFileSource(const BookFileSource&) = delete;
    BookFileSource& operator=(const BookFileSource&) = delete;

    // A new source owning a BookFileSource over file (which must outlive it); null on failure.
    static zip_source_t* create(const BookFile& file, zip_error_t* error) {
        auto* state = new BookFileSource(file);
        zip_source_t* source = zip_source_function_create(&BookFileSource::call, state, error);
        if (!source) delete state;
        return source;
    }

private:
    static zip_int64_t call(void* state, void* data, zip_uint64_t length,
                            zip_source_cmd_t command) {
        return static_cast<BookFileSource*>(state)->handle(data, length, command);
    }

    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
            case ZIP_SOURCE_OPEN:
                position_ = 0;
                return 0;
            case ZIP_SOURCE_READ: {
                if (position_ >= file_.size()) return 0;
                const auto count = static_cast<std::size_t>(std::min<zip_uint64_t>(
                    {length, file_.size() - position_, static_cast<zip_uint64_t>(INT64_MAX)}));
                const std::int64_t got = file_.readAt(position_, count, data);
                if (got < 0) {
                    zip_error_set(&error_, ZIP_ER_READ, EIO);
                    return -1;
                }
                position_ += static_cast<std::uint64_t>(got);
                return got;
            }
            case ZIP_SOURCE_CLOSE:
                return 0;
            case ZIP_SOURCE_STAT: {
                zip_stat_t* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error_);
                if (!stat) return -1;
                zip_stat_init(stat);
                stat->size = file_.size();
                stat->valid |= ZIP_STAT_SIZE;
                return sizeof(*stat);
            }
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&error_, data, length);
            case ZIP_SOURCE_SEEK: {
                const zip_int64_t at =
                    zip_source_seek_compute_offset(position_, file_.size(), data, length, &error_);
                if (at < 0) return -1;
                position_ = static_cast<std::uint64_t>(at);
                return 0;
            }
            case ZIP_SOURCE_TELL:
                return static_cast<zip_int64_t>(position_);
            case ZIP_SOURCE_FREE:
                delete this;
                return 0;
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(
                    ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                    ZIP_SOURCE_ERROR, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_FREE,
                    ZIP_SOURCE_SUPPORTS, -1);
            default:
                zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
                return -1;
        }
    }

    const BookFile& file_;
    std::uint64_t position_ = 0;
    zip_error_t error_;
};

}  // namespace

QString archiveEntryName(QString path) {
    return path.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

bool readEntry(const QString& archivePath, const QString& entryName, WorkBuffer& buffer) {
    if (entryName.isEmpty() || archivePath.isEmpty()) return false;
    return OpenArchive(archivePath).read(entryName, buffer);
}

OpenArchive::OpenArchive(const QString& archivePath)
    : OpenArchive(archivePath.isEmpty() ? BookFile() : BookFile::fetch(archivePath)) {}

OpenArchive::OpenArchive(BookFile file) : file_(std::move(file)) {
    if (file_.path().empty()) return;
    if (file_.isOpen()) {
        if (claimsTooManyEntries(file_)) {
            file_ = BookFile();
            tooManyEntries_ = true;
            return;
        }
        zip_error_t error;
        zip_error_init(&error);
        // A book read whole goes to libzip as a buffer, the cheapest way for it to find its
        // entries.
        if (file_.isWhole() && file_.size() > 0) {
            zip_source_t* source = zip_source_buffer_create(
                file_.wholeData(), static_cast<zip_uint64_t>(file_.size()), 0, &error);
            if (source) {
                archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
                if (!archive_) zip_source_free(source);
            }
        }
        // Larger books, and a small one that is not an archive from memory (so that the outcome
        // of a damaged book does not depend on its size), are read through the parts fetched
        // ahead and the file.
        if (!archive_) {
            zip_source_t* source = BookFileSource::create(file_, &error);
            if (source) {
                archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
                if (!archive_) zip_source_free(source);
            }
        }
        zip_error_fini(&error);
        return;
    }
    // Not a regular file, or one that could not be opened: libzip's own file reader gives the
    // answer. libzip takes what the platform layer takes: UTF-8 on Windows (it widens the name
    // itself), the file system's own bytes elsewhere.
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_file_create(file_.path().c_str(), 0, -1, &error);
    if (source) {
        if (claimsTooManyEntries(source)) {
            tooManyEntries_ = true;
        } else {
            archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
        }
        if (!archive_) zip_source_free(source);
    }
    zip_error_fini(&error);
}

OpenArchive::~OpenArchive() {
    if (archive_) zip_discard(archive_);  // read-only: nothing to write
}

bool OpenArchive::read(const QString& entryName, WorkBuffer& buffer) const {
    if (!archive_ || entryName.isEmpty()) return false;
    const zip_int64_t index = findEntry(archive_, entryName.toUtf8());
    if (index < 0) return false;
    inflateEntry(archive_, static_cast<zip_uint64_t>(index), buffer);
    buffer.position = 0;
    return true;
}

}  // namespace epub
