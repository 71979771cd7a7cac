#pragma once
// Moves a panel's left edge step by step to a target, waiting between steps
// while the program keeps handling its events.
#include <QWidget>

#include <functional>

namespace soru {

// Busy wait of ms milliseconds that keeps processing pending events.
void stepWait(int ms);

// Slides the panel's left edge to target in steps of `step` pixels, calling
// wait between positions (stepWait(10) in the program).
void slidePanel(QWidget* panel, int target, int step, const std::function<void()>& wait);

} // namespace soru
