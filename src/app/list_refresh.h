#pragma once
// Rows arriving in a burst (a folder search, a drop): while a batch is open, the work list and
// the status texts are repainted at most once per screen frame, and brought up to date when the
// last batch closes. Outside a batch every change is shown at once.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QTreeWidget;

namespace app {

class ListRefresh : public QObject {
public:
    // `list` is the work list (RzListView1), `pane1` the first status pane; both outlive this.
    ListRefresh(QTreeWidget* list, QLabel* pane1);

    // Keeps a batch open for as long as it lives; batches nest.
    class Batch {
    public:
        explicit Batch(ListRefresh& refresh) : refresh_(refresh) { ++refresh_.depth_; }
        ~Batch() {
            if (--refresh_.depth_ == 0) refresh_.refresh(true);
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        ListRefresh& refresh_;
    };

    // The first pane's text, shown at once; a text still waiting for its frame is dropped.
    void showPane1(const QString& text);
    // The first pane's text and the file name for the splash label, shown by the next frame.
    void setPane1(const QString& text);
    void setSplashName(const QString& name);
    // The label the splash names go to (the newest splash window's); null for none.
    void setSplashLabel(QLabel* label) { splashLabel_ = label; }
    // Shows what is waiting: at once outside a batch, else when a frame has passed.
    void update() { refresh(depth_ == 0); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh(bool force);

    QTreeWidget* list_;
    QLabel* pane1_;
    QPointer<QLabel> splashLabel_;
    int depth_ = 0;
    QElapsedTimer lastRefresh_;
    QString pendingPane1_;
    bool pane1Dirty_ = false;
    QString pendingSplashName_;
    bool splashDirty_ = false;
};

}  // namespace app
