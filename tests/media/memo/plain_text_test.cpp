// Plain-text memos: the encoding is found from the bytes alone.
#include "media/memo/text_decoding.h"
#include "tests/media/memo/document_text.h"
#include "tools/testlib/testlib.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

using testlib::TextEncoding;

struct WrittenCase {
    TextEncoding written;
    PlainTextEncoding detected;
};

class PlainTextWritten : public ::testing::TestWithParam<WrittenCase> {};

TEST_P(PlainTextWritten, DecodesBackWithUnixLineEnds) {
    const QString text = QStringLiteral("日本語のメモ\r\n二行目\r三行目\nｶﾀｶﾅ と C:\\SORU ～");
    const QByteArray bytes = testlib::encodeText(text, GetParam().written);
    EXPECT_EQ(detectPlainTextEncoding(bytes), GetParam().detected);
    EXPECT_EQ(decodePlainText(bytes),
              QStringLiteral("日本語のメモ\n二行目\n三行目\nｶﾀｶﾅ と C:\\SORU ～"));
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, PlainTextWritten,
    ::testing::Values(WrittenCase{TextEncoding::ShiftJis, PlainTextEncoding::ShiftJis},
                      WrittenCase{TextEncoding::Utf8, PlainTextEncoding::Utf8},
                      WrittenCase{TextEncoding::Utf8Bom, PlainTextEncoding::Utf8Bom},
                      WrittenCase{TextEncoding::Utf16LeBom, PlainTextEncoding::Utf16Le},
                      WrittenCase{TextEncoding::Utf16BeBom, PlainTextEncoding::Utf16Be}),
    [](const auto& info) {
        std::string name = testlib::textEncodingName(info.param.written);
        std::erase(name, '-');
        return name;
    });

struct BytesCase {
    const char* name;
    QByteArray bytes;
    PlainTextEncoding detected;
    const char* expected;
};

const BytesCase kBytesCases[] = {
    {"Empty", "", PlainTextEncoding::Utf8, ""},
    {"NulDoesNotEndTheText", QByteArray("a\0b", 3), PlainTextEncoding::Utf8, "ab"},
    {"NulInShiftJis", QByteArray("\x93\xfa\x96\x7b\0\x8c\xea", 7), PlainTextEncoding::ShiftJis,
     "日本語"},
    {"TrailByteIsABackslash", "\x83\x5c", PlainTextEncoding::ShiftJis, "ソ"},
    {"BackslashIsNoYenSign", "\x83\x5c C:\\x", PlainTextEncoding::ShiftJis, "ソ C:\\x"},
    {"EucJp", "\xc6\xfc\xcb\xdc\xb8\xec", PlainTextEncoding::EucJp, "日本語"},
    {"HalfWidthKanaStaysShiftJis", "\xb6\xc0\xb6\xc5", PlainTextEncoding::ShiftJis, "ｶﾀｶﾅ"},
    // Read as EUC-JP, the comma and the kana after it make a hiragana.
    {"HalfWidthKanaWithCommaStaysShiftJis", "\xbc\xde\xae\xb3\xbd\xde\xa4\xb2\xc1\xca\xde\xdd",
     PlainTextEncoding::ShiftJis, "ｼﾞｮｳｽﾞ､ｲﾁﾊﾞﾝ"},
    // Valid EUC-JP too (a half-width ﾊ): the tie goes to Shift-JIS.
    {"KanjiOfRow8EStaysShiftJis", "\x8e\xca", PlainTextEncoding::ShiftJis, "写"},
    // Error-free as Shift-JIS too, which used to win the tie.
    {"EucJpThreeLines",
     "\xce\xb9\xb9\xd4\xa4\xce\xbc\xcc\xbf\xbf\n"
     "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xa5\xe1\xa5\xe2\xa4\xc7\xa4\xb9\xa1\xa3\n"
     "\xa4\xa2\xa4\xa4\xa4\xa6\xa4\xa8\xa4\xaa",
     PlainTextEncoding::EucJp, "旅行の写真\n日本語のメモです。\nあいうえお"},
    {"Iso2022Jp", "\x1b$BF|K\\\x1b(B!", PlainTextEncoding::Iso2022Jp, "日本!"},
    {"DosEndOfFileMark", "\x93\xfa\x1a", PlainTextEncoding::ShiftJis, "日"},
    {"UndecodableByte", "\x93\xfa\xfd", PlainTextEncoding::ShiftJis, "日\uFFFD"},
    {"Utf16WithNul",
     QByteArray("\xff\xfe"
                "a\0\0\0b\0",
                8),
     PlainTextEncoding::Utf16Le, "ab"},
    {"LineEnds", "a\rb\r\nc\n\r\n", PlainTextEncoding::Utf8, "a\nb\nc\n\n"},
};

class PlainTextBytes : public ::testing::TestWithParam<BytesCase> {};

TEST_P(PlainTextBytes, DetectsAndDecodes) {
    EXPECT_EQ(detectPlainTextEncoding(GetParam().bytes), GetParam().detected);
    EXPECT_EQ(decodePlainText(GetParam().bytes), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Inputs, PlainTextBytes, ::testing::ValuesIn(kBytesCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CodePageDecoder, DecodesEachCallOnItsOwn) {
    CodePageDecoder decoder;
    EXPECT_EQ(decoder.decode("\x93", 932), QString()); // an unfinished pair is dropped ...
    EXPECT_EQ(decoder.decode("\xba", 932),
              QString::fromUtf8("ｺ")); // ... and does not join the next call
    EXPECT_EQ(decoder.decode("\xe9", 1252), QString::fromUtf8("é"));
    EXPECT_EQ(decoder.decode("\xe9", 12345), QString::fromUtf8("é")); // unknown: 1252
}

} // namespace
} // namespace soru
