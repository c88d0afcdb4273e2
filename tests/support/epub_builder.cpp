#include "support/epub_builder.h"

#include <zip.h>

#include <QFile>
#include <QSet>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace testsupport {

namespace {

struct ZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

std::uint16_t readU16(const QByteArray& bytes, qsizetype at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

std::uint32_t readU32(const QByteArray& bytes, qsizetype at) {
    return static_cast<std::uint32_t>(readU16(bytes, at)) |
           (static_cast<std::uint32_t>(readU16(bytes, at + 2)) << 16);
}

// libzip refuses two entries of one name. Duplicates are written under a placeholder of the
// same length and renamed afterwards in both the central directory and the local headers.
QByteArray placeholderFor(const QByteArray& name, const QSet<QByteArray>& taken) {
    static const char pool[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (qsizetype pos = name.size() - 1; pos >= 0; --pos) {
        for (const char* c = pool; *c; ++c) {
            QByteArray candidate = name;
            candidate[pos] = *c;
            if (!taken.contains(candidate)) return candidate;
        }
    }
    throw std::runtime_error("writeZip: no placeholder name for a duplicate entry");
}

void renameEntries(const QString& path, const QList<QByteArray>& finalNames) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        throw std::runtime_error("writeZip: cannot reopen archive");
    QByteArray bytes = file.readAll();
    const qsizetype eocd = bytes.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (eocd < 0) throw std::runtime_error("writeZip: no end of central directory");
    qsizetype at = readU32(bytes, eocd + 16);
    for (const QByteArray& name : finalNames) {
        if (bytes.mid(at, 4) != QByteArray("PK\x01\x02", 4))
            throw std::runtime_error("writeZip: bad directory");
        const std::uint16_t nameLength = readU16(bytes, at + 28);
        const qsizetype localHeader = readU32(bytes, at + 42);
        if (nameLength != name.size()) throw std::runtime_error("writeZip: rename length mismatch");
        bytes.replace(at + 46, nameLength, name);
        bytes.replace(localHeader + 30, nameLength, name);
        at += 46 + nameLength + readU16(bytes, at + 30) + readU16(bytes, at + 32);
    }
    file.seek(0);
    if (file.write(bytes) != bytes.size())
        throw std::runtime_error("writeZip: cannot rewrite archive");
}

QString esc(const QString& text) {
    return xmlEscape(text);
}

void appendNavPoints(QString& out, const QList<NavPointSpec>& points, int& order, int depth) {
    const QString indent(depth * 2, QLatin1Char(' '));
    for (const NavPointSpec& point : points) {
        ++order;
        out += indent + QStringLiteral("<navPoint id=\"np%1\" playOrder=\"%1\">\n").arg(order);
        out += indent +
               QStringLiteral("  <navLabel><text>%1</text></navLabel>\n").arg(esc(point.label));
        out += indent + QStringLiteral("  <content src=\"%1\"/>\n").arg(esc(point.src));
        appendNavPoints(out, point.children, order, depth + 1);
        out += indent + QStringLiteral("</navPoint>\n");
    }
}

QString inFolder(const QString& folder, const QString& href) {
    return folder.isEmpty() ? href : folder + QLatin1Char('/') + href;
}

}  // namespace

QString xmlEscape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '&':
                out += QLatin1String("&amp;");
                break;
            case '<':
                out += QLatin1String("&lt;");
                break;
            case '>':
                out += QLatin1String("&gt;");
                break;
            case '"':
                out += QLatin1String("&quot;");
                break;
            case '\'':
                out += QLatin1String("&apos;");
                break;
            default:
                out += c;
        }
    }
    return out;
}

void writeZip(const QString& path, const QList<ZipEntry>& entries) {
    QFile::remove(path);
    if (entries.isEmpty()) {
        // libzip deletes an archive left without entries; write the bare end record.
        QFile file(path);
        QByteArray eocd("PK\x05\x06", 4);
        eocd.append(18, '\0');
        if (!file.open(QIODevice::WriteOnly) || file.write(eocd) != eocd.size())
            throw std::runtime_error("writeZip: cannot write empty archive");
        return;
    }
    const QByteArray nativePath = QFile::encodeName(path);
    int error = 0;
    std::unique_ptr<zip_t, ZipDiscard> archive(
        zip_open(nativePath.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error));
    if (!archive) throw std::runtime_error("writeZip: cannot create archive");

    QSet<QByteArray> taken;
    for (const ZipEntry& entry : entries) taken.insert(entry.name.toUtf8());
    QSet<QByteArray> used;
    QList<QByteArray> finalNames;
    bool renamed = false;
    for (const ZipEntry& entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        QByteArray stored = name;
        if (used.contains(name)) {
            stored = placeholderFor(name, taken);
            taken.insert(stored);
            renamed = true;
        }
        used.insert(stored);
        finalNames.append(name);
        // The data stays alive in entries until zip_close has written it.
        zip_source_t* source = zip_source_buffer(archive.get(), entry.data.constData(),
                                                 static_cast<zip_uint64_t>(entry.data.size()), 0);
        if (!source) throw std::runtime_error("writeZip: cannot create source");
        const zip_int64_t index =
            zip_file_add(archive.get(), stored.constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            throw std::runtime_error(std::string("writeZip: cannot add entry: ") +
                                     zip_strerror(archive.get()));
        }
        const auto method =
            entry.compression == Compression::Stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        if (zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), method, 0) !=
            0)
            throw std::runtime_error("writeZip: cannot set compression");
        if (entry.encrypted &&
            zip_file_set_encryption(archive.get(), static_cast<zip_uint64_t>(index), ZIP_EM_AES_256,
                                    "secret") != 0)
            throw std::runtime_error("writeZip: cannot set encryption");
    }
    if (zip_close(archive.get()) != 0)
        throw std::runtime_error(std::string("writeZip: cannot write archive: ") +
                                 zip_strerror(archive.get()));
    archive.release();  // zip_close freed it
    if (renamed) renameEntries(path, finalNames);
}

QString opfPath(const BookSpec& spec) {
    return inFolder(spec.opfFolder, spec.opfName);
}

QByteArray containerXml(const QString& opfFullPath) {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<container version=\"1.0\" "
               "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
               "  <rootfiles>\n"
               "    <rootfile full-path=\"%1\" media-type=\"application/oebps-package+xml\"/>\n"
               "  </rootfiles>\n"
               "</container>\n")
        .arg(esc(opfFullPath))
        .toUtf8();
}

QByteArray opfXml(const BookSpec& spec) {
    QString out =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<package xmlns=\"http://www.idpf.org/2007/opf\" unique-identifier=\"bookid\" "
            "version=\"%1\">\n"
            "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
            "xmlns:opf=\"http://www.idpf.org/2007/opf\">\n")
            .arg(esc(spec.version));
    auto element = [&out](const char* name, const QString& value) {
        if (!value.isEmpty())
            out += QStringLiteral("    <dc:%1>%2</dc:%1>\n").arg(QLatin1String(name), esc(value));
    };
    element("title", spec.title);
    for (const QString& creator : spec.creators)
        out +=
            QStringLiteral("    <dc:creator opf:role=\"aut\">%1</dc:creator>\n").arg(esc(creator));
    element("language", spec.language);
    element("publisher", spec.publisher);
    element("description", spec.description);
    element("date", spec.date);
    element("source", spec.source);
    for (const QString& subject : spec.subjects) element("subject", subject);
    for (const IdentifierSpec& identifier : spec.identifiers) {
        out += QStringLiteral("    <dc:identifier");
        if (!identifier.id.isEmpty()) out += QStringLiteral(" id=\"%1\"").arg(esc(identifier.id));
        if (!identifier.scheme.isEmpty())
            out += QStringLiteral(" opf:scheme=\"%1\"").arg(esc(identifier.scheme));
        out += QStringLiteral(">%1</dc:identifier>\n").arg(esc(identifier.value));
    }
    if (!spec.series.isEmpty())
        out += QStringLiteral("    <meta name=\"calibre:series\" content=\"%1\"/>\n")
                   .arg(esc(spec.series));
    if (!spec.seriesIndex.isEmpty())
        out += QStringLiteral("    <meta name=\"calibre:series_index\" content=\"%1\"/>\n")
                   .arg(esc(spec.seriesIndex));
    if (!spec.coverHref.isEmpty())
        out += QStringLiteral("    <meta name=\"cover\" content=\"cover-image\"/>\n");
    out += QStringLiteral("  </metadata>\n  <manifest>\n");
    if (spec.withNcx)
        out += QStringLiteral(
                   "    <item id=\"ncx\" href=\"%1\" media-type=\"application/x-dtbncx+xml\"/>\n")
                   .arg(esc(spec.ncxHref));
    for (qsizetype i = 0; i < spec.chapters.size(); ++i)
        out += QStringLiteral(
                   "    <item id=\"item%1\" href=\"%2\" media-type=\"application/xhtml+xml\"/>\n")
                   .arg(i + 1)
                   .arg(esc(spec.chapters[i]));
    if (!spec.coverHref.isEmpty())
        out +=
            QStringLiteral("    <item id=\"cover-image\" href=\"%1\" media-type=\"image/jpeg\"/>\n")
                .arg(esc(spec.coverHref));
    out += spec.withNcx ? QStringLiteral("  </manifest>\n  <spine toc=\"ncx\">\n")
                        : QStringLiteral("  </manifest>\n  <spine>\n");
    for (qsizetype i = 0; i < spec.chapters.size(); ++i)
        out += QStringLiteral("    <itemref idref=\"item%1\"/>\n").arg(i + 1);
    out += QStringLiteral("  </spine>\n");
    if (!spec.chapters.isEmpty())
        out += QStringLiteral(
                   "  <guide>\n    <reference type=\"text\" title=\"Start\" href=\"%1\"/>\n  "
                   "</guide>\n")
                   .arg(esc(spec.chapters.first()));
    out += QStringLiteral("</package>\n");
    return out.toUtf8();
}

QByteArray ncxXml(const BookSpec& spec) {
    QList<NavPointSpec> points = spec.toc;
    if (points.isEmpty()) {
        for (qsizetype i = 0; i < spec.chapters.size(); ++i)
            points.append({QStringLiteral("Chapter %1").arg(i + 1), spec.chapters[i], {}});
    }
    QString out = QStringLiteral(
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">\n"
                      "  <head><meta name=\"dtb:uid\" content=\"test\"/></head>\n"
                      "  <docTitle><text>%1</text></docTitle>\n"
                      "  <navMap>\n")
                      .arg(esc(spec.title));
    int order = 0;
    appendNavPoints(out, points, order, 2);
    out += QStringLiteral("  </navMap>\n</ncx>\n");
    return out.toUtf8();
}

QList<ZipEntry> bookEntries(const BookSpec& spec) {
    QList<ZipEntry> entries;
    entries.append({QStringLiteral("mimetype"), QByteArrayLiteral("application/epub+zip"),
                    Compression::Stored});
    entries.append(
        {QStringLiteral("META-INF/container.xml"), containerXml(opfPath(spec)), spec.compression});
    entries.append({opfPath(spec), opfXml(spec), spec.compression});
    if (spec.withNcx)
        entries.append({inFolder(spec.opfFolder, spec.ncxHref), ncxXml(spec), spec.compression});
    for (qsizetype i = 0; i < spec.chapters.size(); ++i) {
        const QByteArray page =
            QStringLiteral(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>%1</title></head>"
                "<body><h1>Chapter %1</h1><p>Text of chapter %1.</p></body></html>\n")
                .arg(i + 1)
                .toUtf8();
        entries.append({inFolder(spec.opfFolder, spec.chapters[i]), page, spec.compression});
    }
    if (!spec.coverHref.isEmpty())
        entries.append({inFolder(spec.opfFolder, spec.coverHref),
                        QByteArray("\xFF\xD8\xFF\xE0 not a real jpeg", 20), Compression::Stored});
    entries.append(spec.extraEntries);
    return entries;
}

void writeBook(const QString& path, const BookSpec& spec) {
    writeZip(path, bookEntries(spec));
}

}  // namespace testsupport
