#include "media/pipeline/start_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace soru {

namespace {
const bool kTracing = std::getenv("SORU_TRACE_START") != nullptr;
} // namespace

bool startTracing() { return kTracing; }

void startMark(const char* what) {
    if (!kTracing)
        return;
    // steady_clock is CLOCK_MONOTONIC on Linux, as Python's perf_counter.
    const double ms = std::chrono::duration<double, std::milli>(
                          std::chrono::steady_clock::now().time_since_epoch()).count();
    std::fprintf(stderr, "soru-start %.3f %s\n", ms, what);
}

} // namespace soru
