// The empty-folder walk on POSIX: symbolic links (a dangling one included) and folders without
// write or execute rights.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "organise/empty_folders.h"
#include "platform/posix/file_descriptor.h"
#include "support/temp_tree.h"

namespace {

using testsupport::TempTree;

bool exists(const TempTree& tree, const char* relative) {
    // A dangling link counts as existing too.
    return QFileInfo(tree.path(QString::fromUtf8(relative))).exists() ||
           QFileInfo(tree.path(QString::fromUtf8(relative))).isSymLink();
}

TEST(EmptyFolders, ADanglingLinkIsAnEntry) {
    TempTree tree;
    tree.makeFolder(QStringLiteral("linked"));
    ASSERT_EQ(
        ::symlink("nowhere", tree.path(QStringLiteral("linked/dangling")).toUtf8().constData()), 0);
    EXPECT_FALSE(organise::IsFolderEmpty(tree.path(QStringLiteral("linked"))));
}

TEST(EmptyFolders, ReadOnlyEmptyFolderIsRemoved) {
    TempTree tree;
    tree.writeFile(QStringLiteral("Out/book.epub"));
    const QString readOnly = tree.makeFolder(QStringLiteral("Out/ReadOnly"));
    const QString inner = tree.makeFolder(QStringLiteral("Out/Outer/Inner"));
    ASSERT_EQ(::chmod(readOnly.toUtf8().constData(), 0555), 0);
    ASSERT_EQ(::chmod(inner.toUtf8().constData(), 0500), 0);
    organise::RemoveEmptyFolders(tree.path(QStringLiteral("Out")));
    EXPECT_FALSE(exists(tree, "Out/ReadOnly"));
    EXPECT_FALSE(exists(tree, "Out/Outer"));
    EXPECT_TRUE(exists(tree, "Out/book.epub"));
}

TEST(EmptyFolders, LinksAreNeverFollowedNorRemoved) {
    TempTree tree;
    tree.makeFolder(QStringLiteral("Outside/EmptyInside"));
    tree.makeFolder(QStringLiteral("Out/Links"));
    tree.makeFolder(QStringLiteral("Out/Plain/Empty"));
    ASSERT_EQ(::symlink(tree.path(QStringLiteral("Outside")).toUtf8().constData(),
                        tree.path(QStringLiteral("Out/Links/to-outside")).toUtf8().constData()),
              0);
    ASSERT_EQ(::symlink(tree.path(QStringLiteral("Outside/EmptyInside")).toUtf8().constData(),
                        tree.path(QStringLiteral("Out/Links/to-empty")).toUtf8().constData()),
              0);

    organise::RemoveEmptyFolders(tree.path(QStringLiteral("Out")));

    EXPECT_TRUE(exists(tree, "Outside/EmptyInside"));
    EXPECT_TRUE(QFileInfo(tree.path(QStringLiteral("Out/Links/to-outside"))).isSymLink());
    EXPECT_TRUE(QFileInfo(tree.path(QStringLiteral("Out/Links/to-empty"))).isSymLink());
    EXPECT_FALSE(exists(tree, "Out/Plain"));
    EXPECT_TRUE(exists(tree, "Out"));
}

TEST(EmptyFolders, EmptyFolderInsideReadOnlyFolderIsRemovedAndTheParentStaysReadOnly) {
    // Windows removes an empty folder whatever its parent's attributes; POSIX needs write
    // permission on the parent, which is lent for the removal and taken back.
    TempTree tree;
    tree.writeFile(QStringLiteral("Out/Kept/book.epub"));
    tree.makeFolder(QStringLiteral("Out/Kept/Empty"));
    const QString kept = tree.path(QStringLiteral("Out/Kept"));
    ASSERT_EQ(::chmod(kept.toUtf8().constData(), 0555), 0);
    organise::RemoveEmptyFolders(tree.path(QStringLiteral("Out")));
    struct stat info {};
    ASSERT_EQ(::stat(kept.toUtf8().constData(), &info), 0);
    ::chmod(kept.toUtf8().constData(), 0755);  // lets the temporary tree go
    EXPECT_FALSE(exists(tree, "Out/Kept/Empty"));
    EXPECT_TRUE(exists(tree, "Out/Kept/book.epub"));
    EXPECT_EQ(info.st_mode & 07777, 0555u);
}

}  // namespace

TEST(EmptyFolders, LeftoverTemporariesOfDeadCopiesDoNotKeepAFolder) {
    // The pid of a process that has ended names the owner of a leftover.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    // Temporary names also carry this boot and PID namespace: take them from a name made here.
    const QString made = QString::fromStdString(platform::posix::temporaryName("x", 0));
    const QString host = made.section(QLatin1Char('-'), 1, 1);
    ASSERT_EQ(host.size(), 8) << made.toStdString();
    const QString dead = host + QLatin1Char('-') + QString::number(child);
    TempTree tree;
    tree.writeFile(QStringLiteral("Out/Author/.book.epub.polcaro-%1-0a1b2c").arg(dead), "partial");
    tree.writeFile(QStringLiteral("Out/Other/.book.epub.polcaro-%1-0A1B2C").arg(dead), "not ours");
    tree.writeFile(QStringLiteral("Out/Live/.book.epub.polcaro-%1-%2-0a1b2c")
                       .arg(host)
                       .arg(QCoreApplication::applicationPid()),
                   "being copied");

    organise::RemoveEmptyFolders(tree.path(QStringLiteral("Out")));

    EXPECT_FALSE(exists(tree, "Out/Author"));
    EXPECT_TRUE(exists(tree, "Out/Other"));
    EXPECT_TRUE(exists(tree, "Out/Live"));
}
