#pragma once
// Geometry of the main window, computed from the screen size alone.
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

namespace soru {

inline constexpr int kToolbarHeight = 26;
inline constexpr int kToolbarEdge = 2;          // edge lines on every side
inline constexpr int kToolButtonWidth = 75;
inline constexpr int kToolButtonHeight = 22;
inline constexpr int kDropDownArrowWidth = 14;  // extra width of a button with a drop-down arrow
inline constexpr int kToolSeparatorWidth = 8;
inline constexpr int kStatusBarHeight = 21;
inline constexpr int kProgressBarHeight = 21;
inline constexpr int kMemoPanelWidth = 587;
inline constexpr int kPanelStrip = 4;           // what stays on screen of a slid-in panel
inline constexpr int kScrollBarWidth = 16;
inline constexpr int kListItemHeight = 22;

// Toolbar items from left to right.
enum class ToolItem {
    Exit, Sepa1, Back, Auto, Next, Sepa2, Sum, Sepa3, Copy, Sepa4, Wall, Play, Sepa5, Info,
    Sepa6, Min
};
inline constexpr int kToolItemCount = 16;

enum class ToolItemKind { Button, DropDown, Separator };
ToolItemKind toolItemKind(ToolItem item);

// Left and width of each toolbar item in the toolbar's client coordinates
// (inside the edge lines).
struct ToolItemGeometry {
    int left;
    int width;
};
// Each button is as wide as the classic toolbar's, or as its content needs
// when that is more (needed: by item, 0 for no need); the items after it
// move along.
std::array<ToolItemGeometry, kToolItemCount> toolbarGeometry(const std::array<int, kToolItemCount>& needed = {});
inline ToolItemGeometry toolItemGeometry(ToolItem item) {
    return toolbarGeometry()[static_cast<int>(item)];
}

// Everything the creation sequence places. Rectangles are relative to the
// window's client area, except the images, which are relative to pnlMain.
struct MainLayout {
    QRect window;
    QRect toolbar;
    QRect pnlMain;
    QRect sbInfo;
    QRect pbInfo;
    QPoint pnlBook;
    QRect pnlMemo;
    QPoint pnlFile;
    QRect imgWall;
    QRect imgView;
    QRect imgSum;
    QRect sbScr;
};

// tbsNextLeft is the Next button's left in the toolbar's client coordinates.
MainLayout computeMainLayout(QSize screen, int tbsNextLeft = toolItemGeometry(ToolItem::Next).left);

// Height of the memo panel for a main panel of the given height.
int memoPanelHeight(int mainPanelHeight);

// The splash window's fixed geometry.
namespace splash {
inline constexpr QSize kClientSize{346, 186};
inline constexpr QRect kImagePanel{2, 2, 342, 182};
inline constexpr QRect kArtwork{1, 1, 340, 180};
inline constexpr QRect kEmblem{316, 156, 16, 16};
inline constexpr QRect kProgress{47, 132, 258, 8};
} // namespace splash

} // namespace soru
