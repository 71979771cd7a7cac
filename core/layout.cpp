#include "core/layout.h"

#include "core/rounding.h"

#include <algorithm>

namespace soru {

ToolItemKind toolItemKind(ToolItem item) {
    switch (item) {
    case ToolItem::Sepa1:
    case ToolItem::Sepa2:
    case ToolItem::Sepa3:
    case ToolItem::Sepa4:
    case ToolItem::Sepa5:
    case ToolItem::Sepa6:
        return ToolItemKind::Separator;
    case ToolItem::Auto:
    case ToolItem::Wall:
        return ToolItemKind::DropDown;
    default:
        return ToolItemKind::Button;
    }
}

std::array<ToolItemGeometry, kToolItemCount> toolbarGeometry(const std::array<int, kToolItemCount>& needed) {
    std::array<ToolItemGeometry, kToolItemCount> g{};
    int x = 0;
    for (int i = 0; i < kToolItemCount; ++i) {
        int w = kToolButtonWidth;
        switch (toolItemKind(static_cast<ToolItem>(i))) {
        case ToolItemKind::Separator:
            w = kToolSeparatorWidth;
            break;
        case ToolItemKind::DropDown:
            w = kToolButtonWidth + kDropDownArrowWidth;
            break;
        case ToolItemKind::Button:
            break;
        }
        if (toolItemKind(static_cast<ToolItem>(i)) != ToolItemKind::Separator)
            w = std::max(w, needed[static_cast<size_t>(i)]);
        g[i] = {x, w};
        x += w;
    }
    return g;
}

int memoPanelHeight(int mainPanelHeight) { return roundHalfEven(2.0 * mainPanelHeight / 3.0); }

MainLayout computeMainLayout(QSize screen, int tbsNextLeft) {
    const int cw = screen.width();
    const int ch = screen.height();
    MainLayout l;
    l.window = QRect(0, 0, cw, ch);
    l.toolbar = QRect(0, 0, cw, kToolbarHeight);
    l.sbInfo = QRect(0, ch - kStatusBarHeight, cw, kStatusBarHeight);
    l.pnlMain = QRect(0, kToolbarHeight, cw, ch - kToolbarHeight - kStatusBarHeight);
    l.pbInfo = QRect(0, ch - kProgressBarHeight, cw, kProgressBarHeight);
    l.pnlBook = QPoint(0, l.pnlMain.top());
    const int memoH = memoPanelHeight(l.pnlMain.height());
    l.pnlMemo = QRect(cw - kPanelStrip, ch - memoH - kStatusBarHeight, kMemoPanelWidth, memoH);
    l.pnlFile = QPoint(tbsNextLeft + 1, l.pnlMain.top());
    l.imgWall = QRect(0, 0, l.pnlMain.width(), l.pnlMain.height());
    l.imgView = QRect(0, 0, cw, ch);
    l.imgSum = QRect(0, 0, cw, ch);
    l.sbScr = QRect(l.pnlMain.width() - kScrollBarWidth, 0, kScrollBarWidth, l.pnlMain.height());
    return l;
}

} // namespace soru
