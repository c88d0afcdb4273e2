// The work list of the real window: drops of files and folders onto the list, the folder scan
// button, the count display, clearing, and opening a row's file in the file manager.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <memory>

#include "app/tform1.h"
#include "app/tsplash.h"
#include "scripted_dialogs.h"
#include "support/temp_tree.h"

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A path part written with '/', in native form: the list holds native paths.
QString n(const char* utf8) {
    return QDir::toNativeSeparators(u(utf8));
}

// The window with the file manager replaced by a record of what it was asked to show.
class Form : public app::TForm1 {
public:
    QStringList shown;
    void ShowInExplorer(const QString& path) override { shown << path; }
};

// Drags file URLs over the list's viewport and drops them, the way a file manager does.
// Returns whether the drag was accepted on entering.
bool dropOnList(app::TForm1& form, const QStringList& paths) {
    QWidget* viewport = form.RzListView1()->viewport();
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                          Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data,
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    // The drop is acted on once the drag has ended.
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

class WorkList : public ::testing::Test {
protected:
    void SetUp() override { form.setSplash(&startSplash); }

    testsupport::TempTree tree;
    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install{dialogs};
    Form form;
    app::TSplash startSplash;
};

TEST_F(WorkList, ADropReplacesTheListWithTheDroppedFilesAndTheBooksOfDroppedFolders) {
    const QString upper = tree.writeFile(u("loose/x.EPUB"));
    const QString bak = tree.writeFile(u("loose/x.epub.bak"));
    const QString bare = tree.writeFile(u("loose/noextension"));
    const QString folder = tree.makeFolder(u("lib"));
    tree.writeFile(u("lib/a.epub"));
    tree.writeFile(u("lib/notes.txt"));
    tree.writeFile(u("lib/sub/b.epub"));
    tree.writeFile(u("lib/.hidden/c.epub"));
    form.AddFileToList(u("/old/row.epub"));

    ASSERT_TRUE(dropOnList(form, {upper, bak, bare, folder, upper, tree.path(u("missing.epub"))}));

    // A path that names nothing but ends in .epub is added as it is, like any dropped file.
    const QStringList rows = form.rowPaths();
    ASSERT_EQ(rows.size(), 6) << rows.join(u("\n")).toStdString();
    EXPECT_EQ(rows[0], upper);
    const QStringList found = rows.mid(1, 3);
    EXPECT_EQ(found.first(), folder + n("/a.epub")) << "files of a folder before its subfolders";
    EXPECT_TRUE(found.contains(folder + n("/sub/b.epub")));
    EXPECT_TRUE(found.contains(folder + n("/.hidden/c.epub"))) << "merely hidden is included";
    EXPECT_EQ(rows[4], upper) << "the same file dropped twice gives two rows";
    EXPECT_EQ(rows[5], tree.path(u("missing.epub")));
    EXPECT_EQ(form.RzStatusPane1()->text(), u("Beolvasás kész"));
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(form.RzListView1()->topLevelItem(i)->text(1).isEmpty());
        EXPECT_TRUE(form.RzListView1()->topLevelItem(i)->text(2).isEmpty());
    }

    // The dropped folder got a loading window of its own, hidden again after its search.
    ASSERT_NE(form.splash(), &startSplash);
    ASSERT_NE(form.splash(), nullptr);
    EXPECT_FALSE(form.splash()->isVisible());
    EXPECT_FALSE(form.splash()->Label3()->text().isEmpty());
    EXPECT_EQ(form.splash()->windowTitle(), u("Betöltés..."));
}

TEST_F(WorkList, DroppingAnEmptyFolderEmptiesTheListAndShowsTheCompletionText) {
    form.AddFileToList(u("/old/row.epub"));
    form.state().englishUi = true;
    ASSERT_TRUE(dropOnList(form, {tree.makeFolder(u("empty"))}));
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 0);
    EXPECT_EQ(form.RzStatusPane1()->text(), u("Scanning is complete"));
}

TEST_F(WorkList, DragsWithoutLocalFilesAreRefused) {
    QMimeData data;
    data.setText(u("just text"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.RzListView1()->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(WorkList, AFolderSearchAppendsAndCountsEveryRowOfTheList) {
    form.AddFileToList(u("/first.epub"));
    form.AddFileToList(u("/second.epub"));
    tree.writeFile(u("more/1.epub"));
    tree.writeFile(u("more/2.epub"));
    tree.writeFile(u("more/deeper/3.epub"));
    form.actOnPath(tree.path(u("more")));
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 5);
    EXPECT_EQ(form.RzStatusPane1()->text(), u("Db:5"));
    EXPECT_EQ(startSplash.Label3()->text(), u("3.epub"));

    form.state().englishUi = true;
    tree.writeFile(u("again/4.epub"));
    form.actOnPath(tree.path(u("again")));
    EXPECT_EQ(form.RzStatusPane1()->text(), u("Count:6"));

    // A single file: the pane names it; no count.
    form.actOnPath(tree.writeFile(u("single.epub")));
    EXPECT_EQ(form.RzStatusPane1()->text(), u("single.epub"));
    form.actOnPath(tree.path(u("nothing-here")));
    form.actOnPath(QString());
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 7);
}

TEST_F(WorkList, ASearchRequestedWhileOneRunsDoesNothing) {
    tree.writeFile(u("outer/a.epub"));
    tree.writeFile(u("outer/b.epub"));
    tree.writeFile(u("inner/c.epub"));
    bool nestedRan = false;
    // The first file found lets messages through; a hand-over arriving then is a nested search.
    QObject::connect(form.RzListView1()->model(), &QAbstractItemModel::rowsInserted, &form, [&] {
        if (nestedRan) return;
        nestedRan = true;
        EXPECT_TRUE(form.searching());
        form.actOnPath(tree.path(u("inner")));
    });
    form.actOnPath(tree.path(u("outer")));
    EXPECT_TRUE(nestedRan);
    EXPECT_FALSE(form.searching());
    QStringList names;
    for (const QString& p : form.rowPaths()) names << p.section(QDir::separator(), -1);
    names.sort();
    EXPECT_EQ(names, QStringList({u("a.epub"), u("b.epub")}));
}

TEST_F(WorkList, TheScanButtonClearsTheListEvenWhenThePickerIsCancelled) {
    tree.writeFile(u("picked/a.epub"));
    tree.writeFile(u("picked/b.epub"));
    form.AddFileToList(u("/old.epub"));
    dialogs.folderAnswers = {tree.path(u("picked")), std::nullopt};

    form.RzToolButton3()->click();
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 2);
    EXPECT_EQ(form.RzStatusPane1()->text(), u("Beolvasás kész"));
    EXPECT_EQ(form.splash(), &startSplash) << "no loading window for a scan";

    form.RzToolButton3()->click();
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 0);
    EXPECT_EQ(form.RzStatusPane1()->text(), u("Beolvasás kész"));
    EXPECT_EQ(dialogs.textsOf(u("pickFolder")).size(), 2);
}

TEST_F(WorkList, ClearingRemovesEveryRow) {
    form.AddFileToList(u("/a.epub"));
    form.AddFileToList(u("/b.epub"));
    form.Listatrlse1()->trigger();
    EXPECT_EQ(form.RzListView1()->topLevelItemCount(), 0);
}

TEST_F(WorkList, OpeningARowShowsItsSourceOrItsCopyOrSaysItWasNotCopied) {
    const QString copied = tree.writeFile(u("out/copied.epub"));
    form.AddFileToList(u("/books/a.epub"));
    form.AddFileToList(u("/books/b.epub"));

    // Nothing selected: nothing happens.
    form.teszt1()->trigger();
    form.Filemegnyits1()->trigger();
    EXPECT_TRUE(form.shown.isEmpty());
    EXPECT_TRUE(dialogs.calls.empty());

    form.RzListView1()->setCurrentItem(form.RzListView1()->topLevelItem(0));
    form.Filemegnyits1()->trigger();
    EXPECT_EQ(form.shown, QStringList({u("/books/a.epub")}));

    form.teszt1()->trigger();
    EXPECT_EQ(dialogs.textsOf(u("message")), QStringList({u("A file még nem került másolásra")}));
    form.state().englishUi = true;
    form.RzListView1()->topLevelItem(0)->setText(2, tree.path(u("out/vanished.epub")));
    form.teszt1()->trigger();
    EXPECT_EQ(dialogs.textsOf(u("message")).value(1), u("The file has not been copied yet"));

    form.RzListView1()->topLevelItem(0)->setText(2, copied);
    form.teszt1()->trigger();
    EXPECT_EQ(form.shown.value(1), copied);
    EXPECT_EQ(dialogs.textsOf(u("message")).size(), 2);
}

}  // namespace
