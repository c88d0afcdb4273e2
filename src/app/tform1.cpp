#include "app/tform1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>
#include <exception>

#include "app/app_icon.h"
#include "app/apply_language.h"
#include "app/blank_caption.h"
#include "app/dialogs.h"
#include "app/elevated_launch.h"
#include "app/empty_folders_command.h"
#include "app/handover.h"
#include "app/qt_translation.h"
#include "app/run_controller.h"
#include "app/settings_controller.h"
#include "app/status_summary.h"
#include "app/tool_tips.h"
#include "app/tsplash.h"
#include "app/undo_command.h"
#include "app/window_font.h"
#include "app/window_placement.h"
#include "app/work_list_controller.h"
#include "app/work_list_view.h"
#include "core/path_text_qt.h"
#include "organise/collection.h"
#include "platform/file_manager.h"
#include "platform/files.h"
#include "platform/path_text.h"

// The window's pictures live in a static library, whose resources are not registered by
// themselves; Q_INIT_RESOURCE must be called outside any namespace.
static void registerIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace app {

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    registerIcons();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Epub polcaro"));
    // The application icon, the same picture the launcher shows.
    setWindowIcon(appIcon("epub-polcaro"));
    setFont(windowFont());
    setContextMenuPolicy(Qt::NoContextMenu);

    buildLayout();
    settings_ = std::make_unique<SettingsController>(settingsControls(), state_);
    run_ = std::make_unique<RunController>(runControls(), state_);
    workList_ = std::make_unique<WorkListController>(workListControls(), state_);
    applyToolTips(*this);
    keepCaptionBlank(this);
    resize(kOpeningWidth, kOpeningHeight);
    handOver_ = std::make_unique<HandOverServer>(*this);
}

TForm1::~TForm1() {
    // The edit loses its focus while the window is torn down, after the controllers are gone.
    disconnect(JvDirectoryEdit1_, nullptr, this, nullptr);
}

// ---------------------------------------------------------------------------------------------
// State and helpers

QString TForm1::text(core::MessageId id) const {
    return core::message(id, state_.englishUi);
}

int TForm1::transferMode() const {
    return std::max(0, RzRadioGroup3Items_->checkedId());
}

TSplash* TForm1::splash() const {
    return workList_->splash();
}

void TForm1::setSplash(TSplash* splash) {
    workList_->setSplash(splash);
}

RunControls TForm1::runControls() {
    return {.form = this,
            .RzListView1 = RzListView1_,
            .RzProgressStatus1 = RzProgressStatus1_,
            .RzStatusPane1 = RzStatusPane1_,
            .RzStatusPane2 = RzStatusPane2_,
            .summary = statusSummary_,
            .RzRadioGroup1Items = RzRadioGroup1Items_,
            .RzRadioGroup3Items = RzRadioGroup3Items_,
            .chknyelv = chknyelv_,
            .chkszerzo = chkszerzo_,
            .chkkonvcimmappa = chkkonvcimmappa_,
            .chksorozat = chksorozat_,
            .chknone = chknone_};
}

SettingsControls TForm1::settingsControls() {
    return {.form = this, .JvDirectoryEdit1 = JvDirectoryEdit1_, .ComboBox1 = ComboBox1_};
}

WorkListControls TForm1::workListControls() {
    return {.form = this, .RzListView1 = RzListView1_, .RzStatusPane1 = RzStatusPane1_};
}

void TForm1::processPendingMessages() {
    QCoreApplication::processEvents();
}

QString TForm1::handOverAddress() const {
    return handOver_ ? handOver_->address() : QString();
}

QColor TForm1::activeCaptionColour() {
    return QColor(Qt::red);
}

QColor TForm1::highlightCaptionColour() const {
    return QApplication::palette().color(QPalette::Highlight);
}

QColor TForm1::captionColour(QToolButton* button) const {
    return button->palette().color(QPalette::ButtonText);
}

// ---------------------------------------------------------------------------------------------
// Work list

void TForm1::setStatusPane1(const QString& text) {
    workList_->setStatusPane1(text);
}

void TForm1::AddFileToList(const QString& path) {
    workList_->AddFileToList(path);
}

void TForm1::SearchFolder(const QString& folder) {
    workList_->SearchFolder(folder);
}

bool TForm1::searching() const {
    return workList_->searching();
}

void TForm1::JvSearchFiles1FindFile(const QString& path) {
    workList_->JvSearchFiles1FindFile(path);
}

void TForm1::JvDragDrop1Drop(const QStringList& paths) {
    workList_->JvDragDrop1Drop(paths);
}

void TForm1::actOnPath(const QString& path) {
    workList_->actOnPath(path);
}

void TForm1::ShowInExplorer(const QString& path) {
    platform::showInFileManager(core::toPlatformPath(path));
}

QStringList TForm1::rowPaths() const {
    QStringList paths;
    for (const QTreeWidgetItem* row : WorkListView::addedOrder(RzListView1_)) paths << row->text(0);
    return paths;
}

QTreeWidgetItem* TForm1::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = RzListView1_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void TForm1::FormCreate(const QStringList& arguments) {
    try {
        state_.englishUi = false;
        settings_->fixSettingsFolder();
        useQtTranslation(false);
        {
            // Qt's own dialogs (the first-run folder picker among them) follow the interface:
            // Hungarian unless the language file turns it English, also when reading that file
            // fails (the flag is set before the file is read).
            const auto followLanguage = qScopeGuard([this] {
                useQtTranslation(state_.englishUi);
                applyToolTips(*this);
            });
            applyLanguageStep(this, splash(), state_, QCoreApplication::applicationDirPath(),
                              state_.settingsFolder);
        }
        settings_->loadOutputFolder();
        switch (settings_->firstRunPrompt()) {
            case SettingsController::FirstRun::Quit:
                requestQuit();
                return;
            case SettingsController::FirstRun::Dismissed:
                return;
            case SettingsController::FirstRun::NotNeeded:
            case SettingsController::FirstRun::Chosen:
                break;
        }
        if (state_.outputFolder.isEmpty()) return;
        settings_->prepareOutputFolder();
        RzToolButton7Click();
        placeAtLastScreenCorner();
        settings_->loadFavourites();
        if (!arguments.isEmpty()) actOnPath(arguments.first());
    } catch (const std::exception& error) {
        dialogs().error(this, QString::fromUtf8(error.what()));
    }
}

void TForm1::FormDestroy() {
    settings_->FormDestroy();
}

// Closing ends the program, also while a run, an undo or a folder search is under way. Those
// let events through from inside a handler, so the close arrives nested in them: they are
// told to stop (after the book at hand, as the stop button does; the search at once), and the
// event loop is told to end, which it does once they have unwound. Qt's own quit on the last
// window's close is not enough: it is a posted event that any event loop entered before it is
// handled (the wait for a long copy, a message box) discards, and the process went on without a
// window. main() then saves the settings and the favourites.
void TForm1::closeEvent(QCloseEvent* event) {
    closing_ = true;
    workList_->windowClosing();
    state_.stopRequested = true;
    QMainWindow::closeEvent(event);
    QCoreApplication::quit();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    fitToWidth();
}

// The width the window gains over its opening width goes to the output-folder edit. Only its
// largest width follows the window: a fixed width would raise the window's minimum size with
// every enlargement, and the window could never be made narrower again. (The work list's
// columns follow the list by themselves, see work_list_columns.h.)
void TForm1::fitToWidth() {
    const int gained = std::max(0, width() - kOpeningWidth);
    JvDirectoryEdit1_->setMaximumWidth(kEditOpeningWidth + gained);
}

bool TForm1::isTopmost() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void TForm1::setTopmost(bool on) {
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == on) return;
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    // setWindowFlags would hide and re-create the native window; changing the flag on the
    // existing one keeps the window where it is, at its size.
    overrideWindowFlags(flags);
    if (QWindow* window = windowHandle()) window->setFlags(flags);
}

void TForm1::paintTopmostCaptions(QToolButton* active) {
    for (QToolButton* button : {RzToolButton7(), RzToolButton8()}) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText,
                         button == active ? activeCaptionColour() : highlightCaptionColour());
        button->setPalette(palette);
    }
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TForm1::RzToolButton1Click() {
    startRun(false);
}

void TForm1::preview() {
    startRun(true);
}

void TForm1::startRun(bool preview) {
    // The toolbar takes no focus, so editing may not have ended yet: the run (and its preview)
    // goes where the edit says, or not at all. A press while a run or an undo goes is the run's
    // to ignore; the output folder does not change under it then.
    if (!run_->isRunning() && !state_.busy && !settings_->takeTypedOutputFolder()) {
        dialogs().message(this, noOutputFolderText(state_.englishUi));
        return;
    }
    if (preview)
        run_->preview();
    else
        run_->RzToolButton1Click();
}

void TForm1::failuresOnlyToggled(bool on) {
    WorkListView::of(RzListView1_)->setFailuresOnly(on);
}

void TForm1::RzToolButton2Click() {
    run_->RzToolButton2Click();
}

void TForm1::RzToolButton3Click() {
    Listatrlse1Click();
    if (const std::optional<QString> folder = dialogs().pickFolder(this, QString()))
        SearchFolder(core::pathFromOutside(*folder));
    setStatusPane1(organise::scanCompleteText(state_.englishUi));
}

void TForm1::RzToolButton4Click() {
    // The removal walks the folder the edit shows; the run will use the same one.
    settings_->takeTypedOutputFolder();
    runEmptyFoldersCommand(this, JvDirectoryEdit1_, state_.englishUi);
}

void TForm1::RzToolButton5Click() {
    runVerbRegistration(true, this, state_.englishUi, [this] { processPendingMessages(); });
}

void TForm1::RzToolButton6Click() {
    runVerbRegistration(false, this, state_.englishUi, [this] { processPendingMessages(); });
}

void TForm1::RzToolButton7Click() {
    setTopmost(true);
    RzToolButton7()->setChecked(true);
    paintTopmostCaptions(RzToolButton7());
}

void TForm1::RzToolButton8Click() {
    setTopmost(false);
    RzToolButton8()->setChecked(true);
    paintTopmostCaptions(RzToolButton8());
}

void TForm1::RzRadioGroup3Changing(int newIndex) {
    if (newIndex < 0 || newIndex > 1) return;
    RzRadioGroup3Items_->button(newIndex)->setChecked(true);
    (newIndex == 0 ? Msols2_ : thelyezs2_)->setChecked(true);
}

void TForm1::browseOutputFolder() {
    const std::optional<QString> folder = dialogs().pickFolder(this, JvDirectoryEdit1_->text());
    JvDirectoryEdit1AfterDialog(folder ? core::pathFromOutside(*folder) : QString(),
                                folder.has_value());
}

void TForm1::JvDirectoryEdit1AfterDialog(const QString& folder, bool accepted) {
    settings_->JvDirectoryEdit1AfterDialog(folder, accepted);
}

void TForm1::Button1Click() {
    settings_->Button1Click();
}

void TForm1::ComboBox1Change() {
    settings_->ComboBox1Change();
}

void TForm1::chknoneClick() {
    const bool folders = !chknone_->isChecked();
    for (QCheckBox* check : {chksorozat_, chknyelv_, chkkonvcimmappa_, chkszerzo_})
        check->setEnabled(folders);
}

void TForm1::Listatrlse1Click() {
    RzListView1_->clear();
}

void TForm1::Msols2Click() {
    RzRadioGroup3Changing(0);
}

void TForm1::thelyezs2Click() {
    RzRadioGroup3Changing(1);
}

void TForm1::Filemegnyits1Click() {
    if (QTreeWidgetItem* row = selectedRow()) ShowInExplorer(row->text(0));
}

void TForm1::undoLastRun() {
    runUndoCommand(runControls(), state_);
}

void TForm1::teszt1Click() {
    QTreeWidgetItem* row = selectedRow();
    if (!row) return;
    const QString output = row->text(2);
    if (!output.isEmpty() && platform::fileExists(core::toPlatformPath(output)))
        ShowInExplorer(output);
    else
        dialogs().message(this, text(core::MessageId::FileNotCopiedYet));
}

}  // namespace app
