#include "core/thumbnail_sheet_state.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

// The 1024 x 768 screen's grid: 157-pixel cells, 6 x 4 a page.
ThumbnailSheetState bigScreen() {
    ThumbnailSheetState s;
    s.setGrid(thumbnailGrid(1024, 721, 16));
    return s;
}

TEST(ThumbnailSheetState, PageRanges) {
    const ThumbnailSheetState s = bigScreen();
    ASSERT_EQ(s.grid().perPage(), 24);
    const struct {
        int page, count;
        std::optional<PageRange> range;
    } cases[] = {
        {0, 1, PageRange{0, 0}},
        {0, 24, PageRange{0, 23}},
        {0, 100, PageRange{0, 23}},
        {1, 25, PageRange{24, 24}},  // the last page holds one picture
        {1, 30, PageRange{24, 29}},  // a partial last page
        {2, 100, PageRange{48, 71}},
        {4, 100, PageRange{96, 99}},
        {1, 24, std::nullopt},       // beyond the last picture
        {0, 0, std::nullopt},        // an empty album has no page
    };
    for (const auto& c : cases)
        EXPECT_EQ(s.pageRange(c.page, c.count), c.range) << "page " << c.page << " of " << c.count;
}

TEST(ThumbnailSheetState, LastPageAndPaging) {
    ThumbnailSheetState odd;
    ThumbGrid g53;
    g53.thumbWidth = g53.thumbHeight = 100;
    g53.cols = 5;
    g53.rows = 3;
    odd.setGrid(g53);
    const struct {
        ThumbnailSheetState sheet;
        int count;
        int lastPage;
    } cases[] = {{bigScreen(), 1, 0}, {bigScreen(), 24, 0}, {bigScreen(), 25, 1}, {bigScreen(), 49, 2},
                 {odd, 15, 0},        {odd, 16, 1}};
    for (auto c : cases) {
        SCOPED_TRACE(c.count);
        c.sheet.suspendPaging();
        EXPECT_EQ(c.sheet.resetRange(c.count), c.lastPage);
        EXPECT_EQ(c.sheet.lastPage(), c.lastPage);
        EXPECT_EQ(c.sheet.severalPages(), c.lastPage > 0);
        // Paging stays off until the range step has shown the first picture.
        EXPECT_FALSE(c.sheet.pagingEnabled());
        c.sheet.resumePaging();
        EXPECT_EQ(c.sheet.pagingEnabled(), c.lastPage > 0);
    }
    // The last page of 16 pictures on 5 x 3 holds the 16th alone.
    EXPECT_EQ(odd.pageRange(1, 16), (PageRange{15, 15}));
}

TEST(ThumbnailSheetState, FramePlacementFollowsTheCurrentPicture) {
    const ThumbnailSheetState s = bigScreen();
    using A = FramePlacement::Action;
    const struct {
        int page, count, current;
        FramePlacement placement;
    } cases[] = {
        {0, 25, 0, {A::Show, {14, 24}}},
        {0, 25, 1, {A::Show, {14 + 165, 24}}},
        {0, 25, 7, {A::Show, {14 + 165, 24 + 165}}},   // second row, second column
        {0, 25, 23, {A::Show, {14 + 5 * 165, 24 + 3 * 165}}},
        {1, 25, 24, {A::Show, {14, 24}}},              // alone on the last page
        {0, 25, 24, {A::Hide, {}}},                    // on another page
        {1, 25, 3, {A::Hide, {}}},
        {2, 25, 3, {A::Keep, {}}},                     // no such page: nothing changes
        {0, 0, 0, {A::Keep, {}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(s.placeFrame(c.page, c.count, c.current), c.placement)
            << "page " << c.page << " of " << c.count << ", current " << c.current;
}

TEST(ThumbnailSheetState, ADrawnPageFramesTheCellOnePixelOutside) {
    const ThumbnailSheetState s = bigScreen();
    EXPECT_EQ(s.frameSize(), QSize(159, 159));
    EXPECT_EQ(s.frameOutside(), QPoint(-163, -163));
    const struct {
        int first, index;
        QPoint cell, frame;
    } cases[] = {{0, 0, {0, 0}, {13, 23}}, {0, 7, {1, 1}, {178, 188}}, {24, 29, {5, 0}, {838, 23}},
                 {24, 30, {0, 1}, {13, 188}}};
    for (const auto& c : cases) {
        EXPECT_EQ(s.cellOf(c.first, c.index), c.cell) << c.index;
        EXPECT_EQ(s.drawnFrame(c.cell), c.frame) << c.index;
    }
}

} // namespace
} // namespace soru
