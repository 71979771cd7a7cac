#include "core/key_bindings.h"

namespace soru {

namespace {

constexpr Qt::KeyboardModifiers kTypingModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

struct Binding {
    enum class Input {
        Shortcut, // shown beside the action's menu item
        Letter,   // a toolbar button's underlined letter
        Arrow,    // counts with any modifiers held
        Click,    // on the half of the picture
    };
    Input input;
    QKeyCombination key; // none for a click
    StepDirection half;  // for a click
    Command command;
};

using In = Binding::Input;
constexpr QKeyCombination kNoKey{};

const Binding kBindings[] = {
    {In::Shortcut, Qt::CTRL | Qt::Key_B, {}, Command::Back},
    {In::Shortcut, Qt::CTRL | Qt::Key_A, {}, Command::Auto},
    {In::Shortcut, Qt::CTRL | Qt::Key_N, {}, Command::Next},
    {In::Shortcut, Qt::CTRL | Qt::Key_P, {}, Command::Play},
    {In::Shortcut, Qt::CTRL | Qt::Key_W, {}, Command::Wall},
    {In::Shortcut, Qt::CTRL | Qt::Key_C, {}, Command::Copy},
    // In toolbar order.
    {In::Letter, Qt::ALT | Qt::Key_X, {}, Command::Exit},
    {In::Letter, Qt::ALT | Qt::Key_B, {}, Command::Back},
    {In::Letter, Qt::ALT | Qt::Key_A, {}, Command::Auto},
    {In::Letter, Qt::ALT | Qt::Key_N, {}, Command::Next},
    {In::Letter, Qt::ALT | Qt::Key_A, {}, Command::Sum},
    {In::Letter, Qt::ALT | Qt::Key_C, {}, Command::Copy},
    {In::Letter, Qt::ALT | Qt::Key_W, {}, Command::Wall},
    {In::Letter, Qt::ALT | Qt::Key_P, {}, Command::Play},
    {In::Letter, Qt::ALT | Qt::Key_I, {}, Command::Info},
    {In::Arrow, QKeyCombination(Qt::Key_Left), {}, Command::StepBack},
    {In::Arrow, QKeyCombination(Qt::Key_Right), {}, Command::StepNext},
    {In::Click, kNoKey, StepDirection::Back, Command::StepBack},
    {In::Click, kNoKey, StepDirection::Next, Command::StepNext},
};

} // namespace

std::optional<Command> commandForKey(QKeyCombination key) {
    // Keypad arrows count as arrows; the keypad flag is not a modifier here.
    const Qt::KeyboardModifiers mods = key.keyboardModifiers() & kTypingModifiers;
    for (const Binding& b : kBindings) {
        if (b.input == In::Click || b.key.key() != key.key())
            continue;
        if (b.input == In::Arrow || b.key.keyboardModifiers() == mods)
            return b.command;
    }
    return std::nullopt;
}

Command commandForClick(StepDirection half) {
    for (const Binding& b : kBindings)
        if (b.input == In::Click && b.half == half)
            return b.command;
    return Command::StepNext;
}

std::optional<QKeyCombination> shortcutFor(Command command) {
    for (const Binding& b : kBindings)
        if (b.input == In::Shortcut && b.command == command)
            return b.key;
    return std::nullopt;
}

} // namespace soru
