// Parsing into our element tree: names, children, the text-value rule, references, safety.
#include <gtest/gtest.h>

#include <QFile>

#include "epub/errors.h"
#include "epub/pugixml_tree_builder.h"
#include "epub/xml_tree.h"
#include "support/temp_tree.h"

using epub::parseXmlDocument;
using epub::XmlDocument;
using epub::XmlNode;

namespace {

XmlDocument parse(const char* xml) {
    return parseXmlDocument(QByteArrayView(xml));
}

// Text value of the root's only child element.
QString firstChildText(const char* xml) {
    const XmlDocument doc = parse(xml);
    EXPECT_FALSE(doc.root.children.empty()) << xml;
    return doc.root.children.empty() ? QString() : doc.root.children.front().text;
}

}  // namespace

TEST(XmlTree, LocalNameIsTheTextAfterTheFirstColon) {
    const XmlDocument doc = parse(
        "<opf:package xmlns:opf='urn:opf' xmlns:dc='urn:dc'>"
        "<dc:title>a</dc:title><opf:title>b</opf:title><title>c</title><x:y:z>d</"
        "x:y:z><undeclared:title/>"
        "</opf:package>");
    EXPECT_EQ(doc.root.localName, QStringLiteral("package"));
    EXPECT_EQ(doc.root.prefix, QStringLiteral("opf"));
    ASSERT_EQ(doc.root.children.size(), 5u);
    EXPECT_EQ(doc.root.children[0].localName, QStringLiteral("title"));
    EXPECT_EQ(doc.root.children[0].prefix, QStringLiteral("dc"));
    EXPECT_EQ(doc.root.children[1].localName, QStringLiteral("title"));
    EXPECT_EQ(doc.root.children[2].localName, QStringLiteral("title"));
    EXPECT_EQ(doc.root.children[3].localName, QStringLiteral("y:z"));
    EXPECT_EQ(doc.root.children[3].prefix, QStringLiteral("x"));
    EXPECT_EQ(doc.root.children[4].localName, QStringLiteral("title"));
}

TEST(XmlTree, ChildrenAreElementsCommentsCDataPisAndNonBlankText) {
    const XmlDocument doc = parse(
        "<root>\n  <a/>\n  <!-- note -->\n  <![CDATA[raw <b>]]>\n  <?pi data?>\n  loose text\n  "
        "<b/>\n</root>");
    const auto& children = doc.root.children;
    ASSERT_EQ(children.size(), 6u);
    EXPECT_EQ(children[0].kind, XmlNode::Kind::Element);
    EXPECT_EQ(children[1].kind, XmlNode::Kind::Comment);
    EXPECT_EQ(children[1].localName, QString());
    EXPECT_EQ(children[2].kind, XmlNode::Kind::CData);
    EXPECT_EQ(children[2].text, QStringLiteral("raw <b>"));
    EXPECT_EQ(children[3].kind, XmlNode::Kind::ProcessingInstruction);
    EXPECT_EQ(children[4].kind, XmlNode::Kind::Text);
    EXPECT_EQ(children[4].text, QStringLiteral("\n  loose text\n  "));
    EXPECT_EQ(children[5].localName, QStringLiteral("b"));
    EXPECT_TRUE(doc.root.text.isEmpty());
}

TEST(XmlTree, TextValueOnlyForASingleRunOfText) {
    // Kept exactly, line breaks and spaces included.
    EXPECT_EQ(firstChildText("<r><t>\n  Title  \n</t></r>"), QStringLiteral("\n  Title  \n"));
    EXPECT_EQ(firstChildText("<r><t>   </t></r>"), QStringLiteral("   "));
    EXPECT_EQ(firstChildText("<r><t></t></r>"), QString());
    // Anything else in the content empties the value.
    EXPECT_EQ(firstChildText("<r><t>a<b>c</b></t></r>"), QString());
    EXPECT_EQ(firstChildText("<r><t>a<!--c--></t></r>"), QString());
    EXPECT_EQ(firstChildText("<r><t><![CDATA[only cdata]]></t></r>"), QString());
    EXPECT_EQ(firstChildText("<r><t>a<?pi?></t></r>"), QString());
    // Escaped markup is decoded into the text; references do not split the run.
    EXPECT_EQ(firstChildText("<r><d>&lt;p&gt;Hello &amp; bye&lt;/p&gt;</d></r>"),
              QStringLiteral("<p>Hello & bye</p>"));

    const XmlDocument doc = parse("<r><t>single</t></r>");
    EXPECT_TRUE(doc.root.children.front().children.empty());  // the run is the value, not a child
}

TEST(XmlTree, ReferencesAreDecodedOnceAndUnknownOnesStayLiteral) {
    EXPECT_EQ(firstChildText("<r><t>Tom &amp; Jerry</t></r>"), QStringLiteral("Tom & Jerry"));
    EXPECT_EQ(firstChildText("<r><t>Tom &amp;amp; Jerry</t></r>"),
              QStringLiteral("Tom &amp; Jerry"));
    EXPECT_EQ(firstChildText("<r><t>&AMP; &Lt; &GT; &Apos; &QUOT;</t></r>"),
              QStringLiteral("& < > ' \""));
    EXPECT_EQ(firstChildText("<r><t>a&nbsp;b</t></r>"), QStringLiteral("a&nbsp;b"));
    EXPECT_EQ(firstChildText("<r><t>Rock & Roll</t></r>"), QStringLiteral("Rock & Roll"));
    EXPECT_EQ(firstChildText("<r><t>a&b;c &</t></r>"), QStringLiteral("a&b;c &"));
    EXPECT_EQ(firstChildText("<r><t>&#233;&#xE9;&#XE9;&#x1F600;</t></r>"), QStringLiteral(u"ééé😀"));
    EXPECT_EQ(firstChildText("<r><t>&amp;#233;</t></r>"), QStringLiteral("&#233;"));
    // References to characters XML forbids are not decoded, and are no error.
    EXPECT_EQ(firstChildText("<r><t>&#0;&#xD800;&#99999999999;</t></r>"),
              QStringLiteral("&#0;&#xD800;&#99999999999;"));
    // Inside comments and CDATA nothing is rewritten ("<!-->" opens a comment, not ends one).
    const XmlDocument doc =
        parse("<r><!-- a & b &amp; --><![CDATA[x &amp; y & z]]><!-->&amp; &#65;--></r>");
    ASSERT_EQ(doc.root.children.size(), 3u);
    EXPECT_EQ(doc.root.children[0].text, QStringLiteral(" a & b &amp; "));
    EXPECT_EQ(doc.root.children[1].text, QStringLiteral("x &amp; y & z"));
    EXPECT_EQ(doc.root.children[2].text, QStringLiteral(">&amp; &#65;"));
    EXPECT_EQ(epub::parseXmlDocumentWithLibxml2(QByteArrayView("<r><!-->&amp;--></r>"))
                  .root.children[0]
                  .text,
              QStringLiteral(">&amp;"));
}

TEST(XmlTree, AttributeValuesDecodeLikeTextAndLookupIgnoresCaseAndPrefix) {
    const XmlDocument doc = parse(
        "<r xmlns:opf='urn:opf'><i opf:scheme='ISBN' ID='first' id='second' "
        "href='a&amp;b &nbsp; c &AMP; &#65;' raw='Rock & Roll' sp='  x  '/></r>");
    const XmlNode& item = doc.root.children.front();
    EXPECT_EQ(item.attribute(u"scheme"), QStringLiteral("ISBN"));
    EXPECT_EQ(item.attribute(u"SCHEME"), QStringLiteral("ISBN"));
    EXPECT_EQ(item.attribute(u"id"), QStringLiteral("first"));  // first match in written order
    EXPECT_EQ(item.attribute(u"href"), QStringLiteral("a&b &nbsp; c & A"));
    EXPECT_EQ(item.attribute(u"raw"), QStringLiteral("Rock & Roll"));
    EXPECT_EQ(item.attribute(u"sp"), QStringLiteral("  x  "));
    EXPECT_EQ(item.attribute(u"missing"), QString());
    ASSERT_EQ(item.attributes.size(), 6);
    EXPECT_EQ(item.attributes[0].prefix, QStringLiteral("opf"));
    EXPECT_EQ(item.attributes[0].localName, QStringLiteral("scheme"));
}

TEST(XmlTree, ChildTextTakesTheLastMatchIgnoringAsciiCase) {
    const XmlDocument doc =
        parse("<navLabel><text>one</text><TEXT>two</TEXT><other>x</other></navLabel>");
    EXPECT_EQ(doc.root.childText(u"text"), QStringLiteral("two"));
    EXPECT_EQ(doc.root.childText(u"none"), QString());
}

TEST(XmlTree, BytesAreUtf8WhateverTheDeclarationSays) {
    EXPECT_EQ(firstChildText("\xEF\xBB\xBF<r><t>\xC3\xA9</t></r>"), QStringLiteral(u"é"));
    EXPECT_EQ(firstChildText("<?xml version='1.0' encoding='ISO-8859-2'?><r><t>\xC5\x91</t></r>"),
              QStringLiteral(u"ő"));
    EXPECT_EQ(firstChildText("<?xml version='1.0' encoding='UTF-16'?><r><t>x</t></r>"),
              QStringLiteral("x"));
}

TEST(XmlTree, EmptyInputIsTheEmptyDocument) {
    for (const char* input : {"", "\xEF\xBB\xBF"}) {
        const XmlDocument doc = parse(input);
        EXPECT_TRUE(doc.root.localName.isEmpty());
        EXPECT_TRUE(doc.root.attributes.isEmpty());
        EXPECT_TRUE(doc.root.children.empty());
    }
}

TEST(XmlTree, MalformedInputRaisesWithMessageAndPosition) {
    for (const char* input : {"<a><b></a>", "just text", "<a>", "<a></a><b/>", "   ",
                              "<a x='1' x='2'/>", "<r><t>\xC3(</t></r>", "<a b=1/>"}) {
        try {
            parse(input);
            ADD_FAILURE() << "no error for " << input;
        } catch (const epub::XmlError& error) {
            const std::string text = error.what();
            EXPECT_NE(text.find("line "), std::string::npos) << text;
            EXPECT_GT(text.size(), 20u) << text;
        }
    }
    try {
        parse("<a>\n<b>\n</a>");
    } catch (const epub::XmlError& error) {
        EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
    }
}

TEST(XmlTree, DeclaredEntitiesAreNeverExpanded) {
    // Billion laughs: would be gigabytes if expanded.
    QByteArray bomb = "<?xml version='1.0'?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        bomb += " <!ENTITY lol" + QByteArray::number(i) + " \"";
        for (int k = 0; k < 10; ++k)
            bomb += "&lol" + (i == 1 ? QByteArray() : QByteArray::number(i - 1)) + ";";
        bomb += "\">\n";
    }
    bomb += "]>\n<lolz><t>&lol9;</t><u a='&lol9;'/></lolz>";
    const XmlDocument doc = parseXmlDocument(bomb);
    ASSERT_EQ(doc.root.children.size(), 2u);
    EXPECT_EQ(doc.root.children[0].text, QStringLiteral("&lol9;"));
    EXPECT_EQ(doc.root.children[1].attribute(u"a"), QStringLiteral("&lol9;"));

    // Parameter-entity variant inside the internal subset.
    const XmlDocument pe = parse(
        "<!DOCTYPE r [<!ENTITY % a 'aaaaaaaaaa'><!ENTITY % b '%a;%a;%a;%a;%a;%a;%a;%a;'>"
        "<!ENTITY c '%b;%b;%b;%b;'> ]><r><t>&c;</t></r>");
    EXPECT_EQ(pe.root.children.front().text, QStringLiteral("&c;"));
}

TEST(XmlTree, ExternalEntitiesAndDtdsAreNeverLoaded) {
    testsupport::TempTree tree;
    const QString secret = tree.writeFile(QStringLiteral("secret.txt"), "TOP SECRET");
    const QString dtd =
        tree.writeFile(QStringLiteral("evil.dtd"),
                       "<!ENTITY leak 'LEAKED'><!ATTLIST r injected CDATA 'INJECTED'>");
    const QByteArray xml = "<?xml version='1.0'?>\n<!DOCTYPE r SYSTEM \"file://" +
                           QFile::encodeName(dtd) + "\" [\n <!ENTITY xxe SYSTEM \"file://" +
                           QFile::encodeName(secret) +
                           "\">\n <!ENTITY net SYSTEM \"http://127.0.0.1:9/x\">\n"
                           " <!ENTITY % remote SYSTEM \"file://" +
                           QFile::encodeName(dtd) +
                           "\"> %remote;\n]>\n"
                           "<r><t>&xxe;</t><u>&net;&leak;</u></r>";
    const XmlDocument doc = parseXmlDocument(xml);
    EXPECT_TRUE(doc.root.attributes.isEmpty());  // no default attribute from any DTD
    ASSERT_EQ(doc.root.children.size(), 2u);
    EXPECT_EQ(doc.root.children[0].text, QStringLiteral("&xxe;"));
    EXPECT_EQ(doc.root.children[1].text, QStringLiteral("&net;&leak;"));
}

TEST(XmlTree, TextRunsMergeAcrossReferencesAndSplitAtOtherItems) {
    const XmlDocument doc =
        parse("<r><t>a&amp;b<!--c-->d &#65;<?p x?></t><u a='&amp;#38;' b='x&#38;y'/></r>");
    const XmlNode& t = doc.root.children.front();
    ASSERT_EQ(t.children.size(), 4u);
    EXPECT_EQ(t.children[0].text, QStringLiteral("a&b"));
    EXPECT_EQ(t.children[1].kind, XmlNode::Kind::Comment);
    EXPECT_EQ(t.children[2].text, QStringLiteral("d A"));
    EXPECT_EQ(t.children[3].kind, XmlNode::Kind::ProcessingInstruction);
    EXPECT_EQ(t.children[3].text, QStringLiteral("x"));
    const XmlNode& u = doc.root.children.back();
    EXPECT_EQ(u.attribute(u"a"), QStringLiteral("&#38;"));
    EXPECT_EQ(u.attribute(u"b"), QStringLiteral("x&y"));
}

TEST(XmlTree, CommentsAndPisOutsideTheRootAreNotInTheTree) {
    const XmlDocument doc =
        parse("<?xml version='1.0'?><!-- before --><?pi?><r>x</r><!-- after -->");
    EXPECT_EQ(doc.root.localName, QStringLiteral("r"));
    EXPECT_EQ(doc.root.text, QStringLiteral("x"));
    EXPECT_TRUE(doc.root.children.empty());
}

TEST(XmlTree, DeepNestingIsRefusedNotRecursedInto) {
    QByteArray deep;
    for (int i = 0; i < 100000; ++i) deep += "<navPoint>";
    for (int i = 0; i < 100000; ++i) deep += "</navPoint>";
    EXPECT_THROW(parseXmlDocument(deep), epub::XmlError);
}

// Nodes, attributes and attribute values live in blocks the document owns: runs of siblings and
// values longer than a block, many blocks, and a document moved after parsing must all keep
// every node and value where it was read.
TEST(XmlTree, NodesStayIntactAcrossStorageBlocksAndMoves) {
    QByteArray xml = "<r a='root' amp='a&amp;b \xC3\xA9' long='" + QByteArray(70000, 'v') + "'>";
    for (int i = 0; i < 3000; ++i)
        xml += "<p id='p" + QByteArray::number(i) + "'><t>" + QByteArray::number(i) +
               "</t><!-- c --><q x='1' y='2'/></p>";
    xml += "<wide>";
    for (int i = 0; i < 2500; ++i) xml += "<w n='" + QByteArray::number(i) + "'/>";
    xml += "</wide></r>";

    XmlDocument moved = parseXmlDocument(xml);
    XmlDocument doc;
    doc = std::move(moved);
    const XmlDocument kept(std::move(doc));

    const XmlNode& root = kept.root;
    EXPECT_EQ(root.attribute(u"a"), QStringLiteral("root"));
    EXPECT_EQ(root.attribute(u"amp"), QStringLiteral(u"a&b é"));
    EXPECT_TRUE(root.attributeEquals(u"amp", u"a&b é"));
    EXPECT_FALSE(root.attributeEquals(u"amp", u"a&b e"));
    EXPECT_TRUE(root.attributeEquals(u"missing", u""));
    EXPECT_EQ(root.attribute(u"long"), QString(70000, u'v'));
    ASSERT_EQ(root.children.size(), 3001u);
    for (std::size_t i = 0; i < 3000; ++i) {
        const XmlNode& p = root.children[i];
        ASSERT_EQ(p.attribute(u"id"), QStringLiteral("p%1").arg(i));
        ASSERT_EQ(p.children.size(), 3u);
        ASSERT_EQ(p.childText(u"t"), QString::number(i));
        ASSERT_EQ(p.children[1].kind, XmlNode::Kind::Comment);
        ASSERT_EQ(p.children[2].attributes.size(), 2);
        ASSERT_EQ(p.children[2].attribute(u"y"), QStringLiteral("2"));
    }
    const XmlNode& wide = root.children.back();
    ASSERT_EQ(wide.children.size(), 2500u);
    for (std::size_t i = 0; i < 2500; ++i)
        ASSERT_EQ(wide.children[i].attribute(u"n"), QString::number(i));
}

// pugixml reads what libxml2 refuses; none of it may get through the fast path.
TEST(XmlTree, WhatOnlyPugixmlWouldAcceptIsStillRefused) {
    for (const char* input :
         {"<a x='1' x='2'/>", "<a xmlns:p='u' xmlns:p='v'/>", "<a/><b/>", "<a/>text", "x<a/>",
          "<a><!-- x -- y --></a>", "<a><!-- x ---></a>", "<a>x ]]> y</a>", "<a b='<'/>",
          "<a b='1'c='2'/>", " <?xml version='1.0'?><a/>", "<a><?xml x?></a>",
          "<?xml version='1.0' standalone='maybe'?><a/>", "<a>\x01</a>", "<a>\xED\xA0\x80</a>",
          "<a>\xEF\xBF\xBE</a>", "<a/><!DOCTYPE a>", "<a/><![CDATA[x]]>"}) {
        EXPECT_THROW(parse(input), epub::XmlError) << input;
        EXPECT_THROW(epub::parseXmlDocumentWithLibxml2(QByteArrayView(input)), epub::XmlError)
            << input;
    }
}

// The documents of real books take the fast path, and it builds what libxml2 builds.
TEST(XmlTree, OrdinaryDocumentsTakeTheFastPathToTheSameTree) {
    const QByteArray ncx =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n"
        "<!DOCTYPE ncx PUBLIC \"-//NISO//DTD ncx 2005-1//EN\"\r\n"
        " \"http://www.daisy.org/z3986/2005/ncx-2005-1.dtd\">\r\n"
        "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" xml:lang=\"hu\">"
        "<!-- generated --><navMap><navPoint id=\"p1\" playOrder=\"1\"><navLabel>\r\n"
        "<text>Tom &amp; Jerry &AMP; &#xE9; &nbsp; &</text></navLabel>"
        "<content src=\"a.xhtml#x&amp;y\"/></navPoint></navMap></ncx>\r\n";
    XmlDocument fast;
    ASSERT_TRUE(epub::buildXmlTreeWithPugixml(QByteArrayView(ncx).sliced(3), fast));
    const XmlDocument reference = epub::parseXmlDocumentWithLibxml2(ncx);
    const XmlNode& point = fast.root.children[1].children[0];
    const XmlNode& referencePoint = reference.root.children[1].children[0];
    EXPECT_EQ(fast.root.attributes.size(), 2);  // the namespace declaration is not an attribute
    EXPECT_EQ(fast.root.attribute(u"lang"), reference.root.attribute(u"lang"));
    EXPECT_EQ(fast.root.children[0].text, reference.root.children[0].text);
    EXPECT_EQ(point.children[0].childText(u"text"), QStringLiteral(u"Tom & Jerry & é &nbsp; &"));
    EXPECT_EQ(point.children[0].childText(u"text"), referencePoint.children[0].childText(u"text"));
    EXPECT_EQ(point.children[1].attribute(u"src"), QStringLiteral("a.xhtml#x&y"));
}
