#include "epub/xml_tree.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
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
        if (probing_) {
            changed_ = true;
            pos_ += length;
            return;
        }
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
    bool probing_ = false;  // only find out whether some reference would change
    bool changed_ = false;

public:
    // True when every '&' already starts a reference the parser decodes as it stands, so the
    // pass would change nothing outside a DOCTYPE. Looks at the '&' only, not at the markup.
    static bool referencesArePlain(QByteArrayView in) {
        ReferencePrepass probe(in);
        probe.probing_ = true;
        for (qsizetype at = in.indexOf('&'); at >= 0; at = in.indexOf('&', at + 1)) {
            probe.pos_ = at;
            probe.reference();
            if (probe.changed_) return false;
        }
        return true;
    }
};

// ---------------------------------------------------------------------------------------------
// libxml2 parse straight into our tree
//
// The SAX2 callbacks build XmlNodes directly; libxml2's own tree is never made. No entity,
// DTD or external-subset callback is installed, so nothing of a DTD can reach the tree.

struct ContextFree {
    void operator()(xmlParserCtxt* context) const {
        if (context->myDoc) xmlFreeDoc(context->myDoc);
        xmlFreeParserCtxt(context);
    }
};

// The first fatal error the parser reported (the later ones follow from it), or the first error.
struct ErrorRecord {
    std::string message;
    int line = 0;
    int column = 0;
    int level = 0;
    bool set = false;
};

QString fromUtf8(const xmlChar* text) {
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
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

// Names come from the parser's dictionary, so the same pointers repeat: each distinct
// (prefix, name) is decoded once and then shared. The local name is what follows the first
// colon of the name as written.
class NameCache {
public:
    void split(const xmlChar* prefix, const xmlChar* name, QString& outPrefix, QString& outLocal) {
        const Key key{prefix, name};
        auto found = cache_.find(key);
        if (found == cache_.end()) {
            QString written = fromUtf8(name);
            if (prefix && *prefix) written = fromUtf8(prefix) + QLatin1Char(':') + written;
            std::pair<QString, QString> parts;
            splitName(written, parts.first, parts.second);
            found = cache_.emplace(key, std::move(parts)).first;
        }
        outPrefix = found->second.first;
        outLocal = found->second.second;
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

bool isBlank(const std::string& text) {
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
    }
    return true;
}

class TreeBuilder {
public:
    explicit TreeBuilder(XmlDocument& document) : document_(document) {}

    ErrorRecord error;

    static TreeBuilder& of(void* context) {
        return *static_cast<TreeBuilder*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    }

    void startElement(const xmlChar* localname, const xmlChar* prefix, int attributeCount,
                      const xmlChar** attributes) {
        XmlNode* node;
        if (depth_ == 0) {
            node = &document_.root;
        } else {
            Frame& parent = frames_[depth_ - 1];
            beginItem(parent);
            node = &newChild(*parent.node);
        }
        node->kind = XmlNode::Kind::Element;
        names_.split(prefix, localname, node->prefix, node->localName);
        if (attributeCount > 0) {
            node->attributes.reserve(attributeCount);
            for (int i = 0; i < attributeCount; ++i) {
                const xmlChar* const* attribute = attributes + 5 * i;
                XmlAttribute& target = node->attributes.emplaceBack();
                names_.split(attribute[1], attribute[0], target.prefix, target.localName);
                target.value = attributeValue(attribute[3], attribute[4]);
            }
        }
        if (depth_ == frames_.size()) frames_.emplace_back();
        Frame& frame = frames_[depth_++];
        frame.node = node;
        frame.run.clear();
        frame.mixed = false;
    }

    void endElement() {
        if (depth_ == 0) return;
        Frame& frame = frames_[--depth_];
        if (!frame.mixed) {
            // Nothing but one run of text (or nothing): that is the value, not a child.
            frame.node->text = QString::fromUtf8(frame.run.data(), qsizetype(frame.run.size()));
        } else {
            flushRun(frame);
        }
    }

    void characters(const xmlChar* text, int length) {
        if (depth_ == 0) return;
        frames_[depth_ - 1].run.append(reinterpret_cast<const char*>(text), std::size_t(length));
    }

    void otherItem(XmlNode::Kind kind, const xmlChar* text, int length = -1) {
        if (depth_ == 0) return;  // outside the root element: not part of the tree
        Frame& parent = frames_[depth_ - 1];
        beginItem(parent);
        XmlNode& node = newChild(*parent.node);
        node.kind = kind;
        if (text)
            node.text = length < 0 ? fromUtf8(text)
                                   : QString::fromUtf8(reinterpret_cast<const char*>(text), length);
    }

private:
    struct Frame {
        XmlNode* node = nullptr;
        std::string run;     // pending character data, UTF-8
        bool mixed = false;  // some item other than text seen
    };

    // Elements with children mostly have a few (navPoint: label, content, nested points):
    // room for four saves the first reallocations.
    static XmlNode& newChild(XmlNode& parent) {
        if (parent.children.capacity() == 0) parent.children.reserve(4);
        return parent.children.emplace_back();
    }

    // A non-text item arrives: the text before it becomes a child unless it is all white space.
    void beginItem(Frame& frame) {
        flushRun(frame);
        frame.mixed = true;
    }

    static void flushRun(Frame& frame) {
        if (!frame.run.empty() && !isBlank(frame.run)) {
            XmlNode& text = newChild(*frame.node);
            text.kind = XmlNode::Kind::Text;
            text.text = QString::fromUtf8(frame.run.data(), qsizetype(frame.run.size()));
        }
        frame.run.clear();
    }

    // Without entity substitution libxml2 hands a decoded '&' over as "&#38;"; every other
    // reference is already decoded, and no other '&' can remain after the reference pass.
    static QString attributeValue(const xmlChar* begin, const xmlChar* end) {
        const auto* first = reinterpret_cast<const char*>(begin);
        const qsizetype length = reinterpret_cast<const char*>(end) - first;
        QString value = QString::fromUtf8(first, length);
        if (value.contains(QLatin1Char('&')))
            value.replace(QLatin1String("&#38;"), QLatin1String("&"));
        return value;
    }

    XmlDocument& document_;
    NameCache names_;
    std::vector<Frame> frames_;
    std::size_t depth_ = 0;
};

void onStartElement(void* context, const xmlChar* localname, const xmlChar* prefix, const xmlChar*,
                    int, const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
    TreeBuilder::of(context).startElement(localname, prefix, attributeCount, attributes);
}

void onEndElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    TreeBuilder::of(context).endElement();
}

void onCharacters(void* context, const xmlChar* text, int length) {
    TreeBuilder::of(context).characters(text, length);
}

void onCData(void* context, const xmlChar* text, int length) {
    TreeBuilder::of(context).otherItem(XmlNode::Kind::CData, text, length);
}

void onComment(void* context, const xmlChar* text) {
    TreeBuilder::of(context).otherItem(XmlNode::Kind::Comment, text);
}

void onProcessingInstruction(void* context, const xmlChar*, const xmlChar* data) {
    TreeBuilder::of(context).otherItem(XmlNode::Kind::ProcessingInstruction, data);
}

void onError(void* context, xmlErrorPtr error) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    if (!parser || !parser->_private || !error || error->level < XML_ERR_ERROR) return;
    ErrorRecord& record = TreeBuilder::of(context).error;
    if (record.set && (record.level == XML_ERR_FATAL || error->level != XML_ERR_FATAL)) return;
    record.message = error->message ? error->message : "XML parse error";
    while (!record.message.empty() &&
           (record.message.back() == '\n' || record.message.back() == ' '))
        record.message.pop_back();
    record.line = error->line;
    record.column = error->int2;
    record.level = error->level;
    record.set = true;
}

}  // namespace

XmlDocument parseXmlDocument(QByteArrayView bytes) {
    XmlDocument document;
    if (bytes.startsWith(QByteArrayView("\xEF\xBB\xBF"))) bytes = bytes.sliced(3);
    if (bytes.isEmpty()) return document;

    // Most documents hold no DOCTYPE and only references the parser decodes as they stand:
    // those are parsed as they are.
    QByteArray prepared;
    if (bytes.contains(QByteArrayView("<!DOCTYPE")) ||
        !ReferencePrepass::referencesArePlain(bytes)) {
        prepared = ReferencePrepass(bytes).run();
        bytes = prepared;
    }
    if (bytes.size() > INT_MAX) throw XmlError("XML document too large");

    xmlInitParser();
    const std::unique_ptr<xmlParserCtxt, ContextFree> context(
        xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size())));
    if (!context) throw XmlError("XML parser could not be created");
    TreeBuilder builder(document);
    context->_private = &builder;

    // Only these callbacks: no entity lookup or declaration, no DTD subsets, no references.
    xmlSAXHandler handler{};
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = onStartElement;
    handler.endElementNs = onEndElement;
    handler.characters = onCharacters;
    handler.ignorableWhitespace = onCharacters;
    handler.cdataBlock = onCData;
    handler.comment = onComment;
    handler.processingInstruction = onProcessingInstruction;
    handler.serror = onError;
    *context->sax = handler;
    context->userData = context.get();

    // No entity substitution, no DTD loading, no network; CDATA stays a node of its own; the
    // bytes are UTF-8 whatever the declaration says.
    xmlCtxtUseOptions(context.get(), XML_PARSE_NONET | XML_PARSE_IGNORE_ENC);
    xmlSwitchEncoding(context.get(), XML_CHAR_ENCODING_UTF8);
    xmlParseDocument(context.get());

    if (!context->wellFormed) {
        const ErrorRecord& record = builder.error;
        std::string message = record.set ? record.message : std::string("malformed XML");
        if (record.set)
            message += " (line " + std::to_string(record.line) + ", column " +
                       std::to_string(record.column) + ")";
        throw XmlError(message);
    }
    return document;
}

void initialiseXmlParser() {
    xmlInitParser();
}

}  // namespace epub
