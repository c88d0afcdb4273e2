// The recursive "*.epub" search behind the work list: the order files are reported in, the
// mask, the guard against a nested search and folders that vanish (symbolic links and folders
// that cannot be listed: collection_posix_test.cpp).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <stdexcept>

#include "organise/collection.h"
#include "organise/extension.h"
#include "platform/listing.h"
#include "support/folder_search.h"
#include "support/temp_tree.h"

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A path part written with '/', in native form: the search reports native paths.
QString n(const char* utf8) {
    return QDir::toNativeSeparators(u(utf8));
}

// The names a folder listing returns, in its order, keeping those the mask takes.
QStringList listedBooks(const QString& folder) {
    QStringList names;
    platform::listFolder(folder.toStdString(), [&](const platform::FolderEntry& entry) {
        const QString name = QString::fromStdString(entry.name);
        if (!(entry.attributes & platform::AttrDirectory) && organise::hasEpubExtension(name))
            names << folder + QDir::separator() + name;
        return true;
    });
    return names;
}

TEST(EpubMask, TakesAnyNameEndingInDotEpubWhateverItsCase) {
    EXPECT_TRUE(organise::hasEpubExtension(u("a.epub")));
    EXPECT_TRUE(organise::hasEpubExtension(u("x.EPUB")));
    EXPECT_TRUE(organise::hasEpubExtension(u("Mixed.EpUb")));
    EXPECT_TRUE(organise::hasEpubExtension(u(".epub")));
    EXPECT_TRUE(organise::hasEpubExtension(u("two.dots.epub")));
    EXPECT_FALSE(organise::hasEpubExtension(u("x.epub.bak")));
    EXPECT_FALSE(organise::hasEpubExtension(u("epub")));
    EXPECT_FALSE(organise::hasEpubExtension(u("x.epu")));
    EXPECT_FALSE(organise::hasEpubExtension(u("x_epub")));
    // Only A to Z fold: the Kelvin sign is not a "k" and a dotless i is not an "i".
    EXPECT_FALSE(organise::hasEpubExtension(u("x.\u0131pub")));
    EXPECT_FALSE(organise::hasEpubExtension(u("x.ep\u016Ab")));
}

TEST(CollectionTexts, CountAndCompletionInBothLanguages) {
    EXPECT_EQ(organise::countText(5, false), u("Db:5"));
    EXPECT_EQ(organise::countText(12345, true), u("Count:12345"));
    EXPECT_EQ(organise::scanCompleteText(false), u("Beolvasás kész"));
    EXPECT_EQ(organise::scanCompleteText(true), u("Scanning is complete"));
}

TEST(FolderSearch, ReportsAFoldersFilesBeforeItsSubfoldersDepthFirst) {
    testsupport::TempTree tree;
    const QString root = tree.makeFolder(u("root"));
    for (const char* name :
         {"root/a.epub", "root/B.EPUB", "root/c.txt", "root/d.epub.bak", "root/.hidden.epub",
          "root/one/e.epub", "root/one/deep/f.epub", "root/one/deep/deeper/g.epub",
          "root/one/h.epub", "root/two/i.epub", "root/.dot/j.epub", "root/empty/readme"})
        tree.writeFile(u(name));

    organise::SearchOutcome outcome{};
    const QStringList found = testsupport::searchBooks(root, &outcome);
    EXPECT_EQ(outcome, organise::SearchOutcome::Completed);
    ASSERT_EQ(found.size(), 9) << found.join(u("\n")).toStdString();

    // The start folder's own books first, in listing order.
    const QStringList direct = listedBooks(root);
    ASSERT_EQ(direct.size(), 3);
    EXPECT_EQ(found.mid(0, 3), direct);

    // Each subfolder's books come together (depth first), its own files before its subfolders'.
    const auto groupOf = [&](const QString& prefix) {
        QList<int> at;
        for (int i = 0; i < found.size(); ++i)
            if (found[i].startsWith(root + prefix)) at << i;
        return at;
    };
    const QList<int> one = groupOf(n("/one/"));
    ASSERT_EQ(one.size(), 4);
    EXPECT_EQ(one.last() - one.first(), 3) << "the subtree of one/ is reported without a gap";
    EXPECT_EQ(found.mid(one.first(), 2), listedBooks(root + n("/one")));
    EXPECT_EQ(found[one.first() + 2], root + n("/one/deep/f.epub"));
    EXPECT_EQ(found[one.first() + 3], root + n("/one/deep/deeper/g.epub"));
    EXPECT_TRUE(found.contains(root + n("/two/i.epub")));
    EXPECT_TRUE(found.contains(root + n("/.dot/j.epub")));

    // A trailing separator on the start folder gives the same paths.
    EXPECT_EQ(testsupport::searchBooks(root + n("/")), found);
}

TEST(FolderSearch, AMissingStartFolderYieldsNothing) {
    testsupport::TempTree tree;
    organise::SearchOutcome outcome{};
    EXPECT_TRUE(testsupport::searchBooks(tree.path(u("nope")), &outcome).isEmpty());
    EXPECT_EQ(outcome, organise::SearchOutcome::Completed);
}

TEST(FolderSearch, ASearchStartedWhileOneRunsReturnsAtOnce) {
    testsupport::TempTree tree;
    tree.writeFile(u("outer/a.epub"));
    tree.writeFile(u("outer/b.epub"));
    tree.writeFile(u("inner/c.epub"));
    organise::FolderSearch searcher;
    QStringList found;
    QList<organise::SearchOutcome> nested;
    const organise::SearchOutcome outcome =
        searcher.run(tree.path(u("outer")), [&](const QString& p) {
            found << p;
            EXPECT_TRUE(searcher.running());
            nested << searcher.run(tree.path(u("inner")), [&](const QString& q) { found << q; });
        });
    EXPECT_EQ(outcome, organise::SearchOutcome::Completed);
    EXPECT_EQ(found.size(), 2);
    EXPECT_EQ(nested, QList<organise::SearchOutcome>({organise::SearchOutcome::AlreadyRunning,
                                                      organise::SearchOutcome::AlreadyRunning}));
    EXPECT_FALSE(searcher.running());

    // An error from the callback ends the search and leaves it ready for the next one.
    EXPECT_THROW(searcher.run(tree.path(u("outer")),
                              [](const QString&) { throw std::runtime_error("stop"); }),
                 std::runtime_error);
    EXPECT_FALSE(searcher.running());
    EXPECT_EQ(testsupport::searchBooks(tree.path(u("inner"))).size(), 1);
}

TEST(FolderSearch, AFolderThatVanishesBeforeItIsListedCountsAsEmpty) {
    testsupport::TempTree tree;
    const QString root = tree.makeFolder(u("root"));
    tree.writeFile(u("root/a.epub"));
    tree.writeFile(u("root/gone/b.epub"));
    tree.writeFile(u("root/stays/c.epub"));
    organise::FolderSearch searcher;
    QStringList found;
    const organise::SearchOutcome outcome = searcher.run(root, [&](const QString& p) {
        found << p;
        // While the first book is handled, another program removes a subfolder that the search
        // has already noted.
        if (p.endsWith(u("a.epub"))) QDir(tree.path(u("root/gone"))).removeRecursively();
    });
    EXPECT_EQ(outcome, organise::SearchOutcome::Completed);
    EXPECT_EQ(found, QStringList({root + n("/a.epub"), root + n("/stays/c.epub")}));
}

}  // namespace
