// One input parsed by both parsers: pugixml's fast path, whenever it accepts a document, must
// build exactly the tree libxml2 builds from it (libxml2 must accept it too); what the fast path
// declines goes to libxml2 anyway, and the whole parse must then answer as libxml2 alone does.
// Any difference aborts, with both trees printed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "epub/errors.h"
#include "epub/pugixml_tree_builder.h"
#include "epub/xml_tree.h"

namespace {

void dumpText(const QString& text, QByteArray& out) {
    out += text.isNull() ? "(null)" : "\"" + text.toUtf8() + "\"";
}

// Everything the queries can see of a node, in one line per node.
void dump(const epub::XmlNode& node, int depth, QByteArray& out) {
    out += QByteArray(depth * 2, ' ') + QByteArray::number(int(node.kind)) + " " +
           node.prefix.toUtf8() + "|" + node.localName.toUtf8() + " ";
    for (const epub::XmlAttribute& attribute : node.attributes) {
        out += "[" + attribute.prefix.toUtf8() + "|" + attribute.localName.toUtf8() + "=" +
               (attribute.utf8Value.data() ? "\"" + attribute.utf8Value.toByteArray() + "\""
                                           : QByteArray("(null)")) +
               "]";
    }
    // A processing instruction without data is not told from one with empty data by pugixml,
    // and no query reads either.
    if (node.kind == epub::XmlNode::Kind::ProcessingInstruction)
        out += "\"" + node.text.toUtf8() + "\"";
    else
        dumpText(node.text, out);
    out += "\n";
    for (const epub::XmlNode& child : node.children) dump(child, depth + 1, out);
}

// The tree, or the refusal with its message.
QByteArray outcome(epub::XmlDocument (*parse)(QByteArrayView), QByteArrayView bytes) {
    try {
        QByteArray out;
        dump(parse(bytes).root, 0, out);
        return out;
    } catch (const epub::XmlError& error) {
        return QByteArray("refused: ") + error.what();
    }
}

[[noreturn]] void differ(const char* what, const QByteArray& fast, const QByteArray& reference) {
    std::fprintf(stderr, "%s\n--- pugixml path:\n%s\n--- libxml2:\n%s\n", what, fast.constData(),
                 reference.constData());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray reference = outcome(epub::parseXmlDocumentWithLibxml2, bytes);

    QByteArrayView unmarked = bytes;
    if (unmarked.startsWith(QByteArrayView("\xEF\xBB\xBF"))) unmarked = unmarked.sliced(3);
    if (!unmarked.isEmpty()) {
        epub::XmlDocument fast;
        if (epub::buildXmlTreeWithPugixml(unmarked, fast)) {
            QByteArray tree;
            dump(fast.root, 0, tree);
            if (tree != reference) differ("the fast path accepted differently", tree, reference);
        }
    }
    const QByteArray whole = outcome(epub::parseXmlDocument, bytes);
    if (whole != reference) differ("parseXmlDocument differs", whole, reference);
    return 0;
}
