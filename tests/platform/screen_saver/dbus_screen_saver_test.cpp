// The desktop screen-saver hold on a private session bus, where a stand-in
// org.freedesktop.ScreenSaver records what it is asked, alone and behind
// the main window.
#include "core/texts.h"
#include "media/colour/colour_management.h"
#include "platform/screen_saver.h"
#include "tests/support/fake_services.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"
#include "tests/ui/window_parts.h"
#include "ui/main/main_window.h"

#include <QAction>
#include <QDBusConnection>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

namespace soru {
namespace {

class StandInScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    // The calls with their cookies ("Inhibit 41 UnInhibit 41"), and the
    // last Inhibit's arguments.
    std::string log() const {
        QMutexLocker lock(&mutex_);
        return log_.join(QLatin1Char(' ')).toStdString();
    }
    qsizetype count() const {
        QMutexLocker lock(&mutex_);
        return log_.size();
    }
    QStringList lastArguments() const {
        QMutexLocker lock(&mutex_);
        return arguments_;
    }

public Q_SLOTS:
    uint Inhibit(const QString& app, const QString& reason) {
        QMutexLocker lock(&mutex_);
        arguments_ = {app, reason};
        log_ << QStringLiteral("Inhibit %1").arg(nextCookie_);
        return nextCookie_++;
    }
    void UnInhibit(uint cookie) {
        QMutexLocker lock(&mutex_);
        log_ << QStringLiteral("UnInhibit %1").arg(cookie);
    }

private:
    mutable QMutex mutex_;
    QStringList log_;
    QStringList arguments_;
    uint nextCookie_ = 41;
};

// A private bus daemon for the whole suite, named in DBUS_SESSION_BUS_ADDRESS
// before anything connects; each test puts a stand-in on it, served from a
// thread of its own so that blocking calls from this thread get answers.
class DbusScreenSaver : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            return;
        daemon_ = new QProcess;
        // The daemon goes with this process, however the process ends.
        daemon_->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        daemon_->start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        if (daemon_->waitForReadyRead(5000))
            address_ = QString::fromUtf8(daemon_->readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
    }
    static void TearDownTestSuite() {
        if (daemon_) {
            daemon_->kill();
            daemon_->waitForFinished();
        }
        delete daemon_;
        daemon_ = nullptr;
    }

    void SetUp() override {
        if (address_.isEmpty())
            GTEST_SKIP() << "no dbus-daemon";
        thread_.start();
        standIn_.moveToThread(&thread_);
    }
    void TearDown() override {
        if (address_.isEmpty())
            return;
        QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
        thread_.quit();
        thread_.wait();
    }
    void serve(const QString& path) {
        QDBusConnection bus = QDBusConnection::connectToBus(address_, QStringLiteral("stand-in"));
        ASSERT_TRUE(bus.registerObject(path, &standIn_, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    }
    bool waitForCalls(int n) {
        return QTest::qWaitFor([&] { return standIn_.count() >= n; }, 3000);
    }

    static inline QProcess* daemon_ = nullptr;
    static inline QString address_;
    QThread thread_;
    StandInScreenSaver standIn_;
};

// Holding twice inhibits once; both object paths in use are found.
TEST_F(DbusScreenSaver, InhibitsOnceAndReleasesTheSameCookieOnEitherPath) {
    for (const QString path :
         {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")}) {
        SCOPED_TRACE(path.toStdString());
        QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
        const qsizetype before = standIn_.count();
        serve(path);
        DesktopScreenSaverHold hold(text::kAppTitle, text::kScreenSaverReason);
        hold.hold(true);
        hold.hold(true);
        ASSERT_TRUE(waitForCalls(before + 1));
        EXPECT_EQ(standIn_.lastArguments().join(QLatin1Char('|')).toStdString(),
                  "SORU for win32|スライドショーを表示しています");
        QTest::qWait(100);
        hold.hold(false);
        hold.hold(false);
        ASSERT_TRUE(waitForCalls(before + 2));
        QTest::qWait(100);
        EXPECT_EQ(standIn_.count(), before + 2);
    }
    EXPECT_EQ(standIn_.log(), "Inhibit 41 UnInhibit 41 Inhibit 42 UnInhibit 42");
}

// Toggles faster than the desktop answers: one Inhibit each time, its
// cookie released when the answer comes, or by the destructor before it
// returns.
TEST_F(DbusScreenSaver, TogglesBeforeTheAnswerAndQuittingRelease) {
    serve(QStringLiteral("/org/freedesktop/ScreenSaver"));
    {
        DesktopScreenSaverHold hold(text::kAppTitle, text::kScreenSaverReason);
        hold.hold(true);
        hold.hold(false);
        ASSERT_TRUE(waitForCalls(2));
        hold.hold(true);
        hold.hold(false);
        hold.hold(true);
    }
    EXPECT_EQ(standIn_.log(), "Inhibit 41 UnInhibit 41 Inhibit 42 UnInhibit 42");
}

// The service restarts while the show runs (its name gets a new owner): the
// hold is asked for again, and the new cookie is the one released.
TEST_F(DbusScreenSaver, AsksAgainWhenTheServiceRestarts) {
    serve(QStringLiteral("/org/freedesktop/ScreenSaver"));
    DesktopScreenSaverHold hold(text::kAppTitle, text::kScreenSaverReason);
    hold.hold(true);
    ASSERT_TRUE(waitForCalls(1));
    // The service goes away and a new one takes the name.
    QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
    QTest::qWait(100);
    serve(QStringLiteral("/org/freedesktop/ScreenSaver"));
    ASSERT_TRUE(waitForCalls(2));
    hold.hold(false);
    ASSERT_TRUE(waitForCalls(3));
    EXPECT_EQ(standIn_.log(), "Inhibit 41 Inhibit 42 UnInhibit 42");
}

TEST_F(DbusScreenSaver, WindowHoldsWhileTheShowRunsOnScreen) {
    serve(QStringLiteral("/org/freedesktop/ScreenSaver"));
    test::TempDir library;
    testlib::LibraryBuilder(library.path()).album("").jpeg("a.jpg", 64, 48).jpeg("b.jpg", 64, 48);
    DesktopScreenSaverHold hold(text::kAppTitle, text::kScreenSaverReason);
    RecordingSound sound;
    ColourTransformCache colours;
    TfrmMain::Environment env;
    env.colours = &colours;
    env.libraryFolder = library.path();
    env.screen = QRect(0, 0, 1024, 768);
    env.services.sound = &sound;
    env.services.screenSaver = &hold;
    TfrmMain w(env);
    w.FormCreate();
    QAction* aAuto = WindowParts(w).action(Command::Auto);
    aAuto->trigger(); // start
    ASSERT_TRUE(waitForCalls(1));
    w.tbsMinClick();
    ASSERT_TRUE(waitForCalls(2));
    w.showNormal();
    ASSERT_TRUE(waitForCalls(3));
    aAuto->trigger(); // stop
    ASSERT_TRUE(waitForCalls(4));
    aAuto->trigger();
    ASSERT_TRUE(waitForCalls(5));
    w.close();
    ASSERT_TRUE(waitForCalls(6));
    QTest::qWait(100);
    EXPECT_EQ(standIn_.log(),
              "Inhibit 41 UnInhibit 41 Inhibit 42 UnInhibit 42 Inhibit 43 UnInhibit 43");
}

} // namespace
} // namespace soru

#include "dbus_screen_saver_test.moc"
