// The timing of WaveSoundPlayer over a scripted output: how long synchronous
// calls wait whatever the output does, what reaches the output, and calls
// that overtake one another.
#include "platform/sound_player.h"
#include "tests/platform/sound/riff_builder.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>
#include <gtest/gtest.h>

namespace soru {
namespace {

using namespace std::chrono_literals;

enum class Reply { Played, Failed, Nothing };
struct Script {
    Reply reply = Reply::Played;
    int afterMs = 0;
};

// An output that reports the end of each sound as told, and logs calls.
class ScriptedOutput final : public SoundOutput {
public:
    ScriptedOutput(QStringList* log, Script script) : log_(log), script_(script) {}
    ~ScriptedOutput() override { delete context_; }

    void start(const QString& path, Ended ended) override {
        delete context_;
        log_->append("start " + QFileInfo(path).fileName());
        context_ = new QObject;
        if (script_.reply == Reply::Nothing || !ended)
            return;
        const Outcome outcome = script_.reply == Reply::Played ? Outcome::Played : Outcome::Failed;
        QTimer::singleShot(script_.afterMs, context_, [ended, outcome] { ended(outcome); });
    }
    void stop() override {
        log_->append("stop");
        delete context_; // drops the pending report
        context_ = nullptr;
    }

private:
    QStringList* log_;
    Script script_;
    QObject* context_ = nullptr;
};

qint64 msToPlay(SoundPlayer& player, const QString& path, bool synchronous) {
    QElapsedTimer clock;
    clock.start();
    player.play(path, synchronous);
    return clock.elapsed();
}

struct TimingCase {
    const char* name;
    Script script;
    int soundMs;
    std::chrono::milliseconds margin;
    qint64 atLeastMs;
    qint64 lessThanMs;
    bool stopsTheOutputAfterwards;
};

TEST(WaveSoundPlayer, SynchronousCallWaitsForTheEndOrItsBound) {
    const TimingCase cases[] = {
        // The output's word is trusted: no waiting beyond it.
        {"output reports the end early", {Reply::Played, 100}, 4000, 10s, 90, 3000, false},
        // Without a playable sound the rhythm stays that of the file.
        {"output fails at once", {Reply::Failed, 0}, 400, 10s, 380, 5000, false},
        {"output fails midway", {Reply::Failed, 200}, 600, 10s, 580, 5000, false},
        {"output fails after the sound's length", {Reply::Failed, 700}, 300, 10s, 680, 5000, false},
        // An output that never reports is given up on after length + margin.
        {"output never reports", {Reply::Nothing, 0}, 400, 300ms, 680, 5000, true},
    };
    for (const TimingCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        testlib::writeWav(dir.file("a.wav"), c.soundMs, 880.0);
        QStringList log;
        WaveSoundPlayer player(std::make_unique<ScriptedOutput>(&log, c.script), c.margin);

        const qint64 ms = msToPlay(player, dir.file("a.wav"), true);
        EXPECT_GE(ms, c.atLeastMs);
        EXPECT_LT(ms, c.lessThanMs);
        EXPECT_EQ(log.join(", ").toStdString(),
                  c.stopsTheOutputAfterwards ? "stop, start a.wav, stop" : "stop, start a.wav");
    }
}

QStringList& warnings() {
    static QStringList list;
    return list;
}

TEST(WaveSoundPlayer, AbsurdLengthInTheHeaderIsNoProblem) {
    test::TempDir dir;
    // One byte a second: 2.5 MB of samples claim almost a month.
    testlib::writeFile(
        dir.file("month.wav"),
        test::riff(test::fmt(1, 1, 1, 1) + test::chunk("data", QByteArray(2'500'000, '\0'))));
    QStringList log;
    WaveSoundPlayer player(std::make_unique<ScriptedOutput>(&log, Script{Reply::Played, 50}));

    warnings().clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& m) { warnings().append(m); });
    const qint64 ms = msToPlay(player, dir.file("month.wav"), true);
    qInstallMessageHandler(previous);
    EXPECT_LT(ms, 5000);
    EXPECT_EQ(warnings().join('\n').toStdString(), "");
}

TEST(WaveSoundPlayer, EveryCallStopsTheSoundBeforeAndOnlyWaveFilesReachTheOutput) {
    test::TempDir dir;
    testlib::writeWav(dir.file("a.wav"), 2000, 440.0);
    testlib::writeWav(dir.file("b.wav"), 100, 660.0);
    testlib::writeBroken(dir.file("not-riff.wav"), testlib::BrokenKind::WavNotRiff);
    testlib::writeFile(dir.file("silence.wav"),
                       testlib::wavBytes(100, 440.0).left(44).replace(40, 4, QByteArray(4, '\0')));
    QStringList log;
    WaveSoundPlayer player(std::make_unique<ScriptedOutput>(&log, Script{Reply::Played, 50}));

    player.play(dir.file("a.wav"), false);
    player.play(dir.file("b.wav"), true);
    player.play(dir.file("a.wav"), false);
    player.play(dir.file("not-riff.wav"), true);
    player.play(dir.file("a.wav"), false);
    player.play(dir.file("silence.wav"), true);
    player.play(dir.file("a.wav"), false);
    player.play(dir.file("missing.wav"), false);
    EXPECT_EQ(log.join(", ").toStdString(),
              "stop, start a.wav, stop, start b.wav, stop, start a.wav, "
              "stop, stop, start a.wav, stop, stop, start a.wav, stop");
}

TEST(WaveSoundPlayer, ACallFromInsideASynchronousWaitEndsThatWait) {
    test::TempDir dir;
    testlib::writeWav(dir.file("long.wav"), 4000, 440.0);
    testlib::writeWav(dir.file("short.wav"), 300, 660.0);
    QStringList log;
    // The long sound would keep its caller waiting 4 s + 10 s.
    WaveSoundPlayer player(std::make_unique<ScriptedOutput>(&log, Script{Reply::Nothing}), 10s);

    qint64 innerMs = -1;
    QTimer::singleShot(100, [&] { innerMs = msToPlay(player, dir.file("short.wav"), false); });
    const qint64 outerMs = msToPlay(player, dir.file("long.wav"), true);

    EXPECT_GE(innerMs, 0) << "the timer did not fire during the wait";
    EXPECT_LT(outerMs, 3000);
    // The outer call must not silence the sound that overtook it.
    EXPECT_EQ(log.last(), "start short.wav") << log.join(", ").toStdString();
}

TEST(WaveSoundPlayer, NestedSynchronousCallsBothReturn) {
    test::TempDir dir;
    testlib::writeWav(dir.file("long.wav"), 4000, 440.0);
    testlib::writeWav(dir.file("short.wav"), 300, 660.0);
    QStringList log;
    WaveSoundPlayer player(std::make_unique<ScriptedOutput>(&log, Script{Reply::Failed, 0}), 10s);

    qint64 innerMs = -1;
    QTimer::singleShot(100, [&] { innerMs = msToPlay(player, dir.file("short.wav"), true); });
    const qint64 outerMs = msToPlay(player, dir.file("long.wav"), true);

    EXPECT_GE(innerMs, 280);
    // The outer call ends with the inner one, not after its own 4 s.
    EXPECT_LT(outerMs, 3000);
}

TEST(WaveSoundPlayer, DestroyedWhileWaiting) {
    test::TempDir dir;
    testlib::writeWav(dir.file("long.wav"), 4000, 440.0);
    QStringList log;
    auto* player =
        new WaveSoundPlayer(std::make_unique<ScriptedOutput>(&log, Script{Reply::Nothing}), 10s);
    QTimer::singleShot(100, [&] { delete player; });
    EXPECT_LT(msToPlay(*player, dir.file("long.wav"), true), 3000);
    EXPECT_EQ(log.last(), "stop");
}

// The output behind the program's player is made on the first sound only
// (a run without sound never loads the sound libraries), once; without
// one, a synchronous sound still takes its own length.
TEST(DeferredSoundOutput, MadeOnTheFirstSoundOnceAndWithoutOneTheRhythmHolds) {
    test::TempDir dir;
    testlib::writeWav(dir.file("a.wav"), 1000, 440.0);
    for (const bool available : {true, false}) {
        SCOPED_TRACE(available ? "output made" : "no output");
        QStringList log;
        int made = 0;
        auto deferred = std::make_unique<DeferredSoundOutput>([&]() -> std::unique_ptr<SoundOutput> {
            ++made;
            if (!available)
                return nullptr;
            return std::make_unique<ScriptedOutput>(&log, Script{Reply::Played, 50});
        });
        WaveSoundPlayer player(std::move(deferred), 10s);
        player.stop();
        player.play(dir.file("missing.wav"), true);
        EXPECT_EQ(made, 0);
        const qint64 first = msToPlay(player, dir.file("a.wav"), true);
        msToPlay(player, dir.file("a.wav"), true);
        EXPECT_EQ(made, 1);
        if (available) {
            EXPECT_LT(first, 900); // the output's report ends the wait
            EXPECT_EQ(log.count("start a.wav"), 2);
        } else {
            EXPECT_GE(first, 990); // the file's length
        }
    }
}

} // namespace
} // namespace soru
