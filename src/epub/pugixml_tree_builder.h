#pragma once
// pugixml's in-place parse straight into our tree: the fast path. pugixml is lenient where
// libxml2 is strict (duplicate attributes, several root elements, bytes that are not UTF-8,
// "--" in comments and more), so every such question is settled here before a document is
// accepted, and whatever cannot be settled cheaply goes to libxml2 instead.
#include <QByteArrayView>

#include "epub/xml_tree.h"

namespace epub {

// Parses bytes (no byte-order mark, not empty) into document and answers true when the tree is
// certain to be the one libxml2 would build from them: same accept, same nodes, same values.
// Answers false otherwise (malformed, past one of XmlLimits, or using what this path does not
// check, such as names outside ASCII), leaving document to be thrown away. Never throws
// XmlError: refusing, with libxml2's message, is libxml2's part.
bool buildXmlTreeWithPugixml(QByteArrayView bytes, XmlDocument& document);

}  // namespace epub
