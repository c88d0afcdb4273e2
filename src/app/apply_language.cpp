#include "app/apply_language.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QTreeWidget>
#include <QWidget>
#include <QtDebug>

#include "app/form_state.h"
#include "app/language_file.h"
#include "core/path_text_qt.h"
#include "platform/files.h"

namespace app {
namespace {

enum class Target {
    WindowCaption,  // the window itself (main window or splash)
    Caption,        // the caption of the named control
    Column,         // a header column of the named list view
    Items,          // the items of the named radio group
};

struct Row {
    const char16_t* section;
    const char16_t* key;
    const char16_t* control;  // object name; null for WindowCaption
    Target target;
    int column;  // Column only
};

// The keys in the order they are applied. The key strings name the controls by their place in
// the original layout; only the object name decides which widget is changed.
constexpr Row kMainRows[] = {
    {u"TForm1", u"Caption", nullptr, Target::WindowCaption, 0},
    {u"TForm1", u"RzListView1.Columns.(0).Caption", u"RzListView1", Target::Column, 0},
    {u"TForm1", u"RzListView1.Columns.(1).Caption", u"RzListView1", Target::Column, 1},
    {u"TForm1", u"RzListView1.Columns.(2).Caption", u"RzListView1", Target::Column, 2},
    {u"TForm1", u"RzToolbar1.RzToolButton4.Caption", u"RzToolButton4", Target::Caption, 0},
    {u"TForm1", u"RzToolbar1.RzToolButton5.Caption", u"RzToolButton5", Target::Caption, 0},
    {u"TForm1", u"RzToolbar1.RzToolButton6.Caption", u"RzToolButton6", Target::Caption, 0},
    {u"TForm1", u"RzToolbar1.RzToolButton7.Caption", u"RzToolButton7", Target::Caption, 0},
    {u"TForm1", u"RzToolbar1.RzToolButton8.Caption", u"RzToolButton8", Target::Caption, 0},
    {u"TForm1", u"RzToolbar1.RzRadioGroup3.Items.Strings", u"RzRadioGroup3", Target::Items, 0},
    {u"TForm1", u"RzGroupBox1.Caption", u"RzGroupBox1", Target::Caption, 0},
    {u"TForm1", u"RzGroupBox1.Button1.Caption", u"Button1", Target::Caption, 0},
    {u"TForm1", u"RzRadioGroup2.Caption", u"RzRadioGroup2", Target::Caption, 0},
    {u"TForm1", u"RzRadioGroup2.Label1.Caption", u"Label1", Target::Caption, 0},
    {u"TForm1", u"RzRadioGroup2.RzRadioGroup1.Caption", u"RzRadioGroup1", Target::Caption, 0},
    {u"TForm1", u"RzRadioGroup2.RzRadioGroup1.Items.Strings", u"RzRadioGroup1", Target::Items, 0},
    {u"TForm1", u"RzRadioGroup2.chknyelv.Caption", u"chknyelv", Target::Caption, 0},
    {u"TForm1", u"RzRadioGroup2.chkszerzo.Caption", u"chkszerzo", Target::Caption, 0},
    {u"TForm1", u"RzRadioGroup2.chkkonvcimmappa.Caption", u"chkkonvcimmappa", Target::Caption, 0},
    {u"TForm1", u"RzRadioGroup2.chksorozat.Caption", u"chksorozat", Target::Caption, 0},
    {u"TForm1", u"RzRadioGroup2.chknone.Caption", u"chknone", Target::Caption, 0},
    {u"TForm1", u"PopupMenu2.Listatrlse1.Caption", u"Listatrlse1", Target::Caption, 0},
    {u"TForm1", u"PopupMenu2.Msols2.Caption", u"Msols2", Target::Caption, 0},
    {u"TForm1", u"PopupMenu2.thelyezs2.Caption", u"thelyezs2", Target::Caption, 0},
    {u"TForm1", u"PopupMenu2.Filemegnyits1.Caption", u"Filemegnyits1", Target::Caption, 0},
    {u"TForm1", u"PopupMenu2.teszt1.Caption", u"teszt1", Target::Caption, 0},
    {u"TForm1", u"PopupMenu2.Utolsfutsvisszavonsa1.Caption", u"Utolsfutsvisszavonsa1",
     Target::Caption, 0},
};

constexpr Row kSplashRows[] = {
    {u"TSplash", u"Caption", nullptr, Target::WindowCaption, 0},
    {u"TSplash", u"GroupBox1.Label1.Caption", u"Label1", Target::Caption, 0},
};

QString text(const char16_t* s) {
    return QString::fromUtf16(s);
}

// Sets the caption of whatever kind of control carries the name. Several objects may share a
// name (a button group named after its group box, say); the first one that has a caption wins.
bool setCaption(QWidget* window, const QString& name, const QString& caption) {
    const QList<QObject*> candidates = window->findChildren<QObject*>(name);
    for (QObject* object : candidates) {
        if (auto* action = qobject_cast<QAction*>(object)) {
            action->setText(caption);
        } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
            button->setText(caption);
        } else if (auto* box = qobject_cast<QGroupBox*>(object)) {
            box->setTitle(caption);
        } else if (auto* label = qobject_cast<QLabel*>(object)) {
            label->setText(caption);
        } else {
            continue;
        }
        return true;
    }
    return false;
}

void setColumn(QWidget* window, const QString& name, int column, const QString& caption) {
    auto* view = window->findChild<QTreeWidget*>(name);
    if (!view) {
        qWarning() << "language file: no list view named" << name;
        return;
    }
    view->headerItem()->setText(column, caption);
}

// The radio items of a group are the buttons "<group>_Item0", "<group>_Item1", ...
void setItems(QWidget* window, const QString& group, const QString& value) {
    if (value.isEmpty()) return;
    const QStringList pieces = value.split(u'^', Qt::KeepEmptyParts);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QString itemName = group + QStringLiteral("_Item") + QString::number(i);
        auto* item = window->findChild<QAbstractButton*>(itemName);
        if (!item) break;  // more pieces than items: the rest has nowhere to go
        if (pieces[i].isEmpty()) continue;
        QString caption = pieces[i];
        item->setText(caption.remove(u'\\'));
    }
}

void applyRows(const LanguageFile& file, QWidget* window, const Row* begin, const Row* end) {
    for (const Row* row = begin; row != end; ++row) {
        const QString value = file.value(text(row->section), text(row->key));
        switch (row->target) {
            case Target::WindowCaption:
                window->setWindowTitle(value);
                break;
            case Target::Caption:
                if (!setCaption(window, text(row->control), value))
                    qWarning() << "language file: no control named" << text(row->control);
                break;
            case Target::Column:
                setColumn(window, text(row->control), row->column, value);
                break;
            case Target::Items:
                setItems(window, text(row->control), value);
                break;
        }
    }
}

}  // namespace

QString languageFilePath(const QString& programFolder) {
    return QDir(programFolder).filePath(QStringLiteral("eng.lng"));
}

void applyLanguageFile(const LanguageFile& file, QWidget* form, QWidget* splash) {
    if (form) applyRows(file, form, std::begin(kMainRows), std::end(kMainRows));
    if (splash) applyRows(file, splash, std::begin(kSplashRows), std::end(kSplashRows));
}

void applyLanguageStep(QWidget* form, QWidget* splash, FormState& state,
                       const QString& programFolder, const QString& settingsFolder) {
    const auto exists = [](const QString& candidate) {
        return platform::fileExists(core::toPlatformPath(core::pathFromOutside(candidate)));
    };
    QString path = languageFilePath(programFolder);
    if (!exists(path)) {
        if (settingsFolder.isEmpty()) return;
        path = languageFilePath(settingsFolder);
        if (!exists(path)) return;
    }
    state.englishUi = true;
    applyLanguageFile(LanguageFile::load(path), form, splash);
}

}  // namespace app
