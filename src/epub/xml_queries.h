#pragma once
// The package-document queries: one current document (container, OPF or NCX) and the three
// result lists the book model fills from it. Every query walks the tree again and answers by
// local names with the rules written beside it. Not reentrant: load one document, query it
// to the end, then load the next.
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

#include "epub/xml_tree.h"

namespace core {
class MessageSink;
}

namespace epub {

// One table-of-contents entry of the NCX.
struct TToc {
    QString Label;  // the navLabel text
    QString Src;    // the content target as written, fragment included
};

using TocEntry = std::pair<QString, TToc>;  // (label, entry)

class XmlDocumentQueries {
public:
    // Five queries report XML errors through messages (the "Hiba ..." texts).
    explicit XmlDocumentQueries(core::MessageSink& messages);

    // Replaces the current document; the previous one is gone even when the parse fails.
    // Throws XmlError on malformed input.
    void LoadXmlDocument(QByteArrayView bytes);
    const XmlDocument& CurrentDocument() const { return current_; }
    core::MessageSink& messages() const { return messages_; }

    // The last top-level element (child of the root) with this local name, or nullptr.
    const XmlNode* FindTopElement(QStringView name) const;

    // Text value of the last C child of any top-level P, in document order.
    QString GetXMLValue(QStringView p, QStringView c) const;
    // Like GetXMLValue, counting only C elements that carry an attribute named exactly A.
    QString GetXMLValueWithAttribute(QStringView p, QStringView c, QStringView a) const;
    // Attribute A of the last child (of any kind) of the last top-level P.
    // Throws MissingElementError when there is no top-level P.
    QString GetXMLValuex(QStringView p, QStringView a);
    // "content" of the last metadata "meta" whose "name" equals name exactly.
    QString GetMetaContent(QStringView name) const;
    // Text of the last metadata "identifier" whose "scheme" equals scheme exactly.
    QString GetIdentifierByScheme(QStringView scheme) const;
    // Clears list, then appends every metadata "subject" in document order.
    void GetSubjectList(QStringList& list) const;
    // "version" of the root element.
    QString GetPackageVersion() const;
    // Appends the spine's idrefs to XmlSpineList. Throws MissingElementError without a spine.
    void GetXmlSpineList();
    // Appends to XmlManifestList the href (backslashes) of the manifest items of every idref
    // of XmlSpineList, in reading order. Throws MissingElementError when XmlSpineList is not
    // empty and there is no manifest.
    void GetXmlManifestList();
    // href of the cover image's manifest item, as written.
    QString GetCoverPath();
    bool HasCover();
    // href of the manifest item the spine's "toc" names, as written. Throws
    // MissingElementError without a spine or a manifest.
    QString GetNcxPath();
    // Appends the navigation points below element (nullptr: nothing) to XmlTocList in
    // pre-order.
    void BuildToc(const XmlNode* element);

    QStringList XmlSpineList;
    QStringList XmlManifestList;
    QList<TocEntry> XmlTocList;

private:
    const XmlNode& root() const { return current_.root; }

    core::MessageSink& messages_;
    XmlDocument current_;
};

}  // namespace epub
