#include "core/fitting.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

struct FitCase {
    int w, h, viewW, viewH;
    Fit expected;
};

class FitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitTest, ShrinksOnlyAndCentres) {
    const FitCase& c = GetParam();
    const Fit f = fitPicture(c.w, c.h, c.viewW, c.viewH);
    EXPECT_EQ(f.width, c.expected.width);
    EXPECT_EQ(f.height, c.expected.height);
    EXPECT_EQ(f.left, c.expected.left);
    EXPECT_EQ(f.top, c.expected.top);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FitTest,
    ::testing::Values(
        // Too wide: width step alone. Round(682.67) = 683, top Round(19) = 19.
        FitCase{3000, 2000, 1024, 721, {1024, 683, 0, 19}},
        // Width step leaves it too tall: the height step decides. Round(961.33) = 961, left Round(31.5) = 32.
        FitCase{1600, 1200, 1024, 721, {961, 721, 32, 0}},
        // Smaller: never enlarged; top Round(120.5) = 120.
        FitCase{640, 480, 1024, 721, {640, 480, 192, 120}},
        // Exactly the view.
        FitCase{1024, 721, 1024, 721, {1024, 721, 0, 0}},
        // One pixel wider: scaled to the view's width. Round(720.3) = 720.
        FitCase{1025, 721, 1024, 721, {1024, 720, 0, 0}},
        // Only too tall.
        FitCase{500, 1442, 1024, 721, {250, 721, 387, 0}},
        // A thin picture rounds to height 0 and is drawn one pixel high.
        FitCase{4000, 1, 1000, 700, {1000, 1, 0, 350}},
        // Too thin to round to a pixel: still one pixel wide, centred.
        FitCase{5, 27397, 1024, 721, {1, 721, 512, 0}},
        FitCase{27397, 5, 1024, 721, {1024, 1, 0, 360}},
        // So tall that the width step's height leaves the range of int.
        FitCase{1, 2000000, 1100, 1000, {1, 1000, 550, 0}},
        FitCase{1, 2147483647, 100, 100, {1, 100, 50, 0}},
        // Free widths 1, 3, 5, 7 give margins 0, 2, 2, 4 (halves to even).
        FitCase{99, 10, 100, 10, {99, 10, 0, 0}},
        FitCase{97, 10, 100, 10, {97, 10, 2, 0}},
        FitCase{95, 10, 100, 10, {95, 10, 2, 0}},
        FitCase{93, 10, 100, 10, {93, 10, 4, 0}}));

} // namespace
} // namespace soru
