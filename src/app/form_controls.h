#pragma once
// The window's controls each controller works on, as typed members: a renamed or removed control
// is a compile error, not a lookup that silently finds nothing. The window fills them once its
// layout is built (TForm1::runControls, settingsControls, workListControls). Member names are the
// controls' component names, which stay their object names (the language file and the tests use
// them).
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTreeWidget;
class QWidget;

namespace app {

class StatusSummary;

// What the organise run reads (the options, afresh for every book) and writes (rows, progress,
// status panes).
struct RunControls {
    QWidget* form = nullptr;  // owns the message boxes; hiding it stops the run
    QTreeWidget* RzListView1 = nullptr;
    QProgressBar* RzProgressStatus1 = nullptr;
    QLabel* RzStatusPane1 = nullptr;
    QLabel* RzStatusPane2 = nullptr;
    StatusSummary* summary = nullptr;  // the counts at the end of a run, a preview or an undo
    QButtonGroup* RzRadioGroup1Items = nullptr;  // the rename scheme, ids 0 to 2
    QButtonGroup* RzRadioGroup3Items = nullptr;  // 0 copy, 1 move
    QCheckBox* chknyelv = nullptr;
    QCheckBox* chkszerzo = nullptr;
    QCheckBox* chkkonvcimmappa = nullptr;
    QCheckBox* chksorozat = nullptr;
    QCheckBox* chknone = nullptr;
};

// The output-folder edit and the favourites list.
struct SettingsControls {
    QWidget* form = nullptr;  // owns the dialogs
    QLineEdit* JvDirectoryEdit1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
};

// The work list and the first status pane the added files are named in.
struct WorkListControls {
    QWidget* form = nullptr;  // owns the loading windows
    QTreeWidget* RzListView1 = nullptr;
    QLabel* RzStatusPane1 = nullptr;
};

}  // namespace app
