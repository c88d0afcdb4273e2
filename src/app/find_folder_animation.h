#pragma once
// A small "searching a folder" animation: a magnifying glass sweeps over an open folder. It is
// drawn in code, plays its frames once and stays on its last frame.
#include <QBasicTimer>
#include <QWidget>

namespace app {

class FindFolderAnimation : public QWidget {
    Q_OBJECT

public:
    static constexpr int kStopFrame = 27;

    explicit FindFolderAnimation(QWidget* parent = nullptr);

    // Plays from frame 0 to kStopFrame once, then stops there.
    void play();
    int frame() const { return frame_; }
    bool playing() const { return timer_.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QBasicTimer timer_;
    int frame_ = 0;
};

}  // namespace app
