#include "app/list_refresh.h"

#include <QEvent>
#include <QLabel>
#include <QTreeWidget>

namespace app {
namespace {

// A screen frame: the list and the status texts are not repainted more often than this.
constexpr qint64 kFrameMs = 16;

}  // namespace

ListRefresh::ListRefresh(QTreeWidget* list, QLabel* pane1)
    : QObject(list), list_(list), pane1_(pane1) {
    list_->installEventFilter(this);
}

void ListRefresh::showPane1(const QString& text) {
    pendingPane1_ = text;
    pane1Dirty_ = false;
    pane1_->setText(text);
}

void ListRefresh::setPane1(const QString& text) {
    pendingPane1_ = text;
    pane1Dirty_ = true;
}

void ListRefresh::setSplashName(const QString& name) {
    pendingSplashName_ = name;
    splashDirty_ = true;
}

void ListRefresh::refresh(bool force) {
    if (!force && depth_ > 0 && lastRefresh_.isValid() && lastRefresh_.elapsed() < kFrameMs) {
        // Between frames the list neither paints nor lays itself out again (see eventFilter);
        // a list of many thousand rows would otherwise be laid out once per added row.
        if (list_->updatesEnabled()) list_->setUpdatesEnabled(false);
        return;
    }
    if (!list_->updatesEnabled()) list_->setUpdatesEnabled(true);
    if (splashDirty_ && splashLabel_) splashLabel_->setText(pendingSplashName_);
    splashDirty_ = false;
    if (pane1Dirty_) pane1_->setText(pendingPane1_);
    pane1Dirty_ = false;
    lastRefresh_.restart();
}

bool ListRefresh::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::Timer && depth_ > 0 &&
        !list_->updatesEnabled()) {
        // The view's delayed re-layout waits for the next frame. Should no row arrive for a
        // frame (a modal box opened by a nested command), the list wakes up by itself.
        if (lastRefresh_.elapsed() < kFrameMs) return true;
        list_->setUpdatesEnabled(true);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace app
