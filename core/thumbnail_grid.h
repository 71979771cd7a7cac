#pragma once
// The thumbnail sheet's grid: cell size, columns and rows, pages, where each
// thumbnail goes, and which picture a click picks.
#include <QPoint>
#include <QRect>

namespace soru {

inline constexpr int kSheetLeftMargin = 14;
inline constexpr int kSheetTopMargin = 24;
inline constexpr int kSheetGap = 8;

struct ThumbGrid {
    int thumbWidth = 0;
    int thumbHeight = 0;
    int cols = 0;
    int rows = 0;
    int perPage() const { return cols * rows; }
    int pitchX() const { return thumbWidth + kSheetGap; }
    int pitchY() const { return thumbHeight + kSheetGap; }
};

// From the main panel's size and the page scroll bar's width.
ThumbGrid thumbnailGrid(int panelWidth, int panelHeight, int scrollBarWidth);

// Index of the page that holds the last of n pictures (n >= 1).
int lastPageIndex(const ThumbGrid& g, int n);

// Top-left corner of a cell.
QPoint cellOrigin(const ThumbGrid& g, int col, int row);

// Where a w x h picture is drawn in the cell: shrunk to fit, never enlarged,
// centred with halves rounded to even.
QRect thumbnailRect(const ThumbGrid& g, int col, int row, int w, int h);

// The picture a click at (x, y) on the sheet picks, on the given page; the
// margins belong to the nearest cells, beyond the last picture picks the last.
int pickedIndex(const ThumbGrid& g, int x, int y, int page, int count);

} // namespace soru
