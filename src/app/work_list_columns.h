#pragma once
// The widths of the work list's three columns. "Másolandó file" and "Hiba" keep the widths the
// user wants (500 and 360 to begin with, or wherever the user dragged their borders) while the
// list is wide enough; on a narrower list they give up width, in proportion, so that "Kimenet"
// (the target path, the one column a user looks for after a run) keeps at least 100 pixels.
// "Kimenet" takes whatever width is left.
#include <QObject>

class QTreeWidget;

namespace app {

class WorkListColumns : public QObject {
    Q_OBJECT

public:
    static constexpr int kSourceWidth = 500;
    static constexpr int kOutcomeWidth = 360;
    static constexpr int kTargetMinimum = 100;

    // Sets the initial widths and follows the list's viewport from then on. A child of `list`.
    explicit WorkListColumns(QTreeWidget* list);

    // Lays the columns out for the viewport's present width.
    void fit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void userResized(int column, int newWidth);

    QTreeWidget* list_;
    int wanted_[2] = {kSourceWidth, kOutcomeWidth};
    bool fitting_ = false;
};

}  // namespace app
