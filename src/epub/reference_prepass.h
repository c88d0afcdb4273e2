#pragma once
// What the bytes of a document go through before libxml2 sees them: the size limits that keep
// reading linear in time and bounded in memory, and the rewrite of references and DOCTYPE that
// keeps the parser away from anything a book's DTD could make it do. The pugixml path applies
// the same limits and decodes references by the same rules (recogniseReference below).
#include <QByteArray>
#include <QByteArrayView>
#include <cstddef>

namespace epub {

// Far above any real container, package document or NCX (tens of attributes on an element at
// most, a few thousand elements, a few hundred kilobytes of text), far below what would stall
// the parser or exhaust memory. A document past any of them is refused as a damaged book.
struct XmlLimits {
    // libxml2 checks a start tag's attributes against each other pair by pair.
    static constexpr qsizetype kAttributesPerElement = 128;
    static constexpr qsizetype kAttributes = 400'000;
    static constexpr qsizetype kElements = 200'000;
    static constexpr qsizetype kDepth = 256;
    // Character data, attribute values, comments, CDATA and processing instructions together.
    static constexpr qsizetype kTextBytes = 8 * 1024 * 1024;
    // Each lone '&' grows to "&amp;".
    static constexpr qsizetype kLiteralAmpersands = 1'000'000;
};

// Walks every tag of in once. Throws XmlError naming the limit when the document passes one of
// XmlLimits. Otherwise returns false when in can go to the parser as it stands, or true with
// the rewritten document in out: every '&' outside comments, CDATA and processing instructions
// that does not start one of the five predefined entities (any letter case) or a numeric
// reference to a legal character becomes "&amp;", the five names are written in lower case,
// and the DOCTYPE declaration is blanked out (line breaks kept so that positions in error
// messages stay right).
bool prepareXmlBytes(QByteArrayView in, QByteArray& out);

// A reference the parser decodes, recognised at a '&'.
struct XmlReference {
    qsizetype length = 0;              // of the written reference; 0: the '&' stays literal
    char32_t character = 0;            // what it stands for
    const char* entityName = nullptr;  // the entity in lower case, null for a numeric one
};

// At *at == '&' (end: the end of the text): one of the five predefined entities in any letter
// case, or a numeric reference of at most eight digits to a character XML allows, ended by ';'.
XmlReference recogniseReference(const char* at, const char* end);

// Decodes the references of text (size bytes) in place and answers the new size; every other '&'
// stays and is counted in literalAmpersands.
std::size_t decodeReferences(char* text, std::size_t size, qsizetype& literalAmpersands);

// At "<!DOCTYPE" (in[pos]): where the declaration ends, internal subset, quoted strings and
// comments included; the end of input when it is not closed.
qsizetype doctypeEnd(QByteArrayView in, qsizetype pos);

}  // namespace epub
