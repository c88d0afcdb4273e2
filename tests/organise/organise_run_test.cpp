#include "organise/organise_run.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <string>

#include "core/message_sink.h"
#include "core/path_text_qt.h"
#include "organise/book_reading.h"
#include "organise/collection.h"
#include "organise/file_operations.h"
#include "organise/organise_book.h"
#include "organise/target_rules.h"
#include "platform/files.h"
#include "support/epub_builder.h"
#include "support/temp_tree.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace organise {
namespace {

struct Row {
    QString source;
    QString result;
    QString output;
    QString reason;
};

class FakeList final : public WorkList {
public:
    QList<Row> rows;
    void add(const QString& source, const QString& result = QString(),
             const QString& output = QString()) {
        rows.append({source, result, output, QString()});
    }
    int rowCount() const override { return static_cast<int>(rows.size()); }
    QString source(int row) const override { return rows.at(row).source; }
    void setResultText(int row, const QString& text) override { rows[row].result = text; }
    void setOutputText(int row, const QString& text) override { rows[row].output = text; }
    void setReason(int row, const QString& text) override { rows[row].reason = text; }
};

class RecordingSink final : public core::MessageSink {
public:
    QStringList messages;
    void showMessage(const QString& text) override { messages.append(text); }
};

class FakeObserver final : public RunObserver {
public:
    NamingOptions naming;
    TransferMode mode = TransferMode::Copy;
    QString output;
    bool english = false;
    bool stop = true;  // a stale flag from an earlier run: the run must clear it
    std::function<void(int call)> onProcessEvents;

    int total = -1;
    QList<int> positions;
    int resets = 0;
    QList<int> visible;
    QStringList status1;
    QStringList status2;
    QStringList boxes;
    QList<OrganiseResult> results;
    QList<ExistingTarget> existing;
    RunTally tally;
    int finishedRuns = 0;
    int pumps = 0;
    RecordingSink sink;

    void setProgressTotal(int value) override { total = value; }
    void setProgressPosition(int value) override { positions.append(value); }
    void resetProgress() override { ++resets; }
    void ensureRowVisible(int row) override { visible.append(row); }
    void setStatus1(const QString& text) override { status1.append(text); }
    void setStatus2(const QString& text) override { status2.append(text); }
    void processEvents() override {
        if (onProcessEvents) onProcessEvents(pumps);
        ++pumps;
    }
    void clearStopRequest() override { stop = false; }
    bool stopRequested() const override { return stop; }
    BookSettings bookSettings() const override { return {naming, mode, output}; }
    bool englishUi() const override { return english; }
    core::MessageSink& messageSink() override { return sink; }
    void showMessage(const QString& text) override { boxes.append(text); }
    void rowFinished(int, OrganiseResult result, ExistingTarget found) override {
        results.append(result);
        existing.append(found);
    }
    void runFinished(const RunTally& counts) override {
        tally = counts;
        ++finishedRuns;
    }
};

const QString kOk = QStringLiteral("Ok");
const QString kCopyFailed = QStringLiteral("Hiba a következö fájlnál ");
const QString kExists = QStringLiteral("A fajlnev már létezik");
const QString kReadFailed = QStringLiteral("Epub olvasasi hiba valoszinüleg hibás fajl");

class OrganiseRunTest : public ::testing::Test {
protected:
    testsupport::TempTree tree;
    FakeList list;
    FakeObserver observer;

    void SetUp() override {
        tree.makeFolder(QStringLiteral("in"));
        observer.output = tree.path(QStringLiteral("out/"));
    }

    QString book(const QString& name, const QString& title, const QString& creator,
                 const QString& language = QStringLiteral("hu"),
                 const QString& series = QString()) {
        testsupport::BookSpec spec;
        spec.title = title;
        spec.creators = {creator};
        spec.language = language;
        spec.series = series;
        const QString path = tree.path(QStringLiteral("in/") + name);
        testsupport::writeBook(path, spec);
        return path;
    }
    QString out(const QString& relative) const {
        return tree.path(QStringLiteral("out/") + relative);
    }
    static QByteArray bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QStringList entries(const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                      QDir::NoDotAndDotDot);
    }
};

TEST_F(OrganiseRunTest, CopiesEveryBookThenReportsTargetExistsOnTheSecondRun) {
    const QString a = book(QStringLiteral("a.epub"), QStringLiteral("Egri csillagok"),
                           QStringLiteral("Gárdonyi Géza"));
    const QString b =
        book(QStringLiteral("b.epub"), QStringLiteral("Title"), QStringLiteral("Author"));
    const QString c =
        book(QStringLiteral("c.epub"), QStringLiteral("Other"), QStringLiteral("Author"));
    list.add(a);
    list.add(b);
    list.add(c);

    OrganiseRun(list, observer);

    const QString targetA =
        out(QStringLiteral("Gárdonyi Géza/Gárdonyi Géza - Egri csillagok.epub"));
    const QString targetB = out(QStringLiteral("Author/Author - Title.epub"));
    const QString targetC = out(QStringLiteral("Author/Author - Other.epub"));
    EXPECT_FALSE(observer.stop);
    for (const Row& row : list.rows) EXPECT_EQ(row.result, kOk) << row.source.toStdString();
    EXPECT_EQ(list.rows[0].output, targetA);
    EXPECT_EQ(list.rows[1].output, targetB);
    EXPECT_EQ(list.rows[2].output, targetC);
    EXPECT_EQ(bytes(targetA), bytes(a));
    EXPECT_EQ(bytes(targetB), bytes(b));
    EXPECT_TRUE(QFileInfo::exists(a)) << "a copy leaves the source in place";
    EXPECT_EQ(entries(out(QStringLiteral("Author"))).size(), 2) << "no temporary file is left";

    EXPECT_EQ(observer.total, 3);
    EXPECT_EQ(observer.positions, (QList<int>{0, 1, 2}));
    EXPECT_EQ(observer.visible, (QList<int>{0, 1, 2}));
    EXPECT_EQ(observer.status1, (QStringList{QStringLiteral("0/3"), QStringLiteral("1/3"),
                                             QStringLiteral("2/3"), QString()}));
    EXPECT_EQ(observer.status2, (QStringList{QStringLiteral("a.epub"), QStringLiteral("b.epub"),
                                             QStringLiteral("c.epub"), QStringLiteral("Kész")}));
    EXPECT_EQ(observer.resets, 1);
    EXPECT_EQ(observer.pumps, 3);

    FakeObserver second;
    second.output = observer.output;
    OrganiseRun(list, second);
    for (const Row& row : list.rows) EXPECT_EQ(row.result, kExists);
    EXPECT_EQ(list.rows[1].output, targetB);
    EXPECT_EQ(second.results, (QList<OrganiseResult>(3, OrganiseResult::TargetExists)));
}

TEST_F(OrganiseRunTest, MovesInEnglishAndCreatesTheMissingOutputFolder) {
    const QString a = book(QStringLiteral("a.epub"), QStringLiteral("T"), QStringLiteral("C"));
    list.add(a);
    observer.mode = TransferMode::Move;
    observer.english = true;
    observer.output = tree.path(QStringLiteral("deep/er/out/"));

    OrganiseRun(list, observer);

    const QString target = tree.path(QStringLiteral("deep/er/out/C/C - T.epub"));
    EXPECT_EQ(list.rows[0].result, kOk);
    EXPECT_EQ(list.rows[0].output, target);
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(list.rows[0].source, a) << "the row keeps the old source path";
    EXPECT_EQ(observer.status2.last(), QStringLiteral("Ready"));

    // Moving again: the source is gone, so the book can no longer be read.
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, QStringLiteral("Epub reading error is actually a faulty file"));
}

TEST_F(OrganiseRunTest, StopFinishesTheCurrentBookAndSkipsTheRest) {
    list.add(book(QStringLiteral("a.epub"), QStringLiteral("A"), QStringLiteral("C")));
    list.add(book(QStringLiteral("b.epub"), QStringLiteral("B"), QStringLiteral("C")),
             QStringLiteral("old"), QStringLiteral("old out"));
    list.add(book(QStringLiteral("c.epub"), QStringLiteral("D"), QStringLiteral("C")),
             QStringLiteral("old"), QStringLiteral("old out"));
    observer.onProcessEvents = [&](int) { observer.stop = true; };

    OrganiseRun(list, observer);

    EXPECT_EQ(list.rows[0].result, kOk);
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("C/C - A.epub"))));
    for (int i : {1, 2}) {
        EXPECT_EQ(list.rows[i].result, QStringLiteral("old"));
        EXPECT_EQ(list.rows[i].output, QStringLiteral("old out"));
    }
    EXPECT_EQ(entries(out(QStringLiteral("C"))).size(), 1);
    EXPECT_EQ(observer.status1, (QStringList{QStringLiteral("0/3"), QString()}));
    EXPECT_EQ(observer.status2.last(), QStringLiteral("Kész"));
    EXPECT_EQ(observer.positions, QList<int>{0});
    EXPECT_EQ(observer.resets, 1);
}

TEST_F(OrganiseRunTest, NoOutputFolderShowsTheMessageAndTouchesNothing) {
    list.add(book(QStringLiteral("a.epub"), QStringLiteral("A"), QStringLiteral("C")),
             QStringLiteral("x"));
    observer.output.clear();
    OrganiseRun(list, observer);
    EXPECT_EQ(observer.boxes, QStringList{QStringLiteral("A kimeneti könyvtár nincs kiválasztva")});
    EXPECT_EQ(list.rows[0].result, QStringLiteral("x"));
    EXPECT_TRUE(observer.status1.isEmpty());
    EXPECT_TRUE(observer.status2.isEmpty());
    EXPECT_EQ(observer.resets, 0);

    observer.english = true;
    OrganiseRun(list, observer);
    EXPECT_EQ(observer.boxes.last(), QStringLiteral("The output directory is not selected"));

    // An empty list with an output folder: only the closing texts.
    FakeList empty;
    FakeObserver idle;
    idle.output = observer.output = tree.path(QStringLiteral("out/"));
    OrganiseRun(empty, idle);
    EXPECT_EQ(idle.total, -1);
    EXPECT_EQ(idle.status1, QStringList{QString()});
    EXPECT_EQ(idle.status2, QStringList{QStringLiteral("Kész")});
    EXPECT_EQ(idle.resets, 1);
}

TEST_F(OrganiseRunTest, UnreadableAndForeignFilesKeepTheirOutputColumn) {
    list.add(tree.writeFile(QStringLiteral("in/text.epub"), "just text"), QString(),
             QStringLiteral("earlier"));
    list.add(tree.path(QStringLiteral("in/missing.epub")));
    list.add(tree.writeFile(QStringLiteral("in/notes.txt"), "x"), QStringLiteral("r"),
             QStringLiteral("o"));

    OrganiseRun(list, observer);

    EXPECT_EQ(list.rows[0].result, kReadFailed);
    EXPECT_EQ(list.rows[0].output, QStringLiteral("earlier"));
    EXPECT_EQ(list.rows[1].result, kReadFailed);
    EXPECT_TRUE(list.rows[1].output.isEmpty());
    EXPECT_EQ(list.rows[2].result, QStringLiteral("r"));
    EXPECT_EQ(list.rows[2].output, QStringLiteral("o"));
    EXPECT_EQ(observer.results,
              (QList<OrganiseResult>{OrganiseResult::ReadFailed, OrganiseResult::ReadFailed,
                                     OrganiseResult::NotEpub}));
    // Every handled row moves the status on, a foreign one too.
    EXPECT_EQ(observer.status1.size(), 4);
    EXPECT_EQ(observer.status2[2], QStringLiteral("notes.txt"));
    EXPECT_FALSE(QFileInfo::exists(out(QString()))) << "no folder for unreadable books";
}

TEST_F(OrganiseRunTest, NameRefusalsTellReadFailedFromCopyFailed) {
    const QString colon =
        book(QStringLiteral("colon.epub"), QStringLiteral("Part: One"), QStringLiteral("C"));
    const QString star =
        book(QStringLiteral("star.epub"), QStringLiteral("T"), QStringLiteral("Bad*Name"));
    const QString control =
        book(QStringLiteral("ctl.epub"), QStringLiteral("Line\tBreak"), QStringLiteral("K"));

    // A colon in a folder level: the folder chain is refused, nothing is created or copied.
    observer.naming.title = true;
    observer.naming.creator = false;
    list.add(colon);
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kReadFailed);
    EXPECT_TRUE(list.rows[0].output.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(out(QString())));

    // The same book with the default options: the colon becomes an underscore in the name.
    observer.naming = NamingOptions{};
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kOk);
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("C/C - Part_ One.epub"))));

    // An asterisk in a folder level and a control character in a file name fail the copy.
    list.rows.clear();
    list.add(star);
    list.add(control);
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kCopyFailed);
    EXPECT_EQ(list.rows[0].output, out(QStringLiteral("Bad*Name/Bad_Name - T.epub")));
    EXPECT_EQ(list.rows[1].result, kCopyFailed);
    EXPECT_FALSE(QFileInfo::exists(out(QStringLiteral("Bad*Name"))))
        << "no folder Windows cannot hold";
    EXPECT_TRUE(entries(out(QStringLiteral("K"))).isEmpty());

    // The control character as a folder level is refused before any folder is made.
    list.rows.clear();
    list.add(control);
    observer.naming.title = true;
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kReadFailed);

    // Names Windows cannot create: a device name (with or without an extension, in any case) or
    // a name ending in a dot or a blank, as a folder level or as the kept file name.
    list.rows.clear();
    observer.naming = NamingOptions{};
    list.add(book(QStringLiteral("device.epub"), QStringLiteral("T"), QStringLiteral("Con")));
    list.add(book(QStringLiteral("dotted.epub"), QStringLiteral("T"), QStringLiteral("Jr.")));
    list.add(book(QStringLiteral("port.epub"), QStringLiteral("T"), QStringLiteral("com1.x")));
    list.add(book(QStringLiteral("fine.epub"), QStringLiteral("T"), QStringLiteral("Console")));
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kReadFailed);
    EXPECT_TRUE(list.rows[0].reason.contains(QStringLiteral("Con")))
        << list.rows[0].reason.toStdString();
    EXPECT_EQ(list.rows[1].result, kReadFailed);
    EXPECT_EQ(list.rows[2].result, kReadFailed);
    EXPECT_EQ(list.rows[3].result, kOk);
    // A kept source name Windows cannot create: only a POSIX disk can hold such a source.
    bool deviceNamedSource = true;
    try {
        book(QStringLiteral("nul.epub"), QStringLiteral("T"), QStringLiteral("K"));
    } catch (const std::exception&) {
        deviceNamedSource = false;
    }
    if (deviceNamedSource) {
        observer.naming.renameScheme = RenameScheme::KeepSourceName;
        observer.naming.creator = false;
        list.rows.clear();
        list.add(tree.path(QStringLiteral("in/nul.epub")));
        OrganiseRun(list, observer);
        EXPECT_EQ(list.rows[0].result, kCopyFailed);
        EXPECT_EQ(QDir(out(QString())).entryList({QStringLiteral("nul*")}), QStringList());
    }

    // A reason made of a very long title is cut, with an ellipsis, to at most 1,000 characters.
    observer.naming.title = true;
    list.rows.clear();
    list.add(book(QStringLiteral("long.epub"), QStringLiteral("<").repeated(70000),
                  QStringLiteral("K")));
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kReadFailed);
    EXPECT_EQ(list.rows[0].reason.size(), 1000);
    EXPECT_TRUE(list.rows[0].reason.endsWith(QChar(char16_t(0x2026))));
}

TEST_F(OrganiseRunTest, MetadataCannotPlaceABookOutsideTheOutputFolder) {
    const QStringList before = entries(tree.path());
    list.add(book(QStringLiteral("t.epub"), QStringLiteral("../../escaped"), QStringLiteral("C")));
    list.add(book(QStringLiteral("c.epub"), QStringLiteral("T"), QStringLiteral("..")));
    list.add(book(QStringLiteral("d.epub"), QStringLiteral("T"), QStringLiteral("x/../../y")));
    list.add(book(QStringLiteral("ok.epub"), QStringLiteral("ok"), QStringLiteral("..x")));
    observer.naming.title = true;

    OrganiseRun(list, observer);

    for (int i : {0, 1, 2}) {
        EXPECT_EQ(list.rows[i].result, kReadFailed) << i;
        EXPECT_TRUE(list.rows[i].output.isEmpty()) << i;
    }
    // A name that merely starts with dots is an ordinary folder.
    EXPECT_EQ(list.rows[3].result, kOk);
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("..x/ok/..x - ok.epub"))));
    QStringList after = entries(tree.path());
    after.removeAll(QStringLiteral("out"));
    EXPECT_EQ(after, before) << "nothing appeared beside the output folder";
    EXPECT_EQ(entries(tree.path(QStringLiteral("in"))).size(), 4);
    EXPECT_EQ(entries(out(QString())), QStringList{QStringLiteral("..x")});
}

TEST_F(OrganiseRunTest, AnInterruptedCopyLeavesNothingAndTheSourceIntact) {
    const QString a = book(QStringLiteral("a.epub"), QStringLiteral("T"), QStringLiteral("C"));
    const QByteArray original = bytes(a);
    list.add(a);
    platform::testing::failNextCopyAfter(100, platform::ErrorCondition::NoSpace);

    OrganiseRun(list, observer);

    EXPECT_EQ(list.rows[0].result, kCopyFailed);
    EXPECT_EQ(list.rows[0].output, out(QStringLiteral("C/C - T.epub")));
    EXPECT_TRUE(entries(out(QStringLiteral("C"))).isEmpty())
        << "neither the book nor a temporary file";
    EXPECT_EQ(bytes(a), original);

    // The fault was one-shot: the next run copies.
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kOk);
    EXPECT_EQ(bytes(out(QStringLiteral("C/C - T.epub"))), original);
}

TEST_F(OrganiseRunTest, FoldersAndEmptyLevelsAtTheTarget) {
    const QString a =
        book(QStringLiteral("a.epub"), QStringLiteral("T"), QStringLiteral("C"), QString());
    list.add(a);
    observer.naming.language = true;
    // An empty language leaves a doubled separator that lands one level higher.
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kOk);
    EXPECT_EQ(list.rows[0].output, out(QStringLiteral("C/C - T.epub")));
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("C/C - T.epub"))));

    // A folder standing where the file should go is not an existing file: the copy fails.
    observer.naming = NamingOptions{};
    observer.naming.renameScheme = RenameScheme::KeepSourceName;
    tree.makeFolder(QStringLiteral("out/C/a.epub"));
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kCopyFailed);
    EXPECT_EQ(list.rows[0].output, out(QStringLiteral("C/a.epub")));

    // No file name at all (no rename item selected): the target is the folder itself.
    observer.naming.renameScheme = RenameScheme::NoneSelected;
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kCopyFailed);
    EXPECT_TRUE(QFileInfo(a).isFile());
}

TEST_F(OrganiseRunTest, OptionsAreReadForEveryBookAndAMissingSeparatorIsAdded) {
    list.add(book(QStringLiteral("a.epub"), QStringLiteral("A"), QStringLiteral("C")));
    list.add(book(QStringLiteral("b.epub"), QStringLiteral("B"), QStringLiteral("C")));
    list.add(book(QStringLiteral("c.epub"), QStringLiteral("D"), QStringLiteral("C")));
    observer.output = tree.path(QStringLiteral("out"));  // no trailing separator
    observer.onProcessEvents = [&](int call) {
        if (call == 0) observer.naming.renameScheme = RenameScheme::TitleCreator;
        if (call == 1) observer.output.clear();
    };

    OrganiseRun(list, observer);

    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("C/C - A.epub"))));
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("C/B - C.epub"))));
    // The output folder was cleared during the run: the book is not placed anywhere.
    EXPECT_EQ(list.rows[2].result, kReadFailed);
    EXPECT_EQ(entries(tree.path()), (QStringList{QStringLiteral("in"), QStringLiteral("out")}));
}

TEST_F(OrganiseRunTest, RowsRemovedDuringTheRunAreSkipped) {
    list.add(book(QStringLiteral("a.epub"), QStringLiteral("A"), QStringLiteral("C")));
    list.add(book(QStringLiteral("b.epub"), QStringLiteral("B"), QStringLiteral("C")));
    list.add(book(QStringLiteral("c.epub"), QStringLiteral("D"), QStringLiteral("C")));
    observer.onProcessEvents = [&](int call) {
        if (call == 0) list.rows.removeLast();
    };
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows.size(), 2);
    EXPECT_EQ(observer.status1,
              (QStringList{QStringLiteral("0/3"), QStringLiteral("1/2"), QString()}));
    EXPECT_EQ(observer.status2.last(), QStringLiteral("Kész"));
}

TEST_F(OrganiseRunTest, ADryRunDecidesLikeARealOneAndWritesNothing) {
    const QString a = book(QStringLiteral("a.epub"), QStringLiteral("T"), QStringLiteral("C"));
    const QString colon =
        book(QStringLiteral("x.epub"), QStringLiteral("X"), QStringLiteral("Bad: C"));
    const QString star =
        book(QStringLiteral("s.epub"), QStringLiteral("X"), QStringLiteral("Bad*C"));
    for (TransferMode mode : {TransferMode::Copy, TransferMode::Move}) {
        list.rows.clear();
        list.add(a);
        list.add(a);  // the same book twice: the second finds the first one's copy
        list.add(colon);
        list.add(star);
        observer.mode = mode;
        DryRunFileOperations dry;
        OrganiseRun(list, observer, dry);
        EXPECT_EQ(list.rows[0].result, kOk);
        EXPECT_EQ(list.rows[0].output, out(QStringLiteral("C/C - T.epub")));
        // Copy: the target now "exists"; move: the source is "gone" and cannot be read again.
        EXPECT_EQ(list.rows[1].result, mode == TransferMode::Copy ? kExists : kReadFailed);
        EXPECT_EQ(list.rows[2].result, kReadFailed);
        EXPECT_EQ(list.rows[3].result, kCopyFailed);
        EXPECT_FALSE(QFileInfo::exists(out(QString())));
        EXPECT_TRUE(QFileInfo::exists(a));
    }

    // The real run agrees with the dry one.
    FakeList real;
    real.add(a);
    real.add(a);
    real.add(colon);
    real.add(star);
    observer.mode = TransferMode::Copy;
    OrganiseRun(real, observer);
    EXPECT_EQ(real.rows[1].result, kExists);
    EXPECT_EQ(real.rows[2].result, kReadFailed);
    EXPECT_EQ(real.rows[3].result, kCopyFailed);
}

TEST_F(OrganiseRunTest, AnExistingTargetIsToldIdenticalOrDifferentByItsBytes) {
    observer.english = true;
    observer.mode = TransferMode::Move;
    const QString same = book(QStringLiteral("a.epub"), QStringLiteral("A"), QStringLiteral("C"));
    const QString sameSize =
        book(QStringLiteral("b.epub"), QStringLiteral("B"), QStringLiteral("C"));
    const QString longer = book(QStringLiteral("c.epub"), QStringLiteral("C"), QStringLiteral("C"));
    QByteArray flipped = bytes(sameSize);
    flipped[flipped.size() - 1] = static_cast<char>(flipped.back() ^ 1);
    tree.writeFile(QStringLiteral("out/C/C - A.epub"), bytes(same));
    tree.writeFile(QStringLiteral("out/C/C - B.epub"), flipped);
    tree.writeFile(QStringLiteral("out/C/C - C.epub"), bytes(longer) + "x");
    list.add(same);
    list.add(sameSize);
    list.add(longer);

    OrganiseRun(list, observer);

    const QString identical = QStringLiteral("the same book is already there (identical bytes)");
    const QString different = QStringLiteral("a different file has this name");
    EXPECT_EQ(observer.results, QList<OrganiseResult>(3, OrganiseResult::TargetExists));
    EXPECT_EQ(observer.existing,
              (QList<ExistingTarget>{ExistingTarget::Identical, ExistingTarget::Different,
                                     ExistingTarget::Different}));
    EXPECT_EQ(list.rows[0].reason, identical);
    EXPECT_EQ(list.rows[1].reason, different);
    EXPECT_EQ(list.rows[2].reason, different);
    for (const Row& row : list.rows) {
        EXPECT_EQ(row.result, QStringLiteral("The file name already exists"));
        EXPECT_TRUE(QFileInfo::exists(row.source)) << "a move keeps its source beside a duplicate";
    }
    EXPECT_EQ(bytes(out(QStringLiteral("C/C - B.epub"))), flipped);
    EXPECT_EQ(observer.finishedRuns, 1);
    EXPECT_EQ(observer.tally.identical, 1);
    EXPECT_EQ(observer.tally.different, 2);

    // A preview compares a name planned by an earlier row with the book that row would bring
    // there: the same bytes under another source name are identical, another edition is not.
    const QString twin = tree.path(QStringLiteral("in/twin.epub"));
    tree.writeFile(QStringLiteral("in/twin.epub"), bytes(same));
    const QString edition = book(QStringLiteral("e.epub"), QStringLiteral("A"), QStringLiteral("C"),
                                 QStringLiteral("en"));
    QFile::remove(out(QStringLiteral("C/C - A.epub")));
    for (const TransferMode mode : {TransferMode::Copy, TransferMode::Move}) {
        SCOPED_TRACE(mode == TransferMode::Copy ? "copy" : "move");
        list.rows.clear();
        list.add(same);
        list.add(twin);
        list.add(edition);
        observer.mode = mode;
        observer.results.clear();
        observer.existing.clear();
        DryRunFileOperations dry;
        OrganiseRun(list, observer, dry);
        EXPECT_EQ(observer.results,
                  (QList<OrganiseResult>{OrganiseResult::Done, OrganiseResult::TargetExists,
                                         OrganiseResult::TargetExists}));
        EXPECT_EQ(observer.existing,
                  (QList<ExistingTarget>{ExistingTarget::None, ExistingTarget::Identical,
                                         ExistingTarget::Different}));
        EXPECT_EQ(list.rows[1].reason, identical);
        EXPECT_EQ(list.rows[2].reason, different);
        EXPECT_FALSE(QFileInfo::exists(out(QStringLiteral("C/C - A.epub"))));
    }
}

// On POSIX a backslash is an ordinary name character: a folder called "sub\" holds its books
// like any other folder, whether the search starts above it or at it.
TEST_F(OrganiseRunTest, AFolderWhoseNameEndsInABackslashIsSearchedAndOrganised) {
    if (platform::nativeSeparator() != '/') GTEST_SKIP() << "the backslash separates here";
    const QString inside =
        tree.makeFolder(QStringLiteral("lib/sub\\")) + QStringLiteral("/book.epub");
    testsupport::BookSpec spec;
    spec.title = QStringLiteral("T");
    spec.creators = {QStringLiteral("C")};
    testsupport::writeBook(inside, spec);

    for (const QString& start :
         {tree.path(QStringLiteral("lib")), tree.path(QStringLiteral("lib/sub\\"))}) {
        FakeList found;
        FolderSearch search;
        EXPECT_EQ(search.run(start, [&](const QString& path) { found.add(path); }),
                  SearchOutcome::Completed);
        ASSERT_EQ(found.rows.size(), 1) << start.toStdString();
        EXPECT_EQ(found.rows[0].source, inside);

        DryRunFileOperations dry;
        OrganiseRun(found, observer, dry);
        EXPECT_EQ(found.rows[0].result, kOk);
        EXPECT_EQ(found.rows[0].output, out(QStringLiteral("C/C - T.epub")));
    }

    list.add(inside);
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kOk);
    EXPECT_EQ(bytes(out(QStringLiteral("C/C - T.epub"))), bytes(inside));
}

// A file name that is not UTF-8 (Latin-1 "caf\xE9.epub" from an old disk) is found, read and
// copied under its own bytes, not under a name with U+FFFD in it.
TEST_F(OrganiseRunTest, AFileNameThatIsNotUtf8KeepsItsBytesFromSearchToCopy) {
    if (platform::nativeSeparator() != '/') GTEST_SKIP() << "Windows names are UTF-16";
    book(QStringLiteral("plain.epub"), QStringLiteral("T"), QStringLiteral("C"));
    const std::string in = tree.path(QStringLiteral("in")).toStdString();
    const std::string latin1 = in + "/caf\xE9.epub";
    ASSERT_EQ(std::rename((in + "/plain.epub").c_str(), latin1.c_str()), 0);

    FolderSearch search;
    search.run(tree.path(QStringLiteral("in")), [&](const QString& path) { list.add(path); });
    ASSERT_EQ(list.rows.size(), 1);
    EXPECT_EQ(core::toPlatformPath(list.rows[0].source), latin1);
    EXPECT_EQ(list.rows[0].source, core::fromPlatformPath(latin1));

    observer.naming.renameScheme = RenameScheme::KeepSourceName;  // keep the source's name
    OrganiseRun(list, observer);
    EXPECT_EQ(list.rows[0].result, kOk);
    const std::string target = out(QStringLiteral("C/")).toStdString() + "caf\xE9.epub";
    EXPECT_EQ(core::toPlatformPath(list.rows[0].output), target);
    std::string copied;
    std::string source;
    platform::OsError error;
    ASSERT_TRUE(platform::readWholeFile(target, copied, error)) << error.describe();
    ASSERT_TRUE(platform::readWholeFile(latin1, source, error)) << error.describe();
    EXPECT_EQ(copied, source);
    EXPECT_EQ(observer.status2.first(), core::fromPlatformPath("caf\xE9.epub"));
}

// What a run leaves: every row's texts, the results, the messages and the files, with the
// tree's own folder taken out of the paths so that two trees compare.
struct RunTrace {
    QStringList rows;
    QList<OrganiseResult> results;
    QStringList messages;
    QStringList files;
    bool operator==(const RunTrace&) const = default;
};

void listFiles(const QString& root, const QString& folder, QStringList& files) {
    for (const QFileInfo& info :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
        files.append(info.filePath().mid(root.size()) +
                     (info.isDir() ? QStringLiteral("/") : QString()));
        if (info.isDir()) listFiles(root, info.filePath(), files);
    }
}

// One list with every kind of row, options changed and a stop requested and withdrawn during
// the run, a book rewritten after it may have been read ahead, and a row whose source an
// earlier row creates; run with `threads` reading ahead.
RunTrace runMixedList(int threads) {
    testsupport::TempTree tree;
    tree.makeFolder(QStringLiteral("in"));
    const auto write = [&](const QString& name, const QString& title, const QString& creator) {
        testsupport::BookSpec spec;
        spec.title = title;
        spec.creators = {creator};
        const QString path = tree.path(QStringLiteral("in/") + name);
        testsupport::writeBook(path, spec);
        return path;
    };
    FakeList list;
    FakeObserver observer;
    observer.output = tree.path(QStringLiteral("out/"));
    for (int i = 0; i < 4; ++i)
        list.add(write(QStringLiteral("b%1.epub").arg(i), QStringLiteral("T%1").arg(i),
                       QStringLiteral("Ann")));
    list.add(tree.writeFile(QStringLiteral("in/broken.epub"), "not a zip"));
    list.add(tree.writeFile(QStringLiteral("in/notes.txt"), "text"));
    list.add(tree.path(QStringLiteral("in/missing.epub")));
    list.add(list.rows[0].source);                                 // the same book again
    list.add(tree.path(QStringLiteral("out/Ann/Ann - T0.epub")));  // row 0's copy
    const QString rewritten =
        write(QStringLiteral("late.epub"), QStringLiteral("Old"), QStringLiteral("Bob"));
    list.add(rewritten);
    for (int i = 4; i < 12; ++i)
        list.add(write(QStringLiteral("b%1.epub").arg(i), QStringLiteral("T%1").arg(i),
                       i % 2 ? QStringLiteral("Ann") : QStringLiteral("Cy")));

    observer.onProcessEvents = [&](int call) {
        if (call == 8)  // just before its turn: by now it has usually been read ahead
            write(QStringLiteral("late.epub"), QStringLiteral("Rewritten title"),
                  QStringLiteral("Bob"));
        if (call == 2) observer.naming.language = true;
        if (call == 3) observer.mode = TransferMode::Move;
        if (call == 5) observer.naming.renameScheme = RenameScheme::TitleCreator;
        if (call == 11) observer.stop = true;
    };
    PlatformFileOperations files;
    OrganiseRun(list, observer, files, threads);

    RunTrace trace;
    const QString root = tree.path();
    for (const Row& row : list.rows)
        trace.rows.append(row.result + QLatin1Char('|') + QString(row.output).remove(root));
    trace.results = observer.results;
    trace.messages = observer.sink.messages;
    listFiles(root, root, trace.files);
    return trace;
}

TEST(OrganiseRunReadAhead, ResultsAreThoseOfTheSequentialRun) {
    const RunTrace sequential = runMixedList(0);
    // The list really holds what it is meant to: each outcome, a stop, a move and a copy.
    for (const OrganiseResult expected : {OrganiseResult::Done, OrganiseResult::ReadFailed,
                                          OrganiseResult::NotEpub, OrganiseResult::TargetExists})
        EXPECT_TRUE(sequential.results.contains(expected)) << static_cast<int>(expected);
    EXPECT_EQ(sequential.results.size(), 12);
    EXPECT_TRUE(sequential.files.contains(QStringLiteral("/in/b1.epub")));   // copied
    EXPECT_FALSE(sequential.files.contains(QStringLiteral("/in/b5.epub")));  // moved
    EXPECT_TRUE(sequential.files.contains(QStringLiteral("/in/b6.epub")));   // stopped
    EXPECT_TRUE(
        sequential.files.contains(QStringLiteral("/out/en/Bob/Rewritten title - Bob.epub")));

    for (const int threads : {1, 3}) EXPECT_EQ(runMixedList(threads), sequential) << threads;
}

// A book read ahead: its messages are shown at its turn, in the order the reading met them, and
// its fields are used; a reading of a file that has changed since is thrown away unseen.
TEST_F(OrganiseRunTest, ABookReadAheadShowsItsMessagesAtItsTurnUnlessItsFileChanged) {
    const QString source =
        book(QStringLiteral("a.epub"), QStringLiteral("On disk"), QStringLiteral("Ann"));
    list.add(source);
    PlatformFileOperations files;

    BookReading reading = readBookAhead(source);
    ASSERT_TRUE(reading.opened);
    reading.fields.title = QStringLiteral("Read ahead");
    reading.messages = QStringList{QStringLiteral("first"), QStringLiteral("second")};
    EXPECT_EQ(OrganiseBook(source, 0, list, observer.bookSettings(), observer.sink, files, &reading)
                  .result,
              OrganiseResult::Done);
    EXPECT_EQ(observer.sink.messages, reading.messages);
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("Ann/Ann - Read ahead.epub"))));

    book(QStringLiteral("a.epub"), QStringLiteral("Changed on disk"), QStringLiteral("Ann"));
    EXPECT_EQ(OrganiseBook(source, 0, list, observer.bookSettings(), observer.sink, files, &reading)
                  .result,
              OrganiseResult::Done);
    EXPECT_EQ(observer.sink.messages.size(), 2);
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("Ann/Ann - Changed on disk.epub"))));
}

}  // namespace
}  // namespace organise
