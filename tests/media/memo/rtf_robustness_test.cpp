// Damaged and hostile RTF: cut short, out of balance, absurdly nested or
// sized. Every input ends in a document; the large ones are sized so that
// any work beyond linear would run past the test's time limit.
#include "media/memo/memo_reader.h"
#include "media/memo/rtf_parser.h"
#include "media/memo/text_decoding.h"
#include "tests/media/memo/document_text.h"
#include "tools/testlib/testlib.h"

#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <algorithm>

namespace soru {
namespace {

QByteArray nested(int depth) {
    return "{\\rtf1 " + QByteArray(depth, '{') + "x" + QByteArray(depth, '}') + "}";
}

struct DamagedCase {
    const char* name;
    QByteArray rtf;
    MemoKind kind;
    const char* expected; // test::describe() of the result; nullptr: the bytes as plain text
};

const DamagedCase kDamagedCases[] = {
    {"CutAfterBackslashQuote", "{\\rtf1 ab\\'", MemoKind::Rtf, "ab"},
    {"CutAfterOneHexDigit", "{\\rtf1 ab\\'9", MemoKind::Rtf, "ab"},
    {"EscapeWithOneHexDigit", "{\\rtf1 a\\'9xb}", MemoKind::Rtf, "axb"},
    {"CutAfterBackslash", "{\\rtf1 a\\", MemoKind::Rtf, "a"},
    {"CutAfterUnicodeWord", "{\\rtf1 a\\u", MemoKind::Rtf, "a"},
    {"MinusWithoutDigitsIsText", "{\\rtf1 a\\u-", MemoKind::Rtf, "a-"},
    {"BinaryLongerThanTheFile", "{\\rtf1 a\\bin999999999 bc", MemoKind::Rtf, "a"},
    {"HugeFallbackCount", "{\\rtf1 \\uc999999999\\u66 abc}", MemoKind::Rtf, "B"},
    {"HugeUnicodeValue", "{\\rtf1 \\u99999999999 x}", MemoKind::Rtf, "\uFFFD"},
    {"UnclosedGroups", "{\\rtf1 {\\b bold", MemoKind::Rtf, "<b>bold</>"},
    {"StructureCharacters", "{\\rtf1 a\\u0?b\\u13?c\\u8233?d\\u64976?e}", MemoKind::Rtf,
     "abc⏎d\uFFFDe"},
    {"NulBytesInText", QByteArray("{\\rtf1 a\0b}", 11), MemoKind::Rtf, "ab"},
    {"NoiseAfterTheEnd", QByteArray("{\\rtf1 a}\r\n\0\x1a}", 14), MemoKind::Rtf, "a"},
    {"EarlyCloseWithTextAfterIt", "{\\rtf1 a} b}", MemoKind::PlainText, nullptr},
    {"NestedWithinTheCap", nested(kRtfMaxDepth - 1), MemoKind::Rtf, "x"},
    {"NestedBeyondTheCap", nested(10000), MemoKind::PlainText, nullptr},
    {"MegabyteControlWord", "{\\rtf1 a\\" + QByteArray(1 << 20, 'q') + " x}", MemoKind::Rtf, "ax"},
    {"MegabyteParameter", "{\\rtf1 \\fs" + QByteArray(1 << 20, '9') + " x}", MemoKind::Rtf,
     "<pt1638>x</>"},
};

class RtfDamaged : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(RtfDamaged, EndsInTheExpectedDocument) {
    const DamagedCase& c = GetParam();
    QTextDocument doc;
    ASSERT_EQ(readMemo(c.rtf, doc), c.kind);
    if (c.expected)
        EXPECT_EQ(test::describe(doc), QString::fromUtf8(c.expected));
    else
        EXPECT_EQ(doc.toPlainText(), decodePlainText(c.rtf));
}

INSTANTIATE_TEST_SUITE_P(Inputs, RtfDamaged, ::testing::ValuesIn(kDamagedCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RtfLarge, EscapedBackslashesAllArrive) {
    QTextDocument doc;
    readMemo("{\\rtf1 " + QByteArray(1 << 20, '\\') + "}", doc);
    EXPECT_EQ(doc.toPlainText(), QString(1 << 19, QLatin1Char('\\')));
}

TEST(RtfLarge, ManyRunsAndManyParagraphs) {
    QByteArray runs = "{\\rtf1 ", paragraphs = "{\\rtf1 ";
    for (int i = 0; i < 100'000; ++i) {
        runs += "\\b a\\b0 b";
        paragraphs += "x\\par ";
    }
    QTextDocument doc;
    ASSERT_EQ(readMemo(runs + "}", doc), MemoKind::Rtf);
    ASSERT_EQ(doc.blockCount(), 1);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("ab").repeated(100'000));
    const QTextBlock block = doc.begin();
    int fragments = 0;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        ++fragments;
    EXPECT_EQ(fragments, 200'000);

    ASSERT_EQ(readMemo(paragraphs + "}", doc), MemoKind::Rtf);
    EXPECT_EQ(doc.blockCount(), 100'000);
    EXPECT_EQ(doc.lastBlock().text(), QStringLiteral("x"));
}

// The sample memo with random damage: bytes changed, cut out or cut off.
// Whatever comes out must be text a document can hold as it is.
TEST(RtfMutations, DamagedMemosReadWithoutControlCharacters) {
    const QByteArray original = testlib::rtfMemoBytes(testlib::sampleMemo());
    QRandomGenerator random(20240601);
    int asRtf = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = original;
        for (int edits = 1 + random.bounded(6); edits > 0 && !bytes.isEmpty(); --edits) {
            const int at = random.bounded(int(bytes.size()));
            switch (random.bounded(4)) {
            case 0:
                bytes[at] = char(random.bounded(256));
                break;
            case 1:
                bytes[at] = "{}\\'u0;"[random.bounded(7)];
                break;
            case 2:
                bytes.remove(at, 1 + random.bounded(16));
                break;
            default:
                bytes.truncate(std::max(at, 8));
                break;
            }
        }
        QTextDocument doc;
        if (readMemo(bytes, doc) != MemoKind::Rtf)
            continue;
        ++asRtf;
        const QString text = doc.toPlainText();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            ASSERT_TRUE(c >= 0x20 || c == '\t' || c == '\n')
                << "round " << round << " char " << int(c);
            ASSERT_TRUE(c != 0xFDD0 && c != 0xFDD1) << "round " << round;
        }
    }
    EXPECT_GT(asRtf, 200); // most damage leaves an RTF document
}

} // namespace
} // namespace soru
