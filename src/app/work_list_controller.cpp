#include "app/work_list_controller.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QScopeGuard>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>

#include "app/form_state.h"
#include "app/guarded.h"
#include "app/list_refresh.h"
#include "app/row_tooltip.h"
#include "app/tsplash.h"
#include "core/path_text_qt.h"
#include "organise/collection.h"
#include "organise/extension.h"
#include "platform/files.h"
#include "platform/path_text.h"

namespace app {
namespace {

// Thrown from inside the folder search once the window is closing, to leave the walk at once;
// caught where the search was started.
struct SearchAbandoned {};

}  // namespace

WorkListController::WorkListController(const WorkListControls& controls, const FormState& state)
    : controls_(controls),
      state_(state),
      search_(std::make_unique<organise::FolderSearch>()),
      refresh_(new ListRefresh(controls.RzListView1, controls.RzStatusPane1)) {
    controls_.RzListView1->viewport()->installEventFilter(this);
}

WorkListController::~WorkListController() = default;

void WorkListController::setSplash(TSplash* splash) {
    splash_ = splash;
    refresh_->setSplashLabel(splash ? splash->Label3() : nullptr);
}

void WorkListController::setStatusPane1(const QString& text) {
    refresh_->showPane1(text);
}

void WorkListController::AddFileToList(const QString& path) {
    if (!organise::hasEpubExtension(path)) return;
    QTreeWidget* list = controls_.RzListView1;
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{path, QString(), QString()}));
    const QString name = core::lastComponent(path);
    if (splash_) refresh_->setSplashName(name);
    refresh_->setPane1(name);
    refresh_->update();
    // Pending messages are handled after every row, also while rows arrive in a burst: that
    // keeps the window answering (stop, clear, another drop) during a long search.
    if (splash_) QCoreApplication::processEvents();
}

void WorkListController::JvSearchFiles1FindFile(const QString& path) {
    AddFileToList(path);
    refresh_->setPane1(
        organise::countText(controls_.RzListView1->topLevelItemCount(), state_.englishUi));
    refresh_->update();
}

bool WorkListController::searching() const {
    return search_->running();
}

void WorkListController::SearchFolder(const QString& folder) {
    if (search_->running() || closing_) return;
    ListRefresh::Batch batch(*refresh_);
    try {
        search_->run(folder, [this](const QString& path) {
            // The window was closed while the search let events through: nobody will see
            // further rows, and the process ends once the search has unwound.
            if (closing_) throw SearchAbandoned{};
            JvSearchFiles1FindFile(path);
        });
    } catch (const SearchAbandoned&) {
    }
}

void WorkListController::actOnPath(const QString& path) {
    if (path.isEmpty()) return;
    const std::string native = core::toPlatformPath(path);
    if (platform::folderExists(native))
        SearchFolder(path);
    else if (platform::fileExists(native))
        AddFileToList(path);
}

void WorkListController::JvDragDrop1Drop(const QStringList& paths) {
    controls_.RzListView1->clear();
    ListRefresh::Batch batch(*refresh_);
    for (const QString& path : paths) {
        if (closing_) break;
        if (platform::folderExists(core::toPlatformPath(path))) {
            // Loading windows of earlier drops are hidden for good; only the newest is kept.
            oldLoadingWindows_.removeIf([this](const QPointer<TSplash>& old) {
                if (old && (old->isVisible() || old == splash_)) return false;
                if (old) old->deleteLater();
                return true;
            });
            QPointer<TSplash> loading = new TSplash(controls_.form);
            oldLoadingWindows_ << loading;
            setSplash(loading);
            loading->show();
            loading->repaint();
            // Hidden when the search ends, also when it ends with an error.
            const auto hide = qScopeGuard([loading] {
                if (loading) loading->hide();
            });
            SearchFolder(path);
        } else if (organise::hasEpubExtension(path)) {
            AddFileToList(path);
        }
    }
    setStatusPane1(organise::scanCompleteText(state_.englishUi));
}

bool WorkListController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == controls_.RzListView1->viewport()) {
        switch (event->type()) {
            case QEvent::ToolTip:
                return listToolTip(event);
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
                return listDrop(event);
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}

bool WorkListController::listToolTip(QEvent* event) {
    QTreeWidget* list = controls_.RzListView1;
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = list->indexAt(help->pos());
    const QString tip = rowToolTip(list, list->itemFromIndex(index), index.column());
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, list->viewport(), list->visualRect(index));
    return true;
}

bool WorkListController::listDrop(QEvent* event) {
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    QStringList paths;
    if (data && data->hasUrls()) {
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) paths << core::pathFromOutside(url.toLocalFile());
    }
    if (paths.isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() == QEvent::Drop) {
        // Acted on once the drag has ended, so the file manager is not kept waiting while a
        // large folder is searched.
        QMetaObject::invokeMethod(this, guarded([this, paths] { JvDragDrop1Drop(paths); }),
                                  Qt::QueuedConnection);
    }
    return true;
}

}  // namespace app
