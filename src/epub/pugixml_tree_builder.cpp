#include "epub/pugixml_tree_builder.h"

#include <pugixml.hpp>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "epub/reference_prepass.h"
#include "epub/xml_names.h"

namespace epub {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isBlank(QByteArrayView text) {
    for (const char c : text) {
        if (!isBlank(c)) return false;
    }
    return true;
}

bool startsWith(const char* at, const char* end, std::string_view text) {
    return std::size_t(end - at) >= text.size() && std::memcmp(at, text.data(), text.size()) == 0;
}

// Is every byte UTF-8 of a character XML allows? libxml2 refuses a document holding anything
// else, wherever it stands. Runs of ASCII without control characters other than tabs and line
// breaks are passed over sixteen bytes at a time where SSE2 is there, eight otherwise.
bool allXmlCharacters(const unsigned char* at, const unsigned char* end) {
    while (at < end) {
#ifdef __SSE2__
        if (end - at >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            // Signed: bytes of 0x80 and more are below 0x20 too, and need a closer look.
            const int below = _mm_movemask_epi8(_mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20)));
            if (below == 0) {
                at += 16;
                continue;
            }
            const __m128i blanks =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')),
                                          _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))),
                             _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')));
            const int other = below & ~_mm_movemask_epi8(blanks);
            if (other == 0) {
                at += 16;
                continue;
            }
            at += __builtin_ctz(static_cast<unsigned>(other));  // to the first byte to look at
        }
#else
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        constexpr std::uint64_t kHighBits = 0x8080808080808080u;
        if (end - at >= 8) {
            std::uint64_t word;
            std::memcpy(&word, at, 8);
            // No byte of 0x80 or more, and none below 0x20 (line breaks and tabs included:
            // those are looked at one by one below).
            if ((word & kHighBits) == 0 && ((word - kOnes * 0x20) & ~word & kHighBits) == 0) {
                at += 8;
                continue;
            }
        }
#endif
        const unsigned char c = *at;
        if (c < 0x80) {
            if (c < 0x20 && c != 0x9 && c != 0xA && c != 0xD) return false;
            ++at;
            continue;
        }
        std::uint32_t character;
        std::ptrdiff_t length;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            character = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            character = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            character = c & 0x07u;
        } else {
            return false;
        }
        if (end - at < length) return false;
        for (std::ptrdiff_t i = 1; i < length; ++i) {
            if ((at[i] & 0xC0) != 0x80) return false;
            character = (character << 6) | (at[i] & 0x3Fu);
        }
        if (length == 3 && (character < 0x800 || (character >= 0xD800 && character <= 0xDFFF) ||
                            character == 0xFFFE || character == 0xFFFF))
            return false;
        if (length == 4 && (character < 0x10000 || character > 0x10FFFF)) return false;
        at += length;
    }
    return true;
}

// At "<?xml" and a blank: the end of an XML declaration written the plain way (version 1.0, then
// optionally an encoding name and a standalone yes or no), or null for any other.
const char* plainDeclarationEnd(const char* at, const char* end) {
    const char* p = at + 5;
    const auto skipBlanks = [&] {
        const char* const from = p;
        while (p < end && isBlank(*p)) ++p;
        return p > from;
    };
    const auto equals = [&] {
        skipBlanks();
        if (p >= end || *p != '=') return false;
        ++p;
        skipBlanks();
        return true;
    };
    // A quoted value all of whose bytes pass accept (the first also first).
    const auto quoted = [&](auto accept) {
        if (p >= end || (*p != '"' && *p != '\'')) return std::string_view();
        const char quote = *p++;
        const char* const start = p;
        while (p < end && *p != quote) {
            if (!accept(*p, p == start)) return std::string_view();
            ++p;
        }
        if (p >= end || p == start) return std::string_view();
        return std::string_view(start, std::size_t(p++ - start));
    };
    const auto any = [](char, bool) { return true; };
    skipBlanks();
    if (!startsWith(p, end, "version")) return nullptr;
    p += 7;
    if (!equals() || quoted(any) != "1.0") return nullptr;
    bool encoding = false;
    bool standalone = false;
    for (;;) {
        const bool blank = skipBlanks();
        if (startsWith(p, end, "?>")) return p + 2;
        if (!blank) return nullptr;
        if (!encoding && !standalone && startsWith(p, end, "encoding")) {
            p += 8;
            const auto encodingName = [](char c, bool first) {
                const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
                return letter ||
                       (!first && ((c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-'));
            };
            if (!equals() || quoted(encodingName).empty()) return nullptr;
            encoding = true;
        } else if (!standalone && startsWith(p, end, "standalone")) {
            p += 10;
            if (!equals()) return nullptr;
            const std::string_view value = quoted(any);
            if (value != "yes" && value != "no") return nullptr;
            standalone = true;
        } else {
            return nullptr;
        }
    }
}

// Before the root element: blanks out the XML declaration (when written the plain way) and the
// DOCTYPE declarations, which libxml2 never sees either (the reference pre-pass blanks them the
// same way, found the same way). Line breaks stay. False: a declaration written otherwise.
bool blankPrologue(char* const begin, char* const end) {
    char* p = begin;
    if (startsWith(p, end, "<?xml") && end - p > 5 && isBlank(p[5])) {
        const char* const declarationEnd = plainDeclarationEnd(p, end);
        if (!declarationEnd) return false;
        std::memset(p, ' ', std::size_t(declarationEnd - p));
        p = begin + (declarationEnd - begin);
    }
    const QByteArrayView whole(begin, end - begin);
    for (;;) {
        while (p < end && isBlank(*p)) ++p;
        if (p >= end || *p != '<') return true;
        const qsizetype at = p - begin;
        if (startsWith(p, end, "<!--") || startsWith(p, end, "<?")) {
            const bool comment = p[1] == '!';
            const qsizetype close =
                whole.indexOf(QByteArrayView(comment ? "-->" : "?>"), at + (comment ? 4 : 2));
            if (close < 0) return true;
            p = begin + close + (comment ? 3 : 2);
        } else if (startsWith(p, end, "<!DOCTYPE")) {
            char* const doctypeStop = begin + doctypeEnd(whole, at);
            for (; p < doctypeStop; ++p) {
                if (*p != '\n' && *p != '\r') *p = ' ';
            }
        } else {
            return true;
        }
    }
}

// The answer of plainNameLength for the name from name to its terminating zero at stop, with
// the only colon before it at colon (null without one).
std::ptrdiff_t nameLengthWithColon(const char* name, const char* stop, const char* colon) {
    const std::ptrdiff_t length = stop - name;
    if (length > 1000) return -1;
    if (!colon) return length;
    if (colon == name) return -1;
    const char next = colon[1];
    const bool letter = (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z');
    return letter || next == '_' ? length : -1;
}

// An element, attribute or processing-instruction name libxml2 reads the same way: ASCII
// (pugixml has checked the characters allowed there), of sane length, and either without a
// colon or with one between a prefix and a local name that starts with a letter or '_'. Answers
// the name's length, or -1 for any other name.
std::ptrdiff_t plainNameLength(const char* name) {
    const char* colon = nullptr;
    const char* p = name;
    for (; *p; ++p) {
        const char c = *p;
        if (static_cast<unsigned char>(c) >= 0x80) return -1;
        if (c == ':') {
            if (colon) return -1;
            colon = p;
        }
    }
    return nameLengthWithColon(name, p, colon);
}

// plainNameLength of a name in the parsed buffer [begin, end), read eight bytes at a time where
// eight are left: every element and attribute name is checked, thousands a document.
std::ptrdiff_t plainNameLengthIn(const char* name, const char* begin, const char* end) {
    const auto at = reinterpret_cast<std::uintptr_t>(name);
    if (std::endian::native != std::endian::little ||
        at < reinterpret_cast<std::uintptr_t>(begin) || at >= reinterpret_cast<std::uintptr_t>(end))
        return plainNameLength(name);
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    const char* colon = nullptr;
    const char* p = name;
    for (;;) {
        if (end - p < 8) return plainNameLength(name);  // near the end: byte by byte
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t colons = word ^ (kOnes * ':');
        // The lowest byte marked is exactly the first zero, colon or byte of 0x80 and more
        // (the borrow that can mark a byte wrongly runs only upwards from a zero).
        const std::uint64_t marks =
            (word | ((word - kOnes) & ~word) | ((colons - kOnes) & ~colons)) & kHighBits;
        if (marks == 0) {
            p += 8;
            continue;
        }
        p += std::countr_zero(marks) / 8;
        if (*p == 0) return nameLengthWithColon(name, p, colon);
        if (*p != ':' || colon) return -1;  // a byte of 0x80 or more, or a second colon
        colon = p++;
    }
}

bool isNamespaceDeclaration(const char* name) {
    return name[0] == 'x' && name[1] == 'm' && name[2] == 'l' && name[3] == 'n' && name[4] == 's' &&
           (name[5] == 0 || name[5] == ':');
}

// libxml2 refuses "--" inside a comment and a comment ending in '-'.
bool plainComment(const char* text) {
    const std::string_view comment(text);
    return comment.find("--") == std::string_view::npos &&
           (comment.empty() || comment.back() != '-');
}

// The target may not be "xml" in any letter case (libxml2 refuses it, and pugixml takes it for
// a declaration), nor hold a colon. pugixml leaves line ends in the data as written, where
// libxml2 makes every "\r\n" and lone '\r' a '\n': data holding one is left to libxml2.
bool plainProcessingInstruction(const pugi::xml_node& node) {
    const char* const target = node.name();
    if (plainNameLength(target) < 0 || std::strchr(target, ':') || std::strchr(node.value(), '\r'))
        return false;
    return !(std::strlen(target) == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
             (target[2] | 0x20) == 'l');
}

class PugixmlTreeBuilder {
public:
    // source to end: the buffer pugixml parsed in place, where the names lie.
    PugixmlTreeBuilder(XmlDocument& document, const char* source, const char* end)
        : document_(document), source_(source), end_(end) {
        levels_.reserve(std::size_t(XmlLimits::kDepth) + 2);  // never reallocated below
    }

    bool build(const pugi::xml_document& parsed) {
        pugi::xml_node root;
        for (pugi::xml_node node = parsed.first_child(); node; node = node.next_sibling()) {
            switch (node.type()) {
                case pugi::node_element:
                    if (root) return false;  // a second root element
                    root = node;
                    break;
                case pugi::node_comment:
                    if (!plainComment(node.value())) return false;
                    break;
                case pugi::node_pi:
                    if (!plainProcessingInstruction(node)) return false;
                    break;
                case pugi::node_pcdata:
                    // Parsed as a fragment, pugixml keeps text outside the root: only blanks may
                    // be.
                    if (!isBlank(QByteArrayView(node.value()))) return false;
                    break;
                default:  // CDATA, a declaration or a DOCTYPE where none may be
                    return false;
            }
        }
        return root && element(root, document_.root, 1);
    }

private:
    bool element(const pugi::xml_node& source, XmlNode& target, std::size_t depth) {
        if (depth > std::size_t(XmlLimits::kDepth) || ++elements_ > XmlLimits::kElements)
            return false;
        const char* const name = source.name();
        if (!splitName(name, target.prefix, target.localName)) return false;
        if (!attributes(source, target)) return false;

        const pugi::xml_node first = source.first_child();
        if (!first) {
            // Empty, not null, as libxml2's builder leaves it; copied from one made once.
            static const QString kEmptyText = QString::fromUtf8("", 0);
            target.text = kEmptyText;
            return true;
        }
        if (first.type() == pugi::node_pcdata && !first.next_sibling()) {
            // Nothing but one run of text: that is the value, not a child.
            QByteArrayView value;
            if (!characterData(first, value)) return false;
            target.text = QString::fromUtf8(value);
            return true;
        }
        if (levels_.size() <= depth) levels_.resize(depth + 1);
        std::vector<XmlNode>& children = levels_[depth];
        children.clear();
        for (pugi::xml_node child = first; child; child = child.next_sibling()) {
            switch (child.type()) {
                case pugi::node_element:
                    if (!element(child, children.emplace_back(), depth + 1)) return false;
                    break;
                case pugi::node_pcdata: {
                    QByteArrayView value;
                    if (!characterData(child, value)) return false;
                    // Blanks between items are dropped, also when written as references.
                    if (isBlank(value)) break;
                    XmlNode& node = children.emplace_back();
                    node.kind = XmlNode::Kind::Text;
                    node.text = QString::fromUtf8(value);
                    break;
                }
                case pugi::node_cdata: {
                    XmlNode& node = children.emplace_back();
                    node.kind = XmlNode::Kind::CData;
                    node.text = QString::fromUtf8(child.value());
                    break;
                }
                case pugi::node_comment: {
                    if (!plainComment(child.value())) return false;
                    XmlNode& node = children.emplace_back();
                    node.kind = XmlNode::Kind::Comment;
                    node.text = QString::fromUtf8(child.value());
                    break;
                }
                case pugi::node_pi: {
                    if (!plainProcessingInstruction(child)) return false;
                    XmlNode& node = children.emplace_back();
                    node.kind = XmlNode::Kind::ProcessingInstruction;
                    if (*child.value()) node.text = QString::fromUtf8(child.value());
                    break;
                }
                default:
                    return false;
            }
        }
        // The children are complete: they move, all together, to the document's storage.
        const std::size_t count = children.size();
        target.children = {document_.storage.keep(children), count};
        return true;
    }

    // Names checked, none twice (namespace declarations included), no '<' in a value, within
    // the limits; namespace declarations are not attributes of the tree.
    // Not inlined: its table stays off the stack of the recursion through element().
    [[gnu::noinline]] bool attributes(const pugi::xml_node& source, XmlNode& target) {
        struct Written {
            const char* name;
            std::size_t nameLength;
            char* value;  // in the document's own copy of its bytes: decoded in place
            std::size_t size;
            std::size_t kept;  // where names_ keeps the name, or DocumentNames::kNotKept
        };
        std::array<Written, std::size_t(XmlLimits::kAttributesPerElement)> written;
        std::size_t count = 0;
        std::size_t kept = 0;
        for (pugi::xml_attribute attribute = source.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            if (count == written.size()) return false;
            Written& item = written[count++];
            item.name = attribute.name();
            item.value = const_cast<char*>(attribute.value());
            item.nameLength = std::strlen(item.name);
            item.kept =
                names_.find(std::string_view(item.name, item.nameLength), readableAfter(item.name));
            // A name kept was checked when it was first split.
            if (item.kept == DocumentNames::kNotKept &&
                plainNameLengthIn(item.name, source_, end_) < 0)
                return false;
            if (!attributeValueSize(item.value, item.size)) return false;
            for (std::size_t i = 0; i + 1 < count; ++i) {
                if (written[i].nameLength == item.nameLength &&
                    std::memcmp(written[i].name, item.name, item.nameLength) == 0)
                    return false;
            }
            if (!isNamespaceDeclaration(item.name)) ++kept;
        }
        attributes_ += qsizetype(count);
        if (attributes_ > XmlLimits::kAttributes) return false;
        if (kept == 0) return true;

        XmlAttribute* const stored = document_.storage.newAttributes(kept);
        XmlAttribute* out = stored;
        for (std::size_t i = 0; i < count; ++i) {
            Written& item = written[i];
            if (isNamespaceDeclaration(item.name)) continue;
            if (item.kept != DocumentNames::kNotKept)
                names_.copy(item.kept, out->prefix, out->localName);
            else
                names_.split(std::string_view(item.name, item.nameLength), readableAfter(item.name),
                             out->prefix, out->localName);
            if (item.size > 0) item.size = decodeReferences(item.value, item.size, ampersands_);
            out->utf8Value = QByteArrayView(item.value, qsizetype(item.size));
            ++out;
        }
        target.attributes = {stored, qsizetype(kept)};
        return ampersands_ <= XmlLimits::kLiteralAmpersands;
    }

    // An element's name checked and split; false for a name libxml2 reads otherwise. Names are
    // looked up first: most were checked already, at their first use in the document, and a name
    // kept is one that was.
    bool splitName(const char* name, QString& prefix, QString& local) {
        const char* const readable = readableAfter(name);
        const std::string_view written(name, std::strlen(name));
        if (const std::size_t kept = names_.find(written, readable);
            kept != DocumentNames::kNotKept) {
            names_.copy(kept, prefix, local);
            return true;
        }
        if (plainNameLengthIn(name, source_, end_) < 0) return false;
        names_.split(written, readable, prefix, local);
        return true;
    }

    // How far on from text (in the parsed buffer, or not) bytes may be read.
    const char* readableAfter(const char* text) const {
        const auto at = reinterpret_cast<std::uintptr_t>(text);
        return at >= reinterpret_cast<std::uintptr_t>(source_) &&
                       at < reinterpret_cast<std::uintptr_t>(end_)
                   ? end_
                   : nullptr;
    }

    // The length of an attribute value; false when it holds a '<', which libxml2 refuses.
    static bool attributeValueSize(const char* value, std::size_t& size) {
        size = std::strlen(value);
        return !std::memchr(value, '<', size);
    }

    // A run of text, references decoded in place. "]]>" may not stand in it.
    bool characterData(const pugi::xml_node& node, QByteArrayView& out) {
        char* const value = const_cast<char*>(node.value());
        std::size_t size = std::strlen(value);
        if (std::memchr(value, ']', size) &&
            std::string_view(value, size).find("]]>") != std::string_view::npos)
            return false;
        size = decodeReferences(value, size, ampersands_);
        out = QByteArrayView(value, qsizetype(size));
        return ampersands_ <= XmlLimits::kLiteralAmpersands;
    }

    XmlDocument& document_;
    const char* const source_;
    const char* const end_;
    DocumentNames names_;
    // The children of the open element at each depth, reused by every element there.
    std::vector<std::vector<XmlNode>> levels_;
    qsizetype elements_ = 0;
    qsizetype attributes_ = 0;
    qsizetype ampersands_ = 0;
};

}  // namespace

bool buildXmlTreeWithPugixml(QByteArrayView bytes, XmlDocument& document) {
    // The pre-pass's text limit cannot be reached below its size.
    if (bytes.size() > XmlLimits::kTextBytes) return false;
    const auto* const data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (!allXmlCharacters(data, data + bytes.size())) return false;
    // Parsed as a fragment, pugixml drops text that runs to the end of its buffer: an empty
    // comment after the document ends any such text, so that it is seen (and refused). Any
    // construct left open at the end stays malformed with the comment after it.
    static constexpr QByteArrayView kEndMark("<!---->");
    char* const source = document.storage.keepSource(bytes, kEndMark);
    if (!blankPrologue(source, source + bytes.size())) return false;

    // No entity or reference is decoded by pugixml (references are decoded by the builder, as
    // libxml2 decodes them); line ends are normalised and attribute white space made spaces, as
    // libxml2 does. Parsed as a fragment so that text, declarations and DOCTYPEs outside the
    // root stay visible, to be refused.
    constexpr unsigned kOptions = pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi |
                                  pugi::parse_eol | pugi::parse_wconv_attribute |
                                  pugi::parse_ws_pcdata_single | pugi::parse_declaration |
                                  pugi::parse_doctype | pugi::parse_fragment;
    pugi::xml_document parsed;
    const std::size_t size = std::size_t(bytes.size() + kEndMark.size());
    if (!parsed.load_buffer_inplace(source, size, kOptions, pugi::encoding_utf8)) return false;
    return PugixmlTreeBuilder(document, source, source + size + 1).build(parsed);
}

}  // namespace epub
