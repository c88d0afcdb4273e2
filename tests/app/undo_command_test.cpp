// The context menu's "Utolsó futás visszavonása" on the real window: the confirmation names the
// number of books, each outcome lands in its row, and an undo and an organise run never overlap.
#include <gtest/gtest.h>
#include <QAction>
#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "app/form_state.h"
#include "app/run_controller.h"
#include "app/status_summary.h"
#include "app/tform1.h"
#include "scripted_dialogs.h"
#include "support/epub_builder.h"
#include "support/temp_tree.h"

namespace {

const QString kSep = QDir::separator();

class UndoCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        state.settingsFolder = tree.makeFolder(QStringLiteral("settings")) + kSep;
        state.outputFolder = tree.makeFolder(QStringLiteral("out")) + kSep;
        // The start button takes the folder the edit shows, as start-up leaves it.
        form.JvDirectoryEdit1()->setText(state.outputFolder);
        list()->clear();
    }

    QString addBook(const QString& title) {
        testsupport::BookSpec spec;
        spec.title = title;
        spec.creators = {QStringLiteral("Author")};
        const QString path = tree.path(QStringLiteral("src/") + title + QStringLiteral(".epub"));
        QDir().mkpath(tree.path(QStringLiteral("src")));
        testsupport::writeBook(path, spec);
        (new QTreeWidgetItem(list()))->setText(0, path);
        return path;
    }
    // Where the initial options (scheme "Szerzö-Cim", author folder) put a book.
    QString target(const QString& title) const {
        return state.outputFolder + QStringLiteral("Author") + kSep + QStringLiteral("Author - ") +
               title + QStringLiteral(".epub");
    }

    QTreeWidget* list() { return form.RzListView1(); }
    QString cell(int row, int column) { return list()->topLevelItem(row)->text(column); }
    // The context-menu item as the user chooses it.
    void undo() { form.undoLastRunAction()->trigger(); }
    void start() { form.RzToolButton1()->click(); }

    testsupport::TempTree tree;
    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install{dialogs};
    app::TForm1 form;
    app::FormState& state = form.state();
};

TEST_F(UndoCommandTest, ConfirmedUndoWritesEachOutcomeIntoItsRowAndNeverOverlapsARun) {
    const QString noRun = QStringLiteral("Nincs visszavonható futás");
    undo();
    EXPECT_EQ(dialogs.textsOf(QStringLiteral("message")), QStringList{noRun});

    const QString alpha = addBook(QStringLiteral("Alpha"));
    const QString beta = addBook(QStringLiteral("Beta"));
    const QString gamma = addBook(QStringLiteral("Gamma"));
    form.RzRadioGroup3Items()->button(1)->setChecked(true);

    // The menu item chosen while the move run goes is refused.
    QTimer duringRun;
    duringRun.setInterval(0);
    QObject::connect(&duringRun, &QTimer::timeout, [&] {
        if (!form.run().isRunning()) return;
        duringRun.stop();
        undo();
    });
    duringRun.start();
    start();
    duringRun.stop();
    ASSERT_FALSE(QFileInfo::exists(alpha));
    ASSERT_TRUE(QFileInfo(target(QStringLiteral("Gamma"))).isFile());
    EXPECT_EQ(
        dialogs.textsOf(QStringLiteral("message")),
        (QStringList{noRun, QStringLiteral("Egy futás még tart; visszavonni csak utána lehet")}));
    EXPECT_TRUE(dialogs.textsOf(QStringLiteral("confirm")).isEmpty());
    EXPECT_TRUE(dialogs.textsOf(QStringLiteral("error")).isEmpty());  // the journal was written

    // After the run: Beta's copy is changed, and something new stands where Gamma was.
    {
        QFile changed(target(QStringLiteral("Beta")));
        ASSERT_TRUE(changed.open(QIODevice::Append));
        changed.write("annotations");
    }
    tree.writeFile(QStringLiteral("src/Gamma.epub"), "a new book");

    // Cancelled: the question names the three books, and nothing moves.
    dialogs.confirmAnswers = {false};
    undo();
    ASSERT_EQ(dialogs.calls.back().kind, QStringLiteral("confirm"));
    EXPECT_TRUE(dialogs.calls.back().texts.value(1).contains(QStringLiteral("3 könyv")));
    EXPECT_TRUE(QFileInfo(target(QStringLiteral("Alpha"))).isFile());
    EXPECT_EQ(list()->topLevelItemCount(), 3);
    EXPECT_EQ(cell(0, 1), QStringLiteral("Ok"));

    // Confirmed: the start button pressed while the undo goes is ignored.
    dialogs.confirmAnswers = {true};
    QTimer duringUndo;
    duringUndo.setInterval(0);
    QObject::connect(&duringUndo, &QTimer::timeout, [&] {
        if (state.busy && !form.run().isRunning()) start();
    });
    duringUndo.start();
    undo();
    duringUndo.stop();

    ASSERT_EQ(list()->topLevelItemCount(), 3);
    // The last book first, as the undo takes them.
    EXPECT_EQ(cell(0, 0), gamma);
    EXPECT_EQ(cell(0, 1), QStringLiteral("Megtartva: az eredeti helyén már van valami"));
    EXPECT_EQ(cell(0, 2), target(QStringLiteral("Gamma")));
    EXPECT_EQ(cell(1, 0), beta);
    EXPECT_EQ(cell(1, 1), QStringLiteral("Megtartva: a fájl megváltozott a futás óta"));
    EXPECT_EQ(cell(1, 2), target(QStringLiteral("Beta")));
    EXPECT_EQ(cell(2, 0), alpha);
    EXPECT_EQ(cell(2, 1), QStringLiteral("Visszavonva"));
    EXPECT_EQ(cell(2, 2), alpha);
    EXPECT_EQ(form.RzStatusPane1()->text(), QStringLiteral("Visszavonva: 1/3"));
    EXPECT_EQ(form.RzStatusPane2()->text(), QStringLiteral("Kész"));

    EXPECT_TRUE(QFileInfo(alpha).isFile());
    EXPECT_FALSE(QFileInfo::exists(target(QStringLiteral("Alpha"))));
    EXPECT_TRUE(QFileInfo(target(QStringLiteral("Beta"))).isFile());
    EXPECT_FALSE(QFileInfo::exists(beta));
    EXPECT_TRUE(QFileInfo(target(QStringLiteral("Gamma"))).isFile());
    QFile taken(gamma);
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), QByteArray("a new book"));

    // The run is taken back: the next undo finds nothing, in English too.
    state.englishUi = true;
    undo();
    EXPECT_EQ(dialogs.calls.back().kind, QStringLiteral("message"));
    EXPECT_EQ(dialogs.calls.back().texts.value(0), QStringLiteral("There is no run to undo"));
}

TEST_F(UndoCommandTest, ARunWhoseJournalCannotBeWrittenSaysItCannotBeUndone) {
    // A file where the journal folder should be.
    tree.writeFile(QStringLiteral("settings/journal"), "not a folder");
    addBook(QStringLiteral("Alpha"));
    start();
    ASSERT_TRUE(QFileInfo(target(QStringLiteral("Alpha"))).isFile());
    const QStringList errors = dialogs.textsOf(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.front().startsWith(
        QStringLiteral("A futás naplója nem írható, ezért ez a futás nem vonható vissza: ")))
        << errors.front().toStdString();
}

TEST_F(UndoCommandTest, TheQuestionNamesTheRunAndAStoppedUndoLeavesTheRestForTheNextOne) {
    addBook(QStringLiteral("Alpha"));
    addBook(QStringLiteral("Beta"));
    addBook(QStringLiteral("Gamma"));
    form.RzRadioGroup3Items()->button(1)->setChecked(true);
    const QDateTime before = QDateTime::currentDateTime();
    start();
    const QDateTime after = QDateTime::currentDateTime();
    const auto startedAt = [&](const QString& question) {
        for (const QDateTime& when : {before, after})
            if (question.contains(when.toString(QStringLiteral("yyyy-MM-dd HH:mm")))) return true;
        return false;
    };

    dialogs.confirmAnswers = {false};
    undo();
    ASSERT_EQ(dialogs.calls.back().kind, QStringLiteral("confirm"));
    QString question = dialogs.calls.back().texts.value(1);
    EXPECT_TRUE(startedAt(question)) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("3 könyv kerül vissza innen: ") +
                                  state.outputFolder + QStringLiteral(" (áthelyezés)")))
        << question.toStdString();

    // Stopped after the first book: the summary says what is left, and the next question names
    // only the books still to take back.
    dialogs.confirmAnswers = {true};
    QTimer stopDuringUndo;
    stopDuringUndo.setInterval(0);
    QObject::connect(&stopDuringUndo, &QTimer::timeout, [&] {
        if (state.busy) form.RzToolButton2Click();
    });
    stopDuringUndo.start();
    undo();
    stopDuringUndo.stop();
    EXPECT_EQ(form.statusSummary()->text(),
              QString::fromUtf8("visszavonva: 1 · megtartva: 0 · hiba: 0 · hátravan: 2"));

    state.englishUi = true;
    dialogs.confirmAnswers = {false};
    undo();
    question = dialogs.calls.back().texts.value(1);
    EXPECT_TRUE(startedAt(question)) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("2 book(s) will be taken back from ") +
                                  state.outputFolder + QStringLiteral(" (moved)")))
        << question.toStdString();
}

}  // namespace
