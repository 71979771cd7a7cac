#include "core/slide_show.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace soru {
namespace {

// A show whose ticks are counted and handled as the window does: the timer
// is off during the step and restarts after it while the show runs.
struct CountedShow {
    SlideShow show;
    int ticks = 0;
    CountedShow() {
        QObject::connect(&show, &SlideShow::tick, [this] {
            show.beginStep();
            ++ticks;
            show.endStep();
        });
    }
};

TEST(SlideShow, StartingAndStoppingSwitchTheTimer) {
    SlideShow show;
    EXPECT_FALSE(show.running());
    EXPECT_FALSE(show.timer()->isActive());
    EXPECT_EQ(show.interval(), 3000);
    show.setRunning(true);
    EXPECT_TRUE(show.timer()->isActive());
    // A step keeps the timer off while it runs and restarts it after.
    show.beginStep();
    EXPECT_FALSE(show.timer()->isActive());
    show.endStep();
    EXPECT_TRUE(show.timer()->isActive());
    // Stopped during a step: the end of the step leaves the timer off.
    show.beginStep();
    show.setRunning(false);
    show.endStep();
    EXPECT_FALSE(show.running());
    EXPECT_FALSE(show.timer()->isActive());
}

TEST(SlideShow, OnlyARealIntervalChangeRestartsARunningWait) {
    const struct {
        bool running;
        int from, to;
        bool freshWait; // the wait left afterwards is longer than `from` allows
    } cases[] = {{true, 1000, 600000, true}, {true, 600000, 600000, false}, {false, 1000, 600000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from << " -> " << c.to << (c.running ? " running" : " stopped"));
        SlideShow show;
        show.setInterval(c.from);
        show.setRunning(c.running);
        QTest::qWait(30); // some of the wait has passed
        show.setInterval(c.to);
        EXPECT_EQ(show.interval(), c.to);
        EXPECT_EQ(show.timer()->isActive(), c.running);
        if (!c.running)
            continue;
        const int left = show.timer()->remainingTime();
        if (c.freshWait)
            EXPECT_GT(left, c.from);
        else
            EXPECT_LT(left, c.to);
    }
}

TEST(SlideShow, TicksStepWhileItRuns) {
    CountedShow s;
    s.show.setInterval(1);
    s.show.setRunning(true);
    EXPECT_EQ(s.ticks, 0); // the first step comes one interval later
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.ticks >= 3; }));
    s.show.setRunning(false);
    const int ticks = s.ticks;
    QTest::qWait(20);
    EXPECT_EQ(s.ticks, ticks);
}

// Lets events run, as a synchronous sound does, until the timer has fallen
// due at least once.
void blockUntilTheTimerFired(SlideShow& show) {
    bool fired = false;
    const auto c = QObject::connect(show.timer(), &QTimer::timeout, [&] { fired = true; });
    (void)QTest::qWaitFor([&] { return fired; });
    QObject::disconnect(c);
    ASSERT_TRUE(fired);
}

TEST(SlideShow, ATickDueDuringABlockingCallComesAfterIt) {
    const struct {
        const char* what;
        bool stopInside;
        bool restartInside;
        int ticksAfter;
    } cases[] = {
        {"held, then delivered once", false, false, 1},
        {"stopping drops the held tick", true, false, 0},
        {"a restart does not bring it back", true, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CountedShow s;
        s.show.setInterval(1);
        s.show.setRunning(true);
        s.show.runBlocking([&] {
            EXPECT_TRUE(s.show.blocking());
            blockUntilTheTimerFired(s.show);
            EXPECT_EQ(s.ticks, 0); // never inside the blocking call
            if (c.stopInside)
                s.show.setRunning(false);
            if (c.restartInside) {
                s.show.setInterval(600000);
                s.show.setRunning(true);
            }
            // A nested call runs as it is and does not end the hold.
            s.show.runBlocking([&] { EXPECT_TRUE(s.show.blocking()); });
            EXPECT_TRUE(s.show.blocking());
        });
        EXPECT_FALSE(s.show.blocking());
        EXPECT_EQ(s.ticks, 0); // it comes as an event of its own
        // Stop the timer's own ticks so that only the held one can arrive.
        if (!c.restartInside && !c.stopInside)
            s.show.setInterval(600000);
        QCoreApplication::processEvents();
        EXPECT_EQ(s.ticks, c.ticksAfter);
    }
}

TEST(SlideShow, AFailingBlockingCallStillEndsTheHold) {
    SlideShow show;
    EXPECT_THROW(show.runBlocking([] { throw std::runtime_error("sound"); }), std::runtime_error);
    EXPECT_FALSE(show.blocking());
}

} // namespace
} // namespace soru
