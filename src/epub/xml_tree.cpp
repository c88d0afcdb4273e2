#include "epub/xml_tree.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

#include "epub/errors.h"

namespace epub {

// ---------------------------------------------------------------------------------------------
// Lookups

QString XmlNode::attribute(QStringView name) const {
    for (const XmlAttribute& attribute : attributes) {
        if (attribute.localName.compare(name, Qt::CaseInsensitive) == 0) return attribute.value;
    }
    return QString();
}

namespace {

bool equalsAsciiCaseInsensitive(QStringView a, QStringView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

QString XmlNode::childText(QStringView name) const {
    QString result;
    for (const XmlNode& child : children) {
        if (child.isElement() && equalsAsciiCaseInsensitive(child.localName, name))
            result = child.text;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Reference pre-pass
//
// libxml2 rejects a lone '&' and references to undefined entities, and it would expand entities
// declared in a DTD. Books are lenient about both, and expanding a book's own entities is unsafe
// (billion laughs, external files). So before parsing, outside comments, CDATA and processing
// instructions, every '&' that does not start one of the five predefined entities (any letter
// case) or a numeric reference to a legal character becomes "&amp;", and the five names are
// written in lower case. The DOCTYPE declaration is blanked out (line breaks kept so positions
// in error messages stay right): nothing in it is ever used, and then nothing in it can be
// loaded or expanded.

namespace {

class ReferencePrepass {
public:
    explicit ReferencePrepass(QByteArrayView in) : in_(in) {}

    // The rewritten document; the input unchanged bytes are copied in runs.
    QByteArray run() {
        out_.reserve(in_.size() + in_.size() / 16);
        while (pos_ < in_.size()) {
            pos_ = nextOf(pos_, '&', '<');
            if (pos_ >= in_.size()) break;
            if (in_[pos_] == '&')
                reference();
            else
                markup();
        }
        out_.append(in_.sliced(copied_));
        return std::move(out_);
    }

private:
    // Position of the next a or b, or the end of input.
    qsizetype nextOf(qsizetype from, char a, char b) const {
        const char* const data = in_.data();
        const qsizetype size = in_.size();
        for (qsizetype i = from; i < size; ++i) {
            if (data[i] == a || data[i] == b) return i;
        }
        return size;
    }

    bool startsWith(qsizetype at, const char* text) const {
        for (qsizetype i = 0; text[i]; ++i) {
            if (at + i >= in_.size() || in_[at + i] != text[i]) return false;
        }
        return true;
    }

    // Replaces input [pos_, pos_ + length) by replacement.
    void replace(qsizetype length, QByteArrayView replacement) {
        out_.append(in_.sliced(copied_, pos_ - copied_));
        out_.append(replacement);
        pos_ += length;
        copied_ = pos_;
    }

    // Moves past the end marker (or to the end of input).
    void skipThrough(const char* endMarker) {
        const qsizetype end = in_.indexOf(QByteArrayView(endMarker), pos_);
        pos_ = end < 0 ? in_.size() : end + static_cast<qsizetype>(std::strlen(endMarker));
    }

    void markup() {
        if (startsWith(pos_, "<!--")) return skipThrough("-->");
        if (startsWith(pos_, "<![CDATA[")) return skipThrough("]]>");
        if (startsWith(pos_, "<?")) return skipThrough("?>");
        if (!seenElement_ && startsWith(pos_, "<!DOCTYPE")) return doctype();
        tag();
    }

    // Element tags: references are rewritten inside quoted attribute values only.
    void tag() {
        ++pos_;
        if (pos_ < in_.size() && in_[pos_] != '/' && in_[pos_] != '!') seenElement_ = true;
        char quote = 0;
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (quote) {
                if (c == '&') {
                    reference();
                    continue;
                }
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                ++pos_;
                return;
            } else if (c == '<') {
                return;  // malformed; let the parser say so
            }
            ++pos_;
        }
    }

    void doctype() {
        const qsizetype start = pos_;
        pos_ += 9;  // "<!DOCTYPE"
        int depth = 0;
        char quote = 0;
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (startsWith(pos_, "<!--")) {
                skipThrough("-->");
                continue;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                ++depth;
            } else if (c == ']') {
                if (depth > 0) --depth;
            } else if (c == '>' && depth == 0) {
                ++pos_;
                break;
            }
            ++pos_;
        }
        QByteArray blank = in_.sliced(start, pos_ - start).toByteArray();
        for (char& c : blank) {
            if (c != '\n' && c != '\r') c = ' ';
        }
        const qsizetype end = pos_;
        pos_ = start;
        replace(end - start, blank);
    }

    static bool isXmlChar(std::uint32_t c) {
        return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
               (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
    }

    // At '&': leaves a reference the parser may decode (lower-casing the five names and the
    // hexadecimal 'X'), otherwise makes the '&' literal.
    void reference() {
        static const char* const predefined[] = {"amp", "lt", "gt", "apos", "quot"};
        for (const char* name : predefined) {
            const qsizetype length = static_cast<qsizetype>(std::strlen(name));
            if (pos_ + 1 + length >= in_.size() || in_[pos_ + 1 + length] != ';') continue;
            const QByteArrayView written = in_.sliced(pos_ + 1, length);
            if (written == QByteArrayView(name)) {
                pos_ += length + 2;
                return;
            }
            if (written.compare(QByteArrayView(name), Qt::CaseInsensitive) == 0) {
                replace(length + 2, QByteArray("&") + name + ";");
                return;
            }
        }
        if (pos_ + 1 < in_.size() && in_[pos_ + 1] == '#') {
            const bool hex =
                pos_ + 2 < in_.size() && (in_[pos_ + 2] == 'x' || in_[pos_ + 2] == 'X');
            qsizetype at = pos_ + (hex ? 3 : 2);
            const qsizetype digitsStart = at;
            std::uint32_t value = 0;
            while (at < in_.size() && at - digitsStart < 8) {
                const char d = in_[at];
                int digit = -1;
                if (d >= '0' && d <= '9')
                    digit = d - '0';
                else if (hex && d >= 'a' && d <= 'f')
                    digit = d - 'a' + 10;
                else if (hex && d >= 'A' && d <= 'F')
                    digit = d - 'A' + 10;
                if (digit < 0) break;
                value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
                ++at;
            }
            if (at > digitsStart && at < in_.size() && in_[at] == ';' && isXmlChar(value)) {
                if (hex && in_[pos_ + 2] == 'X') {
                    pos_ += 2;
                    replace(1, "x");
                }
                pos_ = at + 1;
                return;
            }
        }
        replace(1, "&amp;");
    }

    QByteArrayView in_;
    QByteArray out_;
    qsizetype pos_ = 0;
    qsizetype copied_ = 0;  // input before this position is already in out_
    bool seenElement_ = false;
};

// ---------------------------------------------------------------------------------------------
// libxml2 parse and conversion

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ContextFree {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

// The first fatal error the parser reported (the later ones follow from it), or the first error.
struct ErrorRecord {
    std::string message;
    int line = 0;
    int column = 0;
    int level = 0;
    bool set = false;
};

void recordError(void* userData, xmlErrorPtr error) {
    auto* context = static_cast<xmlParserCtxtPtr>(userData);
    auto* record = context ? static_cast<ErrorRecord*>(context->_private) : nullptr;
    if (!record || !error || error->level < XML_ERR_ERROR) return;
    if (record->set && (record->level == XML_ERR_FATAL || error->level != XML_ERR_FATAL)) return;
    record->message = error->message ? error->message : "XML parse error";
    while (!record->message.empty() &&
           (record->message.back() == '\n' || record->message.back() == ' '))
        record->message.pop_back();
    record->line = error->line;
    record->column = error->int2;
    record->level = error->level;
    record->set = true;
}

QString qualified(const xmlChar* prefix, const xmlChar* name) {
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(name));
    if (prefix && *prefix)
        text = QString::fromUtf8(reinterpret_cast<const char*>(prefix)) + QLatin1Char(':') + text;
    return text;
}

void splitName(const QString& written, QString& prefix, QString& local) {
    const qsizetype colon = written.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        local = written;
        prefix.clear();
    } else {
        prefix = written.left(colon);
        local = written.mid(colon + 1);
    }
}

void appendContent(QString& text, const xmlNode* node) {
    if (node->type == XML_ENTITY_REF_NODE) {
        // Never produced after the pre-pass; kept literal all the same.
        text += QLatin1Char('&') + QString::fromUtf8(reinterpret_cast<const char*>(node->name)) +
                QLatin1Char(';');
    } else if (node->content) {
        text += QString::fromUtf8(reinterpret_cast<const char*>(node->content));
    }
}

// Element and attribute names come from the parser's dictionary, so the same pointers repeat:
// each distinct (prefix, name) is decoded once and then shared.
class NameCache {
public:
    void split(const xmlNs* ns, const xmlChar* name, QString& prefix, QString& local) {
        const xmlChar* nsPrefix = ns ? ns->prefix : nullptr;
        const Key key{nsPrefix, name};
        auto found = cache_.find(key);
        if (found == cache_.end()) {
            std::pair<QString, QString> parts;
            splitName(qualified(nsPrefix, name), parts.first, parts.second);
            found = cache_.emplace(key, std::move(parts)).first;
        }
        prefix = found->second.first;
        local = found->second.second;
    }

private:
    using Key = std::pair<const xmlChar*, const xmlChar*>;
    struct KeyHash {
        std::size_t operator()(const Key& key) const noexcept {
            return std::hash<const void*>()(key.first) * 31 + std::hash<const void*>()(key.second);
        }
    };
    std::unordered_map<Key, std::pair<QString, QString>, KeyHash> cache_;
};

bool isBlankUtf8(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
    }
    return true;
}

void appendRaw(QByteArray& run, const xmlNode* node) {
    if (node->type == XML_ENTITY_REF_NODE)
        run.append('&').append(reinterpret_cast<const char*>(node->name)).append(';');
    else if (node->content)
        run.append(reinterpret_cast<const char*>(node->content));
}

bool isTextPiece(const xmlNode* node) {
    return node->type == XML_TEXT_NODE || node->type == XML_ENTITY_REF_NODE;
}

void convertElement(const xmlNode* source, XmlNode& target, NameCache& names) {
    target.kind = XmlNode::Kind::Element;
    names.split(source->ns, source->name, target.prefix, target.localName);
    if (source->properties) {
        qsizetype count = 0;
        for (const xmlAttr* attr = source->properties; attr; attr = attr->next) ++count;
        target.attributes.reserve(count);
        for (const xmlAttr* attr = source->properties; attr; attr = attr->next) {
            XmlAttribute& attribute = target.attributes.emplaceBack();
            names.split(attr->ns, attr->name, attribute.prefix, attribute.localName);
            for (const xmlNode* part = attr->children; part; part = part->next)
                appendContent(attribute.value, part);
        }
    }

    // Nothing but text (or nothing at all): the text is the value and there are no children.
    // Otherwise count the children exactly first: nodes are large and books have thousands.
    std::size_t count = 0;
    bool onlyText = true;
    bool runHasText = false;
    bool inRun = false;
    for (const xmlNode* child = source->children; child; child = child->next) {
        if (isTextPiece(child)) {
            inRun = true;
            runHasText = runHasText || child->type == XML_ENTITY_REF_NODE || !xmlIsBlankNode(child);
            continue;
        }
        onlyText = false;
        if (inRun && runHasText) ++count;
        inRun = runHasText = false;
        if (child->type == XML_ELEMENT_NODE || child->type == XML_CDATA_SECTION_NODE ||
            child->type == XML_COMMENT_NODE || child->type == XML_PI_NODE)
            ++count;
    }
    if (inRun && runHasText) ++count;
    if (onlyText) {
        for (const xmlNode* child = source->children; child; child = child->next)
            appendContent(target.text, child);
        return;
    }

    // Otherwise every item is a child, adjacent text pieces merged into one run and runs of
    // white space alone dropped.
    target.children.reserve(count);
    QByteArray run;
    const auto flushRun = [&target, &run] {
        if (run.isEmpty() || isBlankUtf8(run)) {
            run.clear();
            return;
        }
        XmlNode& text = target.children.emplace_back();
        text.kind = XmlNode::Kind::Text;
        text.text = QString::fromUtf8(run);
        run.clear();
    };
    for (const xmlNode* child = source->children; child; child = child->next) {
        switch (child->type) {
            case XML_TEXT_NODE:
            case XML_ENTITY_REF_NODE:
                appendRaw(run, child);
                break;
            case XML_ELEMENT_NODE:
                flushRun();
                convertElement(child, target.children.emplace_back(), names);
                break;
            case XML_CDATA_SECTION_NODE:
            case XML_COMMENT_NODE:
            case XML_PI_NODE: {
                flushRun();
                XmlNode& node = target.children.emplace_back();
                node.kind = child->type == XML_CDATA_SECTION_NODE ? XmlNode::Kind::CData
                            : child->type == XML_COMMENT_NODE
                                ? XmlNode::Kind::Comment
                                : XmlNode::Kind::ProcessingInstruction;
                appendContent(node.text, child);
                break;
            }
            default:
                break;
        }
    }
    flushRun();
}

}  // namespace

XmlDocument parseXmlDocument(QByteArrayView bytes) {
    XmlDocument document;
    if (bytes.startsWith(QByteArrayView("\xEF\xBB\xBF"))) bytes = bytes.sliced(3);
    if (bytes.isEmpty()) return document;

    // Most documents hold neither a reference nor a DOCTYPE: parse them as they are.
    QByteArray prepared;
    if (bytes.contains('&') || bytes.contains(QByteArrayView("<!DOCTYPE"))) {
        prepared = ReferencePrepass(bytes).run();
        bytes = prepared;
    }
    if (bytes.size() > INT_MAX) throw XmlError("XML document too large");

    xmlInitParser();
    const std::unique_ptr<xmlParserCtxt, ContextFree> context(xmlNewParserCtxt());
    if (!context) throw XmlError("XML parser could not be created");
    ErrorRecord record;
    context->_private = &record;
    context->sax->serror = recordError;
    // No entity substitution, no DTD loading, no network; CDATA stays a node of its own; the
    // bytes are UTF-8 whatever the declaration says.
    const int options = XML_PARSE_NONET | XML_PARSE_IGNORE_ENC;
    const std::unique_ptr<xmlDoc, DocFree> doc(xmlCtxtReadMemory(
        context.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr, "UTF-8", options));
    if (!doc || !context->wellFormed) {
        std::string message = record.set ? record.message : std::string("malformed XML");
        if (record.set)
            message += " (line " + std::to_string(record.line) + ", column " +
                       std::to_string(record.column) + ")";
        throw XmlError(message);
    }
    if (const xmlNode* root = xmlDocGetRootElement(doc.get())) {
        NameCache names;
        convertElement(root, document.root, names);
    }
    return document;
}

}  // namespace epub
