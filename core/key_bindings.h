#pragma once
// Every binding of the main window in one table: the actions' shortcuts, the
// toolbar buttons' Alt+letters, the arrow keys and the other stepping keys,
// the mouse's extra buttons and wheel, and the clicks on the two halves of
// the picture. The window reads it in one place, whatever control has the
// focus, and labels its actions from it.
//
// The user may change it with a keys file (keysFile()), read once at start:
//
//   # one binding a line: INPUT = COMMAND; '#' starts a comment
//   Ctrl+N = back
//   Space = none
//   Mouse:Middle = sum
//
// INPUT is a key in the portable text of key sequences ("Ctrl+N", "Space",
// "F11", "Alt+Left", "PgDown") or a mouse input: Mouse:Back, Mouse:Forward,
// Mouse:Middle, Wheel:Up, Wheel:Down. COMMAND is one of exit, back, auto,
// next, sum, copy, wall, play, info, step-back, step-next, frame, or none
// to unbind. A line replaces the default binding of the same input; a line
// that cannot be read keeps the default and is reported.
#include "core/cursor_zones.h"

#include <QKeyCombination>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace soru {

// What a binding does. The action commands run their action (nothing when it
// is disabled); the steps call the back and next handlers directly, whatever
// the actions' state. The actions come first, in toolbar order; the commands
// after them have no toolbar button.
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
    Frame, // the photo frame, on or off
};

// The commands before Command::StepBack are the window's actions.
inline constexpr int kActionCommandCount = int(Command::StepBack);

// The mouse inputs a binding can name besides the clicks on the picture.
enum class MouseInput { Back, Forward, Middle, WheelUp, WheelDown };

class KeyTable {
public:
    // The program's own bindings.
    static KeyTable defaults();
    // The defaults, made once: what a window without a table of its own uses.
    static const KeyTable& standard();

    // The command a key press runs, if any: the first row of the table that
    // matches wins (Alt+A names two buttons; the first on the toolbar, 自動,
    // takes it). The user's rows come before the defaults.
    std::optional<Command> commandForKey(QKeyCombination key) const;
    // The command of a mouse button or of one notch of the wheel, if any.
    std::optional<Command> commandForMouse(MouseInput input) const;
    // The command of a click on the picture under the cursor of that half.
    Command commandForClick(StepDirection half) const;
    // The shortcut an action's menu item shows: its Ctrl row, or failing
    // that the first key the user gave it; none for a command reached only
    // by its toolbar letter.
    std::optional<QKeyCombination> shortcutFor(Command command) const;

    // Reads a keys file over the table. A missing file changes nothing.
    // Returns the problems, one a line ("FILE:LINE: why"); the lines that
    // have one keep their default binding.
    QStringList applyUserFile(const QString& path);
    // The same for the text of such a file, named fileName in the problems.
    QStringList applyUserText(const QString& text, const QString& fileName);

private:
    struct Binding {
        enum class Input {
            Shortcut, // shown beside the action's menu item
            Letter,   // a toolbar button's underlined letter
            Arrow,    // counts with any modifiers held
            Key,      // a key with exactly its modifiers
            Mouse,    // a mouse button or a notch of the wheel
            Click,    // on the half of the picture
        };
        Input input;
        QKeyCombination key{};          // for the key rows
        MouseInput mouse{};             // for a mouse row
        StepDirection half{};           // for a click
        std::optional<Command> command; // none: the input is unbound
        bool user = false;              // from the keys file
    };
    void bindKey(QKeyCombination key, std::optional<Command> command);
    void bindMouse(MouseInput input, std::optional<Command> command);

    std::vector<Binding> rows_;
};

// Where the user's keys file is: soru/keys in the configuration folder.
QString keysFile();

// The window's table: the given one, or the defaults for none.
inline const KeyTable& keyTableOr(const KeyTable* table) {
    return table ? *table : KeyTable::standard();
}

// The defaults' lookups, for code that has no table of its own.
inline std::optional<Command> commandForKey(QKeyCombination key) {
    return KeyTable::standard().commandForKey(key);
}
inline Command commandForClick(StepDirection half) {
    return KeyTable::standard().commandForClick(half);
}
inline std::optional<QKeyCombination> shortcutFor(Command command) {
    return KeyTable::standard().shortcutFor(command);
}

} // namespace soru
