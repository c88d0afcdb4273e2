// The one-line JSON the command line prints for each book.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "core/json_writer.h"
#include "epub/book_json.h"
#include "epub/tepub.h"
#include "recording_sink.h"
#include "support/epub_builder.h"
#include "support/temp_tree.h"

TEST(BookJson, KeysInRecordOrderWithEscapedUnicodeText) {
    testsupport::TempTree tree;
    testsupport::BookSpec spec;
    spec.title = QStringLiteral(u"Line\nbreak \"quoted\" \\ tab\t ő");
    spec.subjects = {QStringLiteral("a"), QStringLiteral("b")};
    spec.toc = {{QStringLiteral("One"), QStringLiteral("Text/one.xhtml#x"), {}}};
    spec.chapters = {QStringLiteral("Text/one.xhtml")};
    const QString path = tree.path(QStringLiteral("j.epub"));
    testsupport::writeBook(path, spec);
    epubtest::RecordingSink sink;
    epub::TEpuB book(sink);
    book.Open(path);

    const QByteArray json = epub::bookToJson(book);
    EXPECT_FALSE(json.contains('\n'));
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(json, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.constData();
    EXPECT_EQ(object.value(QStringLiteral("Title")).toString(), spec.title);
    EXPECT_EQ(object.value(QStringLiteral("Loaded")).toBool(), true);
    EXPECT_EQ(object.value(QStringLiteral("OpfPath")).toString(),
              QStringLiteral("OEBPS\\content.opf"));
    EXPECT_EQ(object.value(QStringLiteral("Manifest")).toArray().first().toString(),
              QStringLiteral("Text\\one.xhtml"));
    EXPECT_EQ(object.value(QStringLiteral("Subjects")).toArray().size(), 2);
    const QJsonObject toc = object.value(QStringLiteral("Toc")).toArray().first().toObject();
    EXPECT_EQ(toc.value(QStringLiteral("Label")).toString(), QStringLiteral("One"));
    EXPECT_EQ(toc.value(QStringLiteral("Src")).toString(), QStringLiteral("Text/one.xhtml#x"));
    EXPECT_EQ(object.value(QStringLiteral("LastIndex")).toInt(), 0);
    EXPECT_FALSE(object.contains(QStringLiteral("error")));

    // Written order, not alphabetical.
    const char* keys[] = {"FileName",   "Loaded",    "Title",       "Creator",     "Publisher",
                          "Language",   "Subject",   "Date",        "Source",      "Description",
                          "Identifier", "Series",    "SeriesIndex", "Isbn",        "Subjects",
                          "Version",    "CoverPath", "OpfPath",     "OpfFolder",   "Manifest",
                          "Spine",      "Toc",       "LastIndex",   "CurrentIndex"};
    qsizetype at = 0;
    for (const char* key : keys) {
        const qsizetype found = json.indexOf("\"" + QByteArray(key) + "\":", at);
        ASSERT_GE(found, at) << key;
        at = found;
    }
    EXPECT_EQ(object.size(), 24);

    book.Title = QStringLiteral(u"\u0001\u001f");
    EXPECT_TRUE(epub::bookToJson(book).contains(R"("Title":"\u0001\u001f")"));

    // Plain ASCII is written four units at a time: a character that needs care, at every place
    // in and around such a run, comes back as it was.
    const QString tricky[] = {
        QStringLiteral("\""), QStringLiteral("\\"),          QStringLiteral("\n"),
        QString(QChar(0x1f)), QString(QChar(0x7f)),          QStringLiteral(u"é"),
        QStringLiteral(u"€"), QStringLiteral(u"\U0001F600"), QStringLiteral(" ")};
    for (const QString& character : tricky) {
        for (int before = 0; before <= 9; ++before) {
            book.Title = QString(before, QLatin1Char('a')) + character + QStringLiteral("bcdefgh");
            const QByteArray line = epub::bookToJson(book);
            EXPECT_EQ(QJsonDocument::fromJson(line).object().value(QStringLiteral("Title")),
                      book.Title)
                << line.constData();
        }
    }

    book.Clear();
    const QJsonObject failed =
        QJsonDocument::fromJson(epub::bookToJson(book, QStringLiteral("bad \"book\""))).object();
    EXPECT_EQ(failed.value(QStringLiteral("error")).toString(), QStringLiteral("bad \"book\""));
    EXPECT_EQ(failed.value(QStringLiteral("LastIndex")).toInt(), -1);
    EXPECT_EQ(failed.size(), 25);
}

// A file name byte that is no UTF-8 is held as a lone surrogate (U+DC80..U+DCFF): it is written
// as its \u escape, never as '?', and reads back as the same unit.
TEST(BookJson, LoneSurrogatesSurviveAsEscapes) {
    QString name = QStringLiteral("/in/lat");
    name += QChar(char16_t(0xDCE9));
    name += QStringLiteral(u"\".ő\U0001F600.epub");
    const QByteArray line = core::JsonObject().add("source", name).line();
    EXPECT_EQ(line, QByteArray("{\"source\":\"/in/lat\\udce9\\\".") +
                        QStringLiteral(u"ő\U0001F600").toUtf8() + QByteArray(".epub\"}\n"));
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(object.value(QStringLiteral("source")).toString(), name);
}
