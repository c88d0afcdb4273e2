#include "epub/archive_reader.h"

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "core/path_text_qt.h"
#include "platform/files.h"

namespace epub {

namespace {

// Books up to this size are read into memory whole before their archive is opened.
constexpr std::size_t kWholeReadLimit = 256 * 1024;

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

// Appends the entry's bytes; stops past kMaxEntrySize and marks the buffer oversized.
void inflateEntry(zip_t* archive, zip_uint64_t index, WorkBuffer& buffer) {
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
std::uint64_t largestClaimedEntryCount(std::uint64_t archiveSize, const ReadAt& readAt) {
    constexpr std::size_t kEndRecord = 22;
    constexpr std::size_t kLocator = 20;
    constexpr std::size_t kZip64EndRecord = 56;
    const std::size_t tailSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(archiveSize, 65535 + kEndRecord));
    if (tailSize < kEndRecord) return 0;
    std::vector<unsigned char> tail(tailSize);
    const std::uint64_t tailStart = archiveSize - tailSize;
    if (!readAt(tailStart, tailSize, tail.data())) return 0;
    std::uint64_t largest = 0;
    const unsigned char* const first = tail.data();
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

bool claimsTooManyEntries(const char* bytes, std::size_t size) {
    return largestClaimedEntryCount(
               size, [bytes, size](std::uint64_t offset, std::size_t count, unsigned char* out) {
                   if (offset > size || size - offset < count) return false;
                   std::memcpy(out, bytes + offset, count);
                   return true;
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

}  // namespace

QString archiveEntryName(QString path) {
    return path.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

bool readEntry(const QString& archivePath, const QString& entryName, WorkBuffer& buffer) {
    if (entryName.isEmpty() || archivePath.isEmpty()) return false;
    return OpenArchive(archivePath).read(entryName, buffer);
}

OpenArchive::OpenArchive(const QString& archivePath) {
    if (archivePath.isEmpty()) return;
    const std::string path = core::toPlatformPath(archivePath);
    // Most books are small enough to be read whole with one call, which costs less than the
    // dozen seeks and reads of the directory, each local header and each entry. Larger ones,
    // and anything that is not a plain file, are read by libzip from the file.
    if (platform::readSmallFile(path, kWholeReadLimit, bytes_) && !bytes_.empty()) {
        if (claimsTooManyEntries(bytes_.data.get(), bytes_.size)) {
            bytes_.clear();
            tooManyEntries_ = true;
            return;
        }
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes_.data.get(), bytes_.size, 0, &error);
        if (source) {
            archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (!archive_) zip_source_free(source);
        }
        zip_error_fini(&error);
        if (archive_) return;
        // Not an archive from memory: libzip's file reader below gives the same answer, and
        // so the outcome of a damaged book does not depend on its size.
        bytes_.clear();
    }
    // libzip takes what the platform layer takes: UTF-8 on Windows (it widens the name itself),
    // the file system's own bytes elsewhere.
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_file_create(path.c_str(), 0, -1, &error);
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
