// The keys file over the default table, and the touch and wheel judgements.
#include "core/key_bindings.h"
#include "core/touch_gesture.h"
#include "core/viewer_session.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

TEST(KeyTable, UserLinesReplaceTheirInputsDefaultsAndBadLinesKeepThem) {
    KeyTable t = KeyTable::defaults();
    const QStringList problems = t.applyUserText(QStringLiteral("# my keys\n"
                                                                "\n"
                                                                "Ctrl+N = back   # swapped\n"
                                                                "Space = none\n"
                                                                "Alt+Left = exit\n"
                                                                "Mouse:Middle = sum\n"
                                                                "wheel:up = NONE\n"
                                                                "Ctrl+Foo = next\n"
                                                                "Ctrl+B = jump\n"
                                                                "Mouse:Left = next\n"
                                                                "F11\n"
                                                                "Ctrl+= = frame\n"),
                                                 QStringLiteral("keys"));
    EXPECT_EQ(problems,
              QStringList({QStringLiteral("keys:8: unknown key \"Ctrl+Foo\""),
                           QStringLiteral("keys:9: unknown command \"jump\""),
                           QStringLiteral("keys:10: unknown mouse input \"Mouse:Left\""),
                           QStringLiteral("keys:11: no '=' between the input and the command")}));
    const struct {
        QKeyCombination key;
        std::optional<Command> expected;
    } keys[] = {
        {Qt::CTRL | Qt::Key_N, Command::Back},
        {Qt::CTRL | Qt::Key_B, Command::Back}, // the bad line kept it
        {QKeyCombination(Qt::Key_Space), std::nullopt},
        {Qt::ALT | Qt::Key_Left, Command::Exit},       // shadows the arrow with modifiers
        {Qt::SHIFT | Qt::Key_Left, Command::StepBack}, // the arrow itself stays
        {Qt::ALT | Qt::Key_N, Command::Next},
        {QKeyCombination(Qt::Key_F11), Command::Frame},
        {Qt::CTRL | Qt::Key_Equal, Command::Frame},
        {QKeyCombination(Qt::Key_Backspace), Command::StepBack},
    };
    for (const auto& k : keys)
        EXPECT_EQ(t.commandForKey(k.key), k.expected) << k.key.toCombined();
    EXPECT_EQ(t.commandForMouse(MouseInput::Middle), Command::Sum);
    EXPECT_EQ(t.commandForMouse(MouseInput::WheelUp), std::nullopt);
    EXPECT_EQ(t.commandForMouse(MouseInput::WheelDown), Command::StepNext);
    EXPECT_EQ(t.commandForMouse(MouseInput::Back), Command::StepBack);
    // The menu shows what the keys do now: Next lost Ctrl+N; Exit shows its new key.
    EXPECT_EQ(t.shortcutFor(Command::Next), std::nullopt);
    EXPECT_EQ(t.shortcutFor(Command::Back), Qt::CTRL | Qt::Key_B);
    EXPECT_EQ(t.shortcutFor(Command::Exit), Qt::ALT | Qt::Key_Left);
    // The defaults are untouched.
    EXPECT_EQ(KeyTable::standard().commandForKey(QKeyCombination(Qt::Key_Space)),
              Command::StepNext);
    EXPECT_EQ(KeyTable::standard().commandForKey(Qt::CTRL | Qt::Key_N), Command::Next);
}

TEST(KeyTable, AMissingFileChangesNothing) {
    KeyTable t = KeyTable::defaults();
    EXPECT_TRUE(t.applyUserFile(QStringLiteral("/nonexistent/soru/keys")).isEmpty());
    EXPECT_EQ(t.commandForKey(QKeyCombination(Qt::Key_F)), Command::Frame);
}

TEST(KeyTable, TheFrameKeysAskTheWindowForTheFrameWithoutAnAlbum) {
    ViewerSession session;
    QList<Command> requested;
    QObject::connect(&session, &ViewerSession::requested, [&](Command c) { requested << c; });
    for (QKeyCombination key : {QKeyCombination(Qt::Key_F11), QKeyCombination(Qt::Key_F)})
        session.run(*KeyTable::standard().commandForKey(key));
    EXPECT_EQ(requested, QList<Command>({Command::Frame, Command::Frame}));
}

TEST(TouchGesture, SwipesAndTaps) {
    using K = TouchGesture::Kind;
    const QSizeF view(1000, 600);
    const struct {
        QPointF from, to;
        qint64 ms;
        K expected;
    } cases[] = {
        {{600, 300}, {450, 320}, 200, K::SwipeNext},
        {{400, 300}, {520, 250}, 200, K::SwipeBack},
        {{600, 300}, {510, 300}, 200, K::None},  // under a tenth of the width
        {{600, 300}, {450, 480}, 200, K::None},  // more down than across
        {{600, 300}, {450, 300}, 5000, K::None}, // a slow drag
        {{100, 300}, {105, 296}, 100, K::Tap},
        {{100, 300}, {105, 296}, 2000, K::None}, // a long press
        {{100, 300}, {140, 300}, 100, K::None},  // between a tap and a swipe
    };
    for (const auto& c : cases)
        EXPECT_EQ(classifyTouch(c.from, c.to, c.ms, view).kind, c.expected)
            << c.from.x() << "->" << c.to.x();
    EXPECT_EQ(classifyTouch({100, 300}, {103, 300}, 50, view).at, QPointF(100, 300));
}

TEST(WheelNotches, PartsAddUpAndTurningBackDropsThem) {
    WheelNotches w;
    EXPECT_EQ(w.add(-120), -1);
    EXPECT_EQ(w.add(-360), -3);
    EXPECT_EQ(w.add(40), 0);
    EXPECT_EQ(w.add(40), 0);
    EXPECT_EQ(w.add(40), 1);
    EXPECT_EQ(w.add(100), 0);
    EXPECT_EQ(w.add(-100), 0); // the 100 upwards is dropped
    EXPECT_EQ(w.add(-20), -1);
}

} // namespace
} // namespace soru
