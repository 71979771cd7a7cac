#pragma once
// The main window's components by the names of its definition, in stacking
// order (bottom to top). The window holds them privately; tests reach them
// through the window's test accessor.
#include "core/cursor_zones.h"

#include <QCursor>

#include <array>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QScrollBar;
class QTextEdit;
class QTimer;

namespace soru {

class BevelFrame;
class BevelPanel;
class ImageBox;
class InstantProgressBar;
class OwnerDrawList;
class StatusPanels;
class ToolBar;
class ToolButton;

struct MainWindowComponents {
    ToolBar* tbMain = nullptr;
    ToolButton* tbsExit = nullptr;
    ToolButton* tbsBack = nullptr;
    ToolButton* tbsAuto = nullptr;
    ToolButton* tbsNext = nullptr;
    ToolButton* tbsSum = nullptr;
    ToolButton* tbsCopy = nullptr;
    ToolButton* tbsWall = nullptr;
    ToolButton* tbsPlay = nullptr;
    ToolButton* tbsInfo = nullptr;
    ToolButton* tbsMin = nullptr;

    BevelPanel* pnlMain = nullptr;
    ImageBox* imgWall = nullptr;
    ImageBox* imgView = nullptr;
    ImageBox* imgSum = nullptr;
    QLabel* lblDir = nullptr;
    BevelFrame* bvlCur = nullptr;
    QLabel* lblScale = nullptr;
    QScrollBar* sbScr = nullptr;

    BevelPanel* pnlMemo = nullptr;
    BevelPanel* pnlMemoHead = nullptr;
    QTextEdit* reMemo = nullptr;

    StatusPanels* sbInfo = nullptr;
    InstantProgressBar* pbInfo = nullptr;

    BevelPanel* pnlBook = nullptr;
    OwnerDrawList* lstBook = nullptr;
    BevelPanel* pnlFile = nullptr;
    OwnerDrawList* lstFile = nullptr;

    // The slide show's timer.
    QTimer* tmrAuto = nullptr;

    // Actions.
    QAction* aExit = nullptr;
    QAction* aBack = nullptr;
    QAction* aAuto = nullptr;
    QAction* aNext = nullptr;
    QAction* aInfo = nullptr;
    QAction* aPlay = nullptr;
    QAction* aSum = nullptr;
    QAction* aWall = nullptr;
    QAction* aCopy = nullptr;

    // Menus.
    QMenu* pmMain = nullptr;
    QMenu* pmAutoTime = nullptr;
    QMenu* pmWall = nullptr;
    QActionGroup* grpAutoTime = nullptr;
    QActionGroup* grpWall = nullptr;
    QAction* pms1s = nullptr;
    QAction* pms2s = nullptr;
    QAction* pms3s = nullptr;
    QAction* pms5s = nullptr;
    QAction* pms10s = nullptr;
    QAction* pms30s = nullptr;
    QAction* pms1m = nullptr;
    QAction* pms3m = nullptr;
    QAction* pms5m = nullptr;
    QAction* pms10m = nullptr;
    QAction* pmsCenter = nullptr;
    QAction* pmsTile = nullptr;
    QAction* pmsZoom = nullptr;

    // The screen's cursor table, by slot.
    std::array<QCursor, kCursorSlotCount> Cursors;
    const QCursor& cursorFor(CursorSlot slot) const { return Cursors[static_cast<size_t>(slot)]; }
};

} // namespace soru
