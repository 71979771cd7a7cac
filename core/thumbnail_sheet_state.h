#pragma once
// The thumbnail sheet's state: its grid, which pictures a page holds, where
// the current-picture frame goes, whether the page on the sheet is still the
// open album's, and whether scroll-bar changes redraw the sheet.
#include "core/thumbnail_grid.h"

#include <QPoint>
#include <QSize>

#include <optional>

namespace soru {

// Indices of the first and last picture on a page, both inclusive.
struct PageRange {
    int first = 0;
    int last = -1;
    bool operator==(const PageRange&) const = default;
};

// What moving the frame without drawing does to it.
struct FramePlacement {
    enum class Action {
        Keep, // no page of the album is shown: the frame stays as it is
        Hide, // the current picture lies on another page
        Show, // the frame goes to `at`, the current cell's origin
    };
    Action action = Action::Keep;
    QPoint at;
    bool operator==(const FramePlacement&) const = default;
};

class ThumbnailSheetState {
public:
    // Set once, at creation; the window keeps the screen's size for the run.
    void setGrid(const ThumbGrid& grid) { grid_ = grid; }
    const ThumbGrid& grid() const { return grid_; }
    // The frame is two pixels larger than a cell each way.
    QSize frameSize() const { return {grid_.thumbWidth + 2, grid_.thumbHeight + 2}; }
    // Where a page draw leaves the frame when it draws no current cell:
    // wholly outside the sheet.
    QPoint frameOutside() const;

    // The pictures on `page` of an album of `count` pictures; nothing when
    // the page starts beyond the last picture.
    std::optional<PageRange> pageRange(int page, int count) const;
    // Column (x) and row (y) of picture `index` on the page starting at `first`.
    QPoint cellOf(int first, int index) const;
    // Where a page draw puts the frame around that cell: one pixel up and
    // left of its origin, so the frame surrounds it.
    QPoint drawnFrame(QPoint cell) const { return cellOrigin(grid_, cell.x(), cell.y()) - QPoint(1, 1); }
    // Moving the frame for the current picture without drawing; it goes to
    // the cell's origin itself, one pixel off the drawn place, until the
    // page is drawn again.
    FramePlacement placeFrame(int page, int count, int current) const;

    // The page on the sheet belongs to the album it was drawn for: opening
    // an album invalidates it, a completed page draw makes it valid.
    void invalidatePage() { pageValid_ = false; }
    void pageDrawn() { pageValid_ = true; }
    bool pageValid() const { return pageValid_; }

    // While an album's page range is reset, scroll-bar changes redraw
    // nothing; paging comes back after its first picture has been shown,
    // and only for an album of more than one page.
    void suspendPaging() { pagingEnabled_ = false; }
    // Takes the new album's size (at least one picture) and returns the
    // index of its last page.
    int resetRange(int count);
    void resumePaging() { pagingEnabled_ = lastPage_ > 0; }
    bool pagingEnabled() const { return pagingEnabled_; }
    int lastPage() const { return lastPage_; }
    // The scroll bar's tag: whether it is shown with the sheet.
    bool severalPages() const { return lastPage_ > 0; }

private:
    ThumbGrid grid_;
    bool pageValid_ = false;
    bool pagingEnabled_ = false;
    int lastPage_ = 0;
};

} // namespace soru
