#include "core/command_line.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace soru {
namespace {

using Mode = CommandLine::Mode;

TEST(CommandLineTest, ParsesOptionsAndFolder) {
    test::TempDir tmp;
    QFile file(tmp.file("plain.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const char* name : {"photo.JPG", "scan.bmp", ".hidden.jpg", "photo.png", "photo.HEIC", "photo.gif"}) {
        QFile picture(tmp.file(name));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    }
    QDir(tmp.path()).mkdir("folder.jpg");
    const QString dir = tmp.path();
    const struct {
        QStringList args;
        Mode mode;
        QString folder;
        QString shot;
        QString picture = {};
        bool frame = false;
        QString language = {};
    } cases[] = {
        {{"--lang", "en", dir}, Mode::Run, dir, {}, {}, false, "en"},
        {{"--lang=ja"}, Mode::Run, {}, {}, {}, false, "ja"},
        {{"--lang", "fr"}, Mode::Error, {}, {}},
        {{"--lang"}, Mode::Error, {}, {}},
        {{"--frame"}, Mode::Run, {}, {}, {}, true},
        {{"--frame", dir}, Mode::Run, dir, {}, {}, true},
        {{}, Mode::Run, {}, {}},
        {{dir}, Mode::Run, dir, {}},
        {{"--help"}, Mode::Help, {}, {}},
        {{"-h"}, Mode::Help, {}, {}},
        {{"--version"}, Mode::Version, {}, {}},
        {{"--screenshot", "/tmp/a.png", dir}, Mode::Run, dir, "/tmp/a.png"},
        {{"--screenshot=/tmp/b.png"}, Mode::Run, {}, "/tmp/b.png"},
        {{"--", "-dir-that-does-not-exist"}, Mode::Error, {}, {}},
        {{"--screenshot"}, Mode::Error, {}, {}},
        {{"--bogus"}, Mode::Error, {}, {}},
        {{"-x"}, Mode::Error, {}, {}},
        {{tmp.file("missing")}, Mode::Error, {}, {}},
        {{tmp.file("plain.txt")}, Mode::Error, {}, {}},
        {{dir, dir}, Mode::Error, {}, {}},
        // A picture stands for its folder and is shown first; other files do not.
        {{tmp.file("photo.JPG")}, Mode::Run, dir, {}, "photo.JPG"},
        {{"--screenshot", "/tmp/c.png", tmp.file("scan.bmp")}, Mode::Run, dir, "/tmp/c.png", "scan.bmp"},
        {{tmp.file("folder.jpg")}, Mode::Run, tmp.file("folder.jpg"), {}},
        {{tmp.file(".hidden.jpg")}, Mode::Error, {}, {}},
        {{tmp.file("photo.png")}, Mode::Run, dir, {}, "photo.png"},
        {{tmp.file("photo.HEIC")}, Mode::Run, dir, {}, "photo.HEIC"},
        {{tmp.file("photo.gif")}, Mode::Error, {}, {}},
        {{tmp.file("photo.jpg.missing")}, Mode::Error, {}, {}},
    };
    for (const auto& c : cases) {
        const CommandLine cl = parseCommandLine(c.args);
        EXPECT_EQ(cl.mode, c.mode) << c.args.join(' ').toStdString();
        if (c.mode == Mode::Run) {
            EXPECT_EQ(cl.folder, c.folder);
            EXPECT_EQ(cl.screenshotFile, c.shot);
            EXPECT_EQ(cl.firstPicture, c.picture);
            EXPECT_EQ(cl.frame, c.frame);
            EXPECT_EQ(cl.language, c.language);
        }
        if (c.mode == Mode::Error) {
            EXPECT_FALSE(cl.error.isEmpty());
        }
    }
}

TEST(CommandLineTest, UnknownOptionIsNamedInTheMessage) {
    EXPECT_TRUE(parseCommandLine({"--frobnicate"}).error.contains("--frobnicate"));
}

TEST(CommandLineTest, LibraryRootEndsWithExactlyOneSeparator) {
    EXPECT_EQ(libraryRoot("/tmp"), "/tmp/");
    EXPECT_EQ(libraryRoot("/tmp/"), "/tmp/");
    EXPECT_EQ(libraryRoot("/tmp//x/../"), "/tmp/");
    EXPECT_EQ(libraryRoot("/"), "/");
    EXPECT_TRUE(libraryRoot("relative").startsWith(QDir::currentPath()));
}

} // namespace
} // namespace soru
