// Memos (RTF and plain text) and chimes (WAV).
#include "tests/tools/readers.h"
#include "tools/testlib/testlib.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringDecoder>

#include <cmath>
#include <set>
#include <stdexcept>

namespace soru::testlib {
namespace {

using test::le16;
using test::le32;
using test::rtfToText;

// ------------------------------------------------------------- plain text

const QString kJapanese =
    QStringLiteral("メモの見本\r\n漢字・かな・カナ、ASCII と全角１２３。\r\n");

struct TextCase {
    TextEncoding encoding;
    QByteArray bom;
    const char* decoder;
};

class TextMemo : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextMemo, StartsWithItsMarkAndDecodesBackToTheText) {
    const TextCase c = GetParam();
    const QByteArray bytes = encodeText(kJapanese, c.encoding);
    ASSERT_TRUE(bytes.startsWith(c.bom));
    QStringDecoder decoder(c.decoder);
    ASSERT_TRUE(decoder.isValid());
    EXPECT_EQ(QString(decoder(bytes.mid(c.bom.size()))), kJapanese);
    EXPECT_FALSE(decoder.hasError());
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, TextMemo,
    ::testing::Values(TextCase{TextEncoding::ShiftJis, {}, "Shift_JIS"},
                      TextCase{TextEncoding::Utf8, {}, "UTF-8"},
                      TextCase{TextEncoding::Utf8Bom, "\xEF\xBB\xBF", "UTF-8"},
                      TextCase{TextEncoding::Utf16LeBom, "\xFF\xFE", "UTF-16LE"},
                      TextCase{TextEncoding::Utf16BeBom, "\xFE\xFF", "UTF-16BE"}),
    [](const auto& info) {
        std::string name = textEncodingName(info.param.encoding);
        std::erase(name, '-');
        return name;
    });

TEST(TextMemo, ShiftJisBytesAreTheStandardOnesAndGapsAreRefused) {
    EXPECT_EQ(encodeText(QStringLiteral("あ漢A"), TextEncoding::ShiftJis),
              QByteArray("\x82\xA0\x8A\xBF\x41"));
    EXPECT_EQ(encodeText(QStringLiteral("ｱ"), TextEncoding::ShiftJis),
              QByteArray("\xB1")); // half-width kana
    EXPECT_THROW(encodeText(QStringLiteral("한국"), TextEncoding::ShiftJis), std::runtime_error);
    EXPECT_FALSE(
        encodeText(kJapanese, TextEncoding::ShiftJis).isValidUtf8()); // readers must detect it
}

// -------------------------------------------------------------------- RTF

TEST(RtfMemo, IsSevenBitRtfWithCodePage932AndBalancedGroups) {
    const QByteArray rtf = rtfMemoBytes(sampleMemo());
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg932\\deff0"));
    int depth = 0;
    qsizetype outerClosedAt = -1;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        ASSERT_LT(uchar(rtf[i]), 0x80) << "byte " << i;
        if (rtf[i] == '\\') {
            ++i; // the escaped character or the control word's first letter
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}') {
            ASSERT_GT(depth, 0) << "byte " << i;
            if (--depth == 0 && outerClosedAt < 0)
                outerClosedAt = i;
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(outerClosedAt, rtf.lastIndexOf('}')); // one outer group holds everything
}

TEST(RtfMemo, UsesEveryFormattingFeature) {
    const QString rtf = QString::fromLatin1(rtfMemoBytes(sampleMemo()));
    for (const char* pattern :
         {"\\\\fonttbl", "\\\\colortbl ;\\\\red", "\\\\b ", "\\\\b0", "\\\\i ", "\\\\ul ",
          "\\\\ulnone", "\\\\cf[1-9]", "\\\\'[89a-f][0-9a-f]", "\\\\u[0-9]+\\?", "\\\\u-[0-9]+\\?",
          "\\\\par", "\\\\tab"})
        EXPECT_TRUE(rtf.contains(QRegularExpression(QString::fromLatin1(pattern)))) << pattern;
    std::set<QString> sizes;
    for (const auto& m : QRegularExpression(QStringLiteral("\\\\fs(\\d+)")).globalMatch(rtf))
        sizes.insert(m.captured(1));
    EXPECT_GE(sizes.size(), 2u);
}

TEST(RtfMemo, ExtractedTextIsThePlainTextExposedForReaders) {
    const Memo memos[] = {
        sampleMemo(),
        {QStringLiteral("Title {x}"),
         {QStringLiteral("a\\b\tc"), QStringLiteral("<b>太字</b> and <em>é</em>")}},
        {QStringLiteral("絵文字 😀"), {}},
    };
    for (const Memo& memo : memos) {
        SCOPED_TRACE(memo.title.toStdString());
        EXPECT_EQ(rtfToText(rtfMemoBytes(memo)), rtfPlainText(memo));
    }
    const QString plain = rtfPlainText(sampleMemo());
    EXPECT_TRUE(plain.startsWith(QStringLiteral("旅の覚え書き\n京都の朝はとても静かでした。")));
    EXPECT_FALSE(plain.contains(QLatin1Char('<')));
    EXPECT_EQ(plain.count(QLatin1Char('\n')), sampleMemo().paragraphs.size());
}

// -------------------------------------------------------------------- WAV

struct WavCase {
    int milliseconds;
    double frequency;
    int sampleRate;
};

class Chime : public ::testing::TestWithParam<WavCase> {};

TEST_P(Chime, RiffChunksAndTheSoundItself) {
    const WavCase c = GetParam();
    const QByteArray w = wavBytes(c.milliseconds, c.frequency, c.sampleRate);
    const std::uint32_t samples = std::uint32_t(qint64(c.sampleRate) * c.milliseconds / 1000);
    ASSERT_EQ(w.size(), 44 + 2 * qsizetype(samples));
    EXPECT_EQ(w.left(4), "RIFF");
    EXPECT_EQ(le32(w, 4), std::uint32_t(w.size() - 8));
    EXPECT_EQ(w.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(w, 16), 16u);
    EXPECT_EQ(le16(w, 20), 1); // PCM
    EXPECT_EQ(le16(w, 22), 1); // mono
    EXPECT_EQ(le32(w, 24), std::uint32_t(c.sampleRate));
    EXPECT_EQ(le32(w, 28), std::uint32_t(c.sampleRate * 2));
    EXPECT_EQ(le16(w, 32), 2);  // block align
    EXPECT_EQ(le16(w, 34), 16); // bits
    EXPECT_EQ(w.mid(36, 4), "data");
    EXPECT_EQ(le32(w, 40), 2 * samples);

    auto sample = [&](std::uint32_t i) { return int(std::int16_t(le16(w, 44 + 2 * int(i)))); };
    int peak = 0, crossings = 0;
    for (std::uint32_t i = 0; i < samples; ++i) {
        peak = std::max(peak, std::abs(sample(i)));
        if (i > 0 && (sample(i - 1) < 0) != (sample(i) < 0))
            ++crossings;
    }
    EXPECT_GT(peak, 32767 / 2);
    EXPECT_LT(peak, 32767);              // no clipping
    EXPECT_LT(std::abs(sample(0)), 500); // soft attack: no click
    EXPECT_LT(std::abs(sample(samples - 1)), 100);
    // Two sign changes per period while the tone is audible; the tail is
    // near zero where rounding can add a few more.
    const double expected = 2.0 * c.frequency * c.milliseconds / 1000.0;
    EXPECT_NEAR(crossings, expected, expected * 0.1);
}

INSTANTIATE_TEST_SUITE_P(Cases, Chime,
                         ::testing::Values(WavCase{500, 880.0, 22050}, WavCase{1000, 440.0, 44100},
                                           WavCase{250, 1046.5, 11025}, WavCase{37, 2000.0, 8000}));

TEST(Chime, RefusesImpossibleArguments) {
    EXPECT_THROW(wavBytes(0, 440.0), std::invalid_argument);
    EXPECT_THROW(wavBytes(100, 0.0), std::invalid_argument);
    EXPECT_THROW(wavBytes(100, 440.0, 100), std::invalid_argument);
}

} // namespace
} // namespace soru::testlib
