// The folder search on POSIX: symbolic-link cycles and folders that cannot be listed. (Hidden-and-
// system skipping does not arise here: POSIX has no system attribute, and a merely hidden folder
// is searched.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QStringList>

#include "organise/collection.h"
#include "support/folder_search.h"
#include "support/temp_tree.h"

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TEST(FolderSearch, SymbolicLinkCyclesAreNotFollowedButOtherLinksAre) {
    testsupport::TempTree tree;
    const QString root = tree.makeFolder(u("root"));
    tree.writeFile(u("root/a.epub"));
    tree.writeFile(u("root/sub/b.epub"));
    tree.writeFile(u("elsewhere/c.epub"));
    // Back to the start folder, to a parent, and a link to itself.
    ASSERT_TRUE(QFile::link(root, tree.path(u("root/sub/up"))));
    ASSERT_TRUE(QFile::link(tree.path(u("root/sub")), tree.path(u("root/sub/self"))));
    ASSERT_TRUE(QFile::link(tree.path(u("root/loop2")), tree.path(u("root/loop1"))));
    ASSERT_TRUE(QFile::link(tree.path(u("root/loop1")), tree.path(u("root/loop2"))));
    // A link out of the tree is an ordinary folder to the search.
    ASSERT_TRUE(QFile::link(tree.path(u("elsewhere")), tree.path(u("root/linked"))));

    organise::SearchOutcome outcome{};
    QStringList found = testsupport::searchBooks(root, &outcome);
    EXPECT_EQ(outcome, organise::SearchOutcome::Completed);
    found.sort();
    EXPECT_EQ(found, QStringList({root + u("/a.epub"), root + u("/linked/c.epub"),
                                  root + u("/sub/b.epub")}));
}

// Permissions do not stop root, so as root the search runs in a child process that has given
// its rights away to the unprivileged "nobody" user.
TEST(FolderSearch, AnUnreadableFolderIsSkippedAndTheSearchGoesOn) {
    testsupport::TempTree tree;
    const QString root = tree.makeFolder(u("root"));
    tree.writeFile(u("root/a.epub"));
    tree.writeFile(u("root/locked/b.epub"));
    tree.writeFile(u("root/open/c.epub"));
    const std::string locked = tree.path(u("root/locked")).toStdString();
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    const QStringList expected({root + u("/a.epub"), root + u("/open/c.epub")});
    const auto searchMatches = [&] {
        organise::SearchOutcome outcome{};
        QStringList found = testsupport::searchBooks(root, &outcome);
        found.sort();
        return outcome == organise::SearchOutcome::Completed && found == expected;
    };

    if (::geteuid() != 0) {
        EXPECT_TRUE(searchMatches());
    } else {
        ASSERT_EQ(::chmod(tree.path().toStdString().c_str(), 0755), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
            ::_exit(searchMatches() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: wrong books found, 2: could not drop rights";
    }
    ::chmod(locked.c_str(), 0700);
}

}  // namespace
