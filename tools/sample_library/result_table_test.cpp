#include "result_table.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

TEST(ResultTable, ShowsEachBookRelativeToItsFoldersWithinTheWidth) {
    const QByteArray lines =
        R"({"source":"/könyvek/magyar/egri.epub","result":"Done","text":"Ok",)"
        R"("target":"/ki/Gárdonyi Géza/Gárdonyi Géza - Egri csillagok.epub","reason":""})"
        "\n"
        R"({"source":"/könyvek/letöltések/nagyon hosszú mappa/még hosszabb almappa/)"
        R"(Mary Shelley's \"Frankenstein\" (másolat).epub","result":"TargetExists",)"
        R"("text":"A fajlnev már létezik","target":"/ki/Mary Shelley/Mary Shelley - )"
        R"(Frankenstein; or, The Modern Prometheus, with a long subtitle.epub","reason":""})"
        "\n"
        "not json\n"
        R"({"source":"/máshol/sérült\nnév.epub","result":"ReadFailed","text":"x","target":"",)"
        R"("reason":"The archive is truncated: the end of central directory is missing )"
        R"(- the download was cut off, fetch the book again from where it came"})"
        "\n";
    const int width = 100;
    const sample::ResultTable table = sample::formatResultTable(
        lines, QStringLiteral("/könyvek"), QStringLiteral("/ki/"), width, true);

    EXPECT_EQ(table.books, 3);
    EXPECT_EQ(table.skippedLines, 1);
    const QStringList rows = table.text.split(u'\n');
    for (const QString& row : rows)
        EXPECT_LE(sample::displayWidth(row), width) << row.toStdString();
    // Paths inside the folders lose the folder; one elsewhere keeps it, its line break shown
    // as '?' so that the row stays one line.
    EXPECT_TRUE(rows[2].startsWith(QStringLiteral("magyar/egri.epub ")));
    EXPECT_TRUE(rows[2].contains(QStringLiteral("Gárdonyi Géza/Gárdonyi Géza - ")));
    EXPECT_TRUE(rows[2].trimmed().endsWith(QStringLiteral("Done")));
    // Too long: cut from the left, so that the file name, quotes included, stays visible.
    EXPECT_TRUE(rows[3].startsWith(QStringLiteral("…")));
    EXPECT_TRUE(rows[3].contains(QStringLiteral("\"Frankenstein\" (másolat).epub ")));
    EXPECT_TRUE(rows[3].contains(QStringLiteral("subtitle.epub ")));
    EXPECT_TRUE(rows[4].startsWith(QStringLiteral("/máshol/sérült?név.epub")));
    EXPECT_TRUE(rows[5].startsWith(QStringLiteral("    reason: The archive is truncated")));
    // A long reason goes on in further lines, all of it.
    EXPECT_TRUE(rows[6].startsWith(QStringLiteral("    ")));
    EXPECT_TRUE(rows[6].endsWith(QStringLiteral(" from where it came")));
    EXPECT_TRUE(
        table.text.contains(QStringLiteral("3 books: 1 Done, 1 TargetExists, 1 ReadFailed")));
    EXPECT_TRUE(table.text.contains(QStringLiteral("Done: would go to the target")));
}

}  // namespace
