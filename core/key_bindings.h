#pragma once
// Every key and button binding of the main window in one table: the actions'
// shortcuts, the toolbar buttons' Alt+letters, the arrow keys and the two
// halves of the picture. The window reads it in one place, whatever control
// has the focus.
#include "core/cursor_zones.h"

#include <QKeyCombination>

#include <optional>
#include <span>

namespace soru {

// What a binding does. The action commands run their action (nothing when it
// is disabled); the steps call the back and next handlers directly, whatever
// the actions' state.
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

struct KeyBinding {
    QKeyCombination key;
    Command command;
    // True: the key counts with any modifiers held (the arrows).
    bool anyModifiers = false;
};

// The whole table, in the order it is searched: the first row that matches
// wins (Alt+A names two buttons; the first on the toolbar, 自動, takes it).
std::span<const KeyBinding> keyBindings();

// The command a key press runs, if any.
std::optional<Command> commandForKey(QKeyCombination key);

// The command of a click on the picture under the cursor of that half.
Command commandForClick(StepDirection half);

} // namespace soru
