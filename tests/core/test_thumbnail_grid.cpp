#include "core/thumbnail_grid.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

TEST(ThumbnailGrid, GeometryForTheTwoScreens) {
    const ThumbGrid big = thumbnailGrid(1024, 721, 16);
    EXPECT_EQ(big.thumbWidth, 157);
    EXPECT_EQ(big.thumbHeight, 157);
    EXPECT_EQ(big.cols, 6);
    EXPECT_EQ(big.rows, 4);
    const ThumbGrid small = thumbnailGrid(800, 553, 16);
    EXPECT_EQ(small.thumbWidth, 120);
    EXPECT_EQ(small.cols, 6);
    EXPECT_EQ(small.rows, 4);
}

TEST(ThumbnailGrid, LastPage) {
    const ThumbGrid g = thumbnailGrid(1024, 721, 16);
    const struct {
        int n, last;
    } cases[] = {{1, 0}, {24, 0}, {25, 1}, {30, 1}, {48, 1}, {49, 2}};
    for (const auto& c : cases)
        EXPECT_EQ(lastPageIndex(g, c.n), c.last) << c.n;
    ThumbGrid g53;
    g53.thumbWidth = g53.thumbHeight = 100;
    g53.cols = 5;
    g53.rows = 3;
    EXPECT_EQ(lastPageIndex(g53, 16), 1);
    EXPECT_EQ(lastPageIndex(g53, 15), 0);
}

TEST(ThumbnailGrid, ThumbnailRectangles) {
    const ThumbGrid g = thumbnailGrid(1024, 721, 16);
    const struct {
        int col, row, w, h;
        QRect rect;
    } cases[] = {
        // Not enlarged; offsets Round(28.5) = 28 and Round(53.5) = 54.
        {0, 0, 100, 50, {14 + 28, 24 + 54, 100, 50}},
        // Landscape: height Round(117.75) = 118, Round(19.5) = 20 below the top.
        {0, 0, 1600, 1200, {14, 24 + 20, 157, 118}},
        // Portrait: width 118, Round(19.5) = 20 to the right.
        {1, 1, 1200, 1600, {14 + 165 + 20, 24 + 165, 118, 157}},
        {5, 3, 157, 157, {14 + 5 * 165, 24 + 3 * 165, 157, 157}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thumbnailRect(g, c.col, c.row, c.w, c.h), c.rect) << c.w << "x" << c.h;
}

TEST(ThumbnailGrid, ClicksPickTheNearestCell) {
    const ThumbGrid g = thumbnailGrid(1024, 721, 16);
    const struct {
        int x, y, page, count, index;
    } cases[] = {
        {0, 0, 0, 100, 0},           // margins belong to the first cell
        {14 + 160, 30, 0, 100, 0},   // the gap after a cell belongs to it
        {14 + 165, 30, 0, 100, 1},
        {1010, 30, 0, 100, 5},       // right of the grid: last column
        {20, 720, 0, 100, 18},       // below the grid: last row
        {20, 30, 1, 100, 24},        // second page
        {1010, 720, 1, 30, 29},      // beyond the last picture: the last one
    };
    for (const auto& c : cases)
        EXPECT_EQ(pickedIndex(g, c.x, c.y, c.page, c.count), c.index) << c.x << "," << c.y;
}

} // namespace
} // namespace soru
