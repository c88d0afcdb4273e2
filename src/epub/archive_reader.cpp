#include "epub/archive_reader.h"

#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>

#include "epub/path_text_qt.h"
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
    const std::string path = toPlatformPath(archivePath);
    // Most books are small enough to be read whole with one call, which costs less than the
    // dozen seeks and reads of the directory, each local header and each entry. Larger ones,
    // and anything that is not a plain file, are read by libzip from the file.
    if (platform::readSmallFile(path, kWholeReadLimit, bytes_) && !bytes_.empty()) {
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
    int error = 0;
    // libzip takes what the platform layer takes: UTF-8 on Windows (it widens the name itself),
    // the file system's own bytes elsewhere.
    archive_ = zip_open(path.c_str(), ZIP_RDONLY, &error);
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
