#include "ui/widgets/instant_progress_bar.h"

namespace soru {

InstantProgressBar::InstantProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
}

void InstantProgressBar::setMax(int max) {
    setMaximum(max);
    if (isVisible()) {
        repaint();
        ++repaints_;
    }
}

void InstantProgressBar::setPosition(int position) {
    setValue(position);
    if (isVisible()) {
        repaint();
        ++repaints_;
    }
}

} // namespace soru
