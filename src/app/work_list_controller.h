#pragma once
// The window side of the work list: rows added one by one, the folder search, the command-line
// and hand-over paths, drops from the file manager, the list's tooltips and the splash window
// that names each added file. It works on the list and the first status pane (WorkListControls)
// and reads the interface language from FormState, so the window only forwards its handlers.
//
// The window owns one WorkListController and forwards:
//   AddFileToList, SearchFolder, JvSearchFiles1FindFile, JvDragDrop1Drop, actOnPath,
//   setStatusPane1, splash/setSplash  -> the members of the same meaning below
//   closeEvent                          -> windowClosing()
// Drops and tooltips arrive through the list viewport's events, which the controller watches.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/form_controls.h"

class QEvent;

namespace organise {
class FolderSearch;
}

namespace app {

class ListRefresh;
class TSplash;
struct FormState;

class WorkListController : public QObject {
public:
    // `controls` are the main window's; `state` is its FormState. Both outlive the controller.
    WorkListController(const WorkListControls& controls, const FormState& state);
    ~WorkListController() override;
    WorkListController(const WorkListController&) = delete;
    WorkListController& operator=(const WorkListController&) = delete;

    // The splash window created last (the start-up one, then one per dropped folder); may be null
    // only before start-up gave the window one.
    TSplash* splash() const { return splash_; }
    void setSplash(TSplash* splash);

    // Appends a row when the path has the extension ".epub" (any case), then names the file in
    // the splash window and the first status pane and lets pending messages be handled.
    void AddFileToList(const QString& path);
    // A file the folder search found: added, and the row count shown in the first pane.
    void JvSearchFiles1FindFile(const QString& path);
    // Searches a folder and its subfolders for "*.epub"; every file found goes to
    // JvSearchFiles1FindFile. A call made while a search runs, or once the window is closing,
    // does nothing.
    void SearchFolder(const QString& folder);
    // True while a folder search is running.
    bool searching() const;
    // A path named by the command line or handed over by another program: a folder is searched
    // (appending), a file added, anything else ignored.
    void actOnPath(const QString& path);
    // Files and folders dropped onto the list: the list is cleared, each folder searched behind
    // its own loading window, each EPUB file added.
    void JvDragDrop1Drop(const QStringList& paths);

    // The first pane's text, shown at once (see ListRefresh::showPane1).
    void setStatusPane1(const QString& text);

    // The window was closed: a search under way leaves its walk, and nothing new is added.
    void windowClosing() { closing_ = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool listDrop(QEvent* event);
    bool listToolTip(QEvent* event);

    WorkListControls controls_;
    const FormState& state_;
    QPointer<TSplash> splash_;
    // Loading windows of earlier drops, hidden for good and released with the next drop.
    QList<QPointer<TSplash>> oldLoadingWindows_;
    bool closing_ = false;
    std::unique_ptr<organise::FolderSearch> search_;
    ListRefresh* refresh_ = nullptr;  // the list's burst repainting; a child of the list
};

}  // namespace app
