// Closing the main window while work is nested in its event loop: the program still ends, in
// order, as after a close at rest.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <utility>

#include "app/run_controller.h"
#include "app/settings_controller.h"
#include "app/tform1.h"
#include "app/tsplash.h"
#include "organise/run_journal.h"
#include "organise/settings.h"
#include "organise/undo_run.h"
#include "platform/system_folders.h"
#include "scripted_dialogs.h"
#include "support/epub_builder.h"
#include "support/temp_tree.h"

namespace {

const QString kSep = QDir::separator();

QString writeBook(testsupport::TempTree& tree, const QString& relativePath, const QString& title) {
    testsupport::BookSpec spec;
    spec.title = title;
    spec.creators = {QStringLiteral("Author")};
    const QString path = tree.path(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    testsupport::writeBook(path, spec);
    return path;
}

// Runs the application's event loop, as the program does, with `work` as its first event.
// Returns its exit code; with the fault it never ends, so a failsafe ends it with 1.
int runEventLoop(const std::function<void()>& work) {
    QTimer::singleShot(0, work);
    QTimer failsafe;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    failsafe.start(60000);
    return QCoreApplication::exec();
}

// The close button pressed from inside the work's message pump. Right after it an event loop
// of its own is entered, as the wait for a long copy or a message box does: that must not
// swallow the end of the program.
void closeFromInside(app::TForm1& form) {
    form.close();
    QEventLoop nested;
    QTimer::singleShot(0, &nested, &QEventLoop::quit);
    nested.exec();
}

TEST(WindowClose, DuringARunOrAFolderSearchTheProgramEndsWithItsSaving) {
    testsupport::TempTree tree;
    const std::string savedRoaming = platform::redirectRoamingAppDataFolder(
        QDir::toNativeSeparators(tree.path(QStringLiteral("config"))).toStdString());
    const auto restore =
        qScopeGuard([&savedRoaming] { platform::redirectRoamingAppDataFolder(savedRoaming); });
    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install(dialogs);
    const QString out = tree.makeFolder(QStringLiteral("out"));
    const auto target = [&out](const char* title) {
        return out + kSep + QStringLiteral("Author") + kSep + QStringLiteral("Author - ") +
               QString::fromUtf8(title) + QStringLiteral(".epub");
    };

    {
        // During a run, closed while the first of three books is organised.
        app::TForm1 form;
        form.settings().fixSettingsFolder();
        form.state().outputFolder = out + kSep;
        form.JvDirectoryEdit1()->setText(out);
        for (const char* title : {"Alpha", "Beta", "Gamma"})
            form.AddFileToList(
                writeBook(tree, QStringLiteral("src/%1.epub").arg(QString::fromUtf8(title)),
                          QString::fromUtf8(title)));
        form.show();
        bool closed = false;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&form, &closed] {
            if (form.run().isRunning() && !std::exchange(closed, true)) closeFromInside(form);
        });
        watch.start();
        EXPECT_EQ(runEventLoop([&form] { form.RzToolButton1()->click(); }), 0)
            << "closing the window during a run did not end the event loop";
        watch.stop();
        EXPECT_FALSE(form.run().isRunning());
        form.FormDestroy();  // what the program does once its event loop has ended

        // The run stopped after the book at hand, as after the stop button.
        QTreeWidget* list = form.RzListView1();
        EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("Ok"));
        EXPECT_EQ(list->topLevelItem(1)->text(1), QString());
        EXPECT_EQ(list->topLevelItem(2)->text(1), QString());
        EXPECT_TRUE(QFileInfo(target("Alpha")).isFile());
        EXPECT_FALSE(QFileInfo::exists(target("Beta")));
        // The settings are written, and the journal holds the one book, ready to be undone.
        EXPECT_EQ(organise::LoadSettings(form.state().settingsFolder), out);  // as the edit shows
        const QString journal =
            organise::NewestJournal(organise::journalFolder(form.state().settingsFolder));
        ASSERT_FALSE(journal.isEmpty());
        organise::JournalContents contents;
        ASSERT_FALSE(organise::ReadJournal(journal, contents));
        const QList<organise::JournalEntry> books = organise::UndoOrder(contents);
        ASSERT_EQ(books.size(), 1);
        EXPECT_EQ(books.first().target, target("Alpha"));
    }
    {
        // During a folder search, closed once the first book is listed: the search ends there.
        for (int i = 0; i < 3; ++i)
            writeBook(tree, QStringLiteral("library/shelf%1/book.epub").arg(i),
                      QStringLiteral("Book %1").arg(i));
        app::TForm1 form;
        app::TSplash loading;  // rows are listed with pending events handled, as after start-up
        form.setSplash(&loading);
        form.show();
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&form] {
            if (form.searching() && !form.rowPaths().isEmpty() && !form.closing())
                closeFromInside(form);
        });
        watch.start();
        const QString library = QDir::toNativeSeparators(tree.path(QStringLiteral("library")));
        EXPECT_EQ(runEventLoop([&form, &library] { form.SearchFolder(library); }), 0)
            << "closing the window during a folder search did not end the event loop";
        watch.stop();
        EXPECT_TRUE(form.closing());
        EXPECT_FALSE(form.searching());
        EXPECT_LT(form.rowPaths().size(), 3);
    }
}

}  // namespace
