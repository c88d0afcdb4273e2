#include "fuzz_support.h"

#include <unistd.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace fuzzsupport {

namespace {
QString scratchPath() {
    static const QString path =
        QDir::temp().filePath(QStringLiteral("polcaro-fuzz-%1.epub").arg(::getpid()));
    return path;
}
}  // namespace

QString writeScratch(const std::uint8_t* data, std::size_t size) {
    // Registered after the path exists, so the removal runs before the path is destroyed.
    static const QString path = [] {
        const QString made = scratchPath();
        std::atexit([] { QFile::remove(scratchPath()); });
        return made;
    }();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();  // the fuzzer cannot do its work: say so loudly
    return path;
}

QByteArray epubArchive(const QByteArray& container, const QByteArray& opf, const QByteArray& ncx) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!target) std::abort();
    zip_source_keep(target);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    if (!archive) std::abort();
    const auto add = [&](const char* name, const QByteArray& bytes, bool stored) {
        zip_source_t* source =
            zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
        if (index < 0) std::abort();
        if (stored) zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
    };
    const QByteArray mimetype("application/epub+zip");
    add("mimetype", mimetype, true);
    add("META-INF/container.xml", container, false);
    add("OEBPS/content.opf", opf, false);
    add("OEBPS/toc.ncx", ncx, false);
    if (zip_close(archive) != 0) std::abort();
    QByteArray result;
    zip_stat_t stat;
    if (zip_source_stat(target, &stat) == 0 && zip_source_open(target) == 0) {
        result.resize(qsizetype(stat.size));
        zip_source_read(target, result.data(), stat.size);
        zip_source_close(target);
    }
    zip_source_free(target);
    return result;
}

QList<QByteArray> splitDocuments(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<QByteArray> parts;
    qsizetype from = 0;
    while (parts.size() < 2) {
        const qsizetype at = input.indexOf(kSeparator, from);
        if (at < 0) break;
        parts.append(input.mid(from, at - from));
        from = at + qsizetype(sizeof kSeparator - 1);
    }
    parts.append(input.mid(from));
    while (parts.size() < 3) parts.append(QByteArray());
    return parts;
}

}  // namespace fuzzsupport
