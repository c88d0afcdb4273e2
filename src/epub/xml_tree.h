#pragma once
// Our own element tree, built from libxml2's parse and then independent of it. It keeps exactly
// what the package queries look at: local names, attributes, the children that count, and the
// text value of elements that hold nothing but one run of text.
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>
#include <vector>

namespace epub {

struct XmlAttribute {
    QString localName;  // after the first colon of the written name
    QString prefix;     // before it, empty when there is no colon
    QString value;      // entities and character references decoded once, not trimmed
};

struct XmlNode {
    enum class Kind { Element, Text, Comment, CData, ProcessingInstruction };

    Kind kind = Kind::Element;
    // Elements only; every other kind has an empty local name and no attributes.
    QString localName;
    QString prefix;
    QList<XmlAttribute> attributes;
    // Child elements, comments, CDATA sections, processing instructions and text runs holding
    // more than white space, in document order. White-space-only runs between elements are
    // dropped. A lone text run is not a child: it is the element's text value instead.
    std::vector<XmlNode> children;
    // Elements: the content when it is exactly one run of text, otherwise empty.
    // Other kinds: their own content.
    QString text;

    bool isElement() const { return kind == Kind::Element; }
    // Value of the first attribute whose local name equals name without regard to letter
    // case; empty when there is none.
    QString attribute(QStringView name) const;
    // Text value of the last child whose local name equals name without regard to ASCII
    // letter case; empty when there is none.
    QString childText(QStringView name) const;
};

// A parsed document: root is the document element. An empty document has a root with no
// name, no attributes and no children.
struct XmlDocument {
    XmlNode root;
};

// Parses bytes as UTF-8 whatever the XML declaration says (a leading UTF-8 byte-order mark
// is skipped). Empty input gives the empty document. Never touches the network, never loads
// or applies a DTD and never expands an entity other than the five predefined ones and
// numeric character references; any other reference, and a lone '&', stays in the text
// literally. The five entity names are recognised in any letter case. Throws XmlError with
// the parser's message and position on malformed input.
XmlDocument parseXmlDocument(QByteArrayView bytes);

// Sets up libxml2's global state. parseXmlDocument does this itself, but the first setup is not
// safe to race: a program that parses on several threads calls this once before they start.
void initialiseXmlParser();

}  // namespace epub
