// The empty-folder command as the toolbar button runs it: confirmation, walk, completion message.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLineEdit>
#include <QWidget>

#include "app/empty_folders_command.h"
// GCC's -O2 flow analysis reports the moved-from std::optional<QString> in the scripted
// dialogs' answer queue as maybe uninitialised; it is not (the queue is never read here).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "scripted_dialogs.h"
#pragma GCC diagnostic pop
#include "support/temp_tree.h"

using apptest::ScriptedDialogs;

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

bool exists(const QString& path) {
    return QFileInfo::exists(path);
}

}  // namespace

TEST(EmptyFoldersCommand, CancelTouchesNothingAndShowsNothing) {
    testsupport::TempTree tree;
    tree.makeFolder(QStringLiteral("Out/A/B"));
    const QString edit = tree.path(QStringLiteral("Out/"));
    ScriptedDialogs dialogs;
    ScriptedDialogs::Install installed(dialogs);
    dialogs.confirmAnswers = {false};

    int reads = 0;
    app::runEmptyFoldersCommand(
        nullptr, [&] { return ++reads, edit; }, false);

    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, QStringLiteral("confirm"));
    EXPECT_EQ(dialogs.calls[0].texts,
              (QStringList{u("Törlés jováhagyása"),
                           u("Törlöd az üres könyvtárakat ebböl a mappábol ") + edit, u("Törlés"),
                           u("Mégse")}));
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(exists(tree.path(QStringLiteral("Out/A/B"))));
}

TEST(EmptyFoldersCommand, ConfirmRemovesTheEmptyTreeFromTheFolderReadAfterTheDialog) {
    testsupport::TempTree tree;
    tree.makeFolder(QStringLiteral("Out/A/B/C"));
    tree.writeFile(QStringLiteral("Out/Kept/book.epub"), "x");
    tree.makeFolder(QStringLiteral("Out/Kept/Empty"));
    tree.makeFolder(QStringLiteral("Shown/Empty"));
    ScriptedDialogs dialogs;
    ScriptedDialogs::Install installed(dialogs);
    dialogs.confirmAnswers = {true};

    // The edit is read for the question and again for the walk.
    QStringList edits{tree.path(QStringLiteral("Shown/")), tree.path(QStringLiteral("Out/"))};
    app::runEmptyFoldersCommand(
        nullptr, [&] { return edits.takeFirst(); }, false);

    EXPECT_TRUE(edits.isEmpty());
    EXPECT_FALSE(exists(tree.path(QStringLiteral("Out/A"))));
    EXPECT_FALSE(exists(tree.path(QStringLiteral("Out/Kept/Empty"))));
    EXPECT_TRUE(exists(tree.path(QStringLiteral("Out/Kept/book.epub"))));
    EXPECT_TRUE(exists(tree.path(QStringLiteral("Shown/Empty"))));
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].texts.value(1), u("Törlöd az üres könyvtárakat ebböl a mappábol ") +
                                                   tree.path(QStringLiteral("Shown/")));
    EXPECT_EQ(dialogs.calls[1].kind, QStringLiteral("message"));
    EXPECT_EQ(dialogs.calls[1].texts, QStringList{u("Kész")});
}

TEST(EmptyFoldersCommand, EnglishTextsAndTheEditReadThroughItsControl) {
    testsupport::TempTree tree;
    tree.makeFolder(QStringLiteral("Out/A"));
    const QString out = tree.path(QStringLiteral("Out"));
    QWidget form;
    auto* edit = new QLineEdit(&form);
    edit->setObjectName(QStringLiteral("JvDirectoryEdit1"));
    edit->setText(out);
    ScriptedDialogs dialogs;
    ScriptedDialogs::Install installed(dialogs);
    dialogs.confirmAnswers = {true};

    app::runEmptyFoldersCommand(&form, edit, true);

    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].texts,
              (QStringList{QStringLiteral("Delete accepted"),
                           QStringLiteral("Delete empty directories from this folder ") + out,
                           QStringLiteral("Delete"), QStringLiteral("Cancel")}));
    EXPECT_EQ(dialogs.calls[1].texts, QStringList{QStringLiteral("Ready")});
    // The output folder itself held nothing but empty folders, so it went too.
    EXPECT_FALSE(exists(tree.path(QStringLiteral("Out"))));
}

TEST(EmptyFoldersCommand, AnEditNamingNoFolderIsRefusedInsteadOfWalkingFromARoot) {
    ScriptedDialogs dialogs;
    ScriptedDialogs::Install installed(dialogs);
    dialogs.confirmAnswers = {true, true};

    int reads = 0;
    app::runEmptyFoldersCommand(
        nullptr, [&] { return ++reads, QStringLiteral("  "); }, false);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(dialogs.textsOf(QStringLiteral("message")),
              QStringList{u("Nincs megadva kimeneti mappa")});
    EXPECT_TRUE(dialogs.textsOf(QStringLiteral("confirm")).isEmpty());

    // Emptied while the confirmation was open: still refused, in English this time.
    dialogs.calls.clear();
    testsupport::TempTree tree;
    QStringList edits{tree.makeFolder(QStringLiteral("Out/A")), QString()};
    app::runEmptyFoldersCommand(
        nullptr, [&] { return edits.takeFirst(); }, true);
    EXPECT_EQ(dialogs.textsOf(QStringLiteral("message")),
              QStringList{QStringLiteral("No output folder is given")});
    EXPECT_TRUE(exists(tree.path(QStringLiteral("Out/A"))));

    // No edit is the same as an empty edit.
    dialogs.calls.clear();
    QWidget form;
    app::runEmptyFoldersCommand(&form, nullptr, true);
    EXPECT_EQ(dialogs.textsOf(QStringLiteral("message")),
              QStringList{QStringLiteral("No output folder is given")});
}
