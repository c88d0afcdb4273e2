#include "epub/xml_queries.h"

#include <QHash>
#include <vector>

#include "core/message_sink.h"
#include "epub/archive_reader.h"
#include "epub/errors.h"
#include "epub/reference_prepass.h"

namespace epub {

namespace {

// The names the per-item loops compare with, as views measured when compiling: a bare u"..."
// argument is measured again at every comparison, thousands of times in a long NCX.
constexpr QStringView kContent = u"content";
constexpr QStringView kHref = u"href";
constexpr QStringView kId = u"id";
constexpr QStringView kIdref = u"idref";
constexpr QStringView kNavLabel = u"navLabel";
constexpr QStringView kSrc = u"src";
constexpr QStringView kText = u"text";

// Is there an attribute whose local name is exactly name (letter case significant)?
bool hasAttributeNamed(const XmlNode& node, QStringView name) {
    for (const XmlAttribute& attribute : node.attributes) {
        if (attribute.localName == name) return true;
    }
    return false;
}

// Is there an attribute whose local name is exactly name and whose value equals value exactly?
bool hasAttributeWithValue(const XmlNode& node, QStringView name, const QString& value) {
    for (const XmlAttribute& attribute : node.attributes) {
        if (attribute.localName == name && attribute.valueEquals(value)) return true;
    }
    return false;
}

std::string missing(QStringView name) {
    return "Missing element: " + name.toString().toStdString();
}

}  // namespace

XmlDocumentQueries::XmlDocumentQueries(core::MessageSink& messages) : messages_(messages) {}

void XmlDocumentQueries::LoadXmlDocument(QByteArrayView bytes) {
    current_ = XmlDocument();  // the previous document is gone even when this parse fails
    current_ = parseXmlDocument(bytes);
}

const XmlNode* XmlDocumentQueries::FindTopElement(QStringView name) const {
    const XmlNode* found = nullptr;
    for (const XmlNode& child : root().children) {
        if (child.isElement() && child.localName == name) found = &child;
    }
    return found;
}

QString XmlDocumentQueries::GetXMLValue(QStringView p, QStringView c) const {
    QString result;
    for (const XmlNode& top : root().children) {
        if (!top.isElement() || top.localName != p) continue;
        for (const XmlNode& child : top.children) {
            if (child.isElement() && child.localName == c) result = child.text;
        }
    }
    return result;
}

QString XmlDocumentQueries::GetXMLValueWithAttribute(QStringView p, QStringView c,
                                                     QStringView a) const {
    QString result;
    for (const XmlNode& top : root().children) {
        if (!top.isElement() || top.localName != p) continue;
        for (const XmlNode& child : top.children) {
            if (child.isElement() && child.localName == c && hasAttributeNamed(child, a))
                result = child.text;
        }
    }
    return result;
}

QString XmlDocumentQueries::GetXMLValuex(QStringView p, QStringView a) {
    QString result;
    try {
        const XmlNode* top = FindTopElement(p);
        if (!top) throw MissingElementError(missing(p));
        // Every child counts, whatever its kind: the last one decides.
        for (const XmlNode& child : top->children) result = child.attribute(a);
    } catch (const XmlError& error) {
        messages_.showMessage(QStringLiteral("Hiba GetXMLValuex") +
                              QString::fromUtf8(error.what()));
    }
    return result;
}

QString XmlDocumentQueries::GetMetaContent(QStringView name) const {
    QString result;
    const XmlNode* metadata = FindTopElement(u"metadata");
    if (!metadata) return result;
    for (const XmlNode& child : metadata->children) {
        if (child.isElement() && child.localName == u"meta" && child.attributeEquals(u"name", name))
            result = child.attribute(u"content");
    }
    return result;
}

QString XmlDocumentQueries::GetIdentifierByScheme(QStringView scheme) const {
    QString result;
    const XmlNode* metadata = FindTopElement(u"metadata");
    if (!metadata) return result;
    for (const XmlNode& child : metadata->children) {
        if (child.isElement() && child.localName == u"identifier" &&
            child.attributeEquals(u"scheme", scheme))
            result = child.text;
    }
    return result;
}

void XmlDocumentQueries::GetSubjectList(QStringList& list) const {
    list.clear();
    const XmlNode* metadata = FindTopElement(u"metadata");
    if (!metadata) return;
    for (const XmlNode& child : metadata->children) {
        if (child.isElement() && child.localName == u"subject") list.append(child.text);
    }
}

QString XmlDocumentQueries::GetPackageVersion() const {
    return root().attribute(u"version");
}

void XmlDocumentQueries::GetXmlSpineList() {
    try {
        const XmlNode* spine = FindTopElement(u"spine");
        if (!spine) throw MissingElementError(missing(u"spine"));
        for (const XmlNode& child : spine->children) {
            for (const XmlAttribute& attribute : child.attributes) {
                if (attribute.localName == kIdref) XmlSpineList.append(child.attribute(kIdref));
            }
        }
    } catch (const XmlError& error) {
        messages_.showMessage(QStringLiteral("Hiba GetXmlSpineList") +
                              QString::fromUtf8(error.what()));
    }
}

void XmlDocumentQueries::GetXmlManifestList() {
    try {
        if (XmlSpineList.isEmpty()) return;
        const XmlNode* manifest = FindTopElement(u"manifest");
        if (!manifest) throw MissingElementError(missing(u"manifest"));
        // For every idref, each manifest child with an attribute named exactly "id" of that value
        // contributes, in manifest order. Indexed once instead of walking the manifest per idref:
        // books with thousands of items would otherwise cost millions of comparisons.
        // The items of one id are chained through next, in manifest order.
        struct ItemsOfId {
            qsizetype first = -1;
            qsizetype last = -1;
            qsizetype count = 0;
        };
        const auto& items = manifest->children;
        const auto itemCount = static_cast<qsizetype>(items.size());
        QHash<QString, ItemsOfId> itemsById;
        itemsById.reserve(itemCount);
        std::vector<qsizetype> next(items.size(), -1);
        for (qsizetype i = 0; i < itemCount; ++i) {
            for (const XmlAttribute& attribute : items[static_cast<std::size_t>(i)].attributes) {
                if (attribute.localName != kId) continue;
                ItemsOfId& chain = itemsById[attribute.value()];
                if (chain.last == i) continue;
                if (chain.last < 0)
                    chain.first = i;
                else
                    next[static_cast<std::size_t>(chain.last)] = i;
                chain.last = i;
                ++chain.count;
            }
        }
        // Repeated ids times repeated idrefs grow quadratically: past one entry per element a
        // document may hold, the book is hostile, not long. Counted before anything is built.
        qsizetype total = 0;
        for (const QString& idref : std::as_const(XmlSpineList)) {
            total += itemsById.value(idref).count;
            if (total > XmlLimits::kElements)
                throw BookReadError("Too many content documents in the spine");
        }
        XmlManifestList.reserve(XmlManifestList.size() + total);
        for (const QString& idref : std::as_const(XmlSpineList)) {
            const auto found = itemsById.constFind(idref);
            if (found == itemsById.constEnd()) continue;
            for (qsizetype i = found->first; i >= 0; i = next[static_cast<std::size_t>(i)])
                XmlManifestList.append(
                    archiveEntryName(items[static_cast<std::size_t>(i)].attribute(kHref)));
        }
    } catch (const XmlError& error) {
        messages_.showMessage(QStringLiteral("Hiba GetXmlManifestList01") +
                              QString::fromUtf8(error.what()));
    }
}

QString XmlDocumentQueries::GetCoverPath() {
    QString result;
    try {
        QString guideMarker;
        if (const XmlNode* guide = FindTopElement(u"guide")) {
            for (const XmlNode& reference : guide->children) {
                if (reference.attributeEquals(u"type", u"cover"))
                    guideMarker = reference.attribute(u"type");
            }
        }
        QString coverId;
        if (const XmlNode* metadata = FindTopElement(u"metadata")) {
            for (const XmlNode& child : metadata->children) {
                if (!child.isElement() || child.localName != u"meta") continue;
                const QString name = child.attribute(u"name");
                if (name == u"cover" || name == guideMarker) coverId = child.attribute(u"content");
            }
        }
        if (const XmlNode* manifest = FindTopElement(u"manifest")) {
            for (const XmlNode& item : manifest->children) {
                if (item.attributeEquals(u"id", coverId)) result = item.attribute(u"href");
            }
        }
    } catch (const XmlError& error) {
        messages_.showMessage(QStringLiteral("Hiba a feldolgozas kozben GetCoverPath") +
                              QString::fromUtf8(error.what()));
    }
    return result;
}

bool XmlDocumentQueries::HasCover() {
    return !GetCoverPath().isEmpty();
}

QString XmlDocumentQueries::GetNcxPath() {
    QString result;
    try {
        const XmlNode* spine = FindTopElement(u"spine");
        if (!spine) throw MissingElementError(missing(u"spine"));
        const QString tocId = spine->attribute(u"toc");
        const XmlNode* manifest = FindTopElement(u"manifest");
        if (!manifest) throw MissingElementError(missing(u"manifest"));
        for (const XmlNode& item : manifest->children) {
            if (hasAttributeWithValue(item, kId, tocId)) result = item.attribute(kHref);
        }
    } catch (const XmlError& error) {
        messages_.showMessage(QStringLiteral("Hiba GetNcxPath") + QString::fromUtf8(error.what()));
    }
    return result;
}

void XmlDocumentQueries::BuildToc(const XmlNode* element) {
    if (!element) return;
    QString label;
    QString target;
    for (const XmlNode& child : element->children) {
        if (!child.isElement()) continue;
        if (child.localName == kNavLabel)
            label = child.childText(kText);
        else if (child.localName == kContent)
            target = child.attribute(kSrc);
    }
    if (!label.isEmpty() || !target.isEmpty()) XmlTocList.append({label, TToc{label, target}});
    for (const XmlNode& child : element->children) BuildToc(&child);
}

}  // namespace epub
