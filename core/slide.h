#pragma once
// Panel slides: the left edges a panel passes through, and the millisecond
// tick arithmetic of the wait between steps.
#include <QtGlobal>

#include <vector>

namespace soru {

// Every left edge set while sliding from `from` to `target` in steps of
// `step` (signed): the first is `from` itself, the last step is shortened so
// the panel stops exactly at the target.
std::vector<int> slidePositions(int from, int target, int step);

// Whether at least `ms` milliseconds lie between two readings of a 32-bit
// millisecond counter; the counter's wrap-around does no harm.
inline bool ticksElapsed(quint32 start, quint32 now, quint32 ms) { return quint32(now - start) >= ms; }

// A monotonic millisecond counter, cut to 32 bits.
quint32 tickCount();

} // namespace soru
