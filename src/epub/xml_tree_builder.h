#pragma once
// libxml2's SAX2 parse straight into our tree: libxml2's own tree is never made. It is the
// reference parser: pugixml's faster parse hands it every document it cannot vouch for.
#include <QByteArrayView>

#include "epub/xml_tree.h"

namespace epub {

// Parses bytes (already through the reference pre-pass) as UTF-8 into document. No entity,
// DTD or external-subset callback is installed, so nothing of a DTD can reach the tree. Throws
// XmlError with the parser's message and position on malformed input.
void buildXmlTree(QByteArrayView bytes, XmlDocument& document);

}  // namespace epub
