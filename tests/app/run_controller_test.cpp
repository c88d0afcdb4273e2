// The organise run as the start and stop buttons drive it on the real main window: rows,
// progress, status panes, the stop button pressed from inside the run's message pump, and
// commands that change the list while the run is going.
#include <gtest/gtest.h>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

#include "app/form_state.h"
#include "app/row_tooltip.h"
#include "app/status_summary.h"
#include "app/tform1.h"
#include "organise/run_journal.h"
#include "platform/error.h"
#include "platform/files.h"
#include "scripted_dialogs.h"
#include "support/epub_builder.h"
#include "support/temp_tree.h"

namespace {

const QString kSep = QDir::separator();

QString u8str(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Watches the window from inside the run's message pump: every change of the first status pane
// is recorded together with the progress bar, and `onChange` may act on the window (press a
// button, clear the list) exactly as a user's click handled there would.
class PumpWatcher {
public:
    explicit PumpWatcher(app::TForm1& form) : form_(form) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        timer_.start();
    }

    QStringList status1;
    QList<int> progress;
    std::function<void(const QString&)> onChange;

private:
    void look() {
        const QString text = form_.RzStatusPane1()->text();
        if (text.isEmpty() || (!status1.isEmpty() && status1.last() == text)) return;
        status1 << text;
        progress << form_.RzProgressStatus1()->value();
        if (onChange) onChange(text);
    }

    app::TForm1& form_;
    QTimer timer_;
};

class RunControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        out = tree.makeFolder(QStringLiteral("out"));
        state.outputFolder = out + kSep;
        // The start button takes the folder the edit shows, as start-up leaves it.
        form.JvDirectoryEdit1()->setText(out);
        list()->clear();
    }

    // A book in the source folder, listed as a row; returns its path.
    QString addBook(const QString& title, const QString& creator = QStringLiteral("Author")) {
        testsupport::BookSpec spec;
        spec.title = title;
        spec.creators = {creator};
        const QString path = tree.path(QStringLiteral("src/") + title + QStringLiteral(".epub"));
        QDir().mkpath(tree.path(QStringLiteral("src")));
        testsupport::writeBook(path, spec);
        addRow(path);
        return path;
    }
    void addRow(const QString& path) {
        auto* item = new QTreeWidgetItem(list());
        item->setText(0, path);
    }
    // Where the initial options (scheme "Szerzö-Cim", author folder) put a book.
    QString target(const QString& title, const QString& creator = QStringLiteral("Author")) const {
        return out + kSep + creator + kSep + creator + QStringLiteral(" - ") + title +
               QStringLiteral(".epub");
    }

    QTreeWidget* list() { return form.RzListView1(); }
    QString cell(int row, int column) { return list()->topLevelItem(row)->text(column); }
    QProgressBar* progress() { return form.RzProgressStatus1(); }

    testsupport::TempTree tree;
    QString out;
    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install{dialogs};
    app::TForm1 form;
    app::FormState& state = form.state();

    // The toolbar buttons as the user presses them; the window hands them to its RunController.
    void start() { form.RzToolButton1()->click(); }
    void stop() { form.RzToolButton2()->click(); }
};

TEST_F(RunControllerTest, CopyRunFillsRowsProgressAndStatusThenReportsExistingTargets) {
    const QString a = addBook(QStringLiteral("Alpha"));
    const QString b = addBook(QStringLiteral("Beta"));
    const QString c = addBook(QStringLiteral("Gamma"), QStringLiteral("Other"));
    state.stopRequested = true;  // left over from an earlier run: cleared at the start

    PumpWatcher watcher(form);
    start();

    EXPECT_EQ(watcher.status1,
              (QStringList{QStringLiteral("0/3"), QStringLiteral("1/3"), QStringLiteral("2/3")}));
    EXPECT_EQ(watcher.progress, (QList<int>{0, 1, 2}));
    EXPECT_EQ(progress()->maximum(), 3);
    EXPECT_EQ(progress()->value(), 0);
    EXPECT_EQ(form.RzStatusPane1()->text(), QString());
    EXPECT_EQ(form.RzStatusPane2()->text(), QStringLiteral("Kész"));

    const QStringList targets{target(QStringLiteral("Alpha")), target(QStringLiteral("Beta")),
                              target(QStringLiteral("Gamma"), QStringLiteral("Other"))};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cell(i, 1), QStringLiteral("Ok")) << i;
        EXPECT_EQ(cell(i, 2), targets[i]) << i;
        EXPECT_TRUE(QFileInfo(targets[i]).isFile()) << i;
    }
    EXPECT_TRUE(QFileInfo::exists(a) && QFileInfo::exists(b) && QFileInfo::exists(c));
    EXPECT_TRUE(dialogs.calls.empty());

    // The same list again: nothing is overwritten, every row says so and shows the path.
    start();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cell(i, 1), QStringLiteral("A fajlnev már létezik")) << i;
        EXPECT_EQ(cell(i, 2), targets[i]) << i;
    }
}

TEST_F(RunControllerTest, FailedRowsKeepTheirReasonAsTooltipBesideTheFixedText) {
    addBook(QStringLiteral("Disk"));
    addBook(QStringLiteral("Fine"));
    // Debian's live-manual books name their creator "<...>": a folder name Windows refuses.
    addBook(QStringLiteral("Live"), QStringLiteral("<Live Systems Project>"));
    const QString broken = tree.writeFile(QStringLiteral("src/broken.epub"), "not a zip");
    addRow(broken);
    platform::testing::failNextCopyAfter(
        0, platform::ErrorCondition::NoSpace);  // the disk fills up at the first copy
    start();

    const auto tip = [this](int row, int column) {
        return app::rowToolTip(list(), list()->topLevelItem(row), column);
    };
    EXPECT_EQ(cell(0, 1), QStringLiteral("Hiba a következö fájlnál "));
    const QString diskFull =
        QString::fromStdString(platform::OsError::of(platform::ErrorCondition::NoSpace).describe());
    for (int column = 0; column < 3; ++column)
        EXPECT_TRUE(tip(0, column).endsWith(diskFull)) << tip(0, column).toStdString();
    EXPECT_EQ(cell(1, 1), QStringLiteral("Ok"));
    EXPECT_FALSE(tip(1, 1).contains(diskFull));
    // The clipped "Kimenet" cell shows its whole text.
    EXPECT_EQ(tip(1, 2), cell(1, 2));
    EXPECT_EQ(cell(2, 1), u8str("Epub olvasasi hiba valoszinüleg hibás fajl"));
    EXPECT_TRUE(tip(2, 1).contains(QStringLiteral("<Live Systems Project>")))
        << tip(2, 1).toStdString();
    EXPECT_EQ(cell(3, 1), u8str("Epub olvasasi hiba valoszinüleg hibás fajl"));
    EXPECT_FALSE(tip(3, 1).isEmpty());

    // A later run in which the book succeeds takes the old reason away.
    start();
    EXPECT_EQ(cell(0, 1), QStringLiteral("Ok"));
    EXPECT_EQ(list()->topLevelItem(0)->data(1, app::kReasonRole).toString(), QString());
}

TEST_F(RunControllerTest, MoveRunRemovesTheSources) {
    const QString a = addBook(QStringLiteral("Alpha"));
    const QString b = addBook(QStringLiteral("Beta"));
    form.RzRadioGroup3Items()->button(1)->setChecked(true);

    start();

    EXPECT_EQ(cell(0, 1), QStringLiteral("Ok"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("Ok"));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_FALSE(QFileInfo::exists(b));
    EXPECT_TRUE(QFileInfo(target(QStringLiteral("Alpha"))).isFile());
    EXPECT_TRUE(QFileInfo(target(QStringLiteral("Beta"))).isFile());
    EXPECT_EQ(cell(0, 0), a);  // the source column is not updated
}

TEST_F(RunControllerTest, StopPressedDuringTheRunSkipsTheRemainingRows) {
    addBook(QStringLiteral("Alpha"));
    addBook(QStringLiteral("Beta"));
    addBook(QStringLiteral("Gamma"));
    for (int i = 1; i < 3; ++i) {
        list()->topLevelItem(i)->setText(1, QStringLiteral("earlier"));
        list()->topLevelItem(i)->setText(2, QStringLiteral("earlier path"));
    }

    PumpWatcher watcher(form);
    watcher.onChange = [this](const QString&) { stop(); };
    start();

    EXPECT_EQ(watcher.status1, QStringList{QStringLiteral("0/3")});
    EXPECT_EQ(cell(0, 1), QStringLiteral("Ok"));
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(cell(i, 1), QStringLiteral("earlier")) << i;
        EXPECT_EQ(cell(i, 2), QStringLiteral("earlier path")) << i;
    }
    EXPECT_FALSE(QFileInfo::exists(target(QStringLiteral("Beta"))));
    EXPECT_EQ(form.RzStatusPane1()->text(), QString());
    EXPECT_EQ(form.RzStatusPane2()->text(), QStringLiteral("Kész"));
    EXPECT_EQ(progress()->value(), 0);
    EXPECT_TRUE(state.stopRequested);  // kept until the next start
}

TEST_F(RunControllerTest, NoOutputFolderShowsTheMessageAndTouchesNothing) {
    addBook(QStringLiteral("Alpha"));
    state.outputFolder.clear();
    form.JvDirectoryEdit1()->clear();
    start();
    state.englishUi = true;
    start();

    EXPECT_EQ(dialogs.textsOf(QStringLiteral("message")),
              (QStringList{QStringLiteral("Nincs megadva kimeneti mappa"),
                           QStringLiteral("No output folder is given")}));
    EXPECT_EQ(cell(0, 1), QString());
    EXPECT_EQ(form.RzStatusPane2()->text(), QString());
    EXPECT_TRUE(QDir(out).isEmpty());
}

TEST_F(RunControllerTest, EnglishTextsAndRowsThatAreNotBooks) {
    state.englishUi = true;
    addBook(QStringLiteral("Alpha"));
    addRow(tree.writeFile(QStringLiteral("src/broken.epub"), "this is no zip"));
    addRow(tree.writeFile(QStringLiteral("src/notes.txt"), "text"));
    list()->topLevelItem(2)->setText(1, QStringLiteral("kept"));

    start();

    EXPECT_EQ(cell(0, 1), QStringLiteral("Ok"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("Epub reading error is actually a faulty file"));
    EXPECT_EQ(cell(1, 2), QString());
    EXPECT_EQ(cell(2, 1), QStringLiteral("kept"));
    EXPECT_EQ(form.RzStatusPane2()->text(), QStringLiteral("Ready"));
}

TEST_F(RunControllerTest, EmptyListEndsReadyAtZeroPercent) {
    progress()->setValue(progress()->maximum());
    start();
    EXPECT_EQ(form.RzStatusPane1()->text(), QString());
    EXPECT_EQ(form.RzStatusPane2()->text(), QStringLiteral("Kész"));
    EXPECT_EQ(progress()->value(), progress()->minimum());
}

TEST_F(RunControllerTest, OptionsAreReadAfreshForEveryBook) {
    addBook(QStringLiteral("Alpha"));
    addBook(QStringLiteral("Beta"));
    PumpWatcher watcher(form);
    watcher.onChange = [this](const QString& text) {
        if (text != QStringLiteral("0/2")) return;
        form.chknone()->setChecked(true);
        form.RzRadioGroup1Items()->button(2)->setChecked(true);  // "Cim-Szerzö"
    };
    start();

    EXPECT_EQ(cell(0, 2), target(QStringLiteral("Alpha")));
    EXPECT_EQ(cell(1, 2), out + kSep + QStringLiteral("Beta - Author.epub"));
    EXPECT_TRUE(QFileInfo(out + kSep + QStringLiteral("Beta - Author.epub")).isFile());
}

TEST_F(RunControllerTest, TypedFolderIsTakenWhenEditingEndsAndARelativeOneIsRefused) {
    const QString typed = tree.makeFolder(QStringLiteral("typed"));
    const QString other = tree.makeFolder(QStringLiteral("other"));
    addBook(QStringLiteral("Alpha"));
    QLineEdit* edit = form.JvDirectoryEdit1();

    // Enter ends the editing: the typed folder is the output folder, with the separator.
    edit->setText(typed);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(state.outputFolder, typed + kSep);

    // A relative path is not taken, and the run and the empty-folder removal both refuse it.
    edit->setText(QStringLiteral("relative") + kSep + QStringLiteral("folder"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(state.outputFolder, typed + kSep);
    start();
    dialogs.confirmAnswers = {true};
    form.RzToolButton4()->click();
    EXPECT_EQ(dialogs.textsOf(QStringLiteral("message")),
              QStringList(2, QStringLiteral("Nincs megadva kimeneti mappa")));
    EXPECT_TRUE(dialogs.textsOf(QStringLiteral("confirm")).isEmpty());
    EXPECT_EQ(cell(0, 1), QString());

    // The empty-folder removal takes the folder it walks as the output folder too.
    dialogs.confirmAnswers = {false};
    edit->setText(other);
    form.RzToolButton4()->click();
    EXPECT_EQ(state.outputFolder, other + kSep);

    // Typed, then Start pressed at once (the toolbar takes no focus, so editing has not ended):
    // the run goes where the edit says, not into the folder taken before.
    edit->setText(typed);
    start();
    EXPECT_EQ(state.outputFolder, typed + kSep);
    const QString intoTyped =
        typed + kSep + QStringLiteral("Author") + kSep + QStringLiteral("Author - Alpha.epub");
    EXPECT_EQ(cell(0, 2), intoTyped);
    EXPECT_TRUE(QFileInfo(intoTyped).isFile());
    EXPECT_TRUE(QDir(other).isEmpty());
    EXPECT_TRUE(QDir(out).isEmpty());
}

TEST_F(RunControllerTest, ListClearedDuringTheRunStopsItWithoutTouchingTheNewRows) {
    addBook(QStringLiteral("Alpha"));
    addBook(QStringLiteral("Beta"));
    addBook(QStringLiteral("Gamma"));
    const QString newcomer = tree.path(QStringLiteral("src/Beta.epub"));

    PumpWatcher watcher(form);
    watcher.onChange = [&](const QString& text) {
        if (text != QStringLiteral("0/3")) return;
        // What the clear-list command or a drop does: all rows gone, then new ones.
        list()->clear();
        addRow(newcomer);
        addRow(tree.path(QStringLiteral("src/Gamma.epub")));
        addRow(tree.path(QStringLiteral("src/Alpha.epub")));
    };
    start();

    // The rows it counted are gone: the run ends as after the stop button.
    EXPECT_EQ(watcher.status1, QStringList{QStringLiteral("0/3")});
    EXPECT_TRUE(QFileInfo(target(QStringLiteral("Alpha"))).isFile());
    EXPECT_FALSE(QFileInfo::exists(target(QStringLiteral("Beta"))));
    EXPECT_FALSE(QFileInfo::exists(target(QStringLiteral("Gamma"))));
    ASSERT_EQ(list()->topLevelItemCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cell(i, 1), QString()) << i;
        EXPECT_EQ(cell(i, 2), QString()) << i;
    }
    EXPECT_EQ(form.RzStatusPane2()->text(), QStringLiteral("Kész"));

    // The next run handles the new rows as usual.
    start();
    EXPECT_EQ(cell(0, 1), QStringLiteral("Ok"));
    EXPECT_EQ(cell(2, 1), QStringLiteral("A fajlnev már létezik"));
}

TEST_F(RunControllerTest, SecondStartWhileRunningIsIgnored) {
    addBook(QStringLiteral("Alpha"));
    addBook(QStringLiteral("Beta"));
    addBook(QStringLiteral("Gamma"));
    PumpWatcher watcher(form);
    watcher.onChange = [&](const QString& text) {
        if (text != QStringLiteral("0/3")) return;
        start();  // a nested run would organise rows 1 and 2 first
    };
    start();

    EXPECT_EQ(watcher.status1,
              (QStringList{QStringLiteral("0/3"), QStringLiteral("1/3"), QStringLiteral("2/3")}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cell(i, 1), QStringLiteral("Ok")) << i;
}

TEST_F(RunControllerTest, ClosingTheWindowDuringTheRunStopsIt) {
    addBook(QStringLiteral("Alpha"));
    addBook(QStringLiteral("Beta"));
    form.show();
    PumpWatcher watcher(form);
    watcher.onChange = [this](const QString&) { form.hide(); };
    start();
    EXPECT_EQ(cell(0, 1), QStringLiteral("Ok"));
    EXPECT_EQ(cell(1, 1), QString());
    EXPECT_FALSE(QFileInfo::exists(target(QStringLiteral("Beta"))));
    EXPECT_FALSE(state.stopRequested);  // the next run starts as usual
}

// The sources of the newest journal's books, in the order the run wrote them.
QStringList journalSources(const QString& settingsFolder) {
    const QString journal = organise::NewestJournal(organise::journalFolder(settingsFolder));
    organise::JournalContents contents;
    if (journal.isEmpty() || organise::ReadJournal(journal, contents)) return {};
    QStringList sources;
    for (const organise::JournalEntry& entry : contents.entries)
        if (entry.kind == organise::JournalEntry::Kind::Book) sources << entry.source;
    return sources;
}

TEST_F(RunControllerTest, PreviewWritesNothingAndMarksRowsAsPlannedThenStartDoesTheRun) {
    state.settingsFolder = tree.makeFolder(QStringLiteral("settings")) + kSep;
    // An output folder that does not exist yet: the run would create it, the preview must not.
    out = tree.path(QStringLiteral("new-out"));
    form.JvDirectoryEdit1()->setText(out);
    const QString alpha = addBook(QStringLiteral("Alpha"));
    addBook(QStringLiteral("Beta"));
    addRow(alpha);  // the same book twice: the second finds the first's target taken

    // The start button pressed during the preview is ignored, as during a run.
    PumpWatcher watcher(form);
    watcher.onChange = [this](const QString&) { start(); };
    form.RzToolButton9()->click();
    watcher.onChange = nullptr;

    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_FALSE(QFileInfo::exists(organise::journalFolder(state.settingsFolder)));
    EXPECT_TRUE(QFileInfo(alpha).isFile());
    EXPECT_EQ(cell(0, 1), u8str("Előnézet: Ok"));
    EXPECT_EQ(cell(0, 2), target(QStringLiteral("Alpha")));
    EXPECT_EQ(cell(1, 1), u8str("Előnézet: Ok"));
    EXPECT_EQ(cell(1, 2), target(QStringLiteral("Beta")));
    EXPECT_EQ(cell(2, 1), u8str("Előnézet: A fajlnev már létezik"));
    EXPECT_EQ(form.RzStatusPane2()->text(), u8str("Előnézet kész"));
    EXPECT_TRUE(form.statusSummary()->text().startsWith(u8str("Előnézet: Ok: 2 · ")))
        << form.statusSummary()->text().toStdString();

    // Start then does the real run: real outcomes, the books copied, a journal.
    start();
    EXPECT_EQ(cell(0, 1), QStringLiteral("Ok"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("Ok"));
    EXPECT_EQ(cell(2, 1), QStringLiteral("A fajlnev már létezik"));
    EXPECT_TRUE(QFileInfo(target(QStringLiteral("Alpha"))).isFile());
    EXPECT_TRUE(QFileInfo(target(QStringLiteral("Beta"))).isFile());
    EXPECT_EQ(form.RzStatusPane2()->text(), QStringLiteral("Kész"));
    EXPECT_EQ(journalSources(state.settingsFolder).size(), 2);

    // In English the planned rows say so in English.
    state.englishUi = true;
    list()->clear();
    addBook(QStringLiteral("Gamma"));
    form.previewAction()->trigger();
    EXPECT_EQ(cell(0, 1), QStringLiteral("Preview: Ok"));
    EXPECT_EQ(form.RzStatusPane2()->text(), QStringLiteral("Preview ready"));
    EXPECT_FALSE(QFileInfo::exists(target(QStringLiteral("Gamma"))));
}

TEST_F(RunControllerTest, SortingIsOnlyAViewRunsTakeRowsInAddedOrderAndFailuresOnlyHidesOkRows) {
    state.settingsFolder = tree.makeFolder(QStringLiteral("settings")) + kSep;
    const QString c = addBook(QStringLiteral("Cedar"));
    const QString a = addBook(QStringLiteral("Ash"));
    const QString broken = tree.writeFile(QStringLiteral("src/Broken.epub"), "not a zip");
    addRow(broken);
    const QString b = addBook(QStringLiteral("Birch"));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    QHeaderView* header = list()->header();
    const auto clickHeader = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    const auto shown = [this] {
        QStringList rows;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            if (!list()->topLevelItem(i)->isHidden()) rows << cell(i, 0);
        return rows;
    };
    clickHeader(0);
    EXPECT_EQ(shown(), (QStringList{a, b, broken, c}));
    clickHeader(0);
    EXPECT_EQ(shown(), (QStringList{c, broken, b, a}));
    // The order of addition stays what runs and the window's row list go by.
    EXPECT_EQ(form.rowPaths(), (QStringList{c, a, broken, b}));

    start();
    EXPECT_EQ(journalSources(state.settingsFolder), (QStringList{c, a, b}));
    EXPECT_EQ(shown(), (QStringList{c, broken, b, a}));

    // Only the failed rows; one added now (no outcome yet) shows too, and the count is the
    // whole list's.
    form.failuresOnlyAction()->trigger();
    EXPECT_EQ(shown(), QStringList{broken});
    const QString d = addBook(QStringLiteral("Dogwood"));
    list()->clear();
    for (const QString& path : {c, a, broken, b}) form.JvSearchFiles1FindFile(path);
    EXPECT_EQ(shown(), (QStringList{c, broken, b, a}));  // sorted on arrival, nothing run yet
    form.JvDirectoryEdit1()->setText(tree.makeFolder(QStringLiteral("out2")));
    start();
    EXPECT_EQ(shown(), QStringList{broken});
    form.JvSearchFiles1FindFile(d);
    QTest::qWait(50);
    EXPECT_EQ(shown(), (QStringList{d, broken}));
    EXPECT_EQ(form.RzStatusPane1()->text(), QStringLiteral("Db:5"));
    // Sorted by the outcome, the rows still run in the order they came.
    clickHeader(1);
    form.failuresOnlyAction()->trigger();
    EXPECT_EQ(shown().size(), 5);
    start();
    EXPECT_EQ(journalSources(state.settingsFolder), QStringList{d});
}

TEST_F(RunControllerTest, TheSummaryCountsEveryOutcomeAndGoesWithTheList) {
    addRow(tree.writeFile(QStringLiteral("src/broken.epub"), "not a zip"));
    addBook(QStringLiteral("Alpha"));
    addBook(QStringLiteral("Beta"));
    // Another file where Beta would go.
    QDir().mkpath(out + kSep + QStringLiteral("Author"));
    {
        QFile other(target(QStringLiteral("Beta")));
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("someone else's file");
    }
    app::StatusSummary* summary = form.statusSummary();
    EXPECT_TRUE(summary->text().isEmpty());

    start();
    EXPECT_EQ(summary->text(),
              u8str("Ok: 1 · már ott: 1 (azonos: 0, eltérő: 1) · olvasási hiba: 1"));
    EXPECT_FALSE(summary->isHidden());
    EXPECT_EQ(form.RzStatusPane2()->text(), QStringLiteral("Kész"));

    // A new run starts without it (a stopped one counts the rows it left), and emptying the
    // list takes it away.
    PumpWatcher watcher(form);
    watcher.onChange = [&](const QString&) {
        EXPECT_TRUE(summary->text().isEmpty());
        stop();
    };
    state.englishUi = true;
    start();
    EXPECT_EQ(summary->text(), u8str("Ok: 0 · read errors: 1 · stopped: 2"));
    form.Listatrlse1()->trigger();
    EXPECT_TRUE(summary->text().isEmpty());
    EXPECT_TRUE(summary->isHidden());
}

}  // namespace
