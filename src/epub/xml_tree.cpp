#include "epub/xml_tree.h"

#include <libxml/parser.h>

#include <QAnyStringView>
#include <QUtf8StringView>
#include <algorithm>
#include <cstring>
#include <iterator>

#include "epub/pugixml_tree_builder.h"
#include "epub/reference_prepass.h"
#include "epub/xml_tree_builder.h"

namespace epub {

// ---------------------------------------------------------------------------------------------
// Storage

// The last block nearly always has room: only starting a new one is a call.
template <class T, std::size_t First, std::size_t Largest>
inline std::vector<T>& XmlStorage::Blocks<T, First, Largest>::roomFor(std::size_t count) {
    if (blocks.empty() || blocks.back().capacity() - blocks.back().size() < count)
        return newBlock(count);
    return blocks.back();
}

template <class T, std::size_t First, std::size_t Largest>
[[gnu::noinline]] std::vector<T>& XmlStorage::Blocks<T, First, Largest>::newBlock(
    std::size_t count) {
    const std::size_t length =
        blocks.size() < 16 ? std::min(First << blocks.size(), Largest) : Largest;
    blocks.emplace_back().reserve(std::max(count, length));
    return blocks.back();
}

const XmlNode* XmlStorage::keep(std::vector<XmlNode>& nodes) {
    if (nodes.empty()) return nullptr;
    std::vector<XmlNode>& block = nodes_.roomFor(nodes.size());
    const std::size_t first = block.size();
    block.insert(block.end(), std::make_move_iterator(nodes.begin()),
                 std::make_move_iterator(nodes.end()));
    nodes.clear();
    return block.data() + first;
}

XmlAttribute* XmlStorage::newAttributes(std::size_t count) {
    if (count == 0) return nullptr;
    std::vector<XmlAttribute>& block = attributes_.roomFor(count);
    const std::size_t first = block.size();
    // One at a time, inline: an element has a few, and resize() is a call with a loop of its own.
    for (std::size_t i = 0; i < count; ++i) block.emplace_back();
    return block.data() + first;
}

QByteArrayView XmlStorage::keepBytes(QByteArrayView bytes) {
    static constexpr char kEmpty[] = "";
    if (bytes.isEmpty()) return QByteArrayView(kEmpty, 0);
    std::vector<char>& block = bytes_.roomFor(static_cast<std::size_t>(bytes.size()));
    const std::size_t first = block.size();
    block.insert(block.end(), bytes.begin(), bytes.end());
    return QByteArrayView(block.data() + first, bytes.size());
}

char* XmlStorage::keepSource(QByteArrayView bytes, QByteArrayView tail) {
    const auto size = std::size_t(bytes.size());
    source_ = std::make_unique_for_overwrite<char[]>(size + std::size_t(tail.size()) + 1);
    std::memcpy(source_.get(), bytes.data(), size);
    std::memcpy(source_.get() + size, tail.data(), std::size_t(tail.size()));
    source_[size + std::size_t(tail.size())] = 0;
    return source_.get();
}

// ---------------------------------------------------------------------------------------------
// Lookups

bool XmlAttribute::valueEquals(QStringView text) const {
    return QAnyStringView::equal(QUtf8StringView(utf8Value.data(), utf8Value.size()), text);
}

namespace {

// QString::compare without regard to case, answering first what it can without folding: case
// folding maps a character to one of the same length, so texts of different lengths differ,
// and two ASCII texts are equal when their lower-case forms are.
bool equalsIgnoringCase(QStringView a, QStringView b) {
    if (a.size() != b.size()) return false;
    // The same units: equal in any case (names are mostly asked for as they are written).
    if (a.isEmpty() || std::memcmp(a.data(), b.data(), std::size_t(a.size()) * sizeof(QChar)) == 0)
        return true;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if ((x | y) >= 0x80) return a.compare(b, Qt::CaseInsensitive) == 0;
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

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

QString XmlNode::attribute(QStringView name) const {
    for (const XmlAttribute& attribute : attributes) {
        if (equalsIgnoringCase(attribute.localName, name)) return attribute.value();
    }
    return QString();
}

bool XmlNode::attributeEquals(QStringView name, QStringView value) const {
    for (const XmlAttribute& attribute : attributes) {
        if (equalsIgnoringCase(attribute.localName, name)) return attribute.valueEquals(value);
    }
    return value.isEmpty();
}

QString XmlNode::childText(QStringView name) const {
    QString result;
    for (const XmlNode& child : children) {
        if (child.isElement() && equalsAsciiCaseInsensitive(child.localName, name))
            result = child.text;
    }
    return result;
}

namespace {

// bytes: without the byte-order mark, not empty.
XmlDocument parseWithLibxml2(QByteArrayView bytes) {
    XmlDocument document;
    // Most documents hold no DOCTYPE and only references the parser decodes as they stand:
    // those are parsed as they are, once the pre-pass has found them within the limits.
    QByteArray prepared;
    if (prepareXmlBytes(bytes, prepared)) bytes = prepared;
    buildXmlTree(bytes, document);
    return document;
}

}  // namespace

XmlDocument parseXmlDocument(QByteArrayView bytes) {
    if (bytes.startsWith(QByteArrayView("\xEF\xBB\xBF"))) bytes = bytes.sliced(3);
    if (bytes.isEmpty()) return XmlDocument();
    // Documents pugixml cannot vouch for (malformed, near a limit, or using what it does not
    // check) are libxml2's to parse or to refuse with its message.
    XmlDocument document;
    if (buildXmlTreeWithPugixml(bytes, document)) return document;
    return parseWithLibxml2(bytes);
}

XmlDocument parseXmlDocumentWithLibxml2(QByteArrayView bytes) {
    if (bytes.startsWith(QByteArrayView("\xEF\xBB\xBF"))) bytes = bytes.sliced(3);
    if (bytes.isEmpty()) return XmlDocument();
    return parseWithLibxml2(bytes);
}

void initialiseXmlParser() {
    xmlInitParser();
}

}  // namespace epub
