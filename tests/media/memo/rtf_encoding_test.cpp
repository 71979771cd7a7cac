// Bytes in RTF: \'hh escapes and raw 8-bit text in the code page of the
// document or of the current font, and \uN with its fallback characters.
#include "media/memo/memo_reader.h"
#include "media/memo/rtf_parser.h"
#include "tests/media/memo/document_text.h"

#include <QTextDocument>
#include <gtest/gtest.h>

namespace soru {
namespace {

struct EncodingCase {
    const char* name;
    const char* rtf;
    const char* expected; // toPlainText() of the result
};

const EncodingCase kEncodingCases[] = {
    {"AnsiCodePage932", R"({\rtf1\ansi\ansicpg932 \'93\'fa\'96\'7b})", "日本"},
    {"FontCharset128WithoutAnsiCodePage",
     R"({\rtf1\ansi{\fonttbl{\f0\fcharset128 A;}{\f1\fcharset0 B;}}\f0\'93\'fa\f1\'e9})", "日é"},
    {"DefaultFontsCharset", R"({\rtf1\ansi\deff0{\fonttbl{\f0\fcharset128 A;}}\'93\'fa})", "日"},
    {"DefaultCharsetFollowsTheDocument",
     R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset1 A;}}\f0\'93\'fa})", "日"},
    {"Raw8BitBytes", "{\\rtf1\\ansi\\ansicpg932 \x93\xfa\x8c\xea}", "日語"},
    {"HalfEscapedPairs", R"({\rtf1\ansi\ansicpg932 \'83e\'83\\})", "テソ"},
    {"PairSplitByALineEnd", "{\\rtf1\\ansi\\ansicpg932 \\'93\r\n\\'fa}", "日"},
    {"PairSplitByAnUnknownWord", R"({\rtf1\ansi\ansicpg932 \'93\lang1041\'fa})", "日"},
    {"AnsiIs1252", R"({\rtf1\ansi \'e9\'93})", "é“"},
    {"AnsiCodePage1251", R"({\rtf1\ansi\ansicpg1251 \'c0})", "А"},
    {"SimplifiedChinese", R"({\rtf1{\fonttbl{\f0\fcharset134 A;}}\f0\'c4\'e3})", "你"},
    {"Korean", R"({\rtf1{\fonttbl{\f0\fcharset129 A;}}\f0\'c7\'d1})", "한"},
    {"TraditionalChinese", R"({\rtf1{\fonttbl{\f0\fcharset136 A;}}\f0\'a4\'a4})", "中"},
    {"Greek", R"({\rtf1{\fonttbl{\f0\fcharset161 A;}}\f0\'e1})", "α"},
    {"CpgOverridesCharset", R"({\rtf1{\fonttbl{\f0\fcharset0\cpg1251 A;}}\f0\'c0})", "А"},
    {"UnknownCodePageReadsAs1252", R"({\rtf1\ansi\ansicpg99999 \'e9})", "é"},
    {"UnicodeSkipsOneByDefault", R"({\rtf1 \u26085?x})", "日x"},
    {"Uc0KeepsTheFallback", R"({\rtf1\uc0\u26085?})", "日?"},
    {"Uc2SkipsTwoEscapes", R"({\rtf1\ansicpg932\uc2\u26085\'93\'fa\u26412\'96\'7b})", "日本"},
    {"EscapeCountsAsOneFallback", R"({\rtf1 \u26085\'3fx})", "日x"},
    {"ControlWordCountsAsOneFallback", R"({\rtf1 \u8220\ldblquote x})", "“x"},
    {"NegativeMeansPast32767", R"({\rtf1 \u-10916?})", "한"},
    {"SurrogatePair", R"({\rtf1 \u-10179?\u-8704?})", "😀"},
    {"UcBelongsToTheGroup", R"({\rtf1 {\uc2\u26085\'93\'fa}\u26412?})", "日本"},
    {"SkippingEndsAtAGroup", R"({\rtf1\uc3\u26085?{x}y})", "日xy"},
};

class RtfEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(RtfEncoding, DecodesToTheText) {
    QTextDocument doc;
    ASSERT_EQ(readMemo(QByteArray(GetParam().rtf), doc), MemoKind::Rtf);
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Bytes, RtfEncoding, ::testing::ValuesIn(kEncodingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RtfFontTable, FaceNamesAreDecodedInTheirOwnCodePage) {
    const auto rtf =
        parseRtf(R"({\rtf1\ansi{\fonttbl{\f0\fcharset128 \'82\'6c\'82\'72 \'96\'be\'92\'a9;})"
                 R"({\f1\fnil\fcharset128 @\'82\'6c\'82\'72 \'83\'53\'83\'56\'83\'62\'83\'4e;})"
                 R"(\f2 Times;})"
                 R"(\f0 a\f1 b\f2 c})");
    ASSERT_TRUE(rtf.has_value());
    ASSERT_EQ(rtf->paragraphs.size(), 1);
    const QList<RtfRun>& runs = rtf->paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 3);
    EXPECT_EQ(runs[0].format.family, QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(runs[1].format.family,
              QStringLiteral("ＭＳ ゴシック")); // the vertical "@" face maps to the same font
    EXPECT_EQ(runs[2].format.family,
              QStringLiteral("Times")); // entries without a group of their own
}

} // namespace
} // namespace soru
