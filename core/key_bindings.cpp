#include "core/key_bindings.h"

namespace soru {

namespace {

constexpr Qt::KeyboardModifiers kTypingModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

const KeyBinding kBindings[] = {
    // The actions' shortcuts.
    {Qt::CTRL | Qt::Key_B, Command::Back},
    {Qt::CTRL | Qt::Key_A, Command::Auto},
    {Qt::CTRL | Qt::Key_N, Command::Next},
    {Qt::CTRL | Qt::Key_P, Command::Play},
    {Qt::CTRL | Qt::Key_W, Command::Wall},
    {Qt::CTRL | Qt::Key_C, Command::Copy},
    // The toolbar buttons' underlined letters, in toolbar order.
    {Qt::ALT | Qt::Key_X, Command::Exit},
    {Qt::ALT | Qt::Key_B, Command::Back},
    {Qt::ALT | Qt::Key_A, Command::Auto},
    {Qt::ALT | Qt::Key_N, Command::Next},
    {Qt::ALT | Qt::Key_A, Command::Sum},
    {Qt::ALT | Qt::Key_C, Command::Copy},
    {Qt::ALT | Qt::Key_W, Command::Wall},
    {Qt::ALT | Qt::Key_P, Command::Play},
    {Qt::ALT | Qt::Key_I, Command::Info},
    // The window's own keys.
    {QKeyCombination(Qt::Key_Left), Command::StepBack, true},
    {QKeyCombination(Qt::Key_Right), Command::StepNext, true},
};

} // namespace

std::span<const KeyBinding> keyBindings() { return kBindings; }

std::optional<Command> commandForKey(QKeyCombination key) {
    // Keypad arrows count as arrows; the keypad flag is not a modifier here.
    const Qt::KeyboardModifiers mods = key.keyboardModifiers() & kTypingModifiers;
    for (const KeyBinding& b : kBindings) {
        if (b.key.key() != key.key())
            continue;
        if (b.anyModifiers || b.key.keyboardModifiers() == mods)
            return b.command;
    }
    return std::nullopt;
}

Command commandForClick(StepDirection half) {
    return half == StepDirection::Back ? Command::StepBack : Command::StepNext;
}

} // namespace soru
