// RTF formatting, structure and destinations: fragments of a memo body,
// read into a document and described back.
#include "media/memo/memo_reader.h"
#include "media/memo/rtf_document.h"
#include "tests/media/memo/document_text.h"

#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace soru {
namespace {

// A Japanese document's header: font 0 is "ＭＳ ゴシック" in Shift-JIS
// bytes, font 1 Arial; colours 1 red and 2 sky blue after "auto".
constexpr const char* kHeader =
    R"({\rtf1\ansi\ansicpg932\deff0)"
    R"({\fonttbl{\f0\fnil\fcharset128 \'82\'6c\'82\'72 \'83\'53\'83\'56\'83\'62\'83\'4e;})"
    R"({\f1\fswiss\fcharset0 Arial;}})"
    R"({\colortbl ;\red255\green0\blue0;\red0\green128\blue255;})"
    "\r\n";

QString readBody(const char* body, MemoKind* kind = nullptr) {
    QTextDocument doc;
    const MemoKind k = readMemo(QByteArray(kHeader) + body + "}", doc);
    if (kind)
        *kind = k;
    return test::describe(doc);
}

struct FormatCase {
    const char* name;
    const char* body;
    const char* expected; // test::describe() of the result
};

const FormatCase kFormatCases[] = {
    {"Plain", "plain text", "plain text"},
    {"BoldOnAndOff", R"(a\b b\b0 c)", "a<b>b</>c"},
    {"GroupRestoresState", R"({\i x\b y}z)", "<i>x</><b i>y</>z"},
    {"UnderlineEndsWithUlnoneOrUl0", R"(\ul u\ulnone n\ul u\ul0 n)", "<u>u</>n<u>u</>n"},
    {"UnderlineStyles", R"(\uld d\ulwave w\uldash h\ulnone )",
     "<u:dot>d</><u:wave>w</><u:dash>h</>"},
    {"StrikeOut", R"(\strike s\strike0 t)", "<s>s</>t"},
    {"PlainResetsEverything", R"(\b\i\ul\f1\fs40\cf1 x\plain y)",
     "<b i u pt20 fg#ff0000 font=Arial>x</>y"},
    {"SizeInHalfPoints", R"(\fs32 a\fs21 b)", "<pt16>a</><pt10.5>b</>"},
    {"ColourTableIndices", R"(\cf1 r\cf0 a\cf2 b\cf9 n)", "<fg#ff0000>r</>a<fg#0080ff>b</>n"},
    {"Backgrounds", R"(\highlight1 h\highlight0 \cb2 c)", "<bg#ff0000>h</><bg#0080ff>c</>"},
    {"FontsByName", R"(\f1 a\f0 b\f7 c)", "<font=Arial>a</><font=ＭＳ ゴシック>b</>c"},
    {"SuperAndSubscript", R"(\super 2\nosupersub n\sub i)", "<sup>2</>n<sub>i</>"},
    {"HiddenTextIsNotShown", R"(\v hidden\v0 shown)", "shown"},
    {"ParagraphEnd", R"(a\par b)", "a\nb"},
    {"LineBreakStaysInTheParagraph", R"(a\line b)", "a⏎b"},
    {"AlignmentAtTheParagraphMark", R"(\qc c\par\pard r\qr\par\qj j\par\ql l)",
     "[c]c\n[r]r\n[j]j\nl"},
    {"LastParagraphWithoutMark", R"({\qc centred})", "[c]centred"},
    {"FinalParMakesNoEmptyParagraph", R"(a\par)", "a"},
    {"EmptyParagraphsInside", R"(a\par\par b)", "a\n\nb"},
    {"Tabs", "x\\tab y\tz", "x\ty\tz"},
    {"EscapedBracesAndBackslash", R"(\{\}\\)", "{}\\"},
    {"NonBreakingSpaceAndHyphens", R"(a\~b\-c\_d)", "a\u00a0b\u00adc\u2011d"},
    {"TypographicCharacters", R"(\emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote)",
     "—–•‘’“”"},
    {"SkippedDestinations",
     R"({\*\unknown x}{\stylesheet{\s0 Normal;}}{\info{\title T}{\author A}}{\pict\pngblip 89504e47})"
     R"({\header h}{\footerl f}{\footnote n}{\object\objemb o}{\*\generator g;}shown)",
     "shown"},
    {"FieldShowsItsResult",
     R"({\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}!{\field{\fldinst PAGE}{\fldrslt 3}})",
     "link!3"},
    {"BinaryDataIsSkipped", R"({\pict\bin4 }}}}x}y\bin3 {{{z)", "yz"},
    {"UnknownWordsAreIgnored", R"(\foo12 a\bar-3 b\zz c)", "abc"},
    {"WordDelimiters", R"(\b1x\b0 y)", "<b>x</>y"},
    {"SourceLineEnds", "a\r\nb\\\r\nc", "ab\nc"},
    {"BulletTextIsShown", R"({\listtext\f1 \'b7\tab}item)", "<font=Arial>·\t</>item"},
    {"TableCells", R"(a\cell b\cell\row c)", "a\tb\t\nc"},
};

class RtfFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(RtfFormat, ReadsAsDescribed) {
    MemoKind kind{};
    EXPECT_EQ(readBody(GetParam().body, &kind), QString::fromUtf8(GetParam().expected));
    EXPECT_EQ(kind, MemoKind::Rtf);
}

INSTANTIATE_TEST_SUITE_P(Fragments, RtfFormat, ::testing::ValuesIn(kFormatCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RtfParagraphLayout, IndentsAndSpacingInTwipsBecomePixels) {
    QTextDocument doc;
    readMemo(QByteArray(kHeader) + R"(\li720\ri360\fi-180\sb120\sa240 x\par\pard y})", doc);
    ASSERT_EQ(doc.blockCount(), 2);
    const QTextBlockFormat first = doc.begin().blockFormat();
    EXPECT_DOUBLE_EQ(first.leftMargin(), 48);
    EXPECT_DOUBLE_EQ(first.rightMargin(), 24);
    EXPECT_DOUBLE_EQ(first.textIndent(), -12);
    EXPECT_DOUBLE_EQ(first.topMargin(), 8);
    EXPECT_DOUBLE_EQ(first.bottomMargin(), 16);
    const QTextBlockFormat second = doc.begin().next().blockFormat();
    EXPECT_DOUBLE_EQ(second.leftMargin(), 0); // \pard
    EXPECT_DOUBLE_EQ(second.textIndent(), 0);
}

TEST(RtfParagraphLayout, EmptyParagraphKeepsTheSizeAtItsMark) {
    QTextDocument doc;
    readMemo(QByteArray(kHeader) + R"(a\par\fs48\par b})", doc);
    ASSERT_EQ(doc.blockCount(), 3);
    EXPECT_DOUBLE_EQ(doc.begin().next().charFormat().fontPointSize(), 24);
}

TEST(RtfDocumentDefaults, UnstatedValuesFollowTheDocumentsDefaultFont) {
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("IPAGothic"), 11));
    readMemo(QByteArray(kHeader) + R"(plain {\b bold}})", doc);
    EXPECT_EQ(doc.defaultFont().pointSize(), 11); // reading leaves the memo box's font alone
    for (const char* text : {"plain", "bold"}) {
        const QTextCharFormat f = test::formatOf(doc, QString::fromLatin1(text));
        EXPECT_FALSE(f.hasProperty(QTextFormat::FontPointSize)) << text;
        EXPECT_FALSE(f.hasProperty(QTextFormat::FontFamilies)) << text;
    }
}

} // namespace
} // namespace soru
