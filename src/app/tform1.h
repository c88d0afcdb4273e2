#pragma once
// The main window: every control of the window layout as a real widget whose objectName is its
// component name, the shared state, and the event handlers bound to the controls by name.
// Other modules reach the controls through the typed accessors below (the controllers through
// RunControls, SettingsControls and WorkListControls; only the language file addresses them by
// name) and the handlers here call into them (settings, the organise run, the work list, the
// language file, empty folders). The layout is built in tform1_layout.cpp, the start-up
// placement is made in tform1_placement.cpp.
#include "app/form_controls.h"
#include "app/form_state.h"
#include "app/tsplash.h"
#include "core/message_catalogue.h"

#include <QMainWindow>
#include <QMargins>
#include <QStringList>
#include <memory>

class QActionGroup;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace app {

class HandOverServer;
class SettingsController;
class RunController;
class StatusSummary;
class WorkListController;

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // The window's client size when it opens.
    static constexpr int kOpeningWidth = 881;
    static constexpr int kOpeningHeight = 452;
    // The output-folder edit at the opening width (729 with its browse button), and the least
    // it is squeezed to on a narrower window.
    static constexpr int kEditOpeningWidth = 729 - 24;
    static constexpr int kEditMinimumWidth = 200;

    // Builds the window with every control in its initial state. FormCreate is a separate step
    // so that tests can drive a window that never touched settings or the command line.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // --- Shared state -------------------------------------------------------------------------
    FormState& state() { return state_; }
    const FormState& state() const { return state_; }
    // The catalogue's Hungarian or, when state().englishUi is set, English text of a message.
    QString text(core::MessageId id) const;
    // TransferMode: the item index of RzRadioGroup3 (0 copy, 1 move).
    int transferMode() const;

    // The splash window created last (the start-up one, then one per dropped folder); may be null
    // only before start-up gave the window one.
    TSplash* splash() const;
    void setSplash(TSplash* splash);

    // --- Start-up and shutdown ----------------------------------------------------------------
    // The creation handler: steps A to F. `arguments` are the command-line arguments after the
    // program name. An error raised by a step is shown in the standard error box and the
    // remaining steps are skipped.
    void FormCreate(const QStringList& arguments);
    // The destruction handler: the saving steps (favourites, then the output folder). main()
    // calls it once the event loop has ended; errors are shown in the standard error box.
    void FormDestroy();
    // Step E's "tell the application to end": the window is never shown and main() goes straight
    // to shutdown.
    void requestQuit() { quitRequested_ = true; }
    bool quitRequested() const { return quitRequested_; }
    // True once the window has been closed (the close button, Alt+F4, the session ending).
    bool closing() const { return closing_; }
    // Places the window with its outer right and bottom edges at the last screen's usable
    // edges, the way start-up does it (also bound to F5). The window manager's frame is known
    // only once it has framed the shown window, so the placement is made again then.
    void placeAtLastScreenCorner();
    // True while the always-on-top state is on (RzToolButton7 pressed and applied).
    bool isTopmost() const;

    // Lets pending window messages be handled (the "let pending work happen" of long loops).
    void processPendingMessages();

    // A path named by the command line or handed over by another program: a folder is searched
    // (appending), a file added, anything else ignored.
    void actOnPath(const QString& path);
    // The name other programs connect to (the local socket's full path on POSIX); empty when the
    // hand-over listener could not start.
    QString handOverAddress() const;

    // --- Controls (object names equal these names) --------------------------------------------
    QToolBar* RzToolbar1() const { return RzToolbar1_; }
    QToolButton* RzToolButton1() const { return toolButtons_[0]; }
    QToolButton* RzToolButton2() const { return toolButtons_[1]; }
    QToolButton* RzToolButton3() const { return toolButtons_[2]; }
    QToolButton* RzToolButton4() const { return toolButtons_[3]; }
    QToolButton* RzToolButton5() const { return toolButtons_[4]; }
    QToolButton* RzToolButton6() const { return toolButtons_[5]; }
    QToolButton* RzToolButton7() const { return toolButtons_[6]; }
    QToolButton* RzToolButton8() const { return toolButtons_[7]; }
    // "Előnézet", beside the start button: the run without writing anything (preview()).
    QToolButton* RzToolButton9() const { return previewButton_; }
    QGroupBox* RzRadioGroup3() const { return RzRadioGroup3_; }
    QButtonGroup* RzRadioGroup3Items() const { return RzRadioGroup3Items_; }
    QGroupBox* RzGroupBox1() const { return RzGroupBox1_; }
    QLineEdit* JvDirectoryEdit1() const { return JvDirectoryEdit1_; }
    QToolButton* JvDirectoryEdit1Button() const { return JvDirectoryEdit1Button_; }
    QPushButton* Button1() const { return Button1_; }
    QTreeWidget* RzListView1() const { return RzListView1_; }
    QGroupBox* RzRadioGroup2() const { return RzRadioGroup2_; }
    QGroupBox* RzRadioGroup1() const { return RzRadioGroup1_; }
    QButtonGroup* RzRadioGroup1Items() const { return RzRadioGroup1Items_; }
    QCheckBox* chknyelv() const { return chknyelv_; }
    QCheckBox* chkszerzo() const { return chkszerzo_; }
    QCheckBox* chkkonvcimmappa() const { return chkkonvcimmappa_; }
    QCheckBox* chksorozat() const { return chksorozat_; }
    QCheckBox* chknone() const { return chknone_; }
    QLabel* Label1() const { return Label1_; }
    QComboBox* ComboBox1() const { return ComboBox1_; }
    QMenu* PopupMenu2() const { return PopupMenu2_; }
    QAction* Listatrlse1() const { return Listatrlse1_; }
    QAction* Msols2() const { return Msols2_; }
    QAction* thelyezs2() const { return thelyezs2_; }
    QAction* Filemegnyits1() const { return Filemegnyits1_; }
    QAction* teszt1() const { return teszt1_; }
    // "Utolsó futás visszavonása", added to the menu later; its object name stays
    // "Utolsfutsvisszavonsa1", which the language file addresses.
    QAction* undoLastRunAction() const { return undoLastRunAction_; }
    // "Előnézet" (the toolbar's RzToolButton9 in the menu) and the checkable "Csak a hibás
    // sorok" (work_list_view.h).
    QAction* previewAction() const { return previewAction_; }
    QAction* failuresOnlyAction() const { return failuresOnlyAction_; }
    QStatusBar* RzStatusBar1() const { return RzStatusBar1_; }
    QLabel* RzStatusPane1() const { return RzStatusPane1_; }
    QProgressBar* RzProgressStatus1() const { return RzProgressStatus1_; }
    QLabel* RzStatusPane2() const { return RzStatusPane2_; }
    // The counts at the end of a run, a preview or an undo (status_summary.h).
    StatusSummary* statusSummary() const { return statusSummary_; }
    // The controls each controller works on.
    RunControls runControls();
    SettingsControls settingsControls();
    WorkListControls workListControls();

    // The two caption colours of the topmost buttons.
    static QColor activeCaptionColour();    // red: the button whose state is in force
    QColor highlightCaptionColour() const;  // the system highlight colour
    QColor captionColour(QToolButton* button) const;

    // --- Work list (work_list_controller.h) -----------------------------------------------------
    // Appends a row when the path has the extension ".epub" (any case), then names the file in
    // the splash window and the first status pane and lets pending messages be handled.
    void AddFileToList(const QString& path);
    // Searches a folder and its subfolders for "*.epub"; every file found goes to
    // JvSearchFiles1FindFile. A call made while a search runs does nothing.
    void SearchFolder(const QString& folder);
    // True while a folder search is running.
    bool searching() const;
    // Opens the file manager on the folder holding `path` with the item selected (virtual so
    // that tests can see the call without a file manager starting).
    virtual void ShowInExplorer(const QString& path);
    // The source path (column 0) of every row, in the order the rows were added (the order runs
    // take them in, whatever the header sorts the view by).
    QStringList rowPaths() const;

public slots:
    // --- Event handlers, bound to the controls by name ----------------------------------------
    void RzToolButton1Click();  // organise every row
    void RzToolButton2Click();  // stop the run
    void RzToolButton3Click();  // clear the list, pick a folder, search it
    void RzToolButton4Click();  // remove empty folders below the output-folder edit's folder
    void RzToolButton5Click();  // register the context-menu verbs (elevated)
    void RzToolButton6Click();  // remove the context-menu verbs (elevated)
    void RzToolButton7Click();  // always on top
    void RzToolButton8Click();  // normal stacking
    void RzRadioGroup3Changing(int newIndex);
    void JvDirectoryEdit1AfterDialog(const QString& folder, bool accepted);
    void Button1Click();
    void ComboBox1Change();
    void chknoneClick();
    void JvDragDrop1Drop(const QStringList& paths);
    void JvSearchFiles1FindFile(const QString& path);
    void Listatrlse1Click();
    void Msols2Click();
    void thelyezs2Click();
    void Filemegnyits1Click();
    void teszt1Click();
    void undoLastRun();  // undoLastRunAction chosen (undo_command.h)
    void preview();      // RzToolButton9 or previewAction (run_controller.h)
    void failuresOnlyToggled(bool on);

    // Status texts the first pane and the splash label show; while rows arrive quickly they
    // are written at most once per screen frame (see AddFileToList).
    void setStatusPane1(const QString& text);

    // The settings and organise-run sides of the window (null only in a moved-from state).
    SettingsController& settings() { return *settings_; }
    RunController& run() { return *run_; }
    WorkListController& workList() { return *workList_; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildToolbar();
    void buildOutputFolderGroup(QWidget* parent);
    void buildWorkList(QWidget* parent);
    void buildOptions(QWidget* parent);
    void buildStatusBar();
    void buildPopupMenu();
    void buildShortcuts();
    void startRun(bool preview);
    void setTopmost(bool on);
    void paintTopmostCaptions(QToolButton* active);
    void browseOutputFolder();
    QTreeWidgetItem* selectedRow() const;
    void fitToWidth();

    FormState state_;
    bool quitRequested_ = false;
    // The window was closed: a run, an undo or a search still unwinding stops, and nothing new
    // starts.
    bool closing_ = false;
    // The frame margins the last placement allowed for, and whether it still waits for the
    // window manager's real ones.
    QMargins placedFrame_;
    bool placementPending_ = false;
    std::unique_ptr<SettingsController> settings_;
    std::unique_ptr<RunController> run_;
    std::unique_ptr<WorkListController> workList_;
    std::unique_ptr<HandOverServer> handOver_;
    QTimer* blinkTimer_ = nullptr;
    bool blinkOn_ = true;

    QToolBar* RzToolbar1_ = nullptr;
    QToolButton* toolButtons_[8] = {};
    QToolButton* previewButton_ = nullptr;
    QGroupBox* RzRadioGroup3_ = nullptr;
    QButtonGroup* RzRadioGroup3Items_ = nullptr;
    QGroupBox* RzGroupBox1_ = nullptr;
    QLineEdit* JvDirectoryEdit1_ = nullptr;
    QToolButton* JvDirectoryEdit1Button_ = nullptr;
    QPushButton* Button1_ = nullptr;
    QTreeWidget* RzListView1_ = nullptr;
    QGroupBox* RzRadioGroup2_ = nullptr;
    QGroupBox* RzRadioGroup1_ = nullptr;
    QButtonGroup* RzRadioGroup1Items_ = nullptr;
    QCheckBox* chknyelv_ = nullptr;
    QCheckBox* chkszerzo_ = nullptr;
    QCheckBox* chkkonvcimmappa_ = nullptr;
    QCheckBox* chksorozat_ = nullptr;
    QCheckBox* chknone_ = nullptr;
    QLabel* Label1_ = nullptr;
    QComboBox* ComboBox1_ = nullptr;
    QMenu* PopupMenu2_ = nullptr;
    QAction* Listatrlse1_ = nullptr;
    QAction* Msols2_ = nullptr;
    QAction* thelyezs2_ = nullptr;
    QActionGroup* transferActions_ = nullptr;
    QAction* Filemegnyits1_ = nullptr;
    QAction* teszt1_ = nullptr;
    QAction* undoLastRunAction_ = nullptr;
    QAction* previewAction_ = nullptr;
    QAction* failuresOnlyAction_ = nullptr;
    QStatusBar* RzStatusBar1_ = nullptr;
    QLabel* RzStatusPane1_ = nullptr;
    QProgressBar* RzProgressStatus1_ = nullptr;
    QLabel* RzStatusPane2_ = nullptr;
    StatusSummary* statusSummary_ = nullptr;
};

}  // namespace app
