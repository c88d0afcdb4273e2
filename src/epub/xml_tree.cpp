#include "epub/xml_tree.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

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
    explicit ReferencePrepass(QByteArrayView in) : in_(in) {
        out_.reserve(in.size() + in.size() / 16);
    }

    QByteArray run() {
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (c == '&') {
                reference();
            } else if (c == '<') {
                markup();
            } else {
                out_.append(c);
                ++pos_;
            }
        }
        return std::move(out_);
    }

private:
    bool startsWith(qsizetype at, const char* text) const {
        for (qsizetype i = 0; text[i]; ++i) {
            if (at + i >= in_.size() || in_[at + i] != text[i]) return false;
        }
        return true;
    }

    // Copies through the end marker (or to the end of input).
    void copyThrough(const char* endMarker) {
        const qsizetype end = QByteArrayView(in_).indexOf(QByteArrayView(endMarker), pos_);
        const qsizetype stop =
            end < 0 ? in_.size() : end + static_cast<qsizetype>(std::strlen(endMarker));
        out_.append(in_.sliced(pos_, stop - pos_));
        pos_ = stop;
    }

    void blank(qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            const char c = in_[i];
            out_.append(c == '\n' || c == '\r' ? c : ' ');
        }
    }

    void markup() {
        if (startsWith(pos_, "<!--")) return copyThrough("-->");
        if (startsWith(pos_, "<![CDATA[")) return copyThrough("]]>");
        if (startsWith(pos_, "<?")) return copyThrough("?>");
        if (!seenElement_ && startsWith(pos_, "<!DOCTYPE")) return doctype();
        tag();
    }

    // Element tags: references are rewritten inside quoted attribute values only.
    void tag() {
        out_.append('<');
        ++pos_;
        if (pos_ < in_.size() && in_[pos_] != '/' && in_[pos_] != '!') seenElement_ = true;
        char quote = 0;
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (quote) {
                if (c == quote) quote = 0;
                if (c == '&') {
                    reference();
                    continue;
                }
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                out_.append(c);
                ++pos_;
                return;
            } else if (c == '<') {
                return;  // malformed; let the parser say so
            }
            out_.append(c);
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
                const qsizetype end = QByteArrayView(in_).indexOf(QByteArrayView("-->"), pos_);
                pos_ = end < 0 ? in_.size() : end + 3;
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
        blank(start, pos_);
    }

    static bool isXmlChar(std::uint32_t c) {
        return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
               (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
    }

    // At '&': copies a reference the parser may decode, otherwise writes a literal '&'.
    void reference() {
        static const char* const predefined[] = {"amp", "lt", "gt", "apos", "quot"};
        for (const char* name : predefined) {
            const qsizetype length = static_cast<qsizetype>(std::strlen(name));
            if (pos_ + 1 + length < in_.size() && in_[pos_ + 1 + length] == ';' &&
                QByteArrayView(in_)
                        .sliced(pos_ + 1, length)
                        .compare(QByteArrayView(name), Qt::CaseInsensitive) == 0) {
                out_.append('&').append(name).append(';');
                pos_ += length + 2;
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
                out_.append(hex ? "&#x" : "&#");
                out_.append(in_.sliced(digitsStart, at - digitsStart));
                out_.append(';');
                pos_ = at + 1;
                return;
            }
        }
        out_.append("&amp;");
        ++pos_;
    }

    QByteArrayView in_;
    QByteArray out_;
    qsizetype pos_ = 0;
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

bool isBlank(const QString& text) {
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') return false;
    }
    return true;
}

void convertElement(const xmlNode* source, XmlNode& target) {
    target.kind = XmlNode::Kind::Element;
    splitName(qualified(source->ns ? source->ns->prefix : nullptr, source->name), target.prefix,
              target.localName);
    for (const xmlAttr* attr = source->properties; attr; attr = attr->next) {
        XmlAttribute attribute;
        splitName(qualified(attr->ns ? attr->ns->prefix : nullptr, attr->name), attribute.prefix,
                  attribute.localName);
        for (const xmlNode* part = attr->children; part; part = part->next)
            appendContent(attribute.value, part);
        target.attributes.append(std::move(attribute));
    }

    // Collect every content item, adjacent text pieces merged into one run.
    std::vector<XmlNode> items;
    bool lastWasText = false;
    for (const xmlNode* child = source->children; child; child = child->next) {
        switch (child->type) {
            case XML_ELEMENT_NODE:
                items.emplace_back();
                convertElement(child, items.back());
                lastWasText = false;
                break;
            case XML_TEXT_NODE:
            case XML_ENTITY_REF_NODE:
                if (!lastWasText) {
                    items.emplace_back();
                    items.back().kind = XmlNode::Kind::Text;
                }
                appendContent(items.back().text, child);
                lastWasText = true;
                break;
            case XML_CDATA_SECTION_NODE:
            case XML_COMMENT_NODE:
            case XML_PI_NODE:
                items.emplace_back();
                items.back().kind = child->type == XML_CDATA_SECTION_NODE ? XmlNode::Kind::CData
                                    : child->type == XML_COMMENT_NODE
                                        ? XmlNode::Kind::Comment
                                        : XmlNode::Kind::ProcessingInstruction;
                appendContent(items.back().text, child);
                lastWasText = false;
                break;
            default:
                break;
        }
    }
    if (items.size() == 1 && items.front().kind == XmlNode::Kind::Text) {
        target.text = std::move(items.front().text);
        return;
    }
    target.children.reserve(items.size());
    for (XmlNode& item : items) {
        if (item.kind == XmlNode::Kind::Text && isBlank(item.text)) continue;
        target.children.push_back(std::move(item));
    }
}

}  // namespace

XmlDocument parseXmlDocument(QByteArrayView bytes) {
    XmlDocument document;
    if (bytes.startsWith(QByteArrayView("\xEF\xBB\xBF"))) bytes = bytes.sliced(3);
    if (bytes.isEmpty()) return document;

    const QByteArray prepared = ReferencePrepass(bytes).run();
    if (prepared.size() > INT_MAX) throw XmlError("XML document too large");

    xmlInitParser();
    const std::unique_ptr<xmlParserCtxt, ContextFree> context(xmlNewParserCtxt());
    if (!context) throw XmlError("XML parser could not be created");
    ErrorRecord record;
    context->_private = &record;
    context->sax->serror = recordError;
    // No entity substitution, no DTD loading, no network; CDATA stays a node of its own; the
    // bytes are UTF-8 whatever the declaration says.
    const int options = XML_PARSE_NONET | XML_PARSE_IGNORE_ENC;
    const std::unique_ptr<xmlDoc, DocFree> doc(
        xmlCtxtReadMemory(context.get(), prepared.constData(), static_cast<int>(prepared.size()),
                          nullptr, "UTF-8", options));
    if (!doc || !context->wellFormed) {
        std::string message = record.set ? record.message : std::string("malformed XML");
        if (record.set)
            message += " (line " + std::to_string(record.line) + ", column " +
                       std::to_string(record.column) + ")";
        throw XmlError(message);
    }
    if (const xmlNode* root = xmlDocGetRootElement(doc.get())) convertElement(root, document.root);
    return document;
}

}  // namespace epub
