#pragma once
// A progress bar that redraws itself at once on every change, so it moves on
// the screen while the program is busy and no events are processed.
#include <QProgressBar>

namespace soru {

class InstantProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit InstantProgressBar(QWidget* parent = nullptr);

    void setMax(int max);
    void setPosition(int position);
    int max() const { return maximum(); }
    int position() const { return value(); }

    // How many times the bar has been redrawn at once; lets tests see that
    // every change reached the screen.
    int immediateRepaints() const { return repaints_; }

private:
    int repaints_ = 0;
};

} // namespace soru
