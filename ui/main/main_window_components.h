#pragma once
// The main window's components by the names of its definition, in stacking
// order (bottom to top). The window holds them privately; tests reach them
// through the window's test accessor.
#include "core/cursor_zones.h"
#include "core/key_bindings.h"

#include <QCursor>

#include <array>

class QAction;
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
    // The toolbar's buttons, by their action's command (tbsExit .. tbsInfo),
    // and the minimise button, which has no action.
    std::array<ToolButton*, kActionCommandCount> buttonsByCommand{};
    ToolButton* button(Command command) const { return buttonsByCommand[static_cast<size_t>(command)]; }
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

    // The actions, by their command.
    std::array<QAction*, kActionCommandCount> actionsByCommand{};
    QAction* action(Command command) const { return actionsByCommand[static_cast<size_t>(command)]; }

    // The main menu; the toolbar's drop-downs (pmAutoTime, pmWall) are
    // their buttons' menus.
    QMenu* pmMain = nullptr;
};

} // namespace soru
