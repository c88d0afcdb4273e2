#pragma once
// The loading window: shown while the main window is built and while a dropped folder is
// searched. Its Label3 names the file last added to the work list.
#include <QWidget>

class QGroupBox;
class QLabel;

namespace app {

class FindFolderAnimation;

class TSplash : public QWidget {
    Q_OBJECT

public:
    // A top-level window even when given a parent (the parent only keeps it alive).
    explicit TSplash(QWidget* parent = nullptr);

    QGroupBox* GroupBox1() const { return GroupBox1_; }
    QLabel* Label1() const { return Label1_; }
    QLabel* Label2() const { return Label2_; }
    QLabel* Label3() const { return Label3_; }
    FindFolderAnimation* Animate1() const { return Animate1_; }

    // Centres the window on the primary screen.
    void centreOnDesktop();

private:
    QGroupBox* GroupBox1_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLabel* Label2_ = nullptr;
    QLabel* Label3_ = nullptr;
    FindFolderAnimation* Animate1_ = nullptr;
};

}  // namespace app
