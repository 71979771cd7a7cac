// The player over the real audio back-end, on whatever this machine has (a
// sound server, or no device at all): timing, broken files, silence on the
// console, and what the application can do during a synchronous sound.
#include "platform/sound_media_output.h"
#include "platform/sound_player.h"
#include "tests/platform/sound/riff_builder.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryFile>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <utility>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

#if defined(SORU_HAVE_QPA_INPUT)
#include <qpa/qwindowsysteminterface.h>
#endif

namespace soru {
namespace {

using Outcome = SoundOutput::Outcome;

// Collects what reaches the console while alive: Qt messages (which may go
// to the system log rather than the terminal) and, on Unix, every byte
// written to the standard error stream, by Qt, GStreamer or anyone.
class ConsoleCapture {
public:
    ConsoleCapture() {
        messages().clear();
        previousHandler_ = qInstallMessageHandler(&record);
#if defined(Q_OS_UNIX)
        file_.open();
        std::fflush(stderr);
        savedStderr_ = dup(2);
        dup2(file_.handle(), 2);
#endif
    }
    ~ConsoleCapture() {
        finish();
    }

    // Stops capturing; returns everything captured.
    QString finish() {
        if (previousHandler_) {
            qInstallMessageHandler(std::exchange(previousHandler_, nullptr));
            captured_ = messages().join('\n');
#if defined(Q_OS_UNIX)
            std::fflush(stderr);
            dup2(savedStderr_, 2);
            close(savedStderr_);
            file_.seek(0);
            captured_ += QString::fromLocal8Bit(file_.readAll());
#endif
        }
        return captured_;
    }

private:
    static QStringList& messages() {
        static QStringList list;
        return list;
    }
    static void record(QtMsgType, const QMessageLogContext&, const QString& message) {
        messages().append(message);
    }

    QtMessageHandler previousHandler_ = nullptr;
    QString captured_;
#if defined(Q_OS_UNIX)
    QTemporaryFile file_;
    int savedStderr_ = -1;
#endif
};

qint64 msToPlay(SoundPlayer& player, const QString& path, bool synchronous) {
    QElapsedTimer clock;
    clock.start();
    player.play(path, synchronous);
    return clock.elapsed();
}

// A valid header over samples in an encoding no decoder knows.
QByteArray unknownEncodingWav(int milliseconds) {
    const int bytes = 16000 * milliseconds / 1000;
    return test::riff(test::fmt(16000, 1, 8000, 2, 0x7777) +
                      test::chunk("data", QByteArray(bytes, '\x55')));
}

TEST(MediaSoundPlayer, SynchronousCallLastsAboutTheSound) {
    test::TempDir dir;
    testlib::writeWav(dir.file("chime.wav"), 300, 880.0);
    // Not playable, but the slide show keeps the rhythm the file promises.
    testlib::writeFile(dir.file("unknown.wav"), unknownEncodingWav(600));
    auto player = createSoundPlayer();
    for (const auto& [name, atLeastMs] :
         {std::pair{"chime.wav", 200}, std::pair{"unknown.wav", 550}}) {
        SCOPED_TRACE(name);
        const qint64 ms = msToPlay(*player, dir.file(name), true);
        EXPECT_GE(ms, atLeastMs);
        EXPECT_LT(ms, 5000);
    }
}

TEST(MediaSoundPlayer, AsynchronousCallReturnsAtOnceAndIsOvertaken) {
    test::TempDir dir;
    testlib::writeWav(dir.file("long.wav"), 3000, 440.0);
    testlib::writeWav(dir.file("short.wav"), 300, 880.0);
    auto player = createSoundPlayer();

    EXPECT_LT(msToPlay(*player, dir.file("long.wav"), false), 1000);
    // The synchronous call replaces the long sound and waits for its own
    // end only.
    const qint64 ms = msToPlay(*player, dir.file("short.wav"), true);
    EXPECT_GE(ms, 200);
    EXPECT_LT(ms, 2500);
}

TEST(MediaSoundPlayer, BrokenFilesReturnPromptlyAndSilently) {
    test::TempDir dir;
    testlib::writeBroken(dir.file("not-riff.wav"), testlib::BrokenKind::WavNotRiff);
    testlib::writeBroken(dir.file("truncated.wav"), testlib::BrokenKind::WavTruncated);
    testlib::writeFile(dir.file("empty.wav"), {});
    testlib::writeFile(dir.file("garbage.wav"), QByteArray(3000, '\xA5'));
    testlib::makeFolder(dir.file("folder.wav"));
    testlib::writeWav(dir.file("good.wav"), 200, 880.0);

    // The player is made inside the capture: a back-end's first start-up may
    // be what complains.
    ConsoleCapture console;
    auto player = createSoundPlayer();
    struct Case {
        const char* name;
        qint64 lessThanMs;
    };
    const Case cases[] = {
        {"missing.wav", 1000},
        {"folder.wav", 1000},
        {"empty.wav", 1000},
        {"not-riff.wav", 1000},
        {"garbage.wav", 1000},
        // A third of a 500 ms chime is still there to be played.
        {"truncated.wav", 5000},
        {"good.wav", 5000},
    };
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            for (bool synchronous : {true, false})
                EXPECT_LT(msToPlay(*player, dir.file(c.name), synchronous), c.lessThanMs);
        }
    }
    player.reset();
    EXPECT_EQ(console.finish().toStdString(), "");
}

// Runs the event loop until `done` holds or `ms` have passed.
template <typename Done> void spin(int ms, Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(MediaSoundOutput, ReportsHowEachSoundEnded) {
    test::TempDir dir;
    testlib::writeWav(dir.file("good.wav"), 300, 880.0);
    testlib::writeBroken(dir.file("not-riff.wav"), testlib::BrokenKind::WavNotRiff);
    testlib::writeFile(dir.file("unknown.wav"), unknownEncodingWav(300));
    struct Case {
        const char* name;
        Outcome expected;
    };
    const Case cases[] = {
        {"good.wav", Outcome::Played},
        {"not-riff.wav", Outcome::Failed},
        {"unknown.wav", Outcome::Failed},
        {"missing.wav", Outcome::Failed},
    };
    MediaSoundOutput output;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        std::optional<Outcome> outcome;
        output.start(dir.file(c.name), [&](Outcome o) {
            ++calls;
            outcome = o;
        });
        EXPECT_EQ(calls, 0) << "reported from inside start()";
        spin(5000, [&] { return outcome.has_value(); });
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(*outcome, c.expected);
        spin(200, [] { return false; });
        EXPECT_EQ(calls, 1);
    }
}

TEST(MediaSoundOutput, StartAndStopSilenceTheSoundBefore) {
    test::TempDir dir;
    testlib::writeWav(dir.file("first.wav"), 700, 440.0);
    testlib::writeWav(dir.file("second.wav"), 200, 880.0);
    MediaSoundOutput output;

    bool firstEnded = false;
    bool secondEnded = false;
    QElapsedTimer clock;
    clock.start();
    output.start(dir.file("first.wav"), [&](Outcome) { firstEnded = true; });
    output.start(dir.file("second.wav"), [&](Outcome) { secondEnded = true; });
    // Until the second has ended and well past the end of the first, had
    // it gone on.
    spin(5000, [&] { return secondEnded && clock.elapsed() > 1500; });
    EXPECT_TRUE(secondEnded);
    EXPECT_FALSE(firstEnded);

    bool stoppedEnded = false;
    output.start(dir.file("second.wav"), [&](Outcome) { stoppedEnded = true; });
    output.stop();
    spin(1000, [] { return false; });
    EXPECT_FALSE(stoppedEnded);
}

#if defined(SORU_HAVE_QPA_INPUT)

class Probe final : public QWidget {
public:
    int paints = 0;
    int keys = 0;
    int clicks = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

TEST(MediaSoundPlayer, SynchronousCallHoldsInputButNotPaintingOrTimers) {
    test::TempDir dir;
    testlib::writeWav(dir.file("chime.wav"), 800, 660.0);
    Probe probe;
    probe.resize(200, 150);
    probe.show();
    probe.activateWindow();
    probe.setFocus();
    spin(200, [] { return false; });
    auto player = createSoundPlayer();

    int ticks = 0, paintsDuring = 0, keysDuring = 0, clicksDuring = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (++ticks == 2) {
            // Input as the window system delivers it: queued, not sent.
            QWindow* window = probe.windowHandle();
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
            QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, QPointF(20, 20), QPointF(20, 20), Qt::LeftButton, Qt::LeftButton,
                QEvent::MouseButtonPress);
            probe.paints = 0;
            probe.update();
        }
        paintsDuring = probe.paints;
        keysDuring = probe.keys;
        clicksDuring = probe.clicks;
    });
    ticker.start(50);

    const qint64 ms = msToPlay(*player, dir.file("chime.wav"), true);
    ticker.stop();
    EXPECT_GE(ms, 600);
    EXPECT_GE(ticks, 4);
    EXPECT_GE(paintsDuring, 1) << "no repaint during the sound";
    EXPECT_EQ(keysDuring, 0);
    EXPECT_EQ(clicksDuring, 0);

    // Held, not lost.
    spin(2000, [&] { return probe.keys > 0 && probe.clicks > 0; });
    EXPECT_EQ(probe.keys, 1);
    EXPECT_EQ(probe.clicks, 1);
}

#else

TEST(MediaSoundPlayer, SynchronousCallHoldsInputButNotPaintingOrTimers) {
    GTEST_SKIP() << "built without Qt's platform interface headers (qt6-base-private-dev)";
}

#endif

} // namespace
} // namespace soru
