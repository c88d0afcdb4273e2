// The built command-line program, run as a user runs it, on books written by the tests.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "cli_runner.h"
#include "support/temp_tree.h"

namespace {

using clitest::CliRun;
using clitest::keysOf;
using clitest::q;
using clitest::runCli;
using clitest::treeListing;
using clitest::writeBook;

// The JSON lines of an undo: one per book (with "mode") and one per folder removed.
struct UndoLines {
    QList<QJsonObject> books;
    QList<QJsonObject> folders;
};

// The last line on stderr: the counts every organise and undo ends with.
QString countsLine(const CliRun& run) {
    return run.errText().trimmed().split(u'\n').last();
}

UndoLines splitUndo(const CliRun& run) {
    UndoLines lines;
    for (const QJsonObject& line : run.lines())
        (line.contains(q("mode")) ? lines.books : lines.folders).append(line);
    return lines;
}

TEST(CliCommands, ExitStatusesAndTheKeysOfEveryJsonLine) {
    testsupport::TempTree tree;
    const QString config = tree.makeFolder(q("config"));
    const QString one = writeBook(tree, "in/one.epub", "One", "Ann Author");
    const QString two = writeBook(tree, "in/two.epub", "Two", "Bob Writer");
    const QString broken = tree.writeFile(q("in/broken.epub"), "not a zip archive");
    const QString out = tree.path(q("out"));

    // inspect: one record per book in the order given; 1 as soon as one book did not open.
    CliRun run = runCli({q("inspect"), one}, config);
    EXPECT_EQ(run.status, 0) << run.errText().toStdString();
    QList<QJsonObject> lines = run.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0][q("Title")].toString(), q("One"));
    EXPECT_EQ(lines[0][q("Creator")].toString(), q("Ann Author"));
    EXPECT_FALSE(lines[0].contains(q("error")));
    run = runCli({q("inspect"), one, broken}, config);
    EXPECT_EQ(run.status, 1);
    lines = run.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(keysOf(lines[1]), keysOf(lines[0]) << q("error"))
        << "a failed book has the same record plus its error";
    EXPECT_FALSE(lines[1][q("error")].toString().isEmpty());

    // Usage errors: 2, nothing on stdout, a reason on stderr, nothing written anywhere.
    const QList<QStringList> usageErrors = {
        {q("frobnicate")},
        {q("inspect")},
        {q("inspect"), q("--jobs"), q("0"), one},
        {q("organise"), one},
        {q("organise"), q("--output"), out},
        {q("organise"), q("--output"), out, q("--rename"), q("sideways"), one},
        {q("organise"), q("--output"), out, q("--folders"), q("shelf"), one},
        {q("organise"), q("--output"), out, q("--no-such-option"), one},
        {q("undo"), q("extra")},
    };
    for (const QStringList& arguments : usageErrors) {
        run = runCli(arguments, config);
        const std::string given = arguments.join(u' ').toStdString();
        EXPECT_EQ(run.status, 2) << given;
        EXPECT_TRUE(run.out.isEmpty()) << given;
        EXPECT_FALSE(run.err.isEmpty()) << given;
    }
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_EQ(treeListing(config), QStringList());

    // organise: 0 when every book ended Done or TargetExists, 1 otherwise.
    const QStringList organiseKeys = {q("existing"), q("reason"), q("result"),
                                      q("source"),   q("target"), q("text")};
    run = runCli({q("organise"), q("--output"), out, one, two}, config);
    EXPECT_EQ(run.status, 0) << run.errText().toStdString();
    lines = run.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0][q("source")].toString(), one);
    EXPECT_EQ(lines[1][q("source")].toString(), two);
    for (const QJsonObject& line : lines) {
        EXPECT_EQ(keysOf(line), organiseKeys);
        EXPECT_EQ(line[q("result")].toString(), q("Done"));
        EXPECT_FALSE(line[q("text")].toString().isEmpty());
        EXPECT_EQ(line[q("reason")].toString(), QString());
        EXPECT_EQ(line[q("existing")].toString(), QString());
        EXPECT_TRUE(QFileInfo(line[q("target")].toString()).isFile());
    }
    EXPECT_EQ(countsLine(run),
              q("ok=2 identical=0 different=0 read_failed=0 copy_failed=0 not_epub=0 stopped=0"));
    run = runCli({q("organise"), q("--output"), out, q("--english"), one}, config);
    EXPECT_EQ(run.status, 0) << "a book already in place is no failure";
    lines = run.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0][q("result")].toString(), q("TargetExists"));
    EXPECT_EQ(lines[0][q("existing")].toString(), q("identical"));
    EXPECT_EQ(lines[0][q("reason")].toString(),
              q("the same book is already there (identical bytes)"));
    EXPECT_EQ(countsLine(run),
              q("ok=0 identical=1 different=0 read_failed=0 copy_failed=0 not_epub=0 stopped=0"));
    // Another book under the same name: the file there is kept, and so is the book (a move).
    const QString other = writeBook(tree, "in/other.epub", "One", "Ann Author", "hu");
    run = runCli({q("organise"), q("--output"), out, q("--move"), other}, config);
    lines = run.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0][q("existing")].toString(), q("different"));
    EXPECT_EQ(lines[0][q("reason")].toString(), q("ezen a néven egy másik fájl van"));
    EXPECT_TRUE(QFileInfo::exists(other));
    run = runCli({q("organise"), q("--output"), out, broken, one}, config);
    EXPECT_EQ(run.status, 1);
    lines = run.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(keysOf(lines[0]), organiseKeys);
    EXPECT_EQ(lines[0][q("result")].toString(), q("ReadFailed"));
    EXPECT_FALSE(lines[0][q("reason")].toString().isEmpty());
    EXPECT_EQ(lines[1][q("result")].toString(), q("TargetExists"));
    EXPECT_EQ(lines[0][q("existing")].toString(), QString());

    // undo takes back the one run that changed something: 0 when every book was undone, then 1
    // because no run is left.
    run = runCli({q("undo")}, config);
    EXPECT_EQ(run.status, 0) << run.errText().toStdString();
    const UndoLines undone = splitUndo(run);
    ASSERT_EQ(undone.books.size(), 2);
    for (const QJsonObject& line : undone.books) {
        EXPECT_EQ(keysOf(line),
                  QStringList({q("mode"), q("outcome"), q("reason"), q("source"), q("target")}));
        EXPECT_EQ(line[q("mode")].toString(), q("copy"));
        EXPECT_EQ(line[q("outcome")].toString(), q("Undone"));
    }
    ASSERT_FALSE(undone.folders.isEmpty()) << "the creator folders the run made go with it";
    for (const QJsonObject& line : undone.folders) {
        EXPECT_EQ(keysOf(line), QStringList({q("folder"), q("outcome")}));
        EXPECT_EQ(line[q("outcome")].toString(), q("Removed"));
    }
    EXPECT_EQ(countsLine(run), q("undone=2 kept=0 failed=0 left=0"));
    run = runCli({q("undo")}, config);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.isEmpty());
}

TEST(CliOrganise, FoldersAndNoFoldersExcludeEachOther) {
    testsupport::TempTree tree;
    const QString config = tree.makeFolder(q("config"));
    const QString one = writeBook(tree, "in/one.epub", "One", "Ann Author", "en");
    const QString out = tree.path(q("out"));

    for (const QStringList& levels :
         {QStringList{q("--folders"), q("creator"), q("--no-folders")},
          QStringList{q("--no-folders"), q("--folders=language,title")}}) {
        const CliRun run = runCli(
            QStringList{q("organise"), q("--output"), out} + levels + QStringList{one}, config);
        EXPECT_EQ(run.status, 2) << levels.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.errText().contains(q("--folders and --no-folders exclude each other")))
            << run.errText().toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_EQ(treeListing(config), QStringList()) << "no run, no journal";

    // Either alone takes effect: no folder at all, or the levels nested in their fixed order
    // whatever order they were given in.
    const auto targetOf = [&](const QStringList& options) {
        const CliRun run = runCli(
            QStringList{q("organise"), q("--output"), out} + options + QStringList{one}, config);
        EXPECT_EQ(run.status, 0) << run.errText().toStdString();
        const QList<QJsonObject> lines = run.lines();
        return lines.size() == 1 ? QDir(out).relativeFilePath(lines[0][q("target")].toString())
                                 : QString();
    };
    EXPECT_EQ(targetOf({q("--no-folders")}), q("Ann Author - One.epub"));
    EXPECT_EQ(targetOf({q("--folders"), q("creator,language"), q("--rename=title-creator")}),
              q("en/Ann Author/One - Ann Author.epub"));
}

TEST(CliOrganise, DryRunChangesNothingOnDisk) {
    testsupport::TempTree tree;
    const QString config = tree.makeFolder(q("config"));
    const QString in = tree.path(q("in"));
    const QString out = tree.path(q("out"));
    const QString one = writeBook(tree, "in/one.epub", "One", "Ann Author", "en", "Saga");
    writeBook(tree, "in/sub/two.epub", "Two", "Bob Writer", "hu");
    tree.writeFile(q("in/broken.epub"), "not a zip archive");
    tree.writeFile(q("in/notes.txt"), "not a book");
    // A real run first: one book is already in place and the journal folder holds a run.
    const QStringList levels = {q("--folders"), q("language,creator,series")};
    ASSERT_EQ(
        runCli(QStringList{q("organise"), q("--output"), out} + levels + QStringList{one}, config)
            .status,
        0);
    const QStringList before = treeListing(tree.path());

    for (const QStringList& mode : {QStringList(), QStringList{q("--move")}}) {
        const CliRun run = runCli(QStringList{q("organise"), q("--dry-run"), q("--output"), out} +
                                      levels + mode + QStringList{in},
                                  config);
        EXPECT_EQ(run.status, 1) << "the broken book still counts as failed";
        QStringList results;
        for (const QJsonObject& line : run.lines()) {
            results << line[q("result")].toString();
            if (line[q("result")].toString() == q("Done")) {
                EXPECT_FALSE(QFileInfo::exists(line[q("target")].toString()))
                    << "reported, not written";
            }
        }
        results.sort();
        EXPECT_EQ(results.join(u','), q("Done,ReadFailed,TargetExists"));
        EXPECT_EQ(countsLine(run), q("ok=1 identical=1 different=0 read_failed=1 copy_failed=0 "
                                     "not_epub=0 stopped=0"));
        EXPECT_EQ(treeListing(tree.path()), before) << mode.join(u' ').toStdString();
    }
    // An output folder that does not exist yet is not created either.
    const CliRun fresh =
        runCli({q("organise"), q("--dry-run"), q("--output"), tree.path(q("new")), in}, config);
    EXPECT_EQ(fresh.lines().size(), 3);
    EXPECT_EQ(treeListing(tree.path()), before);

    // undo --dry-run reports the book it would take back, takes nothing back and leaves the run
    // to be undone for real.
    CliRun undo = runCli({q("undo"), q("--dry-run")}, config);
    EXPECT_EQ(undo.status, 0) << undo.errText().toStdString();
    ASSERT_EQ(splitUndo(undo).books.size(), 1);
    EXPECT_EQ(treeListing(tree.path()), before);
    undo = runCli({q("undo")}, config);
    EXPECT_EQ(undo.status, 0) << undo.errText().toStdString();
    EXPECT_EQ(splitUndo(undo).books.size(), 1);
}

TEST(CliUndo, OrganiseThenUndoReturnsTheTree) {
    testsupport::TempTree tree;
    const QString config = tree.makeFolder(q("config"));
    const QString work = tree.makeFolder(q("work"));
    const QString in = tree.path(q("work/in"));
    const QString out = tree.path(q("work/out"));
    writeBook(tree, "work/in/one.epub", "One", "Ann Author", "en", "Saga");
    writeBook(tree, "work/in/two.epub", "Two", "Ann Author", "en", "Saga");
    writeBook(tree, "work/in/deep/three.epub", "Három", "Bíró Béla", "hu");
    tree.writeFile(q("work/in/notes.txt"), "not a book");
    tree.writeFile(q("work/out/Ann Author/kept.txt"), "was here before");
    const QStringList before = treeListing(work);

    for (const QStringList& mode : {QStringList{q("--move")}, QStringList()}) {
        const CliRun run = runCli(QStringList{q("organise"), q("--output"), out, q("--folders"),
                                              q("language,creator,series")} +
                                      mode + QStringList{in},
                                  config);
        EXPECT_EQ(run.status, 0) << run.errText().toStdString();
        ASSERT_EQ(run.lines().size(), 3);
        EXPECT_NE(treeListing(work), before);

        const CliRun undo = runCli({q("undo")}, config);
        EXPECT_EQ(undo.status, 0) << undo.errText().toStdString();
        const UndoLines lines = splitUndo(undo);
        ASSERT_EQ(lines.books.size(), 3);
        for (const QJsonObject& line : lines.books)
            EXPECT_EQ(line[q("outcome")].toString(), q("Undone"))
                << line[q("reason")].toString().toStdString();
        EXPECT_FALSE(lines.folders.isEmpty());
        EXPECT_EQ(treeListing(work), before) << "after " << mode.join(u' ').toStdString();
    }
    EXPECT_EQ(runCli({q("undo")}, config).status, 1) << "both runs are undone";
}

}  // namespace
