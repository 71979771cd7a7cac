#include "core/frame_settings.h"
#include "tests/support/test_support.h"

#include <QFile>
#include <gtest/gtest.h>

namespace soru {
namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

TEST(FrameSettings, RoundTripKeepsOtherGroups) {
    test::TempDir dir;
    const QString file = dir.file("config/soru/soru.ini");
    QStringList problems;
    EXPECT_EQ(readFrameSettings(file, &problems), FrameSettings{});
    EXPECT_TRUE(problems.isEmpty());
    const FrameSettings s{2500, FrameOrder::Shuffle, 0, true, true};
    ASSERT_TRUE(writeFrameSettings(file, s)); // creates the folders
    EXPECT_EQ(readFrameSettings(file, &problems), s);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();

    write(file, "[keys]\nnext=Right\n\n[frame]\ninterval=9\norder=date\n\n[other]\nx=1\n");
    const FrameSettings t{100, FrameOrder::Date, 3000, false, true};
    ASSERT_TRUE(writeFrameSettings(file, t));
    EXPECT_EQ(readFrameSettings(file), t);
    const QByteArray text = readAll(file);
    EXPECT_TRUE(text.startsWith("[keys]\nnext=Right\n")) << text.constData();
    EXPECT_TRUE(text.contains("interval=0.1\n")) << text.constData();
    EXPECT_TRUE(text.contains("[other]\nx=1\n")) << text.constData();
    EXPECT_EQ(text.count("[frame]"), 1);
}

TEST(FrameSettings, BadValuesFallBackOneByOne) {
    test::TempDir dir;
    const QString file = dir.file("soru.ini");
    const struct {
        const char* line;
        FrameSettings expected;
        int problems;
    } cases[] = {
        {"interval=0.25", {250, FrameOrder::Name, 1000, false, false}, 0},
        {"interval=0.05", {}, 1},
        {"interval=3601", {}, 1},
        {"interval=abc", {}, 1},
        {"interval=1,5", {}, 1},
        {"order=SHUFFLE", {3000, FrameOrder::Shuffle, 1000, false, false}, 0},
        {"order=random", {}, 1},
        {"fade=0", {3000, FrameOrder::Name, 0, false, false}, 0},
        {"fade=3.5", {}, 1},
        {"captions=yes\nsounds=true", {3000, FrameOrder::Name, 1000, false, true}, 1},
        {"interval=nan\nfade=-1\norder=date", {3000, FrameOrder::Date, 1000, false, false}, 2},
    };
    for (const auto& c : cases) {
        write(file, QByteArray("[frame]\n") + c.line + "\n");
        QStringList problems;
        EXPECT_EQ(readFrameSettings(file, &problems), c.expected) << c.line;
        EXPECT_EQ(problems.size(), c.problems) << c.line << ": " << problems.join('\n').toStdString();
    }
}

TEST(FrameSettings, StateFileFollowsXdgStateHome) {
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/tmp/state-here");
    EXPECT_EQ(frameStateFile(), "/tmp/state-here/soru/frame-state");
    qputenv("XDG_STATE_HOME", "relative/ignored");
    EXPECT_EQ(frameStateFile(), QDir::homePath() + "/.local/state/soru/frame-state");
    if (saved.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", saved);
}

} // namespace
} // namespace soru
