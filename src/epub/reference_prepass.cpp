#include "epub/reference_prepass.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "epub/errors.h"

// libxml2 rejects a lone '&' and references to undefined entities, and it would expand entities
// declared in a DTD. Books are lenient about both, and expanding a book's own entities is unsafe
// (billion laughs, external files): hence the rewrite. The same walk counts what the parser and
// the tree would have to hold, so an oversized document is refused before any of it is parsed.

namespace epub {

namespace {

// The bytes a tag's scan must stop at: quotes, the end of the tag, a stray '<' and references.
constexpr std::array<bool, 256> kTagSpecial = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : {'"', '\'', '>', '<', '&'}) table[c] = true;
    return table;
}();

class ReferencePrepass {
public:
    enum class Mode {
        Check,    // count against the limits; only find out whether anything would change
        Rewrite,  // build the rewritten document
    };

    ReferencePrepass(QByteArrayView in, Mode mode) : in_(in), mode_(mode) {}

    // Check: whether the rewrite would change anything. Rewrite: always true, out_ filled.
    bool run() {
        if (mode_ == Mode::Rewrite) out_.reserve(in_.size() + in_.size() / 16);
        while (pos_ < in_.size()) {
            pos_ = nextMarkupOrReference(pos_);
            if (pos_ >= in_.size()) break;
            if (in_[pos_] == '&') {
                reference();
            } else {
                countText(textFrom_, pos_);
                markup();
            }
        }
        countText(textFrom_, in_.size());
        if (mode_ == Mode::Rewrite) out_.append(in_.sliced(copied_));
        return changed_;
    }

    QByteArray takeOutput() { return std::move(out_); }

private:
    [[noreturn]] static void refuse(const char* what) {
        throw XmlError(std::string("XML document exceeds the limit on ") + what);
    }

    // Position of the next '&' or '<' at or after from, or the end of input. Each is found with
    // memchr and remembered, so the text between markup is not compared byte by byte.
    qsizetype nextMarkupOrReference(qsizetype from) {
        if (nextAmpersand_ < from) nextAmpersand_ = find('&', from);
        if (nextAngle_ < from) nextAngle_ = find('<', from);
        return nextAmpersand_ < nextAngle_ ? nextAmpersand_ : nextAngle_;
    }

    qsizetype find(char c, qsizetype from) const {
        if (from >= in_.size()) return in_.size();
        const void* found = std::memchr(in_.data() + from, c, std::size_t(in_.size() - from));
        return found ? static_cast<const char*>(found) - in_.data() : in_.size();
    }

    bool startsWith(qsizetype at, const char* text) const {
        for (qsizetype i = 0; text[i]; ++i) {
            if (at + i >= in_.size() || in_[at + i] != text[i]) return false;
        }
        return true;
    }

    void addText(qsizetype bytes) {
        text_ += bytes;
        if (text_ > XmlLimits::kTextBytes) refuse("text");
    }

    // Character data between markup; a run of nothing but white space (indentation between
    // elements) is dropped by the tree and not counted. Only the check pass counts.
    void countText(qsizetype from, qsizetype to) {
        if (mode_ != Mode::Check) return;
        for (qsizetype i = from; i < to; ++i) {
            const char c = in_[i];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
                addText(to - from);
                return;
            }
        }
    }

    // Replaces input [pos_, pos_ + length) by replacement.
    void replace(qsizetype length, QByteArrayView replacement) {
        changed_ = true;
        if (mode_ == Mode::Check) {
            pos_ += length;
            return;
        }
        out_.append(in_.sliced(copied_, pos_ - copied_));
        out_.append(replacement);
        pos_ += length;
        copied_ = pos_;
    }

    // Moves past the end marker (or to the end of input), counting what it passes as text. The
    // marker is looked for after the opening: "<!-->" opens a comment, it does not end one.
    void skipThrough(qsizetype openingLength, const char* endMarker) {
        const qsizetype start = pos_;
        const qsizetype end = in_.indexOf(QByteArrayView(endMarker), pos_ + openingLength);
        pos_ = end < 0 ? in_.size() : end + static_cast<qsizetype>(std::strlen(endMarker));
        if (mode_ == Mode::Check) addText(pos_ - start);
        textFrom_ = pos_;
    }

    void markup() {
        // Most markup is element tags: only "<!" and "<?" need a closer look.
        const char next = pos_ + 1 < in_.size() ? in_[pos_ + 1] : 0;
        if (next == '!' || next == '?') {
            if (startsWith(pos_, "<!--")) return skipThrough(4, "-->");
            if (startsWith(pos_, "<![CDATA[")) return skipThrough(9, "]]>");
            if (startsWith(pos_, "<?")) return skipThrough(2, "?>");
            if (!seenElement_ && startsWith(pos_, "<!DOCTYPE")) return doctype();
        }
        tag();
        textFrom_ = pos_;
    }

    // Element tags: references are rewritten inside quoted attribute values only. The whole tag
    // counts as text: names and values are what the parser's dictionary and the tree keep.
    void tag() {
        const qsizetype start = pos_;
        ++pos_;
        const bool endTag = pos_ < in_.size() && in_[pos_] == '/';
        const bool startTag = pos_ < in_.size() && !endTag && in_[pos_] != '!';
        if (startTag) {
            seenElement_ = true;
            if (++elements_ > XmlLimits::kElements) refuse("elements");
        }
        qsizetype attributes = 0;
        const char* const data = in_.data();
        const qsizetype size = in_.size();
        // The scan runs on a local position: pos_ is written back only around reference().
        qsizetype at = pos_;
        while (at < size) {
            // Names and white space: step over them without looking twice.
            while (at < size && !kTagSpecial[static_cast<unsigned char>(data[at])]) ++at;
            if (at >= size) break;
            const char c = data[at];
            if (c == '>' || c == '<') break;  // '<' is malformed; the parser says so
            if (c == '&') {
                ++at;  // outside quotes a reference is the parser's to reject
                continue;
            }
            // A quoted value: only its closing quote and its references matter, and both are
            // found with memchr (the next '&' is remembered across the document).
            if (++attributes > XmlLimits::kAttributesPerElement) refuse("attributes per element");
            const char quote = c;
            ++at;
            for (;;) {
                const qsizetype close = find(quote, at);
                if (nextAmpersand_ < at) nextAmpersand_ = find('&', at);
                if (nextAmpersand_ >= close) {
                    at = close < size ? close + 1 : size;
                    break;
                }
                pos_ = nextAmpersand_;
                reference();
                at = pos_;
            }
        }
        pos_ = at;
        // The byte before the closing '>' tells an empty-element tag ("<a/>").
        const char previous = pos_ - 1 > start ? data[pos_ - 1] : 0;
        if (pos_ < size && data[pos_] == '>') ++pos_;
        if (mode_ != Mode::Check) return;
        attributes_ += attributes;
        if (attributes_ > XmlLimits::kAttributes) refuse("attributes");
        addText(pos_ - start);
        if (endTag) {
            if (depth_ > 0) --depth_;
        } else if (startTag && previous != '/') {
            if (++depth_ > XmlLimits::kDepth) refuse("nesting depth");
        }
    }

    void doctype() {
        const qsizetype start = pos_;
        pos_ = doctypeEnd(in_, pos_);
        const qsizetype end = pos_;
        textFrom_ = end;
        pos_ = start;
        if (mode_ == Mode::Check) {
            replace(end - start, {});
            return;
        }
        QByteArray blank = in_.sliced(start, end - start).toByteArray();
        for (char& c : blank) {
            if (c != '\n' && c != '\r') c = ' ';
        }
        replace(end - start, blank);
    }

    // At '&': leaves a reference the parser may decode (lower-casing the five names and the
    // hexadecimal 'X'), otherwise makes the '&' literal.
    void reference() {
        const XmlReference found = recogniseReference(in_.data() + pos_, in_.data() + in_.size());
        if (found.length == 0) {
            if (mode_ == Mode::Check && ++ampersands_ > XmlLimits::kLiteralAmpersands)
                refuse("literal ampersands");
            replace(1, "&amp;");
            return;
        }
        const qsizetype end = pos_ + found.length;
        if (found.entityName) {
            if (in_.sliced(pos_ + 1, found.length - 2) != QByteArrayView(found.entityName))
                replace(found.length, QByteArray("&") + found.entityName + ";");
            else
                pos_ = end;
            return;
        }
        if (in_[pos_ + 2] == 'X') {
            pos_ += 2;
            replace(1, "x");
        }
        pos_ = end;
    }

    QByteArrayView in_;
    const Mode mode_;
    QByteArray out_;
    qsizetype pos_ = 0;
    qsizetype copied_ = 0;    // input before this position is already in out_
    qsizetype textFrom_ = 0;  // character data after markup starts here
    qsizetype nextAmpersand_ = -1;
    qsizetype nextAngle_ = -1;
    bool seenElement_ = false;
    bool changed_ = false;
    qsizetype elements_ = 0;
    qsizetype attributes_ = 0;
    qsizetype depth_ = 0;
    qsizetype text_ = 0;
    qsizetype ampersands_ = 0;
};

}  // namespace

namespace {

bool isXmlChar(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Appends c in UTF-8 at out; answers the byte after it.
char* putUtf8(char* out, char32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

XmlReference recogniseReference(const char* at, const char* end) {
    struct Predefined {
        const char* name;
        qsizetype length;
        char32_t character;
    };
    static constexpr Predefined predefined[] = {
        {"amp", 3, '&'}, {"lt", 2, '<'}, {"gt", 2, '>'}, {"apos", 4, '\''}, {"quot", 4, '"'}};
    const qsizetype available = end - at;
    for (const Predefined& entity : predefined) {
        if (1 + entity.length >= available || at[1 + entity.length] != ';') continue;
        if (QByteArrayView(at + 1, entity.length)
                .compare(QByteArrayView(entity.name, entity.length), Qt::CaseInsensitive) == 0)
            return {entity.length + 2, entity.character, entity.name};
    }
    if (available > 1 && at[1] == '#') {
        const bool hex = available > 2 && (at[2] == 'x' || at[2] == 'X');
        qsizetype i = hex ? 3 : 2;
        const qsizetype digitsStart = i;
        std::uint32_t value = 0;
        while (i < available && i - digitsStart < 8) {
            const char d = at[i];
            int digit = -1;
            if (d >= '0' && d <= '9')
                digit = d - '0';
            else if (hex && d >= 'a' && d <= 'f')
                digit = d - 'a' + 10;
            else if (hex && d >= 'A' && d <= 'F')
                digit = d - 'A' + 10;
            if (digit < 0) break;
            value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            ++i;
        }
        if (i > digitsStart && i < available && at[i] == ';' && isXmlChar(value))
            return {i + 1, static_cast<char32_t>(value), nullptr};
    }
    return {};
}

std::size_t decodeReferences(char* text, std::size_t size, qsizetype& literalAmpersands) {
    char* const end = text + size;
    char* in = static_cast<char*>(std::memchr(text, '&', size));
    if (!in) return size;
    // A reference is never shorter than its character in UTF-8: the text only shrinks.
    char* out = in;
    while (in < end) {
        if (*in != '&') {
            char* const next = static_cast<char*>(std::memchr(in, '&', std::size_t(end - in)));
            char* const stop = next ? next : end;
            std::memmove(out, in, std::size_t(stop - in));
            out += stop - in;
            in = stop;
            continue;
        }
        const XmlReference found = recogniseReference(in, end);
        if (found.length == 0) {
            ++literalAmpersands;
            *out++ = *in++;
            continue;
        }
        out = putUtf8(out, found.character);
        in += found.length;
    }
    return std::size_t(out - text);
}

qsizetype doctypeEnd(QByteArrayView in, qsizetype pos) {
    pos += 9;  // "<!DOCTYPE"
    int depth = 0;
    char quote = 0;
    while (pos < in.size()) {
        const char c = in[pos];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '<' && in.sliced(pos).startsWith("<!--")) {
            const qsizetype end = in.indexOf(QByteArrayView("-->"), pos + 4);
            pos = end < 0 ? in.size() : end + 3;
            continue;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            if (depth > 0) --depth;
        } else if (c == '>' && depth == 0) {
            return pos + 1;
        }
        ++pos;
    }
    return pos;
}

bool prepareXmlBytes(QByteArrayView in, QByteArray& out) {
    if (!ReferencePrepass(in, ReferencePrepass::Mode::Check).run()) return false;
    ReferencePrepass rewrite(in, ReferencePrepass::Mode::Rewrite);
    rewrite.run();
    out = rewrite.takeOutput();
    return true;
}

}  // namespace epub
