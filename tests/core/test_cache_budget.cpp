#include "core/cache_budget.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

constexpr qint64 MiB = 1 << 20;
constexpr qint64 GiB = 1LL << 30;

TEST(CacheBudget, EightScreensWithinAnEighthOfMemoryNeverBelowFour) {
    const struct {
        QSize screen;
        qint64 physical;
        qint64 expected;
    } cases[] = {
        {{1024, 768}, 24 * GiB, 64 * MiB},                    // the classic screen: the 64 MiB floor
        {{3840, 2160}, 24 * GiB, 8 * 3840 * 2160 * 4LL},      // 4K: eight screens, 253 MiB
        {{5120, 3200}, 24 * GiB, 500 * MiB},                  // 2560 x 1600 at ratio 2
        {{5120, 3200}, 2 * GiB, 256 * MiB},                   // capped at an eighth of memory
        {{5120, 3200}, 512 * MiB, 250 * MiB},                 // but never below four screens
        {{5120, 3200}, 0, 500 * MiB},                         // memory unknown: no ceiling
        {{0, 0}, 24 * GiB, 64 * MiB},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeCacheBytes(c.screen, c.physical), c.expected)
            << c.screen.width() << "x" << c.screen.height() << " " << c.physical;
}

} // namespace
} // namespace soru
