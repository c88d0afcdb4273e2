// The package-document queries: which element wins, which comparisons ignore case, and when a
// query raises instead of answering empty.
#include <gtest/gtest.h>

#include "epub/errors.h"
#include "epub/xml_queries.h"
#include "recording_sink.h"

using epub::MissingElementError;
using epub::XmlDocumentQueries;

namespace {

class Queries : public ::testing::Test {
protected:
    void load(const char* xml) { queries.LoadXmlDocument(QByteArrayView(xml)); }

    epubtest::RecordingSink sink;
    XmlDocumentQueries queries{sink};
};

}  // namespace

TEST_F(Queries, GetXMLValueTakesTheLastMatchingChildByExactLocalName) {
    load(
        "<package xmlns:dc='urn:dc' xmlns:opf='urn:opf'>"
        "<metadata><dc:title>First</dc:title><dc:creator>Author</"
        "dc:creator><dc:creator>Illustrator</dc:creator>"
        "<dc:Title>Wrong case</dc:Title></metadata>"
        "<metadata><dc:creator>Later block</dc:creator></metadata><metadata/>"
        "<spine><title>not metadata</title></spine></package>");
    EXPECT_EQ(queries.GetXMLValue(u"metadata", u"title"), QStringLiteral("First"));
    EXPECT_EQ(queries.GetXMLValue(u"metadata", u"creator"), QStringLiteral("Later block"));
    EXPECT_EQ(queries.GetXMLValue(u"metadata", u"publisher"), QString());
    EXPECT_EQ(queries.GetXMLValue(u"Metadata", u"title"), QString());
    EXPECT_EQ(queries.GetXMLValue(u"guide", u"title"), QString());

    load("<package><metadata><opf:title xmlns:opf='urn:opf'>opf</opf:title></metadata></package>");
    EXPECT_EQ(queries.GetXMLValue(u"metadata", u"title"), QStringLiteral("opf"));
    load("<package><metadata><dc:Title xmlns:dc='urn:dc'>x</dc:Title></metadata></package>");
    EXPECT_EQ(queries.GetXMLValue(u"metadata", u"title"), QString());
}

TEST_F(Queries, GetXMLValueWithAttributeCountsOnlyElementsCarryingTheExactAttribute) {
    load(
        "<package><metadata><identifier "
        "id='uid'>urn:uuid:1</identifier><identifier>second</identifier>"
        "<identifier ID='upper'>third</identifier></metadata></package>");
    EXPECT_EQ(queries.GetXMLValueWithAttribute(u"metadata", u"identifier", u"id"),
              QStringLiteral("urn:uuid:1"));
    EXPECT_EQ(queries.GetXMLValue(u"metadata", u"identifier"), QStringLiteral("third"));
    load(
        "<package><metadata><identifier opf:id='x' xmlns:opf='urn:opf'>prefixed</identifier>"
        "<identifier>no id</identifier></metadata></package>");
    EXPECT_EQ(queries.GetXMLValueWithAttribute(u"metadata", u"identifier", u"id"),
              QStringLiteral("prefixed"));
}

TEST_F(Queries, GetXMLValuexTakesTheAttributeOfTheLastChildOfAnyKind) {
    load(
        "<container><rootfiles><rootfile full-path='a.opf'/><rootfile "
        "FULL-PATH='b.opf'/></rootfiles></container>");
    EXPECT_EQ(queries.GetXMLValuex(u"rootfiles", u"full-path"), QStringLiteral("b.opf"));
    load(
        "<container><rootfiles><rootfile full-path='a.opf'/><!-- trailing "
        "--></rootfiles></container>");
    EXPECT_EQ(queries.GetXMLValuex(u"rootfiles", u"full-path"), QString());
    load("<container><rootfiles/></container>");
    EXPECT_EQ(queries.GetXMLValuex(u"rootfiles", u"full-path"), QString());
    load("<container><rootfile full-path='a.opf'/></container>");
    EXPECT_THROW(queries.GetXMLValuex(u"rootfiles", u"full-path"), MissingElementError);
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST_F(Queries, MetaContentAndIdentifierSchemeCompareValuesExactly) {
    load(
        "<package xmlns:opf='urn:opf' xmlns:dc='urn:dc'><metadata>"
        "<meta name='calibre:series' content='First series'/>"
        "<meta name='Calibre:Series' content='wrong case'/>"
        "<meta NAME='calibre:series' content='Second series'/>"
        "<meta name='calibre:series_index' content='2.0'/>"
        "<dc:identifier opf:scheme='ISBN'>978-0-00-000000-1</dc:identifier>"
        "<dc:identifier opf:scheme='isbn'>lower case scheme</dc:identifier>"
        "<dc:identifier>9780000000002</dc:identifier>"
        "</metadata></package>");
    EXPECT_EQ(queries.GetMetaContent(u"calibre:series"), QStringLiteral("Second series"));
    EXPECT_EQ(queries.GetMetaContent(u"calibre:series_index"), QStringLiteral("2.0"));
    EXPECT_EQ(queries.GetMetaContent(u"calibre:title_sort"), QString());
    EXPECT_EQ(queries.GetIdentifierByScheme(u"ISBN"), QStringLiteral("978-0-00-000000-1"));
    EXPECT_EQ(queries.GetIdentifierByScheme(u"UUID"), QString());

    load("<package><guide/></package>");
    EXPECT_EQ(queries.GetMetaContent(u"calibre:series"), QString());
    EXPECT_EQ(queries.GetIdentifierByScheme(u"ISBN"), QString());
}

TEST_F(Queries, SubjectListAndPackageVersion) {
    load(
        "<package "
        "version='3.0'><metadata><subject>A</subject><subject>B</subject><subject>A</subject>"
        "<Subject>case</Subject></metadata></package>");
    QStringList subjects{QStringLiteral("stale")};
    queries.GetSubjectList(subjects);
    EXPECT_EQ(subjects,
              (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A")}));
    EXPECT_EQ(queries.GetPackageVersion(), QStringLiteral("3.0"));
    load("<package/>");
    queries.GetSubjectList(subjects);
    EXPECT_TRUE(subjects.isEmpty());
    EXPECT_EQ(queries.GetPackageVersion(), QString());
}

TEST_F(Queries, SpineAndManifestFollowTheReadingOrder) {
    load(
        "<package><manifest><item id='a' href='Text/a.xhtml'/><item id='b' href='b.xhtml'/>"
        "<item id='unused' href='u.xhtml'/><item ID='c' href='upper-id.xhtml'/></manifest>"
        "<spine toc='ncx'><itemref idref='a'/><itemref idref='b'/><!-- c --><itemref idref='a'/>"
        "<itemref idref='missing'/><itemref IDREF='c'/><itemref/></spine></package>");
    queries.XmlSpineList.append(
        QStringLiteral("kept"));  // the caller empties the lists, not the query
    queries.GetXmlSpineList();
    EXPECT_EQ(queries.XmlSpineList,
              (QStringList{QStringLiteral("kept"), QStringLiteral("a"), QStringLiteral("b"),
                           QStringLiteral("a"), QStringLiteral("missing")}));
    queries.XmlSpineList.removeFirst();
    queries.GetXmlManifestList();
    EXPECT_EQ(queries.XmlManifestList,
              (QStringList{QStringLiteral("Text\\a.xhtml"), QStringLiteral("b.xhtml"),
                           QStringLiteral("Text\\a.xhtml")}));
}

TEST_F(Queries, SpineAndManifestRaiseWhenTheirElementIsMissing) {
    queries.LoadXmlDocument(QByteArrayView());
    EXPECT_THROW(queries.GetXmlSpineList(), MissingElementError);
    EXPECT_EQ(queries.GetXMLValue(u"metadata", u"title"), QString());

    load("<package><spine><itemref idref='a'/></spine></package>");
    queries.GetXmlSpineList();
    EXPECT_THROW(queries.GetXmlManifestList(), MissingElementError);

    // An empty reading order needs no manifest.
    queries.XmlSpineList.clear();
    load("<package><spine/></package>");
    queries.GetXmlSpineList();
    EXPECT_NO_THROW(queries.GetXmlManifestList());
    EXPECT_TRUE(queries.XmlManifestList.isEmpty());
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST_F(Queries, CoverPathUsesMetaCoverAndTheGuideMarker) {
    load(
        "<package><metadata><meta name='cover' content='img'/></metadata>"
        "<manifest><item id='img' href='images/cover.jpg'/><item id='other' "
        "href='x.jpg'/></manifest></package>");
    EXPECT_EQ(queries.GetCoverPath(), QStringLiteral("images/cover.jpg"));  // slashes as written
    EXPECT_TRUE(queries.HasCover());

    // Without a guide cover reference a meta without name also sets the id (here to empty).
    load(
        "<package><metadata><meta name='cover' content='img'/><meta "
        "property='dcterms:modified'>2020</meta>"
        "</metadata><manifest><item id='img' href='cover.jpg'/></manifest></package>");
    EXPECT_EQ(queries.GetCoverPath(), QString());
    EXPECT_FALSE(queries.HasCover());

    // With one, only name='cover' counts.
    load(
        "<package><metadata><meta name='cover' content='img'/><meta "
        "property='dcterms:modified'>2020</meta>"
        "</metadata><manifest><item id='img' href='cover.jpg'/></manifest>"
        "<guide><reference type='cover' href='cover.xhtml'/></guide></package>");
    EXPECT_EQ(queries.GetCoverPath(), QStringLiteral("cover.jpg"));

    // Last match wins in metadata and manifest; a value of another case does not match.
    load(
        "<package><metadata><meta name='cover' content='one'/><meta name='cover' content='two'/>"
        "<meta name='Cover' content='one'/></metadata>"
        "<manifest><item id='two' href='a.jpg'/><item id='two' href='b.jpg'/><item id='one' "
        "href='c.jpg'/>"
        "</manifest><guide><reference type='cover'/></guide></package>");
    EXPECT_EQ(queries.GetCoverPath(), QStringLiteral("b.jpg"));

    load("<package><manifest><item id='img' href='cover.jpg'/></manifest></package>");
    EXPECT_EQ(queries.GetCoverPath(), QString());
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST_F(Queries, NcxPathIsTheManifestItemTheSpineNames) {
    load(
        "<package><manifest><item id='ncx' href='nav/toc.ncx'/><item id='ncx' href='second.ncx'/>"
        "<item id='x' href='x.xhtml'/></manifest><spine toc='ncx'/></package>");
    EXPECT_EQ(queries.GetNcxPath(), QStringLiteral("second.ncx"));
    load(
        "<package><manifest><item id='ncx' href='toc.ncx'/></manifest><spine "
        "toc='NCX'/></package>");
    EXPECT_EQ(queries.GetNcxPath(), QString());
    load("<package><manifest><item href='toc.ncx'/></manifest><spine/></package>");
    EXPECT_EQ(queries.GetNcxPath(), QString());
    load("<package><manifest/></package>");
    EXPECT_THROW(queries.GetNcxPath(), MissingElementError);
    load("<package><spine toc='ncx'/></package>");
    EXPECT_THROW(queries.GetNcxPath(), MissingElementError);
}

TEST_F(Queries, BuildTocWalksNavPointsInPreOrder) {
    load(
        "<ncx><head><meta name='x' "
        "content='y'/></head><docTitle><text>Book</text></docTitle><navMap>"
        "<navPoint><navLabel><text>One</text></navLabel><content src='one.xhtml#start'/>"
        "  <navPoint><navLabel><text>One.A</text></navLabel><content src='one.xhtml#a'/>"
        "    <navPoint><navLabel><text>One.A.i</text></navLabel><content "
        "src='one.xhtml#i'/></navPoint>"
        "  </navPoint>"
        "</navPoint>"
        "<navPoint><navLabel><text>Label only</text></navLabel></navPoint>"
        "<navPoint><content src='target-only.xhtml'/></navPoint>"
        "<navPoint><!-- neither -->"
        "  <navPoint><navLabel><TEXT>Nested</TEXT></navLabel><content src='n.xhtml'/>"
        "    <content src='n2.xhtml'/></navPoint>"
        "</navPoint>"
        "</navMap><pageList><pageTarget><navLabel><text>p1</text></navLabel><content "
        "src='p'/></pageTarget>"
        "</pageList></ncx>");
    queries.BuildToc(queries.FindTopElement(u"navMap"));
    const QList<std::pair<QString, QString>> expected = {
        {QStringLiteral("One"), QStringLiteral("one.xhtml#start")},
        {QStringLiteral("One.A"), QStringLiteral("one.xhtml#a")},
        {QStringLiteral("One.A.i"), QStringLiteral("one.xhtml#i")},
        {QStringLiteral("Label only"), QString()},
        {QString(), QStringLiteral("target-only.xhtml")},
        {QStringLiteral("Nested"), QStringLiteral("n2.xhtml")},
    };
    ASSERT_EQ(queries.XmlTocList.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(queries.XmlTocList[i].first, expected[i].first) << i;
        EXPECT_EQ(queries.XmlTocList[i].second.Label, expected[i].first) << i;
        EXPECT_EQ(queries.XmlTocList[i].second.Src, expected[i].second) << i;
    }
    queries.BuildToc(nullptr);
    EXPECT_EQ(queries.XmlTocList.size(), expected.size());
}

TEST_F(Queries, FindTopElementAndAFailedLoadLeaveNoDocument) {
    load("<package><spine id='1'/><metadata/><spine id='2'/><x><spine id='deep'/></x></package>");
    ASSERT_NE(queries.FindTopElement(u"spine"), nullptr);
    EXPECT_EQ(queries.FindTopElement(u"spine")->attribute(u"id"), QStringLiteral("2"));
    EXPECT_EQ(queries.FindTopElement(u"Spine"), nullptr);
    EXPECT_EQ(queries.FindTopElement(u"package"), nullptr);
    EXPECT_THROW(load("<package><spine></package>"), epub::XmlError);
    EXPECT_EQ(queries.FindTopElement(u"spine"), nullptr);
}
