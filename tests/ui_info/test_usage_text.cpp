// The usage text: its 41 lines with their colours, the fortune line, and the
// draw of the fortune.
#include "ui/info/usage_text.h"

#include "tests/support/test_support.h"

#include "ui/widgets/app_style.h"

#include <QFontMetrics>
#include <QImage>
#include <gtest/gtest.h>

#include <set>

namespace soru {
namespace {

TEST(UsageText, FortyOneLinesWithTheirTextsAndColours) {
    // Lines 0..39 as they must read (null: the maker's own terms of use), and
    // whether each is drawn in the accent colour.
    const struct {
        const char* text;
        bool accent;
    } expected[40] = {
        {"", 0}, {"", 0}, {"", 0}, {"", 0}, {"", 0}, {"", 0}, {"", 0}, {"", 0}, {"", 0},
        {" 使用方法：", 1},
        {"", 0},
        {" 以下のファイルを全て CD-R のルートフォルダ", 0},
        {" に入れて下さい。", 0},
        {"", 0},
        {"\u3000・AUTORUN.INF", 0}, {"\u3000・SORU.EXE", 0}, {"\u3000・SORU.ICO", 0},
        {"\u3000・SORU.TXT", 0},
        {"", 0},
        {" その CD-R を CD に入れると、ルートフォルダ", 0},
        {" 以下のフォルダをボタンとして表示します。", 0},
        {" そのボタンを押すと、そのフォルダ内の以下の", 0},
        {" 拡張子の画像ファイルを表示することが出来ま", 0},
        {" す。", 0},
        {"", 0},
        {"  BMP, JPG, JPE, JPEG", 0},
        {"", 0},
        {" また、同一ファイル名で拡張子 WAV（サウンド）,", 0},
        {" RTF or TXT（テキスト）のファイルを入れておく", 0},
        {" と画像表示と共に再生・表示します。", 0},
        {"", 0},
        {" 注意：", 1},
        {"", 0},
        {nullptr, 0}, {nullptr, 0}, {nullptr, 0},
        {" ", 0},
        {" ハイカラー以上でのご利用をお願い致します。", 0},
        {" ", 0}, {" ", 0},
    };
    QStringList lines = usageLines();
    ASSERT_EQ(lines.size(), 40);
    lines.append(fortuneLine(0));
    const QColor text(80, 80, 112), accent(136, 0, 68);
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE(i);
        if (expected[i].text) {
            EXPECT_EQ(lines[i], QString::fromUtf8(expected[i].text));
        } else {
            EXPECT_TRUE(lines[i].startsWith(' ') && lines[i].size() > 8);
        }
        EXPECT_EQ(usageLineColour(i, 40), expected[i].accent ? accent : text);
    }
    const QString terms = lines[33] + lines[34] + lines[35];
    EXPECT_TRUE(terms.contains(QString::fromUtf8("損害")) && terms.contains(QString::fromUtf8("責任")));
    EXPECT_EQ(lines[40], QString::fromUtf8(" 今日の運勢は「大吉」だと思います。"));
    // The accent follows whichever line is last.
    EXPECT_EQ(usageLineColour(40, 40), accent);
    EXPECT_EQ(usageLineColour(40, 41), text);
    EXPECT_EQ(usageLineColour(5, 5), accent);
}

TEST(UsageText, FortuneLineForEachFortune) {
    const char* expected[kFortuneCount] = {
        " 今日の運勢は「大吉」だと思います。", " 今日の運勢は「中吉」だと思います。",
        " 今日の運勢は「小吉」だと思います。", " 今日の運勢は「 吉 」だと思います。",
        " 今日の運勢は「末吉」だと思います。", " 今日の運勢は「 凶 」だと思います。",
    };
    for (int k = 0; k < kFortuneCount; ++k) {
        EXPECT_EQ(fortuneLine(k), QString::fromUtf8(expected[k])) << k;
        // As wide as two full-width characters (four bytes in the classic
        // double-byte encoding).
        int cells = 0;
        for (const QChar c : Fortunes[size_t(k)])
            cells += c.unicode() < 0x80 ? 1 : 2;
        EXPECT_EQ(cells, 4) << k;
    }
}

TEST(UsageText, FortuneIsDrawnFromAllSix) {
    std::set<int> seen;
    for (int n = 0; n < 600; ++n) {
        const int k = drawFortune();
        ASSERT_TRUE(k >= 0 && k < kFortuneCount) << k;
        seen.insert(k);
    }
    EXPECT_EQ(seen.size(), size_t(kFortuneCount));
}

TEST(UsageText, EveryLineFitsTheWidthOfTheTextAreaInEveryLanguage) {
    installFontSubstitutions();
    QImage surface(243, 115, QImage::Format_RGB32);
    const QFontMetrics metrics(pointFont(family::kPGothic, 9), &surface);
    const QStringList original = usageLines();
    for (const bool english : {false, true}) {
        SCOPED_TRACE(english ? "English" : "Japanese");
        const test::EnglishTexts texts(english);
        ASSERT_EQ(texts.active(), english);
        QStringList lines = usageLines();
        for (int k = 0; k < kFortuneCount; ++k)
            lines.append(fortuneLine(k));
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), 243) << line.toStdString();
        if (english)
            EXPECT_NE(usageLines(), original) << "the English lines were not used";
    }
}

} // namespace
} // namespace soru
