#include "organise/empty_folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace {

using testsupport::TempTree;

bool exists(const TempTree& tree, const char* relative) {
    // A dangling link counts as existing too.
    return QFileInfo(tree.path(QString::fromUtf8(relative))).exists() ||
           QFileInfo(tree.path(QString::fromUtf8(relative))).isSymLink();
}

TEST(EmptyFolders, EmptinessCountsEveryKindOfEntry) {
    TempTree tree;
    EXPECT_TRUE(organise::IsFolderEmpty(tree.makeFolder(QStringLiteral("empty"))));
    EXPECT_FALSE(organise::IsFolderEmpty(tree.path(QStringLiteral("missing"))));
    tree.writeFile(QStringLiteral("hidden/.file"));
    EXPECT_FALSE(organise::IsFolderEmpty(tree.path(QStringLiteral("hidden"))));
    EXPECT_FALSE(organise::IsFolderEmpty(tree.writeFile(QStringLiteral("file"))));
}

TEST(EmptyFolders, NestedChainIsRemovedIncludingTheOutputFolder) {
    TempTree tree;
    tree.makeFolder(QStringLiteral("Out/A/B/C"));
    tree.makeFolder(QStringLiteral("Out/D"));
    organise::RemoveEmptyFolders(tree.path(QStringLiteral("Out")) + QLatin1Char('/'));
    EXPECT_FALSE(exists(tree, "Out"));
    EXPECT_TRUE(QFileInfo::exists(tree.path()));

    // An output folder that is empty from the start goes as well.
    tree.makeFolder(QStringLiteral("Empty"));
    organise::RemoveEmptyFolders(tree.path(QStringLiteral("Empty")));
    EXPECT_FALSE(exists(tree, "Empty"));
}

TEST(EmptyFolders, FilesHiddenEntriesAndDotFoldersKeepTheirChain) {
    TempTree tree;
    tree.writeFile(QStringLiteral("Out/Author/book.epub"), "book");
    tree.makeFolder(QStringLiteral("Out/Author/Empty/Deeper"));
    tree.writeFile(QStringLiteral("Out/H/Sub/.hidden"));
    tree.makeFolder(QStringLiteral("Out/Dot/.git"));
    tree.makeFolder(QStringLiteral("Out/.dotfolder/Empty"));
    tree.makeFolder(QStringLiteral("Out/Gone/One"));
    tree.makeFolder(QStringLiteral("Out/Gone/Two/Three"));

    organise::RemoveEmptyFolders(tree.path(QStringLiteral("Out")));

    EXPECT_TRUE(exists(tree, "Out/Author/book.epub"));
    EXPECT_FALSE(exists(tree, "Out/Author/Empty"));
    EXPECT_TRUE(exists(tree, "Out/H/Sub/.hidden"));
    EXPECT_TRUE(exists(tree, "Out/Dot/.git"));
    // A dot-named folder is never visited: its empty subfolder stays too.
    EXPECT_TRUE(exists(tree, "Out/.dotfolder/Empty"));
    EXPECT_FALSE(exists(tree, "Out/Gone"));
    EXPECT_TRUE(exists(tree, "Out"));
}

TEST(EmptyFolders, MissingOrUnnamedFolderDoesNothing) {
    TempTree tree;
    EXPECT_NO_THROW(organise::RemoveEmptyFolders(tree.path(QStringLiteral("missing"))));
    EXPECT_NO_THROW(organise::RemoveEmptyFolders(tree.writeFile(QStringLiteral("file"))));
    EXPECT_TRUE(exists(tree, "file"));

    // An empty field names no folder; the walk must not start from wherever we stand.
    tree.makeFolder(QStringLiteral("here/Empty"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tree.path(QStringLiteral("here"))));
    organise::RemoveEmptyFolders(QString());
    QDir::setCurrent(previous);
    EXPECT_TRUE(exists(tree, "here/Empty"));
}

TEST(EmptyFolders, FolderChangedBeforeItsRemovalEndsTheWalk) {
    TempTree tree;
    tree.makeFolder(QStringLiteral("Out/A/Empty"));
    tree.makeFolder(QStringLiteral("Out/B/Empty"));
    tree.makeFolder(QStringLiteral("Out/C/Empty"));
    int removals = 0;
    QString changed;
    // The second folder about to go gains a file between the emptiness test and the removal.
    organise::testing::setBeforeRemoval([&](const QString& folder) {
        if (++removals == 2) {
            changed = folder;
            QFile file(folder + QStringLiteral("/new.epub"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    });
    try {
        organise::RemoveEmptyFolders(tree.path(QStringLiteral("Out")));
        ADD_FAILURE() << "no error raised";
    } catch (const organise::FolderRemovalError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  QStringLiteral("The folder \"") + changed +
                      QStringLiteral("\" cannot be removed: it is no longer empty."));
        EXPECT_EQ(error.text(false),
                  QString::fromUtf8("A(z) \"") + changed +
                      QString::fromUtf8("\" mappa nem törölhető: már nem üres."));
        EXPECT_EQ(error.text(true), QString::fromUtf8(error.what()));
    }
    // The folder that vanishes is reported as well.
    tree.makeFolder(QStringLiteral("Other/Gone"));
    organise::testing::setBeforeRemoval([](const QString& folder) { QDir().rmdir(folder); });
    EXPECT_THROW(organise::RemoveEmptyFolders(tree.path(QStringLiteral("Other"))),
                 organise::FolderRemovalError);
    organise::testing::setBeforeRemoval({});

    // Removed before the error: stays removed; after it: nothing more was touched.
    EXPECT_EQ(removals, 2);
    EXPECT_TRUE(QFileInfo::exists(changed + QStringLiteral("/new.epub")));
    const int left = int(QFileInfo::exists(tree.path(QStringLiteral("Out/A/Empty")))) +
                     int(QFileInfo::exists(tree.path(QStringLiteral("Out/B/Empty")))) +
                     int(QFileInfo::exists(tree.path(QStringLiteral("Out/C/Empty"))));
    EXPECT_EQ(left, 2);  // one removed, the changed one, and one never reached
}

}  // namespace
