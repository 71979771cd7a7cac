#include "ui/widgets/panel_slide.h"

#include "core/slide.h"

#include <QCoreApplication>

namespace soru {

void stepWait(int ms) {
    const quint32 t0 = tickCount();
    while (!ticksElapsed(t0, tickCount(), quint32(ms)))
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void slidePanel(QWidget* panel, int target, int step, const std::function<void()>& wait) {
    const std::vector<int> positions = slidePositions(panel->x(), target, step);
    for (size_t i = 0; i < positions.size(); ++i) {
        if (i > 0)
            wait();
        panel->move(positions[i], panel->y());
    }
}

} // namespace soru
