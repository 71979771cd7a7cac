// Reading the playing time from wave headers, including the damaged and
// unusual layouts found in the wild.
#include "platform/sound_wav_header.h"
#include "tests/platform/sound/riff_builder.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QDir>
#include <gtest/gtest.h>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace soru {
namespace {

using namespace soru::test;

using std::chrono::milliseconds;

QByteArray zeros(int n) {
    return QByteArray(n, '\0');
}

struct HeaderCase {
    const char* name;
    QByteArray bytes;
    std::optional<int> expectedMs;
};

TEST(WavDuration, ReadsTheLengthOrRejects) {
    const QByteArray chime = testlib::wavBytes(300, 440.0, 22050);
    QByteArray bogusRiffSize = riff(fmt(16000) + chunk("data", zeros(8000)));
    bogusRiffSize.replace(4, 4, le32(0));

    const HeaderCase cases[] = {
        {"chime from the generator", chime, 300},
        {"stereo 8 kHz 16-bit, one second",
         riff(fmt(32000, 2, 8000, 4) + chunk("data", zeros(32000))), 1000},
        {"odd-length chunk and its pad byte before fmt and data",
         riff(chunk("LIST", "abc") + fmt(16000) + chunk("data", zeros(4000))), 250},
        {"odd-length chunk between fmt and data",
         riff(fmt(16000) + chunk("junk", "12345") + chunk("data", zeros(8000))), 500},
        {"fmt chunk longer than 16 bytes (extensible)",
         riff(chunk("fmt ", fmt(16000).mid(8) + le16(22) + zeros(22)) + chunk("data", zeros(1600))),
         100},
        {"data before fmt", riff(chunk("data", zeros(1600)) + fmt(16000)), 100},
        {"RIFF size of zero is ignored", bogusRiffSize, 500},
        {"data size larger than the file plays what is there",
         riff(fmt(16000) + chunk("data", zeros(8000), 1'000'000)), 500},
        {"data size left at 0xFFFFFFFF", riff(fmt(16000) + chunk("data", zeros(1600), 0xFFFFFFFFu)),
         100},
        {"empty data chunk", riff(fmt(16000) + chunk("data", {})), 0},
        {"rounded to the nearest millisecond", riff(fmt(2000) + chunk("data", zeros(3))), 2},
        {"zero byte rate", riff(fmt(0) + chunk("data", zeros(1600))), std::nullopt},
        {"zero channels", riff(fmt(16000, 0) + chunk("data", zeros(1600))), std::nullopt},
        {"zero sample rate", riff(fmt(16000, 1, 0) + chunk("data", zeros(1600))), std::nullopt},
        {"zero block alignment", riff(fmt(16000, 1, 8000, 0) + chunk("data", zeros(1600))),
         std::nullopt},
        {"fmt chunk shorter than 16 bytes",
         riff(chunk("fmt ", zeros(14)) + chunk("data", zeros(1600))), std::nullopt},
        {"header cut inside fmt", riff(fmt(16000) + chunk("data", zeros(1600))).left(30),
         std::nullopt},
        {"header cut before the data chunk", riff(fmt(16000) + chunk("data", zeros(1600))).left(40),
         std::nullopt},
        {"no data chunk", riff(fmt(16000) + chunk("LIST", zeros(10))), std::nullopt},
        {"no fmt chunk", riff(chunk("data", zeros(1600))), std::nullopt},
        {"chunk claiming almost 4 GiB before fmt",
         riff(chunk("junk", zeros(8), 0xFFFFFFF0u) + fmt(16000) + chunk("data", zeros(1600))),
         std::nullopt},
        {"RIFF of another form", riff(fmt(16000) + chunk("data", zeros(1600)), "AVI "),
         std::nullopt},
        {"not RIFF at all", testlib::brokenBytes(testlib::BrokenKind::WavNotRiff), std::nullopt},
        {"only the signature", QByteArray("RIFF\0\0\0\0WAVE", 12), std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<milliseconds> got = wavDuration(c.bytes, c.bytes.size());
        if (c.expectedMs) {
            ASSERT_TRUE(got.has_value());
            EXPECT_EQ(got->count(), *c.expectedMs);
        } else {
            EXPECT_FALSE(got.has_value()) << got->count() << " ms";
        }
    }
}

TEST(WavDuration, UsesTheFileSizeNotTheHeadSize) {
    // Only the head of a long file is read; its data goes on beyond it.
    const QByteArray head = riff(fmt(16000) + chunk("data", {}, 160'000)).left(44);
    EXPECT_EQ(wavDuration(head, 44 + 160'000), milliseconds(10'000));
    EXPECT_EQ(wavDuration(head, 44 + 16'000), milliseconds(1'000));
}

TEST(WavFileDuration, ReadsFilesAndRejectsEverythingElse) {
    test::TempDir dir;
    testlib::writeWav(dir.file("chime.wav"), 700, 660.0);
    testlib::writeBroken(dir.file("truncated.wav"), testlib::BrokenKind::WavTruncated);
    testlib::writeFile(dir.file("empty.wav"), {});
    testlib::makeFolder(dir.file("folder.wav"));

    EXPECT_EQ(wavFileDuration(dir.file("chime.wav")), milliseconds(700));
    // The generator cuts a 500 ms chime to a third of its samples.
    const std::optional<milliseconds> truncated = wavFileDuration(dir.file("truncated.wav"));
    ASSERT_TRUE(truncated.has_value());
    EXPECT_GT(truncated->count(), 100);
    EXPECT_LT(truncated->count(), 200);
    EXPECT_FALSE(wavFileDuration(dir.file("empty.wav")));
    EXPECT_FALSE(wavFileDuration(dir.file("folder.wav")));
    EXPECT_FALSE(wavFileDuration(dir.file("missing.wav")));
#if defined(Q_OS_UNIX)
    // Opening a pipe with no writer would block for ever.
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.file("pipe.wav")).constData(), 0600), 0);
    EXPECT_FALSE(wavFileDuration(dir.file("pipe.wav")));
#endif
}

} // namespace
} // namespace soru
