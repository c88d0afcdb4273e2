#include "epub/json_writer.h"

namespace epub {

namespace {

// A JSON string literal. Everything outside ASCII stays UTF-8; control characters take their
// short escape where JSON has one and \u00xx otherwise.
void appendString(QByteArray& out, const QString& text) {
    out.append('"');
    for (const char c : text.toUtf8()) {
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
                if (const auto u = static_cast<unsigned char>(c); u < 0x20) {
                    static const char hex[] = "0123456789abcdef";
                    out.append("\\u00").append(hex[u >> 4]).append(hex[u & 0xF]);
                } else {
                    out.append(c);
                }
        }
    }
    out.append('"');
}

}  // namespace

void JsonObject::appendKey(const char* key) {
    if (!members_.isEmpty()) members_.append(',');
    members_.append('"').append(key).append("\":");
}

JsonObject& JsonObject::add(const char* key, const QString& value) {
    appendKey(key);
    appendString(members_, value);
    return *this;
}

JsonObject& JsonObject::add(const char* key, const char* latin1Value) {
    return add(key, QString::fromLatin1(latin1Value));
}

JsonObject& JsonObject::add(const char* key, bool value) {
    appendKey(key);
    members_.append(value ? "true" : "false");
    return *this;
}

JsonObject& JsonObject::add(const char* key, std::int32_t value) {
    appendKey(key);
    members_.append(QByteArray::number(value));
    return *this;
}

JsonObject& JsonObject::add(const char* key, const QStringList& values) {
    appendKey(key);
    members_.append('[');
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i) members_.append(',');
        appendString(members_, values[i]);
    }
    members_.append(']');
    return *this;
}

JsonObject& JsonObject::add(const char* key, const QList<JsonObject>& objects) {
    appendKey(key);
    members_.append('[');
    for (qsizetype i = 0; i < objects.size(); ++i) {
        if (i) members_.append(',');
        members_.append(objects[i].text());
    }
    members_.append(']');
    return *this;
}

QByteArray JsonObject::text() const {
    return '{' + members_ + '}';
}

QByteArray JsonObject::line() const {
    return text() + '\n';
}

}  // namespace epub
