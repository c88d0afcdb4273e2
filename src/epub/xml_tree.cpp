#include "epub/xml_tree.h"

#include <libxml/parser.h>

#include "epub/reference_prepass.h"
#include "epub/xml_tree_builder.h"

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

XmlDocument parseXmlDocument(QByteArrayView bytes) {
    XmlDocument document;
    if (bytes.startsWith(QByteArrayView("\xEF\xBB\xBF"))) bytes = bytes.sliced(3);
    if (bytes.isEmpty()) return document;

    // Most documents hold no DOCTYPE and only references the parser decodes as they stand:
    // those are parsed as they are, once the pre-pass has found them within the limits.
    QByteArray prepared;
    if (prepareXmlBytes(bytes, prepared)) bytes = prepared;
    buildXmlTree(bytes, document);
    return document;
}

void initialiseXmlParser() {
    xmlInitParser();
}

}  // namespace epub
