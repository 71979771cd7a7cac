#include "core/slide.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

TEST(Slide, PositionsWithTheShortenedLastStep) {
    const struct {
        int from, target, step;
        std::vector<int> positions;
    } cases[] = {
        // A 250-pixel album panel sliding in and out.
        {0, -246, -32, {0, -32, -64, -96, -128, -160, -192, -224, -246}},
        {-246, 0, 32, {-246, -214, -182, -150, -118, -86, -54, -22, 0}},
        // The 587-pixel memo panel on a 1024-pixel screen.
        {1020, 437, -64, {1020, 956, 892, 828, 764, 700, 636, 572, 508, 444, 437}},
        {437, 1020, 64, {437, 501, 565, 629, 693, 757, 821, 885, 949, 1013, 1020}},
        // Already there, and overshooting starts.
        {0, 0, 32, {0}},
        {10, 0, 32, {0}},
        {-10, 0, -32, {0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(slidePositions(c.from, c.target, c.step), c.positions) << c.from << "->" << c.target;
}

TEST(Slide, TickDifferenceSurvivesWrapAround) {
    EXPECT_FALSE(ticksElapsed(100, 109, 10));
    EXPECT_TRUE(ticksElapsed(100, 110, 10));
    EXPECT_FALSE(ticksElapsed(0xFFFFFFFAu, 3u, 10)); // 9 ms across the wrap
    EXPECT_TRUE(ticksElapsed(0xFFFFFFFAu, 4u, 10));
}

} // namespace
} // namespace soru
