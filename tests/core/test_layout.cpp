#include "core/layout.h"
#include "core/rounding.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

struct LayoutCase {
    int cw, ch;
    QRect pnlMain, pbInfo, pnlMemo, imgWall, imgView;
};

class MainLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(MainLayoutTest, PlacesEveryComponentForTheScreen) {
    const LayoutCase& c = GetParam();
    const MainLayout l = computeMainLayout(QSize(c.cw, c.ch));
    EXPECT_EQ(l.window, QRect(0, 0, c.cw, c.ch));
    EXPECT_EQ(l.pnlMain, c.pnlMain);
    EXPECT_EQ(l.pbInfo, c.pbInfo);
    EXPECT_EQ(l.pnlMemo, c.pnlMemo);
    EXPECT_EQ(l.imgWall, c.imgWall);
    EXPECT_EQ(l.imgView, c.imgView);
    EXPECT_EQ(l.imgSum, c.imgView);
    EXPECT_EQ(l.pnlBook, QPoint(0, 26));
    EXPECT_EQ(l.sbInfo, QRect(0, c.ch - 21, c.cw, 21));
    // The memo panel's lower edge meets the status bar.
    EXPECT_EQ(l.pnlMemo.bottom() + 1, l.sbInfo.top());
    // The progress bar lies exactly over the status bar.
    EXPECT_EQ(l.pbInfo, l.sbInfo);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, MainLayoutTest,
    ::testing::Values(
        // Round(1442 / 3) = Round(480.67) = 481.
        LayoutCase{1024, 768, {0, 26, 1024, 721}, {0, 747, 1024, 21}, {1020, 266, 587, 481},
                   {0, 0, 1024, 721}, {0, 0, 1024, 768}},
        // Round(1106 / 3) = Round(368.67) = 369, not truncated to 368.
        LayoutCase{800, 600, {0, 26, 800, 553}, {0, 579, 800, 21}, {796, 210, 587, 369},
                   {0, 0, 800, 553}, {0, 0, 800, 600}}));

TEST(ToolbarGeometry, ButtonsAndSeparatorsFollowEachOtherWithoutGaps) {
    const auto g = toolbarGeometry();
    int x = 0;
    for (int i = 0; i < kToolItemCount; ++i) {
        EXPECT_EQ(g[i].left, x) << "item " << i;
        x += g[i].width;
    }
    EXPECT_EQ(toolItemGeometry(ToolItem::Exit).width, 75);
    EXPECT_EQ(toolItemGeometry(ToolItem::Sepa1).width, 8);
    EXPECT_EQ(toolItemGeometry(ToolItem::Back).left, 83);
    EXPECT_EQ(toolItemGeometry(ToolItem::Auto).width, 75 + kDropDownArrowWidth);
    EXPECT_EQ(toolItemGeometry(ToolItem::Next).left, 83 + 75 + 75 + kDropDownArrowWidth);
    EXPECT_EQ(toolItemGeometry(ToolItem::Min).width, 75);
}

// A caption wider than the classic button (a translation) widens its button
// and moves the rest; a narrower need, or one given for a separator, does not.
TEST(ToolbarGeometry, AButtonGrowsToItsCaptionAndTheRestMoveAlong) {
    std::array<int, kToolItemCount> needed{};
    needed[size_t(ToolItem::Sum)] = 90;
    needed[size_t(ToolItem::Wall)] = 40;
    needed[size_t(ToolItem::Sepa3)] = 50;
    const auto classic = toolbarGeometry();
    const auto g = toolbarGeometry(needed);
    EXPECT_EQ(g[size_t(ToolItem::Sum)].width, 90);
    EXPECT_EQ(g[size_t(ToolItem::Wall)].width, classic[size_t(ToolItem::Wall)].width);
    EXPECT_EQ(g[size_t(ToolItem::Sepa3)].width, 8);
    EXPECT_EQ(g[size_t(ToolItem::Next)].left, classic[size_t(ToolItem::Next)].left);
    EXPECT_EQ(g[size_t(ToolItem::Min)].left, classic[size_t(ToolItem::Min)].left + 15);
}

TEST(MainLayout, PictureListPanelHangsOnePixelRightOfTheNextButton) {
    const MainLayout l = computeMainLayout(QSize(1024, 768), 250);
    EXPECT_EQ(l.pnlFile, QPoint(251, 26));
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    const struct {
        double in;
        int out;
    } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {7.5, 8}, {22.5, 22}, {480.67, 481},
                 {368.67, 369}, {4.49, 4}, {4.51, 5}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}};
    for (const auto& c : cases)
        EXPECT_EQ(roundHalfEven(c.in), c.out) << c.in;
    EXPECT_EQ(truncToInt(-2.7), -2);
    EXPECT_EQ(truncToInt(2.7), 2);
}

} // namespace
} // namespace soru
