#include "core/thumbnail_sheet_state.h"

#include <algorithm>

namespace soru {

QPoint ThumbnailSheetState::frameOutside() const {
    const QSize f = frameSize();
    return {-f.width() - 4, -f.height() - 4};
}

std::optional<PageRange> ThumbnailSheetState::pageRange(int page, int count) const {
    const int perPage = grid_.perPage();
    const int first = page * perPage;
    if (perPage <= 0 || first < 0 || first >= count)
        return std::nullopt;
    return PageRange{first, std::min(first + perPage - 1, count - 1)};
}

QPoint ThumbnailSheetState::cellOf(int first, int index) const {
    const int k = index - first;
    return {k % grid_.cols, k / grid_.cols};
}

FramePlacement ThumbnailSheetState::placeFrame(int page, int count, int current) const {
    const std::optional<PageRange> range = pageRange(page, count);
    if (!range)
        return {};
    if (current < range->first || current > range->last)
        return {FramePlacement::Action::Hide, {}};
    const QPoint cell = cellOf(range->first, current);
    return {FramePlacement::Action::Show, cellOrigin(grid_, cell.x(), cell.y())};
}

int ThumbnailSheetState::resetRange(int count) {
    lastPage_ = lastPageIndex(grid_, count);
    return lastPage_;
}

} // namespace soru
