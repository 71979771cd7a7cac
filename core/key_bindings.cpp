#include "core/key_bindings.h"

#include <QFile>
#include <QMetaEnum>
#include <QStandardPaths>

#include <algorithm>
#include <array>

namespace soru {

namespace {

constexpr Qt::KeyboardModifiers kTypingModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

// The commands' names in a keys file, in the order of Command.
constexpr std::array<const char*, int(Command::Frame) + 1> kCommandNames = {
    "exit", "back", "auto", "next",      "sum",       "copy",
    "wall", "play", "info", "step-back", "step-next", "frame",
};

const std::pair<const char*, MouseInput> kMouseNames[] = {
    {"Mouse:Back", MouseInput::Back},      {"Mouse:Forward", MouseInput::Forward},
    {"Mouse:Middle", MouseInput::Middle},  {"Wheel:Up", MouseInput::WheelUp},
    {"Wheel:Down", MouseInput::WheelDown},
};

// The short names the portable text of key sequences uses for some keys.
const std::pair<const char*, Qt::Key> kKeyAliases[] = {
    {"Esc", Qt::Key_Escape},  {"Del", Qt::Key_Delete},      {"Ins", Qt::Key_Insert},
    {"PgUp", Qt::Key_PageUp}, {"PgDown", Qt::Key_PageDown},
};

QKeyCombination normalised(QKeyCombination key) {
    return QKeyCombination(key.keyboardModifiers() & kTypingModifiers, key.key());
}

std::optional<Qt::Key> keyNamed(const QString& name) {
    if (name.size() == 1) {
        // A character key's code is its capital letter's (Latin-1 only).
        const char16_t c = name.at(0).toUpper().unicode();
        if (c > 0x20 && c <= 0xff)
            return Qt::Key(c);
        return std::nullopt;
    }
    for (const auto& [alias, key] : kKeyAliases)
        if (name.compare(QLatin1String(alias), Qt::CaseInsensitive) == 0)
            return key;
    // Every other key by its name in the toolkit's list ("Space", "F11",
    // "Backspace", "Media Play"), spaces left out.
    const QString wanted = QStringLiteral("Key_") + QString(name).remove(QLatin1Char(' '));
    const QMetaEnum keys = QMetaEnum::fromType<Qt::Key>();
    for (int i = 0; i < keys.keyCount(); ++i)
        if (wanted.compare(QLatin1String(keys.key(i)), Qt::CaseInsensitive) == 0) {
            const auto key = Qt::Key(keys.value(i));
            // A modifier alone is no key to bind.
            if (key == Qt::Key_unknown || key == Qt::Key_Control || key == Qt::Key_Shift ||
                key == Qt::Key_Alt || key == Qt::Key_Meta)
                return std::nullopt;
            return key;
        }
    return std::nullopt;
}

// "Ctrl+Shift+N", "Space", "Ctrl++": modifiers joined by '+', then the key.
std::optional<QKeyCombination> parseKey(const QString& text) {
    QString mods = text;
    QString name;
    if (text == QLatin1String("+")) {
        name = text;
        mods.clear();
    } else if (text.endsWith(QLatin1String("++"))) {
        name = QStringLiteral("+");
        mods.chop(2);
    } else {
        const qsizetype plus = text.lastIndexOf(QLatin1Char('+'));
        name = text.mid(plus + 1);
        mods = plus < 0 ? QString() : text.left(plus);
    }
    Qt::KeyboardModifiers modifiers;
    if (!mods.isEmpty()) {
        for (const QString& m : mods.split(QLatin1Char('+'))) {
            const QString t = m.trimmed();
            if (t.compare(QLatin1String("Ctrl"), Qt::CaseInsensitive) == 0)
                modifiers |= Qt::ControlModifier;
            else if (t.compare(QLatin1String("Shift"), Qt::CaseInsensitive) == 0)
                modifiers |= Qt::ShiftModifier;
            else if (t.compare(QLatin1String("Alt"), Qt::CaseInsensitive) == 0)
                modifiers |= Qt::AltModifier;
            else if (t.compare(QLatin1String("Meta"), Qt::CaseInsensitive) == 0)
                modifiers |= Qt::MetaModifier;
            else
                return std::nullopt;
        }
    }
    const std::optional<Qt::Key> key = keyNamed(name.trimmed());
    if (!key)
        return std::nullopt;
    return QKeyCombination(modifiers, *key);
}

} // namespace

KeyTable KeyTable::defaults() {
    using In = Binding::Input;
    auto key = [](In input, QKeyCombination k, Command c) { return Binding{input, k, {}, {}, c}; };
    auto mouse = [](MouseInput m, Command c) { return Binding{In::Mouse, {}, m, {}, c}; };
    auto click = [](StepDirection half, Command c) { return Binding{In::Click, {}, {}, half, c}; };
    KeyTable t;
    t.rows_ = {
        key(In::Shortcut, Qt::CTRL | Qt::Key_B, Command::Back),
        key(In::Shortcut, Qt::CTRL | Qt::Key_A, Command::Auto),
        key(In::Shortcut, Qt::CTRL | Qt::Key_N, Command::Next),
        key(In::Shortcut, Qt::CTRL | Qt::Key_P, Command::Play),
        key(In::Shortcut, Qt::CTRL | Qt::Key_W, Command::Wall),
        key(In::Shortcut, Qt::CTRL | Qt::Key_C, Command::Copy),
        key(In::Shortcut, QKeyCombination(Qt::Key_F11), Command::Frame),
        // In toolbar order.
        key(In::Letter, Qt::ALT | Qt::Key_X, Command::Exit),
        key(In::Letter, Qt::ALT | Qt::Key_B, Command::Back),
        key(In::Letter, Qt::ALT | Qt::Key_A, Command::Auto),
        key(In::Letter, Qt::ALT | Qt::Key_N, Command::Next),
        key(In::Letter, Qt::ALT | Qt::Key_A, Command::Sum),
        key(In::Letter, Qt::ALT | Qt::Key_C, Command::Copy),
        key(In::Letter, Qt::ALT | Qt::Key_W, Command::Wall),
        key(In::Letter, Qt::ALT | Qt::Key_P, Command::Play),
        key(In::Letter, Qt::ALT | Qt::Key_I, Command::Info),
        key(In::Arrow, QKeyCombination(Qt::Key_Left), Command::StepBack),
        key(In::Arrow, QKeyCombination(Qt::Key_Right), Command::StepNext),
        key(In::Key, QKeyCombination(Qt::Key_Backspace), Command::StepBack),
        key(In::Key, QKeyCombination(Qt::Key_Space), Command::StepNext),
        key(In::Key, QKeyCombination(Qt::Key_F), Command::Frame),
        mouse(MouseInput::Back, Command::StepBack),
        mouse(MouseInput::Forward, Command::StepNext),
        mouse(MouseInput::WheelUp, Command::StepBack),
        mouse(MouseInput::WheelDown, Command::StepNext),
        click(StepDirection::Back, Command::StepBack),
        click(StepDirection::Next, Command::StepNext),
    };
    return t;
}

const KeyTable& KeyTable::standard() {
    static const KeyTable table = defaults();
    return table;
}

std::optional<Command> KeyTable::commandForKey(QKeyCombination key) const {
    // Keypad arrows count as arrows; the keypad flag is not a modifier here.
    const Qt::KeyboardModifiers mods = key.keyboardModifiers() & kTypingModifiers;
    for (const Binding& b : rows_) {
        if (b.input == Binding::Input::Click || b.input == Binding::Input::Mouse ||
            b.key.key() != key.key())
            continue;
        if (b.input == Binding::Input::Arrow || b.key.keyboardModifiers() == mods)
            return b.command;
    }
    return std::nullopt;
}

std::optional<Command> KeyTable::commandForMouse(MouseInput input) const {
    for (const Binding& b : rows_)
        if (b.input == Binding::Input::Mouse && b.mouse == input)
            return b.command;
    return std::nullopt;
}

Command KeyTable::commandForClick(StepDirection half) const {
    for (const Binding& b : rows_)
        if (b.input == Binding::Input::Click && b.half == half)
            return *b.command;
    return Command::StepNext;
}

std::optional<QKeyCombination> KeyTable::shortcutFor(Command command) const {
    for (const Binding& b : rows_)
        if (b.input == Binding::Input::Shortcut && b.command == command)
            return b.key;
    for (const Binding& b : rows_)
        if (b.input == Binding::Input::Key && b.command == command)
            return b.key;
    return std::nullopt;
}

void KeyTable::bindKey(QKeyCombination key, std::optional<Command> command) {
    key = normalised(key);
    // The same key's rows go, whatever they were; the new row comes before
    // the defaults, so that it also shadows an arrow held with modifiers.
    std::erase_if(rows_, [key](const Binding& b) {
        return b.input != Binding::Input::Click && b.input != Binding::Input::Mouse && b.key == key;
    });
    const auto firstDefault =
        std::find_if(rows_.begin(), rows_.end(), [](const Binding& b) { return !b.user; });
    rows_.insert(firstDefault, Binding{Binding::Input::Key, key, {}, {}, command, true});
}

void KeyTable::bindMouse(MouseInput input, std::optional<Command> command) {
    std::erase_if(rows_, [input](const Binding& b) {
        return b.input == Binding::Input::Mouse && b.mouse == input;
    });
    rows_.push_back(Binding{Binding::Input::Mouse, {}, input, {}, command, true});
}

QStringList KeyTable::applyUserFile(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString())};
    return applyUserText(QString::fromUtf8(file.readAll()), path);
}

QStringList KeyTable::applyUserText(const QString& text, const QString& fileName) {
    QStringList problems;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        auto problem = [&](const QString& why) {
            problems << QStringLiteral("%1:%2: %3").arg(fileName).arg(n + 1).arg(why);
        };
        // The last '=' divides: a key may be '=' itself, a command never is.
        const qsizetype eq = line.lastIndexOf(QLatin1Char('='));
        if (eq < 0) {
            problem(QStringLiteral("no '=' between the input and the command"));
            continue;
        }
        const QString input = line.left(eq).trimmed();
        const QString name = line.mid(eq + 1).trimmed();
        std::optional<Command> command;
        if (name.compare(QLatin1String("none"), Qt::CaseInsensitive) != 0) {
            const auto found =
                std::find_if(kCommandNames.begin(), kCommandNames.end(), [&](const char* c) {
                    return name.compare(QLatin1String(c), Qt::CaseInsensitive) == 0;
                });
            if (found == kCommandNames.end()) {
                problem(QStringLiteral("unknown command \"%1\"").arg(name));
                continue;
            }
            command = Command(found - kCommandNames.begin());
        }
        if (input.startsWith(QLatin1String("Mouse:"), Qt::CaseInsensitive) ||
            input.startsWith(QLatin1String("Wheel:"), Qt::CaseInsensitive)) {
            const auto found =
                std::find_if(std::begin(kMouseNames), std::end(kMouseNames), [&](const auto& m) {
                    return input.compare(QLatin1String(m.first), Qt::CaseInsensitive) == 0;
                });
            if (found == std::end(kMouseNames)) {
                problem(QStringLiteral("unknown mouse input \"%1\"").arg(input));
                continue;
            }
            bindMouse(found->second, command);
            continue;
        }
        const std::optional<QKeyCombination> key = parseKey(input);
        if (!key) {
            problem(QStringLiteral("unknown key \"%1\"").arg(input));
            continue;
        }
        bindKey(*key, command);
    }
    return problems;
}

QString keysFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/soru/keys");
}

} // namespace soru
