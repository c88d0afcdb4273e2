// The undo on POSIX: file names that are no UTF-8, and runs killed in the middle of a book.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/path_text_qt.h"
#include "organise/run_journal.h"
#include "organise/undo_run.h"
#include "platform/files.h"
#include "platform/listing.h"
#include "support/epub_builder.h"
#include "support/temp_tree.h"

namespace organise {
namespace {

class Recorder final : public UndoObserver {
public:
    QList<UndoBookResult> results;
    void bookFinished(int, const UndoBookResult& result) override { results.append(result); }
};

// Read through the platform layer, which takes the path's exact bytes.
QByteArray contentOf(const QString& path) {
    std::string bytes;
    platform::OsError error;
    return platform::readWholeFile(core::toPlatformPath(path), bytes, error)
               ? QByteArray::fromStdString(bytes)
               : QByteArray();
}

// The disk of a run that is killed during its one move: before the rename or right after it.
class KilledDuringMove final : public ForwardingFileOperations {
public:
    KilledDuringMove(FileOperations& disk, bool afterRename)
        : ForwardingFileOperations(disk), afterRename_(afterRename) {}
    platform::OsError moveFile(const QString& source, const QString& target) override {
        if (afterRename_) inner().moveFile(source, target);
        ::raise(SIGKILL);
        return {};
    }

private:
    bool afterRename_;
};

// A source name with a byte that is no UTF-8 keeps its bytes through the journal: the undo
// finds the book and puts it back under the very same name, for a move and for a copy.
TEST(UndoPosix, NamesThatAreNoUtf8ComeBackWithTheirBytes) {
    for (const TransferMode mode : {TransferMode::Move, TransferMode::Copy}) {
        testsupport::TempTree tree;
        const QString journals = tree.path(QStringLiteral("journal"));
        const QString out = tree.makeFolder(QStringLiteral("out")) + QDir::separator();
        const std::string raw = tree.path(QStringLiteral("in")).toStdString() + "/lat\xE9.epub";
        const QString source = core::fromPlatformPath(raw);
        QDir().mkpath(tree.path(QStringLiteral("in")));
        testsupport::writeBook(tree.path(QStringLiteral("in/written.epub")),
                               testsupport::BookSpec());
        ASSERT_EQ(::rename(tree.path(QStringLiteral("in/written.epub")).toUtf8().constData(),
                           raw.c_str()),
                  0);
        const QByteArray bytes = contentOf(source);
        ASSERT_FALSE(bytes.isEmpty());
        const QString target = out + QStringLiteral("book.epub");
        {
            PlatformFileOperations disk;
            RunJournal journal(journals, out, mode);
            JournalingFileOperations files(disk, journal);
            files.createFolder(out + QStringLiteral("x"));
            ASSERT_FALSE(mode == TransferMode::Move ? files.moveFile(source, target)
                                                    : files.copyFile(source, target));
            files.finish();
        }
        Recorder recorder;
        UndoSummary summary;
        ASSERT_FALSE(UndoJournal(NewestJournal(journals), recorder, false, summary));
        ASSERT_EQ(recorder.results.size(), 1);
        EXPECT_EQ(recorder.results.first().outcome, UndoOutcome::Undone);
        EXPECT_EQ(contentOf(source), bytes);
        EXPECT_FALSE(QFileInfo::exists(target));
        int files = 0;
        platform::listFolder(tree.path(QStringLiteral("in")).toStdString(),
                             [&files](const platform::FolderEntry&) { return ++files > 0; });
        EXPECT_EQ(files, 1) << "the book is back under its own name, not beside it";
    }
}

// A run killed between a book's line and its mark, on either side of the rename: the undo looks
// at the disk, takes the book back when it was moved, and leaves it when it never left.
TEST(UndoPosix, ARunKilledDuringAMoveIsTakenBackByWhatTheDiskShows) {
    for (const bool afterRename : {false, true}) {
        testsupport::TempTree tree;
        const QString journals = tree.path(QStringLiteral("journal"));
        const QString out = tree.makeFolder(QStringLiteral("out")) + QDir::separator();
        const QString source = tree.path(QStringLiteral("in/book.epub"));
        QDir().mkpath(tree.path(QStringLiteral("in")));
        testsupport::writeBook(source, testsupport::BookSpec());
        const QByteArray bytes = contentOf(source);
        const QString target = out + QStringLiteral("Author/book.epub");

        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            PlatformFileOperations platformDisk;
            KilledDuringMove disk(platformDisk, afterRename);
            RunJournal journal(journals, out, TransferMode::Move);
            JournalingFileOperations files(disk, journal);
            files.createFolder(out + QStringLiteral("Author"));
            files.moveFile(source, target);
            ::_exit(0);  // not reached
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        ASSERT_EQ(QFileInfo::exists(target), afterRename);

        Recorder recorder;
        UndoSummary summary;
        ASSERT_FALSE(UndoJournal(NewestJournal(journals), recorder, false, summary));
        ASSERT_EQ(recorder.results.size(), 1) << "the book's line was written before the move";
        EXPECT_EQ(recorder.results.first().outcome, UndoOutcome::Undone);
        EXPECT_EQ(contentOf(source), bytes);
        EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("Author")));
    }
}

}  // namespace
}  // namespace organise
