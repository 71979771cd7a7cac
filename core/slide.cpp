#include "core/slide.h"

#include <chrono>

namespace soru {

std::vector<int> slidePositions(int from, int target, int step) {
    std::vector<int> out;
    int x = from;
    for (;;) {
        if ((step < 0 && x < target) || (step > 0 && x > target) || step == 0)
            x = target;
        out.push_back(x);
        if (x == target)
            return out;
        x += step;
    }
}

quint32 tickCount() {
    using namespace std::chrono;
    return quint32(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace soru
