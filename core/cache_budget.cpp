#include "core/cache_budget.h"

#include <algorithm>

namespace soru {

qint64 decodeCacheBytes(QSize deviceScreen, qint64 physicalBytes) {
    constexpr qint64 kFloor = 64LL << 20;
    const qint64 screen = qint64(std::max(deviceScreen.width(), 0)) * std::max(deviceScreen.height(), 0) * 4;
    const qint64 wanted = std::max(8 * screen, kFloor);
    if (physicalBytes <= 0)
        return wanted;
    return std::min(wanted, std::max(physicalBytes / 8, 4 * screen));
}

} // namespace soru
