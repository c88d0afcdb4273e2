#pragma once
// Our own element tree, built from pugixml's parse (libxml2's for the documents pugixml cannot
// vouch for) and then independent of either. It keeps exactly what the package queries look at:
// local names, attributes, the children that count, and the text value of elements that hold
// nothing but one run of text.
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <memory>
#include <vector>

namespace epub {

// A node's attributes or children: a read-only run of the document's storage (see XmlDocument),
// valid as long as the document. Size is the type the counts are compared with.
template <class T, class Size>
class XmlRun {
public:
    XmlRun() = default;
    XmlRun(const T* first, Size count) : first_(first), count_(count) {}

    const T* begin() const { return first_; }
    const T* end() const { return first_ + count_; }
    Size size() const { return count_; }
    bool empty() const { return count_ == 0; }
    bool isEmpty() const { return count_ == 0; }
    const T& operator[](Size i) const { return first_[i]; }
    const T& front() const { return first_[0]; }
    const T& back() const { return first_[count_ - 1]; }

private:
    const T* first_ = nullptr;
    Size count_ = 0;
};

struct XmlAttribute {
    QString localName;  // after the first colon of the written name
    QString prefix;     // before it, empty when there is no colon
    // The value in UTF-8, entities and character references decoded once, not trimmed. It lies
    // in the document's storage and becomes text only when asked for: most values of a package
    // document or NCX (media types, play orders, ids of navigation points) are never read.
    QByteArrayView utf8Value;

    QString value() const { return QString::fromUtf8(utf8Value); }
    // value() == text, without making the text.
    bool valueEquals(QStringView text) const;
};

struct XmlNode {
    enum class Kind { Element, Text, Comment, CData, ProcessingInstruction };

    Kind kind = Kind::Element;
    // Elements only; every other kind has an empty local name and no attributes.
    QString localName;
    QString prefix;
    XmlRun<XmlAttribute, qsizetype> attributes;
    // Child elements, comments, CDATA sections, processing instructions and text runs holding
    // more than white space, in document order. White-space-only runs between elements are
    // dropped. A lone text run is not a child: it is the element's text value instead.
    XmlRun<XmlNode, std::size_t> children;
    // Elements: the content when it is exactly one run of text, otherwise empty.
    // Other kinds: their own content.
    QString text;

    bool isElement() const { return kind == Kind::Element; }
    // Value of the first attribute whose local name equals name without regard to letter
    // case; empty when there is none.
    QString attribute(QStringView name) const;
    // attribute(name) == value, without making the text.
    bool attributeEquals(QStringView name, QStringView value) const;
    // Text value of the last child whose local name equals name without regard to ASCII
    // letter case; empty when there is none.
    QString childText(QStringView name) const;
};

// Where a document's nodes and attributes live: each run of siblings (or of one element's
// attributes) is stored whole in a block that never moves, a few large allocations for the
// document instead of one or two per element. The blocks go with the document.
class XmlStorage {
public:
    // Moves nodes into storage and answers where they now are.
    const XmlNode* keep(std::vector<XmlNode>& nodes);
    // count fresh attributes, side by side.
    XmlAttribute* newAttributes(std::size_t count);
    // A copy of bytes, kept as long as the document (never a null view).
    QByteArrayView keepBytes(QByteArrayView bytes);
    // A writable copy of the whole document followed by tail and a zero byte, kept as long as
    // the document: parsed in place, its names and values are what the nodes point into.
    char* keepSource(QByteArrayView bytes, QByteArrayView tail);

private:
    // Blocks grow from First (a container document has a handful of elements) to Largest, a
    // size where a long NCX needs few of them; a run longer than that has a block of its own.
    template <class T, std::size_t First, std::size_t Largest>
    struct Blocks {
        std::vector<std::vector<T>> blocks;
        // Room for count more in the last block (a new one when it is full); never reallocates
        // a block, so what is stored keeps its address.
        std::vector<T>& roomFor(std::size_t count);
        std::vector<T>& newBlock(std::size_t count);
    };
    Blocks<XmlNode, 32, 1024> nodes_;
    Blocks<XmlAttribute, 32, 1024> attributes_;
    Blocks<char, 1024, 64 * 1024> bytes_;
    std::unique_ptr<char[]> source_;
};

// A parsed document: root is the document element. An empty document has a root with no
// name, no attributes and no children. Every node below the root points into storage, so a
// document can be moved but not copied.
struct XmlDocument {
    XmlDocument() = default;
    XmlDocument(XmlDocument&&) = default;
    XmlDocument& operator=(XmlDocument&&) = default;
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    XmlNode root;
    XmlStorage storage;
};

// Parses bytes as UTF-8 whatever the XML declaration says (a leading UTF-8 byte-order mark
// is skipped). Empty input gives the empty document. Never touches the network, never loads
// or applies a DTD and never expands an entity other than the five predefined ones and
// numeric character references; any other reference, and a lone '&', stays in the text
// literally. The five entity names are recognised in any letter case. Throws XmlError with
// the parser's message and position on malformed input.
XmlDocument parseXmlDocument(QByteArrayView bytes);

// The same with libxml2 alone: the reference parseXmlDocument answers alike for every input
// (whatever the fast path accepts, this accepts into the same tree; the rest comes from here).
XmlDocument parseXmlDocumentWithLibxml2(QByteArrayView bytes);

// Sets up libxml2's global state. parseXmlDocument does this itself, but the first setup is not
// safe to race: a program that parses on several threads calls this once before they start.
void initialiseXmlParser();

}  // namespace epub
