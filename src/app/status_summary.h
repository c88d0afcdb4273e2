#pragma once
// The status bar's summary: the counts per outcome at the end of a run, a preview or an undo, in
// the status bar's free space to the right of RzStatusPane2, so that they show without
// hovering. Empty (and taking no room) while nothing has ended since the list last changed.
//
// While it shows, RzStatusPane2 (which then holds only the end-of-run text) gives it its room
// beyond its least width; a line still too long for the window is cut with an ellipsis and shown
// whole in its tooltip.
#include <QLabel>

namespace app {

class StatusSummary : public QLabel {
    Q_OBJECT

public:
    // `pane2` is RzStatusPane2, whose room the summary borrows while it shows.
    StatusSummary(QLabel* pane2, QWidget* parent);

    void showSummary(const QString& text);
    void clearSummary();

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* pane2_;
    int pane2Widest_;
};

}  // namespace app
