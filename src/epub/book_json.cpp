#include "epub/book_json.h"

#include "epub/tepub.h"

namespace epub {

namespace {

void appendString(QByteArray& out, const QString& text) {
    out.append('"');
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            case '\b':
                out.append("\\b");
                break;
            case '\f':
                out.append("\\f");
                break;
            default:
                if (u < 0x20) {
                    static const char hex[] = "0123456789abcdef";
                    out.append("\\u00").append(hex[u >> 4]).append(hex[u & 0xF]);
                } else {
                    out.append(c);
                }
        }
    }
    out.append('"');
}

void appendKey(QByteArray& out, const char* key) {
    if (out.size() > 1) out.append(',');
    out.append('"').append(key).append("\":");
}

void appendField(QByteArray& out, const char* key, const QString& value) {
    appendKey(out, key);
    appendString(out, value);
}

void appendList(QByteArray& out, const char* key, const QStringList& values) {
    appendKey(out, key);
    out.append('[');
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i) out.append(',');
        appendString(out, values[i]);
    }
    out.append(']');
}

}  // namespace

QByteArray bookToJson(const TEpuB& book, const QString& error) {
    QByteArray out("{");
    appendField(out, "FileName", book.FileName);
    appendKey(out, "Loaded");
    out.append(book.Loaded ? "true" : "false");
    appendField(out, "Title", book.Title);
    appendField(out, "Creator", book.Creator);
    appendField(out, "Publisher", book.Publisher);
    appendField(out, "Language", book.Language);
    appendField(out, "Subject", book.Subject);
    appendField(out, "Date", book.Date);
    appendField(out, "Source", book.Source);
    appendField(out, "Description", book.Description);
    appendField(out, "Identifier", book.Identifier);
    appendField(out, "Series", book.Series);
    appendField(out, "SeriesIndex", book.SeriesIndex);
    appendField(out, "Isbn", book.Isbn);
    appendList(out, "Subjects", book.Subjects);
    appendField(out, "Version", book.Version);
    appendField(out, "CoverPath", book.CoverPath);
    appendField(out, "OpfPath", book.OpfPath);
    appendField(out, "OpfFolder", book.OpfFolder);
    appendList(out, "Manifest", book.Manifest);
    appendList(out, "Spine", book.Spine);
    appendKey(out, "Toc");
    out.append('[');
    for (qsizetype i = 0; i < book.Toc.size(); ++i) {
        if (i) out.append(',');
        out.append("{\"Label\":");
        appendString(out, book.Toc[i].second.Label);
        out.append(",\"Src\":");
        appendString(out, book.Toc[i].second.Src);
        out.append('}');
    }
    out.append(']');
    appendKey(out, "LastIndex");
    out.append(QByteArray::number(book.LastIndex));
    appendKey(out, "CurrentIndex");
    out.append(QByteArray::number(book.CurrentIndex));
    if (!error.isEmpty()) appendField(out, "error", error);
    out.append('}');
    return out;
}

}  // namespace epub
