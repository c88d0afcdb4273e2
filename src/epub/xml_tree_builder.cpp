#include "epub/xml_tree_builder.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "epub/errors.h"
#include "epub/xml_names.h"

namespace epub {

namespace {

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

// The name as written (prefix, colon, name) split into prefix and local name.
void decodedName(const xmlChar* prefix, const xmlChar* name, QString& outPrefix,
                 QString& outLocal) {
    const std::string_view local = name ? reinterpret_cast<const char*>(name) : "";
    if (!prefix || !*prefix) {
        splitWrittenName(local, outPrefix, outLocal);
        return;
    }
    std::string written = reinterpret_cast<const char*>(prefix);
    written += ':';
    written += local;
    splitWrittenName(written, outPrefix, outLocal);
}

// Names come from the parser's dictionary, so the same pointers repeat: each (prefix, name) is
// decoded once and then shared. The local name is what follows the first colon of the name as
// written. The pointers index an open-addressed table; past kCachedNames distinct names (far more
// than a package document or NCX uses) the others are decoded at each use.
class NameCache {
public:
    void split(const xmlChar* prefix, const xmlChar* name, QString& outPrefix, QString& outLocal) {
        std::size_t i = slotOf(prefix, name);
        for (; slots_[i].name; i = (i + 1) % slots_.size()) {
            if (slots_[i].prefix == prefix && slots_[i].name == name) {
                const auto& [cachedPrefix, cachedLocal] = names_[slots_[i].entry];
                outPrefix = cachedPrefix;
                outLocal = cachedLocal;
                return;
            }
        }
        decodedName(prefix, name, outPrefix, outLocal);
        if (!name || names_.size() == kCachedNames) return;
        slots_[i] = Slot{prefix, name, names_.size()};
        names_.emplace_back(outPrefix, outLocal);
    }

private:
    // Twice as many slots as names kept: probes stay short.
    static constexpr std::size_t kCachedNames = 128;

    struct Slot {
        const xmlChar* prefix = nullptr;
        const xmlChar* name = nullptr;  // null: a free slot
        std::size_t entry = 0;          // in names_
    };

    static std::size_t slotOf(const xmlChar* prefix, const xmlChar* name) {
        constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
        const std::uint64_t key =
            (std::uint64_t(reinterpret_cast<std::uintptr_t>(name)) * kMultiplier +
             std::uint64_t(reinterpret_cast<std::uintptr_t>(prefix))) *
            kMultiplier;
        return static_cast<std::size_t>(key >> 56);  // the top 8 bits: one of 256 slots
    }

    std::array<Slot, 2 * kCachedNames> slots_{};
    std::vector<std::pair<QString, QString>> names_;  // (prefix, local name)
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
            node = &parent.children.emplace_back();
        }
        node->kind = XmlNode::Kind::Element;
        names_.split(prefix, localname, node->prefix, node->localName);
        if (attributeCount > 0) {
            XmlAttribute* const stored =
                document_.storage.newAttributes(static_cast<std::size_t>(attributeCount));
            for (int i = 0; i < attributeCount; ++i) {
                const xmlChar* const* attribute = attributes + 5 * i;
                XmlAttribute& target = stored[i];
                names_.split(attribute[1], attribute[0], target.prefix, target.localName);
                target.utf8Value = attributeValue(attribute[3], attribute[4]);
            }
            node->attributes = {stored, attributeCount};
        }
        // node lives in its parent's frame: a new frame moves the frames, not their children.
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
        // The children are complete: they move, all together, to the document's storage.
        const std::size_t count = frame.children.size();
        frame.node->children = {document_.storage.keep(frame.children), count};
        if (frame.run.capacity() > kKeptRunCapacity) std::string().swap(frame.run);
    }

    void characters(const xmlChar* text, int length) {
        if (depth_ == 0) return;
        frames_[depth_ - 1].run.append(reinterpret_cast<const char*>(text), std::size_t(length));
    }

    void otherItem(XmlNode::Kind kind, const xmlChar* text, int length = -1) {
        if (depth_ == 0) return;  // outside the root element: not part of the tree
        Frame& parent = frames_[depth_ - 1];
        beginItem(parent);
        XmlNode& node = parent.children.emplace_back();
        node.kind = kind;
        if (text)
            node.text = length < 0 ? fromUtf8(text)
                                   : QString::fromUtf8(reinterpret_cast<const char*>(text), length);
    }

private:
    // Pending text of a level is kept for reuse up to this size.
    static constexpr std::size_t kKeptRunCapacity = 64 * 1024;

    // One open element. The vectors of a level are reused by every element at that depth.
    struct Frame {
        XmlNode* node = nullptr;
        std::vector<XmlNode> children;  // so far; stored with the document at the end tag
        std::string run;                // pending character data, UTF-8
        bool mixed = false;             // some item other than text seen
    };

    // A non-text item arrives: the text before it becomes a child unless it is all white space.
    void beginItem(Frame& frame) {
        flushRun(frame);
        frame.mixed = true;
    }

    static void flushRun(Frame& frame) {
        if (!frame.run.empty() && !isBlank(frame.run)) {
            XmlNode& text = frame.children.emplace_back();
            text.kind = XmlNode::Kind::Text;
            text.text = QString::fromUtf8(frame.run.data(), qsizetype(frame.run.size()));
        }
        frame.run.clear();
    }

    // Without entity substitution libxml2 hands a decoded '&' over as "&#38;"; every other
    // reference is already decoded, and no other '&' can remain after the reference pass.
    QByteArrayView attributeValue(const xmlChar* begin, const xmlChar* end) {
        const QByteArrayView written(reinterpret_cast<const char*>(begin),
                                     reinterpret_cast<const char*>(end));
        // memchr: QByteArrayView::contains goes through the general substring search.
        if (!std::memchr(written.data(), '&', std::size_t(written.size())))
            return document_.storage.keepBytes(written);
        QByteArray value = written.toByteArray();
        value.replace("&#38;", "&");
        return document_.storage.keepBytes(value);
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

// The memory context copies the whole document into its input buffer at once, yet keeps a read
// callback that yields nothing; while that callback is set, the parser "grows" the buffer (and
// calls it) at nearly every token of the last few hundred bytes, which is most of a small
// document. Without it the parser knows the input is complete. Past XML_MAX_LOOKUP_LIMIT the
// parser refuses an input without that callback, so a document that large (none is real) keeps
// it.
xmlParserCtxt* newParserContext(QByteArrayView bytes) {
    xmlParserCtxt* context =
        xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size()));
    if (context && context->input && context->input->buf && bytes.size() <= XML_MAX_LOOKUP_LIMIT)
        context->input->buf->readcallback = nullptr;
    return context;
}

}  // namespace

void buildXmlTree(QByteArrayView bytes, XmlDocument& document) {
    if (bytes.size() > INT_MAX) throw XmlError("XML document too large");
    xmlInitParser();
    const std::unique_ptr<xmlParserCtxt, ContextFree> context(newParserContext(bytes));
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
}

}  // namespace epub
