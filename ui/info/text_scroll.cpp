#include "ui/info/text_scroll.h"

namespace soru {

int wholeLinesThatFit(int visibleHeight, int lineHeight) {
    return static_cast<int>(static_cast<double>(visibleHeight) / lineHeight);
}

bool textScrolls(const TextScroll& scroll) {
    return scroll.lastIndex >= wholeLinesThatFit(scroll.visibleHeight, scroll.lineHeight);
}

std::vector<PlacedLine> frameLines(const TextScroll& scroll, int surfaceHeight) {
    std::vector<PlacedLine> lines;
    if (scroll.lastIndex < 0)
        return lines;
    int i = scroll.topIndex;
    int y = scroll.yOffset;
    do {
        lines.push_back({i, y});
        i = i < scroll.lastIndex ? i + 1 : 0;
        y += scroll.lineHeight;
    } while (i != scroll.topIndex && y < surfaceHeight);
    return lines;
}

void advanceScroll(TextScroll& scroll) {
    if (scroll.yOffset > -scroll.lineHeight) {
        scroll.yOffset -= 2;
    } else {
        scroll.yOffset += scroll.lineHeight - 2;
        scroll.topIndex = scroll.topIndex < scroll.lastIndex ? scroll.topIndex + 1 : 0;
    }
}

} // namespace soru
