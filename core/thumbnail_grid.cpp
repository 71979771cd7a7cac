#include "core/thumbnail_grid.h"

#include "core/rounding.h"

namespace soru {

ThumbGrid thumbnailGrid(int panelWidth, int panelHeight, int scrollBarWidth) {
    ThumbGrid g;
    const int usable = panelWidth - scrollBarWidth;
    const int pitch = truncToInt((usable - kSheetLeftMargin) / 6.0);
    g.thumbWidth = g.thumbHeight = pitch - kSheetGap;
    g.cols = usable / g.pitchX();
    if (usable < g.cols * g.pitchX() + kSheetLeftMargin)
        --g.cols;
    g.rows = panelHeight / g.pitchY();
    if (panelHeight < g.rows * g.pitchY() + kSheetTopMargin)
        --g.rows;
    return g;
}

int lastPageIndex(const ThumbGrid& g, int n) {
    const int lastRow = n / g.cols - (n % g.cols == 0 ? 1 : 0);
    return lastRow / g.rows;
}

QPoint cellOrigin(const ThumbGrid& g, int col, int row) {
    return QPoint(g.pitchX() * col + kSheetLeftMargin, g.pitchY() * row + kSheetTopMargin);
}

QRect thumbnailRect(const ThumbGrid& g, int col, int row, int w, int h) {
    int dw = w;
    int dh = h;
    if (w > g.thumbWidth || h > g.thumbHeight) {
        const double ratio = double(g.thumbWidth) / w;
        dh = roundHalfEven(h * ratio);
        if (dh > g.thumbHeight) {
            dh = g.thumbHeight;
            dw = roundHalfEven(w * (double(g.thumbHeight) / h));
        } else {
            dw = g.thumbWidth;
        }
    }
    const QPoint o = cellOrigin(g, col, row);
    const int left = o.x() + roundHalfEven((g.thumbWidth - dw) / 2.0);
    const int top = o.y() + roundHalfEven((g.thumbHeight - dh) / 2.0);
    return QRect(left, top, dw, dh);
}

int pickedIndex(const ThumbGrid& g, int x, int y, int page, int count) {
    int col = (x - kSheetLeftMargin) / g.pitchX();
    if (col >= g.cols)
        col = g.cols - 1;
    int row = (y - kSheetTopMargin) / g.pitchY();
    if (row >= g.rows)
        row = g.rows - 1;
    int index = col + g.cols * (row + g.rows * page);
    if (index >= count)
        index = count - 1;
    return index;
}

} // namespace soru
