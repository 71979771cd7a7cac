#pragma once
// Every binding of the main window in one table: the actions' shortcuts, the
// toolbar buttons' Alt+letters, the arrow keys and the clicks on the two
// halves of the picture. The window reads it in one place, whatever control
// has the focus, and labels its actions from it.
#include "core/cursor_zones.h"

#include <QKeyCombination>

#include <optional>

namespace soru {

// What a binding does. The action commands run their action (nothing when it
// is disabled); the steps call the back and next handlers directly, whatever
// the actions' state. The actions come first, in toolbar order.
enum class Command {
    Exit,
    Back,
    Auto,
    Next,
    Sum,
    Copy,
    Wall,
    Play,
    Info,
    StepBack,
    StepNext,
};

// The commands before Command::StepBack are the window's actions.
inline constexpr int kActionCommandCount = int(Command::StepBack);

// The command a key press runs, if any: the first row of the table that
// matches wins (Alt+A names two buttons; the first on the toolbar, 自動,
// takes it).
std::optional<Command> commandForKey(QKeyCombination key);

// The command of a click on the picture under the cursor of that half.
Command commandForClick(StepDirection half);

// The shortcut an action's menu item shows: its Ctrl row; none for a
// command reached only by its toolbar letter.
std::optional<QKeyCombination> shortcutFor(Command command);

} // namespace soru
