#include "core/presentation.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace soru {
namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(Presentation, FileNameAndExtensionReplacement) {
    const struct {
        const char* path;
        const char* name;
        const char* wav;
    } cases[] = {
        {"/lib/旅行/photo.JPG", "photo.JPG", "/lib/旅行/photo.wav"},
        {"/lib/a.b/photo", "photo", "/lib/a.b/photo.wav"},
        {"/lib/photo.tar.jpeg", "photo.tar.jpeg", "/lib/photo.tar.wav"},
#ifdef Q_OS_WIN
        {"C:\\disc\\album\\x.jpg", "x.jpg", "C:\\disc\\album\\x.wav"},
#else
        // Backslashes and colons are ordinary characters of a file name here.
        {"/lib/back\\memo.jpg", "back\\memo.jpg", "/lib/back\\memo.wav"},
        {"/lib/colon:memo.jpg", "colon:memo.jpg", "/lib/colon:memo.wav"},
#endif
        {"/lib/.hidden", ".hidden", "/lib/.wav"},
        {"plain", "plain", "plain.wav"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pathFileName(QString::fromUtf8(c.path)), QString::fromUtf8(c.name));
        EXPECT_EQ(replaceExtension(QString::fromUtf8(c.path), ".wav"), QString::fromUtf8(c.wav));
    }
}

TEST(Presentation, CompanionsAreFoundWhateverTheLetterCase) {
    test::TempDir dir;
    touch(dir.file("photo.JPG"));
    touch(dir.file("photo.WAV"));
    touch(dir.file("exact.jpg"));
    touch(dir.file("exact.rtf"));
    touch(dir.file("exact.RTF"));
    QDir(dir.path()).mkdir("folder.txt");
    touch(dir.file("folder.jpg"));
    const QString photo = dir.file("photo.JPG");
    EXPECT_EQ(findCompanion(photo, ".wav"), dir.file("photo.WAV"));
    EXPECT_EQ(findCompanion(photo, ".rtf"), QString());
    EXPECT_EQ(findCompanion(dir.file("exact.jpg"), ".rtf"), dir.file("exact.rtf"));
    // A folder named like a companion does not count.
    EXPECT_EQ(findCompanion(dir.file("folder.jpg"), ".txt"), QString());
    // A vanished picture still has its companions looked for.
    EXPECT_EQ(findCompanion(dir.file("photo.jpeg"), ".wav"), dir.file("photo.WAV"));
    EXPECT_EQ(findCompanion(dir.file("nowhere/x.jpg"), ".wav"), QString());
}

TEST(Presentation, PositionAndSizeTexts) {
    EXPECT_EQ(positionText(0, 12), "1 / 12");
    EXPECT_EQ(positionText(11, 12), "12 / 12");
    EXPECT_EQ(sizeText(3000, 2000), "3000 x 2000");
    EXPECT_EQ(sizeText(4000, 1), "4000 x 1");
}

TEST(Presentation, FileDateInTheLocale) {
    const QDateTime t(QDate(2026, 12, 7), QTime(9, 5));
    const struct {
        const char* locale;
        const char* text;
    } cases[] = {
        {"ja_JP", "2026/12/07(月) 09:05"},
        {"en_US", "2026/12/07(Mon) 09:05"},
        {"de_DE", "2026.12.07(Mo.) 09:05"},
        {"fi_FI", "2026.12.07(ma) 09.05"},
        {"C", "2026/12/07(Mon) 09:05"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileDateText(t, QLocale(c.locale)), QString::fromUtf8(c.text)) << c.locale;
}

TEST(Presentation, FileDateUnderAnEnglishInterfaceNamesTheWeekdayInEnglish) {
    const QDateTime t(QDate(2026, 12, 8), QTime(15, 58));
    EXPECT_EQ(fileDateText(t, QLocale("ja_JP"), UiLanguage::English), "2026/12/08(Tue) 15:58");
    // The locale's separators stay.
    EXPECT_EQ(fileDateText(t, QLocale("fi_FI"), UiLanguage::English), "2026.12.08(Tue) 15.58");
    EXPECT_EQ(fileDateText(t, QLocale("ja_JP"), UiLanguage::Japanese), QString::fromUtf8("2026/12/08(火) 15:58"));
}

TEST(Presentation, HintHasFourToSixLines) {
    const struct {
        bool memo, sound;
        int lines;
        const char* last;
    } cases[] = {{false, false, 4, "2026/12/07(月) 09:05"},
                 {true, false, 5, "メモ付"},
                 {false, true, 5, "サウンド付"},
                 {true, true, 6, "サウンド付"}};
    for (const auto& c : cases) {
        const QStringList lines = pictureHint("a.jpg", "640 x 480", "1 / 3", QString::fromUtf8("2026/12/07(月) 09:05"),
                                              c.memo, c.sound)
                                      .split('\n');
        EXPECT_EQ(lines.size(), c.lines);
        EXPECT_EQ(lines.first(), "a.jpg");
        EXPECT_EQ(lines.last(), QString::fromUtf8(c.last));
    }
    // Empty texts keep their lines.
    EXPECT_EQ(pictureHint("a.jpg", "", "1 / 3", "", false, false), "a.jpg\n\n1 / 3\n");
}

} // namespace
} // namespace soru
