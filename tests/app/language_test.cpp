// The interface-language file: how it is parsed and what it does to the window's captions.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>
#include <memory>

#include "app/apply_language.h"
#include "app/form_state.h"
#include "app/language_file.h"
#include "app/tform1.h"
#include "app/tsplash.h"
#include "support/temp_tree.h"

using app::LanguageFile;

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The real main window and splash window, built but never started: they carry their
// Hungarian captions. Controls are looked up through the windows' own accessors.
struct Windows {
    std::unique_ptr<app::TForm1> form = std::make_unique<app::TForm1>();
    std::unique_ptr<app::TSplash> splash = std::make_unique<app::TSplash>();

    QString caption(const char* name) const {
        const QString n = QString::fromUtf8(name);
        if (auto* action = form->findChild<QAction*>(n)) return action->text();
        if (auto* button = form->findChild<QAbstractButton*>(n)) return button->text();
        if (auto* label = form->findChild<QLabel*>(n)) return label->text();
        if (auto* box = form->findChild<QGroupBox*>(n)) return box->title();
        ADD_FAILURE() << "no control " << name;
        return {};
    }
    static QStringList items(const QButtonGroup* group) {
        QStringList out;
        for (int id = 0; group->button(id); ++id) out << group->button(id)->text();
        return out;
    }
    QStringList copyMove() const { return items(form->RzRadioGroup3Items()); }
    QStringList renaming() const { return items(form->RzRadioGroup1Items()); }
    QString column(int i) const { return form->RzListView1()->headerItem()->text(i); }

    // Rows 1-9, 11-15 and 17-28 of the key table, in that order, and the undo item.
    QStringList plainCaptions() const {
        QStringList out{form->windowTitle(), column(0), column(1), column(2)};
        for (const char* name : {"RzToolButton4",   "RzToolButton5", "RzToolButton6",
                                 "RzToolButton7",   "RzToolButton8", "RzGroupBox1",
                                 "Button1",         "RzRadioGroup2", "Label1",
                                 "RzRadioGroup1",   "chknyelv",      "chkszerzo",
                                 "chkkonvcimmappa", "chksorozat",    "chknone",
                                 "Listatrlse1",     "Msols2",        "thelyezs2",
                                 "Filemegnyits1",   "teszt1",        "Utolsfutsvisszavonsa1"})
            out << caption(name);
        out << splash->windowTitle() << splash->Label1()->text();
        return out;
    }
};

void apply(Windows& w, const QByteArray& fileText) {
    app::applyLanguageFile(LanguageFile::parse(fileText), w.form.get(), w.splash.get());
}

const QStringList kHungarianCopyMove{u("Másolás"), u("Áthelyezés")};
const QStringList kHungarianRenaming{u("Nincs átnevezés"), u("Szerzö-Cim"), u("Cim-Szerzö")};

}  // namespace

TEST(LanguageFile, ParsesSectionsKeysAndValuesAsTheFormatSays) {
    const LanguageFile file = LanguageFile::parse(
        "Caption=before any section\r\n"
        "; [TForm1] in a comment\n"
        "  [ \tTForm1 ]  \r"
        "Caption   =   \"Quoted\"  \n"
        "; Caption=commented out\n"
        "NoEquals\n"
        "Path=a=b\\c\n"
        "Empty=\n"
        "\x01\x1F Tabbed\t=\tvalue\x02\r\n"
        "Space=\xC2\xA0kept\xC2\xA0\n"
        "[tsplash]\n"
        "CAPTION=first\n"
        "caption=second\n");
    EXPECT_EQ(file.value(QStringLiteral("TForm1"), QStringLiteral("Caption")),
              QStringLiteral("\"Quoted\""));
    EXPECT_EQ(file.value(QStringLiteral("tform1"), QStringLiteral("PATH")),
              QStringLiteral("a=b\\c"));
    EXPECT_TRUE(file.contains(QStringLiteral("TForm1"), QStringLiteral("Empty")));
    EXPECT_EQ(file.value(QStringLiteral("TForm1"), QStringLiteral("Empty")), QString());
    EXPECT_FALSE(file.contains(QStringLiteral("TForm1"), QStringLiteral("NoEquals")));
    EXPECT_FALSE(file.contains(QStringLiteral("TForm1"), QStringLiteral("; Caption")));
    EXPECT_EQ(file.value(QStringLiteral("TForm1"), QStringLiteral("Tabbed")),
              QStringLiteral("value"));
    // Only characters up to the space are blanks; a no-break space is text.
    EXPECT_EQ(file.value(QStringLiteral("TForm1"), QStringLiteral("Space")),
              u("\xC2\xA0kept\xC2\xA0"));
    EXPECT_EQ(file.value(QStringLiteral("TSplash"), QStringLiteral("Caption")),
              QStringLiteral("second"));
    EXPECT_FALSE(file.contains(QStringLiteral("Missing"), QStringLiteral("Caption")));
}

TEST(LanguageFile, LaterSectionReplacesEarlierOneAndByteOrderMarkIsSkipped) {
    const LanguageFile file = LanguageFile::parse(
        "\xEF\xBB\xBF[TSplash]\n"
        "Caption=splash\n"
        "[TForm1]\n"
        "Caption=first\n"
        "Only=in the first\n"
        "[TFORM1]\n"
        "Caption=second\n");
    EXPECT_EQ(file.value(QStringLiteral("TForm1"), QStringLiteral("Caption")),
              QStringLiteral("second"));
    EXPECT_FALSE(file.contains(QStringLiteral("TForm1"), QStringLiteral("Only")));
    EXPECT_EQ(file.value(QStringLiteral("TSplash"), QStringLiteral("Caption")),
              QStringLiteral("splash"));
    // A byte-order mark anywhere else is text: the section line no longer starts with "[".
    for (const char* marked :
         {"\n\xEF\xBB\xBF[TForm1]\nCaption=x\n", "\xEF\xBB\xBF\xEF\xBB\xBF[TForm1]\nCaption=x\n"}) {
        EXPECT_FALSE(LanguageFile::parse(marked).contains(QStringLiteral("TForm1"),
                                                          QStringLiteral("Caption")));
    }
}

TEST(ApplyLanguage, EmptyFileEmptiesEveryCaptionButKeepsRadioItems) {
    Windows w;
    const auto untranslated = [&w] {
        return QStringList{w.form->RzToolButton1()->text(), w.form->RzStatusPane1()->text(),
                           w.form->RzStatusPane2()->text(), w.splash->Label2()->text()};
    };
    const QStringList before = untranslated();
    EXPECT_EQ(w.copyMove(), kHungarianCopyMove);
    EXPECT_EQ(w.renaming(), kHungarianRenaming);

    apply(w, QByteArray());
    EXPECT_EQ(w.plainCaptions(), QStringList(27, QString()));
    EXPECT_EQ(w.copyMove(), kHungarianCopyMove);
    EXPECT_EQ(w.renaming(), kHungarianRenaming);
    // Controls outside the table are never translated.
    EXPECT_EQ(untranslated(), before);
    EXPECT_EQ(w.splash->Label2()->text(), QStringLiteral("File:"));
}

TEST(ApplyLanguage, OnlyTheMainCaptionGivenEmptiesEverythingElse) {
    Windows w;
    apply(w, "[tform1]\ncaption = \"My books\"\nRzRadioGroup2.Label1.Caption=\n");
    const QStringList captions = w.plainCaptions();
    EXPECT_EQ(captions.first(), QStringLiteral("\"My books\""));
    for (qsizetype i = 1; i < captions.size(); ++i) EXPECT_EQ(captions[i], QString()) << i;
}

TEST(ApplyLanguage, CaptionsGoToTheirOwnControls) {
    Windows w;
    apply(w,
          "[TForm1]\n"
          "RzListView1.Columns.(1).Caption=Error\n"
          "RzRadioGroup2.Label1.Caption=Favourites:\n"
          "RzRadioGroup2.RzRadioGroup1.Caption=Renaming\n"
          "PopupMenu2.thelyezs2.Caption=Move\n"
          "RzToolbar1.RzToolButton7.Caption=Old\n"
          "RzToolbar1.RzToolButton7.Caption=On top\n"
          "[TSplash]\n"
          "GroupBox1.Label1.Caption=Wait\\ing\n");
    EXPECT_EQ(w.column(0), QString());
    EXPECT_EQ(w.column(1), QStringLiteral("Error"));
    // Label1 of the main window and Label1 of the splash window are different controls.
    EXPECT_EQ(w.caption("Label1"), QStringLiteral("Favourites:"));
    EXPECT_EQ(w.splash->Label1()->text(), QStringLiteral("Wait\\ing"));
    EXPECT_EQ(w.caption("RzRadioGroup1"), QStringLiteral("Renaming"));
    EXPECT_EQ(w.caption("thelyezs2"), QStringLiteral("Move"));
    EXPECT_EQ(w.caption("RzToolButton7"), QStringLiteral("On top"));
}

TEST(ApplyLanguage, ListValuesSetTheirItemsPieceByPiece) {
    Windows w;
    apply(w,
          "[TForm1]\n"
          "RzToolbar1.RzRadioGroup3.Items.Strings=^Mo\\ve\n"
          "RzRadioGroup2.RzRadioGroup1.Items.Strings=None^A\\\\uthor - Title^Title - Author^"
          "Extra^More\n");
    EXPECT_EQ(w.copyMove(), (QStringList{u("Másolás"), QStringLiteral("Move")}));
    EXPECT_EQ(w.renaming(), (QStringList{QStringLiteral("None"), QStringLiteral("Author - Title"),
                                         QStringLiteral("Title - Author")}));

    Windows fewer;
    apply(fewer,
          "[TForm1]\nRzToolbar1.RzRadioGroup3.Items.Strings=\n"
          "RzRadioGroup2.RzRadioGroup1.Items.Strings=Plain^^\n");
    EXPECT_EQ(fewer.copyMove(), kHungarianCopyMove);
    EXPECT_EQ(fewer.renaming(),
              (QStringList{QStringLiteral("Plain"), u("Szerzö-Cim"), u("Cim-Szerzö")}));
}

TEST(ApplyLanguage, StepSetsEnglishOnlyWhenTheFileIsBesideTheProgram) {
    testsupport::TempTree tree;
    Windows w;
    app::FormState state;

    // A folder called eng.lng is not a language file.
    tree.makeFolder(QStringLiteral("program/eng.lng"));
    app::applyLanguageStep(w.form.get(), w.splash.get(), state,
                           tree.path(QStringLiteral("program")));
    EXPECT_FALSE(state.englishUi);
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("Epub polcaro"));

    tree.writeFile(QStringLiteral("other/eng.lng"), "[TForm1]\nCaption=English\n");
    app::applyLanguageStep(w.form.get(), nullptr, state, tree.path(QStringLiteral("other")));
    EXPECT_TRUE(state.englishUi);
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("English"));
    EXPECT_EQ(w.column(0), QString());
    // A splash window that is not passed (created later) keeps its Hungarian texts.
    EXPECT_EQ(w.splash->windowTitle(), u("Betöltés..."));
}

// An installed program's folder belongs to root: the per-user settings folder is the second
// place, and the file beside the program wins when both exist.
TEST(ApplyLanguage, StepAlsoFindsTheFileInTheSettingsFolder) {
    testsupport::TempTree tree;
    const QString program = tree.makeFolder(QStringLiteral("usr/bin"));
    const QString settings =
        tree.makeFolder(QStringLiteral("config/Epub_polcaro")) + QDir::separator();

    Windows hungarian;
    app::FormState none;
    app::applyLanguageStep(hungarian.form.get(), nullptr, none, program, settings);
    EXPECT_FALSE(none.englishUi);
    EXPECT_EQ(hungarian.form->windowTitle(), QStringLiteral("Epub polcaro"));

    tree.writeFile(QStringLiteral("config/Epub_polcaro/eng.lng"), "[TForm1]\nCaption=Per user\n");
    Windows perUser;
    app::FormState english;
    app::applyLanguageStep(perUser.form.get(), nullptr, english, program, settings);
    EXPECT_TRUE(english.englishUi);
    EXPECT_EQ(perUser.form->windowTitle(), QStringLiteral("Per user"));

    tree.writeFile(QStringLiteral("usr/bin/eng.lng"), "[TForm1]\nCaption=Beside\n");
    Windows beside;
    app::FormState both;
    app::applyLanguageStep(beside.form.get(), nullptr, both, program, settings);
    EXPECT_TRUE(both.englishUi);
    EXPECT_EQ(beside.form->windowTitle(), QStringLiteral("Beside"));
}

namespace {

QStringList warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) warnings << message;
}

}  // namespace

TEST(ApplyLanguage, ShippedTranslationCaptionsTheRealWindowsInEnglish) {
    // The translation lies in translations/ at the top of the source tree (named by the build,
    // since __FILE__ may be relative when a compiler cache rewrites paths).
    const QString shipped = QStringLiteral(POLCARO_SOURCE_DIR "/translations/eng.lng");
    ASSERT_TRUE(QFileInfo(shipped).isFile()) << shipped.toStdString();

    Windows w;
    const QStringList hungarian = w.plainCaptions();

    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    app::applyLanguageFile(LanguageFile::load(shipped), w.form.get(), w.splash.get());
    qInstallMessageHandler(previous);
    // Every key found its control by name.
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(u'\n').toStdString();

    const QStringList english = w.plainCaptions();
    ASSERT_EQ(english.size(), 27);
    for (qsizetype i = 0; i < english.size(); ++i) {
        EXPECT_FALSE(english[i].isEmpty()) << "caption " << i << " is empty";
        // The program's name is the same in both languages.
        if (i > 0) {
            EXPECT_NE(english[i], hungarian[i]) << english[i].toStdString();
        }
    }
    EXPECT_EQ(w.copyMove(), (QStringList{QStringLiteral("Copy"), QStringLiteral("Move")}));
    EXPECT_EQ(w.renaming(),
              (QStringList{QStringLiteral("No renaming"), QStringLiteral("Author - Title"),
                           QStringLiteral("Title - Author")}));
}
