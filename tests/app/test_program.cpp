// The program as a user starts it: options, exit codes, and a whole start-up
// on the offscreen platform that ends with a screenshot.
#include "core/frame_settings.h"
#include "core/frame_show.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QImage>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace soru {
namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun runSoru(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(SORU_BINARY, args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

TEST(Program, OptionsAndExitCodes) {
    test::TempDir tmp;
    const struct {
        QStringList args;
        int code;
        const char* outHas;
        const char* errHas;
    } cases[] = {
        {{"--help"}, 0, "--screenshot", ""},
        {{"--version"}, 0, "soru ", ""},
        {{"--no-such-option"}, 2, "", "--no-such-option"},
        {{tmp.file("missing")}, 2, "", "missing"},
        {{tmp.path(), tmp.path()}, 2, "", ""},
        // English comes from the translation built into the program.
        {{"--lang", "en", "--help"}, 0, "Usage: soru", ""},
        {{"--lang", "en", "--no-such-option"}, 2, "", "Unknown option: --no-such-option"},
        {{"--lang", "xx"}, 2, "", "--lang"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = runSoru(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(r.exitCode, c.code);
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(c.outHas))) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.errHas))) << r.err.toStdString();
        if (c.code == 2) {
            EXPECT_TRUE(r.out.isEmpty());
        }
    }
}

TEST(Program, ScreenshotOfTheMainWindowAfterStartUp) {
    test::TempDir tmp;
    const QString shot = tmp.file("shot.png");
    const ProgramRun r = runSoru({"--screenshot", shot, tmp.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(shot));
    QImage image(shot);
    ASSERT_FALSE(image.isNull());
    // The offscreen screen of the test platform is 800 x 800 unless configured.
    EXPECT_GE(image.width(), 640);
    // Below the toolbar the empty library shows the white top of the gradient.
    EXPECT_EQ(image.pixel(image.width() / 2, 27), qRgb(255, 255, 255));
}

// A picture file on the command line: its folder is the library (albums
// included) and that picture is shown first; another file is refused.
TEST(Program, PictureFileArgumentShowsThatPictureFirst) {
    test::TempDir tmp;
    QImage red(1600, 1600, QImage::Format_RGB32), blue(1600, 1600, QImage::Format_RGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    testlib::LibraryBuilder lib(tmp.path());
    lib.album("").jpeg("a.jpg", red).jpeg("b.jpg", blue).file("notes.txt", "x");
    lib.album("Trip").jpeg("c.jpg", red);
    const QString shot = tmp.file("shot.png");
    const ProgramRun r = runSoru({"--screenshot", shot, tmp.file("b.jpg")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    const QRgb middle = image.pixel(image.width() / 2, image.height() / 2);
    EXPECT_GT(qBlue(middle), 200);
    EXPECT_LT(qRed(middle), 60);
    const ProgramRun text = runSoru({tmp.file("notes.txt")});
    EXPECT_EQ(text.exitCode, 2);
    EXPECT_TRUE(text.err.contains("notes.txt")) << text.err.toStdString();
}

TEST(Program, UnwritableScreenshotFails) {
    test::TempDir tmp;
    const ProgramRun r = runSoru({"--screenshot", tmp.file("no/such/dir/shot.png"), tmp.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.isEmpty());
}

} // namespace
} // namespace soru

namespace soru {
namespace {

// The frame's place as its state file says it; empty before the first.
QString framePlaceIn(const QString& stateFile) {
    const std::optional<FramePlace> place = readFrameState(stateFile);
    return place ? place->picture : QString();
}

// Killed without warning (a power cut, kill -9), the frame goes on in the
// next run with the picture after the one it stood at, not the first.
TEST(Program, TheFrameResumesAfterAKill) {
    test::TempDir tmp, config, state;
    testlib::LibraryBuilder lib(tmp.path());
    testlib::AlbumBuilder root = lib.album("");
    for (char c = 'a'; c <= 'h'; ++c)
        root.jpeg(QStringLiteral("%1.jpg").arg(QLatin1Char(c)), 64, 48);
    FrameSettings settings;
    settings.intervalMs = 300;
    settings.fadeMs = 0;
    ASSERT_TRUE(writeFrameSettings(config.file("soru/soru.ini"), settings));
    const QString stateFile = state.file("soru/frame-state");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("XDG_STATE_HOME", state.path());
    env.insert("XDG_CACHE_HOME", state.path());
    auto start = [&](QProcess& p) {
        p.setProcessEnvironment(env);
        p.start(SORU_BINARY, {"--frame", tmp.path()});
        ASSERT_TRUE(p.waitForStarted());
    };
    QProcess first;
    start(first);
    // The place is written at once, then at most every few seconds: wait
    // for a place past the first picture.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QStringList{"", "a.jpg"}.contains(framePlaceIn(stateFile)); }, 20000));
    first.kill();
    first.waitForFinished();
    const QString stoodAt = framePlaceIn(stateFile);
    const QString expected = QStringLiteral("%1.jpg").arg(QChar(stoodAt.at(0).unicode() == 'h' ? 'a' : stoodAt.at(0).unicode() + 1));
    QProcess second;
    start(second);
    EXPECT_TRUE(QTest::qWaitFor([&] { return framePlaceIn(stateFile) != stoodAt; }, 20000));
    EXPECT_EQ(framePlaceIn(stateFile), expected) << "stood at " << stoodAt.toStdString();
    second.kill();
    second.waitForFinished();
}

} // namespace
} // namespace soru
