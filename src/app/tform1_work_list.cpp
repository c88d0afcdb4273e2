// The main window's work list: rows added one by one, the folder search, the command-line and
// hand-over paths, drops from the file manager and the list's tooltips.
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QScopeGuard>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>

#include "app/guarded.h"
#include "app/list_refresh.h"
#include "app/row_tooltip.h"
#include "app/tform1.h"
#include "app/tsplash.h"
#include "core/path_text_qt.h"
#include "organise/collection.h"
#include "organise/extension.h"
#include "platform/file_manager.h"
#include "platform/files.h"
#include "platform/path_text.h"

namespace app {
namespace {

// Thrown from inside the folder search once the window is closing, to leave the walk at once;
// caught where the search was started.
struct SearchAbandoned {};

}  // namespace

void TForm1::ShowInExplorer(const QString& path) {
    platform::showInFileManager(core::toPlatformPath(path));
}

void TForm1::AddFileToList(const QString& path) {
    if (!organise::hasEpubExtension(path)) return;
    RzListView1_->addTopLevelItem(new QTreeWidgetItem(QStringList{path, QString(), QString()}));
    const QString name = core::lastComponent(path);
    if (splash_) refresh_->setSplashName(name);
    refresh_->setPane1(name);
    refresh_->update();
    // Pending messages are handled after every row, also while rows arrive in a burst: that
    // keeps the window answering (stop, clear, another drop) during a long search.
    if (splash_) processPendingMessages();
}

void TForm1::JvSearchFiles1FindFile(const QString& path) {
    AddFileToList(path);
    refresh_->setPane1(organise::countText(RzListView1_->topLevelItemCount(), state_.englishUi));
    refresh_->update();
}

bool TForm1::searching() const {
    return search_->running();
}

void TForm1::SearchFolder(const QString& folder) {
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

void TForm1::actOnPath(const QString& path) {
    if (path.isEmpty()) return;
    const std::string native = core::toPlatformPath(path);
    if (platform::folderExists(native))
        SearchFolder(path);
    else if (platform::fileExists(native))
        AddFileToList(path);
}

void TForm1::JvDragDrop1Drop(const QStringList& paths) {
    Listatrlse1Click();
    ListRefresh::Batch batch(*refresh_);
    for (const QString& path : paths) {
        if (closing_) break;
        if (platform::folderExists(core::toPlatformPath(path))) {
            // Loading windows of earlier drops are hidden for good; only the newest is kept.
            for (TSplash* old : findChildren<TSplash*>(QString(), Qt::FindDirectChildrenOnly))
                if (!old->isVisible() && old != splash_) old->deleteLater();
            QPointer<TSplash> loading = new TSplash(this);
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

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RzListView1_->viewport()) {
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
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::listToolTip(QEvent* event) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = RzListView1_->indexAt(help->pos());
    const QString tip =
        rowToolTip(RzListView1_, RzListView1_->itemFromIndex(index), index.column());
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, RzListView1_->viewport(),
                           RzListView1_->visualRect(index));
    return true;
}

bool TForm1::listDrop(QEvent* event) {
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
