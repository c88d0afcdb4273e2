#include "core/json_writer.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <bit>
#include <cstdint>
#include <cstring>

namespace core {

namespace {

// Appends UTF-8 bytes with what JSON requires escaped (no quotes around them).
void appendEscapedUtf8(QByteArray& out, const QByteArray& utf8) {
    const char* run = utf8.constData();
    const char* const end = run + utf8.size();
    for (const char* p = run; p != end; ++p) {
        const auto u = static_cast<unsigned char>(*p);
        if (u >= 0x20 && u != '"' && u != '\\') continue;
        out.append(run, p - run);
        run = p + 1;
        switch (u) {
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
            default: {
                static const char hex[] = "0123456789abcdef";
                out.append("\\u00").append(hex[u >> 4]).append(hex[u & 0xF]);
            }
        }
    }
    out.append(run, end - run);
}

// The rare text holding a lone surrogate: a file name byte that is no UTF-8 is kept in a path's
// text as U+DC80..U+DCFF. Such a unit is written as its \\u escape, which a JSON reader (Qt's
// among them) turns back into the same unit, so the name's exact bytes survive the journal and
// reach a program reading the output; UTF-8 has no form for it.
void appendStringWithLoneSurrogates(QByteArray& out, const QString& text) {
    out.append('"');
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (!QChar::isSurrogate(c)) continue;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            ++i;  // a pair: one character, written as UTF-8 with its run
            continue;
        }
        appendEscapedUtf8(out, QStringView(text).sliced(runStart, i - runStart).toUtf8());
        static const char hex[] = "0123456789abcdef";
        out.append("\\u")
            .append(hex[c >> 12])
            .append(hex[(c >> 8) & 0xF])
            .append(hex[(c >> 4) & 0xF])
            .append(hex[c & 0xF]);
        runStart = i + 1;
    }
    appendEscapedUtf8(out, QStringView(text).sliced(runStart).toUtf8());
    out.append('"');
}

// Four UTF-16 units at once: true, with their bytes in out, when all four are ASCII that JSON
// takes as it stands (no control character, quote or backslash). Most text is nothing else.
bool plainAsciiQuad(const char16_t* in, char* out) {
    if constexpr (std::endian::native != std::endian::little) {
        return false;
    } else {
        constexpr std::uint64_t kLow = 0x0001000100010001u;
        constexpr std::uint64_t kHigh = 0x8000800080008000u;
        std::uint64_t units;
        std::memcpy(&units, in, sizeof units);
        if (units & 0xFF80FF80FF80FF80u) return false;  // outside ASCII
        // With every unit below 0x80, a unit below 0x20 is the only one to borrow.
        if ((units - 0x20 * kLow) & kHigh) return false;
        const auto hasUnit = [units](std::uint64_t unit) {
            const std::uint64_t x = units ^ (unit * kLow);
            return ((x - kLow) & ~x & kHigh) != 0;
        };
        if (hasUnit('"') || hasUnit('\\')) return false;
        const auto bytes =
            static_cast<std::uint32_t>((units & 0xFF) | ((units >> 8) & 0xFF00) |
                                       ((units >> 16) & 0xFF0000) | ((units >> 24) & 0xFF000000));
        std::memcpy(out, &bytes, sizeof bytes);
        return true;
    }
}

#ifdef __SSE2__
// plainAsciiQuad for eight units, compared side by side.
bool plainAsciiOctet(const char16_t* in, char* out) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    // Compared as signed: units of 0x8000 and more are below 0x20 too.
    const __m128i outside = _mm_or_si128(_mm_cmplt_epi16(units, _mm_set1_epi16(0x20)),
                                         _mm_cmpgt_epi16(units, _mm_set1_epi16(0x7F)));
    const __m128i escaped = _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16('"')),
                                         _mm_cmpeq_epi16(units, _mm_set1_epi16('\\')));
    if (_mm_movemask_epi8(_mm_or_si128(outside, escaped)) != 0) return false;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
    return true;
}
#endif

// Room for the longest literal of text: six bytes a unit (a \u00xx escape) and the quotes.
qsizetype stringRoom(const QString& text) {
    return 2 + 6 * text.size();
}

// A JSON string literal, written at p with stringRoom(text) bytes free there. Everything outside
// ASCII stays UTF-8; control characters take their short escape where JSON has one and \u00xx
// otherwise. Answers the end of the literal, or null for the rare text holding a lone
// surrogate, which is left to appendStringWithLoneSurrogates.
char* writeString(char* p, const QString& text) {
    *p++ = '"';
    const auto* s = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = s + text.size();
    while (s != end) {
#ifdef __SSE2__
        if (end - s >= 8 && plainAsciiOctet(s, p)) {
            s += 8;
            p += 8;
            continue;
        }
#endif
        if (end - s >= 4 && plainAsciiQuad(s, p)) {
            s += 4;
            p += 4;
            continue;
        }
        const char16_t c = *s++;
        if (c < 0x80) {
            if (c >= 0x20 && c != u'"' && c != u'\\') {
                *p++ = static_cast<char>(c);
                continue;
            }
            *p++ = '\\';
            switch (c) {
                case u'"':
                    *p++ = '"';
                    break;
                case u'\\':
                    *p++ = '\\';
                    break;
                case u'\n':
                    *p++ = 'n';
                    break;
                case u'\r':
                    *p++ = 'r';
                    break;
                case u'\t':
                    *p++ = 't';
                    break;
                case u'\b':
                    *p++ = 'b';
                    break;
                case u'\f':
                    *p++ = 'f';
                    break;
                default: {
                    static const char hex[] = "0123456789abcdef";
                    *p++ = 'u';
                    *p++ = '0';
                    *p++ = '0';
                    *p++ = hex[c >> 4];
                    *p++ = hex[c & 0xF];
                }
            }
        } else if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (!QChar::isSurrogate(c)) {
            *p++ = static_cast<char>(0xE0 | (c >> 12));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && s != end && QChar::isLowSurrogate(*s)) {
            const char32_t u = QChar::surrogateToUcs4(c, *s++);
            *p++ = static_cast<char>(0xF0 | (u >> 18));
            *p++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (u & 0x3F));
        } else {
            return nullptr;
        }
    }
    *p++ = '"';
    return p;
}

// The UTF-16 text is encoded straight into out, with room for the worst case made once and the
// rest given back.
void appendString(QByteArray& out, const QString& text) {
    const qsizetype start = out.size();
    out.resize(start + stringRoom(text));
    char* const end = writeString(out.data() + start, text);
    if (!end) {
        out.resize(start);
        appendStringWithLoneSurrogates(out, text);
        return;
    }
    out.resize(end - out.constData());
}

}  // namespace

// ,"key": written at p, which has length + 4 bytes free: answers its end.
char* JsonObject::writeKey(char* p, const char* key, std::size_t length) {
    if (!empty_) *p++ = ',';
    empty_ = false;
    *p++ = '"';
    std::memcpy(p, key, length);
    p += length;
    *p++ = '"';
    *p++ = ':';
    return p;
}

// Written at once: a record has some forty keys, a table of contents two an entry.
void JsonObject::appendKey(const char* key) {
    const std::size_t length = std::strlen(key);
    const qsizetype start = members_.size();
    members_.resize(start + qsizetype(length) + 4);
    char* const end = writeKey(members_.data() + start, key, length);
    members_.resize(end - members_.constData());
}

// Key and text in the one room made for both.
JsonObject& JsonObject::add(const char* key, const QString& value) {
    const std::size_t length = std::strlen(key);
    const qsizetype start = members_.size();
    members_.resize(start + qsizetype(length) + 4 + stringRoom(value));
    char* const text = writeKey(members_.data() + start, key, length);
    char* const end = writeString(text, value);
    if (!end) {
        members_.resize(text - members_.constData());
        appendStringWithLoneSurrogates(members_, value);
        return *this;
    }
    members_.resize(end - members_.constData());
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

JsonObject& JsonObject::add(const char* key, qint64 value) {
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

// Written into one buffer of the final size: a book's record with its table of contents runs to
// tens of kilobytes, copied again at each concatenation.
QByteArray JsonObject::enclosed(const char* after) const {
    const qsizetype afterSize = qsizetype(std::strlen(after));
    QByteArray out;
    out.reserve(members_.size() + 2 + afterSize);
    out.append('{').append(QByteArrayView(members_)).append('}').append(after, afterSize);
    return out;
}

QByteArray JsonObject::text() const {
    return enclosed("");
}

QByteArray JsonObject::line() const {
    return enclosed("\n");
}

}  // namespace core
