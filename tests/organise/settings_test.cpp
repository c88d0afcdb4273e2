#include "organise/settings.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "support/temp_tree.h"

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(Settings, MissingFileGivesEmptyOutputFolderAndSaveCreatesIt) {
    testsupport::TempTree tree;
    const QString folder = tree.path() + QLatin1Char('/');
    EXPECT_TRUE(organise::LoadSettings(folder).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(tree.path(QStringLiteral("epub_polcaro.ini"))));

    const QString output = QStringLiteral("/home/ő/Könyvtár/");
    organise::SaveSettings(folder, output);
    EXPECT_EQ(organise::LoadSettings(folder), output);
#ifndef _WIN32
    // A new file is UTF-8 text; on Windows the profile functions choose its encoding.
    EXPECT_EQ(contentOf(tree.path(QStringLiteral("epub_polcaro.ini"))),
              QByteArray("[kimeneti_mappa]\nDirectory=") + output.toUtf8() + "\n");
#endif
    // A folder given without its final separator names the same file.
    EXPECT_EQ(organise::LoadSettings(tree.path()), output);
}

TEST(Settings, ReadsAWindowsWrittenFileAndKeepsItsOtherContent) {
    testsupport::TempTree tree;
    tree.writeFile(QStringLiteral("epub_polcaro.ini"),
                   "[Other]\r\nkey=1\r\n[KIMENETI_MAPPA]\r\ndirectory = /old/out \r\n");
    const QString folder = tree.path() + QLatin1Char('/');
    EXPECT_EQ(organise::LoadSettings(folder),
              QStringLiteral("/old/out"));  // taken unchanged otherwise
    organise::SaveSettings(folder, QStringLiteral("/new/"));
    EXPECT_EQ(contentOf(tree.path(QStringLiteral("epub_polcaro.ini"))),
              QByteArray("[Other]\r\nkey=1\r\n[KIMENETI_MAPPA]\r\ndirectory=/new/\r\n"));

    // Only 2047 characters come back, as from the 2048-character buffer.
    organise::SaveSettings(folder, QString(3000, QLatin1Char('x')));
    EXPECT_EQ(organise::LoadSettings(folder), QString(2047, QLatin1Char('x')));
}

TEST(Settings, FailedWriteRaisesUnableToWrite) {
    testsupport::TempTree tree;
    const QString folder = tree.path(QStringLiteral("missing")) + QLatin1Char('/');
    try {
        organise::SaveSettings(folder, QStringLiteral("/out/"));
        FAIL() << "no error raised";
    } catch (const platform::Error& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()), QStringLiteral("Unable to write to ") + folder +
                                                       QStringLiteral("epub_polcaro.ini"));
    }
    // A line break would write a line of its own; it is refused, the file stays as it was.
    organise::SaveSettings(tree.path(), QStringLiteral("/out/"));
    EXPECT_THROW(organise::SaveSettings(tree.path(), QStringLiteral("/a\n[x]\nb/")),
                 platform::Error);
    EXPECT_EQ(organise::LoadSettings(tree.path()), QStringLiteral("/out/"));
}

}  // namespace
