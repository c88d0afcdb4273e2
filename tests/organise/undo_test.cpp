// The run journal and the undo: runs of a generated library, disturbed after the run the way a
// user would disturb them, are taken back with one outcome per book, and the tree afterwards is
// the tree before the run except where an outcome says why.
#include "organise/undo_run.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTimeZone>
#include <functional>

#include "core/json_writer.h"
#include "core/message_sink.h"
#include "core/path_text_qt.h"
#include "organise/organise_run.h"
#include "organise/run_journal.h"
#include "support/epub_builder.h"
#include "support/temp_tree.h"

namespace organise {
namespace {

class Rows final : public WorkList {
public:
    QStringList sources;
    QStringList results;
    QStringList outputs;
    int rowCount() const override { return static_cast<int>(sources.size()); }
    QString source(int row) const override { return sources.at(row); }
    void setResultText(int row, const QString& text) override { results[row] = text; }
    void setOutputText(int row, const QString& text) override { outputs[row] = text; }
};

class Quiet final : public core::MessageSink {
public:
    void showMessage(const QString&) override {}
};

class Headless final : public RunObserver {
public:
    TransferMode mode = TransferMode::Copy;
    QString output;
    int stopAfter = -1;  // rows handled before the run is cut short
    int handled = 0;
    QList<OrganiseResult> results;

    void clearStopRequest() override {}
    bool stopRequested() const override { return stopAfter >= 0 && handled >= stopAfter; }
    BookSettings bookSettings() const override { return {NamingOptions{}, mode, output}; }
    bool englishUi() const override { return true; }
    core::MessageSink& messageSink() override { return sink_; }
    void showMessage(const QString&) override {}
    void rowFinished(int, OrganiseResult result, ExistingTarget) override {
        results.append(result);
        ++handled;
    }

private:
    Quiet sink_;
};

class Recorder final : public UndoObserver {
public:
    QMap<QString, UndoBookResult> byTarget;  // keyed by the target's file name
    QStringList folders;
    void bookFinished(int, const UndoBookResult& result) override {
        byTarget.insert(QFileInfo(result.entry.target).fileName(), result);
    }
    void folderRemoved(const QString& folder) override { folders.append(folder); }
};

// Every file (with its bytes) and every folder below root, by relative path.
QMap<QString, QByteArray> snapshot(const QString& root) {
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            tree.insert(relative + QLatin1Char('/'), QByteArray());
        } else {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
            tree.insert(relative, file.readAll());
        }
    }
    return tree;
}

void appendTo(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(bytes);
}

class UndoTest : public ::testing::Test {
protected:
    testsupport::TempTree tree;
    QString lib = tree.makeFolder(QStringLiteral("root/lib"));
    QString out = tree.path(QStringLiteral("root/out")) + QDir::separator();
    QString journals = tree.path(QStringLiteral("journal"));
    QString root = tree.path(QStringLiteral("root"));
    Rows rows;

    // A book by `creator`: the run files it as out/<creator>/<creator> - <title>.epub.
    QString addBook(const QString& relative, const QString& creator, const QString& title) {
        testsupport::BookSpec spec;
        spec.creators = {creator};
        spec.title = title;
        const QString path = lib + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        testsupport::writeBook(path, spec);
        rows.sources.append(path);
        return path;
    }

    QString targetOf(const QString& creator, const QString& title) const {
        return out + creator + QDir::separator() + creator + QStringLiteral(" - ") + title +
               QStringLiteral(".epub");
    }

    // A library with books that will succeed, one that cannot be read and one whose target is
    // already taken by a book that was in the collection before the run.
    void makeLibrary() {
        addBook(QStringLiteral("a/one.epub"), QStringLiteral("Ann"), QStringLiteral("One"));
        addBook(QStringLiteral("a/two.epub"), QStringLiteral("Ann"), QStringLiteral("Two"));
        addBook(QStringLiteral("b/three.epub"), QStringLiteral("Bob"), QStringLiteral("Three"));
        addBook(QStringLiteral("b/four.epub"), QStringLiteral("Cid"), QStringLiteral("Four"));
        addBook(QStringLiteral("solo/five.epub"), QStringLiteral("Dee"), QStringLiteral("Five"));
        rows.sources.append(tree.writeFile(QStringLiteral("root/lib/broken.epub"), "not a zip"));
        addBook(QStringLiteral("b/six.epub"), QStringLiteral("Eve"), QStringLiteral("Six"));
        tree.writeFile(QStringLiteral("root/out/Eve/Eve - Six.epub"), "an older book");
        rows.results = rows.outputs = QStringList(rows.sources.size(), QString());
    }

    Headless run(TransferMode mode, int stopAfter = -1) {
        Headless observer;
        observer.mode = mode;
        observer.output = out;
        observer.stopAfter = stopAfter;
        PlatformFileOperations disk;
        RunJournal journal(journals);
        JournalingFileOperations files(disk, journal);
        OrganiseRun(rows, observer, files);
        EXPECT_TRUE(journal.error().isEmpty()) << journal.error().toStdString();
        return observer;
    }

    Recorder undo(bool dryRun, UndoSummary& summary) {
        Recorder recorder;
        const QString journal = NewestJournal(journals);
        EXPECT_FALSE(journal.isEmpty());
        EXPECT_FALSE(UndoJournal(journal, recorder, dryRun, summary));
        return recorder;
    }
};

TEST_F(UndoTest, CopyRunIsTakenBackExceptChangedCopiesAndOnlyCopies) {
    makeLibrary();
    const QMap<QString, QByteArray> before = snapshot(root);
    const Headless ran = run(TransferMode::Copy);
    ASSERT_EQ(ran.results, (QList<OrganiseResult>{OrganiseResult::Done, OrganiseResult::Done,
                                                  OrganiseResult::Done, OrganiseResult::Done,
                                                  OrganiseResult::Done, OrganiseResult::ReadFailed,
                                                  OrganiseResult::TargetExists}));

    // After the run: one copy is edited, one source is deleted, one source is rewritten.
    appendTo(targetOf(QStringLiteral("Ann"), QStringLiteral("Two")), "notes");
    ASSERT_TRUE(QFile::remove(lib + QStringLiteral("/b/three.epub")));
    appendTo(lib + QStringLiteral("/b/four.epub"), "a later edition");
    const QMap<QString, QByteArray> afterRun = snapshot(root);

    // The dry run decides as the real undo does and changes nothing.
    UndoSummary dry;
    const Recorder planned = undo(true, dry);
    EXPECT_EQ(snapshot(root), afterRun);

    UndoSummary summary;
    const Recorder done = undo(false, summary);
    ASSERT_EQ(done.byTarget.size(), 5);
    const auto outcome = [&](const Recorder& r, const char* name) {
        return r.byTarget.value(QString::fromUtf8(name)).outcome;
    };
    for (const Recorder* r : {&planned, &done}) {
        EXPECT_EQ(outcome(*r, "Ann - One.epub"), UndoOutcome::Undone);
        EXPECT_EQ(outcome(*r, "Ann - Two.epub"), UndoOutcome::KeptChanged);
        EXPECT_EQ(outcome(*r, "Bob - Three.epub"), UndoOutcome::KeptOnlyCopy);
        EXPECT_EQ(outcome(*r, "Cid - Four.epub"), UndoOutcome::KeptOnlyCopy);
        EXPECT_EQ(outcome(*r, "Dee - Five.epub"), UndoOutcome::Undone);
    }
    EXPECT_EQ(dry.undone, 2);
    EXPECT_EQ(summary.undone, 2);
    EXPECT_EQ(summary.kept, 3);
    EXPECT_EQ(dry.foldersRemoved, summary.foldersRemoved);

    // The tree before the run, but for the books kept and the folders that hold them.
    QMap<QString, QByteArray> expected = before;
    expected.remove(QStringLiteral("lib/b/three.epub"));
    expected.insert(QStringLiteral("lib/b/four.epub"),
                    afterRun.value(QStringLiteral("lib/b/four.epub")));
    for (const char* kept : {"out/Ann/", "out/Ann/Ann - Two.epub", "out/Bob/",
                             "out/Bob/Bob - Three.epub", "out/Cid/", "out/Cid/Cid - Four.epub"})
        expected.insert(QString::fromUtf8(kept), afterRun.value(QString::fromUtf8(kept)));
    EXPECT_EQ(snapshot(root), expected);
    EXPECT_EQ(done.folders, QStringList{out + QStringLiteral("Dee")});

    // The journal is marked: a second undo finds nothing left to take back.
    EXPECT_TRUE(NewestJournal(journals).isEmpty());
}

TEST_F(UndoTest, MoveRunIsTakenBackExceptChangedTargetsAndTakenSources) {
    makeLibrary();
    const QMap<QString, QByteArray> before = snapshot(root);
    const Headless ran = run(TransferMode::Move);
    ASSERT_EQ(ran.results.count(OrganiseResult::Done), 5);

    // After the run: one target touched (same bytes, new time), one source path taken by a new
    // file, and the folder of another source removed.
    const QString touched = targetOf(QStringLiteral("Ann"), QStringLiteral("Two"));
    {
        QFile file(touched);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000),
                                     QFileDevice::FileModificationTime));
    }
    tree.writeFile(QStringLiteral("root/lib/b/three.epub"), "a newcomer");
    ASSERT_TRUE(QDir(lib + QStringLiteral("/solo")).removeRecursively());
    const QMap<QString, QByteArray> afterRun = snapshot(root);

    UndoSummary summary;
    const Recorder done = undo(false, summary);
    ASSERT_EQ(done.byTarget.size(), 5);
    const auto result = [&](const char* name) {
        return done.byTarget.value(QString::fromUtf8(name));
    };
    EXPECT_EQ(result("Ann - One.epub").outcome, UndoOutcome::Undone);
    EXPECT_EQ(result("Ann - One.epub").nowAt, lib + QStringLiteral("/a/one.epub"));
    EXPECT_EQ(result("Ann - Two.epub").outcome, UndoOutcome::KeptChanged);
    EXPECT_EQ(result("Bob - Three.epub").outcome, UndoOutcome::KeptSourceTaken);
    EXPECT_EQ(result("Cid - Four.epub").outcome, UndoOutcome::Undone);
    EXPECT_EQ(result("Dee - Five.epub").outcome, UndoOutcome::Failed);
    EXPECT_FALSE(result("Dee - Five.epub").reason.isEmpty());

    QMap<QString, QByteArray> expected = before;
    for (const char* gone : {"lib/a/two.epub", "lib/solo/", "lib/solo/five.epub"})
        expected.remove(QString::fromUtf8(gone));
    expected.insert(QStringLiteral("lib/b/three.epub"), "a newcomer");
    for (const char* kept : {"out/Ann/", "out/Ann/Ann - Two.epub", "out/Bob/",
                             "out/Bob/Bob - Three.epub", "out/Dee/", "out/Dee/Dee - Five.epub"})
        expected.insert(QString::fromUtf8(kept), afterRun.value(QString::fromUtf8(kept)));
    EXPECT_EQ(snapshot(root), expected);

    // Nothing was lost: every book is in exactly one place.
    EXPECT_EQ(snapshot(root).value(QStringLiteral("out/Dee/Dee - Five.epub")),
              before.value(QStringLiteral("lib/solo/five.epub")));
}

TEST_F(UndoTest, KilledMoveRunIsTakenBackAsFarAsItWent) {
    makeLibrary();
    const QMap<QString, QByteArray> before = snapshot(root);
    // Three books moved, then the process dies while it writes the next line.
    run(TransferMode::Move, 3);
    const QStringList files = JournalFiles(journals);
    ASSERT_EQ(files.size(), 1);
    appendTo(files.first(), "{\"mode\":\"move\",\"source\":\"" + lib.toUtf8() + "/b/fo");

    JournalContents contents;
    ASSERT_FALSE(ReadJournal(files.first(), contents));
    EXPECT_EQ(contents.bookCount(), 3);
    EXPECT_EQ(contents.unreadableLines, 1);

    UndoSummary summary;
    const Recorder done = undo(false, summary);
    EXPECT_EQ(summary.undone, 3);
    EXPECT_EQ(summary.books, 3);
    EXPECT_EQ(snapshot(root), before);
    // The marker is not swallowed by the cut-off line.
    EXPECT_TRUE(NewestJournal(journals).isEmpty());
}

// A journal is a file: edited, copied or damaged, it still cannot make the undo touch anything
// outside the run's own output folder.
TEST_F(UndoTest, AnEditedJournalCannotReachOutsideTheOutputFolder) {
    addBook(QStringLiteral("a/one.epub"), QStringLiteral("Ann"), QStringLiteral("One"));
    addBook(QStringLiteral("a/two.epub"), QStringLiteral("Ann"), QStringLiteral("Two"));
    rows.results = rows.outputs = QStringList(rows.sources.size(), QString());
    {
        Headless observer;
        observer.mode = TransferMode::Copy;
        observer.output = out;
        PlatformFileOperations disk;
        RunJournal journal(journals, out, TransferMode::Copy);
        JournalingFileOperations files(disk, journal);
        OrganiseRun(rows, observer, files);
    }
    // Outside the output: a file with a byte-identical twin in the library, one moved there,
    // and an empty folder.
    const QString twin = tree.writeFile(QStringLiteral("root/lib/twin.epub"), "precious");
    const QString outside = tree.writeFile(QStringLiteral("root/keep/precious.epub"), "precious");
    const QString movedOutside = tree.writeFile(QStringLiteral("root/keep/moved.epub"), "mine");
    const QString emptyOutside = tree.makeFolder(QStringLiteral("root/keep/empty"));
    // Lines as the journal writes them (the JSON writer escapes a Windows path's backslashes).
    const auto bookLine = [](const char* mode, const QString& source, const QString& target,
                             const QString& statusOf) {
        platform::OsError error;
        const auto status = platform::fileStatus(core::toPlatformPath(statusOf), error);
        return core::JsonObject()
            .add("mode", mode)
            .add("mtime", qint64(status->modifiedNs))
            .add("size", qint64(status->size))
            .add("source", source)
            .add("target", target)
            .line();
    };
    const QString journalPath = JournalFiles(journals).first();
    QByteArray edits;
    // A copy line pointed at the outside file, its twin as the source.
    edits += bookLine("copy", twin, outside, outside);
    // A move line pointed at a file outside, with that file's size and time.
    edits += bookLine("move", lib + QStringLiteral("/back.epub"), movedOutside, movedOutside);
    // The same through "..", and a relative source.
    edits += bookLine("move", lib + QStringLiteral("/back2.epub"),
                      out + QStringLiteral("../keep/moved.epub"), movedOutside);
    const QString own = targetOf(QStringLiteral("Ann"), QStringLiteral("One"));
    edits += bookLine("move", QStringLiteral("relative.epub"), own, own);
    // Any empty folder.
    edits += core::JsonObject().add("folder", emptyOutside).line();
    appendTo(journalPath, edits);
    const QMap<QString, QByteArray> keepBefore = snapshot(tree.path(QStringLiteral("root/keep")));

    UndoSummary summary;
    const Recorder done = undo(false, summary);
    EXPECT_EQ(snapshot(tree.path(QStringLiteral("root/keep"))), keepBefore);
    EXPECT_TRUE(QFileInfo(emptyOutside).isDir());
    EXPECT_EQ(done.byTarget.value(QStringLiteral("precious.epub")).outcome, UndoOutcome::Failed);
    EXPECT_EQ(done.byTarget.value(QStringLiteral("moved.epub")).outcome, UndoOutcome::Failed);
    EXPECT_TRUE(done.byTarget.value(QStringLiteral("moved.epub"))
                    .reason.contains(QStringLiteral("outside")));
    EXPECT_EQ(summary.failed, 4);
    // The run's own books were still taken back, and its own folder removed.
    EXPECT_EQ(summary.undone, 2);
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("Ann")));
}

// The window's output folder may change between books (a favourite picked during the run): the
// books written into the second folder are the run's own too.
TEST_F(UndoTest, BooksWrittenAfterTheOutputFolderChangedAreUndoneToo) {
    const QString first =
        addBook(QStringLiteral("a/one.epub"), QStringLiteral("Ann"), QStringLiteral("One"));
    const QString second =
        addBook(QStringLiteral("a/two.epub"), QStringLiteral("Bob"), QStringLiteral("Two"));
    const QString other = tree.path(QStringLiteral("root/other")) + QDir::separator();
    {
        PlatformFileOperations disk;
        RunJournal journal(journals, out, TransferMode::Move);
        JournalingFileOperations files(disk, journal);
        QDir().mkpath(out + QStringLiteral("Ann"));
        QDir().mkpath(other + QStringLiteral("Bob"));
        ASSERT_FALSE(files.moveFile(first, out + QStringLiteral("Ann/one.epub")));
        journal.recordOutputFolder(other);
        ASSERT_FALSE(files.moveFile(second, other + QStringLiteral("Bob/two.epub")));
        files.finish();
    }
    UndoSummary summary;
    undo(false, summary);
    EXPECT_EQ(summary.undone, 2);
    EXPECT_TRUE(QFileInfo::exists(first));
    EXPECT_TRUE(QFileInfo::exists(second));
}

// The confirmation names the run by its start and says how many of its books are still away,
// also after an undo that was stopped; a journal of an earlier version names its start by its
// file name.
TEST_F(UndoTest, TheRunToUndoIsDescribedByItsStartAndTheBooksLeft) {
    makeLibrary();
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    {
        Headless observer;
        observer.mode = TransferMode::Move;
        observer.output = out;
        PlatformFileOperations disk;
        RunJournal journal(journals, out, TransferMode::Move);
        JournalingFileOperations files(disk, journal);
        OrganiseRun(rows, observer, files);
        ASSERT_EQ(observer.results.count(OrganiseResult::Done), 5);
    }
    const QString path = NewestJournal(journals);
    JournalContents contents;
    ASSERT_FALSE(ReadJournal(path, contents));
    UndoPreview preview = describeLastRun(contents);
    EXPECT_GE(preview.startTime, before);
    EXPECT_LE(preview.startTime, QDateTime::currentDateTimeUtc());
    EXPECT_EQ(preview.booksLeft, 5);
    EXPECT_EQ(preview.outputFolder, out);
    EXPECT_TRUE(preview.moved);

    // Stopped after two books: three are left, for the undo's counts and for the next question.
    class StopAfterTwo final : public UndoObserver {
    public:
        int books = 0;
        void bookFinished(int, const UndoBookResult&) override { ++books; }
        bool stopRequested() const override { return books >= 2; }
    } stopping;
    UndoSummary summary;
    ASSERT_FALSE(UndoJournal(path, stopping, false, summary));
    ASSERT_TRUE(summary.stopped);
    EXPECT_EQ(summary.undone, 2);
    EXPECT_EQ(undoBooksLeft(contents, summary), 3);
    ASSERT_EQ(NewestJournal(journals), path) << "a stopped undo leaves the run to undo";
    ASSERT_FALSE(ReadJournal(path, contents));
    EXPECT_EQ(contents.unreadableLines, 0);
    preview = describeLastRun(contents);
    EXPECT_EQ(preview.booksLeft, 3);
    EXPECT_EQ(undoRunQuestion(preview, true),
              QStringLiteral("Undo the run started at %1? 3 book(s) will be taken back from %2 "
                             "(moved). Moved books return to where they were, copies are "
                             "deleted. Whatever changed since the run is kept.")
                  .arg(preview.startTime.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                       out));
    EXPECT_TRUE(undoRunQuestion(preview, false).contains(QStringLiteral("3 könyv")));

    // The next undo finds the first two back again and finishes the run.
    Recorder recorder;
    ASSERT_FALSE(UndoJournal(path, recorder, false, summary));
    EXPECT_EQ(summary.undone, 5);
    EXPECT_EQ(undoBooksLeft(contents, summary), 0);
    ASSERT_FALSE(ReadJournal(path, contents));
    EXPECT_EQ(contents.booksLeft(), 0);

    // An earlier version's journal: no first line, one line per book.
    const QString old = QDir(journals).filePath(QStringLiteral("run-20251130-080910-000.jsonl"));
    tree.writeFile(QDir(tree.path()).relativeFilePath(old),
                   core::JsonObject()
                       .add("mode", "copy")
                       .add("source", lib + QStringLiteral("/x.epub"))
                       .add("target", out + QStringLiteral("X/X - x.epub"))
                       .add("mtime", qint64(1))
                       .add("size", qint64(1))
                       .line());
    ASSERT_FALSE(ReadJournal(old, contents));
    preview = describeLastRun(contents);
    EXPECT_EQ(preview.startTime, QDateTime(QDate(2025, 11, 30), QTime(8, 9, 10), QTimeZone::utc()));
    EXPECT_EQ(preview.booksLeft, 1);
    EXPECT_EQ(preview.outputFolder, out + QStringLiteral("X") + QDir::separator());
    EXPECT_FALSE(preview.moved);
}

TEST_F(UndoTest, OnlyTheNewestJournalsAreKeptAndRunsThatChangeNothingLeaveNone) {
    makeLibrary();
    rows.sources = {rows.sources.at(5)};  // the broken book alone: nothing is written
    rows.results = rows.outputs = QStringList(1, QString());
    run(TransferMode::Copy);
    EXPECT_TRUE(JournalFiles(journals).isEmpty());

    for (int k = 0; k < kJournalsKept + 3; ++k) {
        RunJournal journal(journals);
        journal.recordFolder(out + QString::number(k));
        journal.finish();
    }
    const QStringList files = JournalFiles(journals);
    ASSERT_EQ(files.size(), kJournalsKept);
    JournalContents newest;
    ASSERT_FALSE(ReadJournal(NewestJournal(journals), newest));
    ASSERT_EQ(newest.entries.size(), 1);
    EXPECT_EQ(newest.entries.first().target, out + QString::number(kJournalsKept + 2));
    JournalContents oldest;
    ASSERT_FALSE(ReadJournal(files.first(), oldest));
    EXPECT_EQ(oldest.entries.first().target, out + QStringLiteral("3"));
}

}  // namespace
}  // namespace organise
