// Memo files as the viewer meets them: the generator's memos, content that
// disagrees with the file name, and files that cannot be read.
#include "core/failure.h"
#include "media/memo_reader.h"
#include "tests/media/memo/document_text.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <unistd.h>

namespace soru {
namespace {

TEST(MemoFile, GeneratorsRtfMemoReadsBackWithItsFormatting) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("旅行.rtf"));
    testlib::writeRtfMemo(path);
    QTextDocument doc;
    ASSERT_EQ(loadMemo(path, doc), MemoKind::Rtf);
    EXPECT_EQ(doc.toPlainText(), testlib::rtfPlainText(testlib::sampleMemo()));

    struct Expected {
        const char* text;
        const char* attributes;
    };
    const Expected expected[] = {
        {"旅の覚え書き", "b pt16 fg#2040a0 font=ＭＳ Ｐゴシック"},
        {"京都の朝は", "pt10 font=ＭＳ Ｐゴシック"},
        {"とても静か", "b pt10 font=ＭＳ Ｐゴシック"},
        {"ゆっくり", "i pt10 font=ＭＳ Ｐゴシック"},
        {"小さな喫茶店", "u pt10 font=ＭＳ Ｐゴシック"},
        {"café au lait", "pt10 font=ＭＳ Ｐゴシック"},
        {"注意：", "pt10 fg#c02030 font=ＭＳ Ｐゴシック"},
        {"写真は{見本}です。\t料金：１，２００円", "pt10 font=ＭＳ Ｐゴシック"},
        {"C:\\SORU\\旅行　（韓国語で「한」）", "pt10 font=ＭＳ Ｐゴシック"},
    };
    for (const Expected& e : expected)
        EXPECT_EQ(test::attributes(test::formatOf(doc, QString::fromUtf8(e.text))),
                  QString::fromUtf8(e.attributes))
            << e.text;
}

TEST(MemoFile, ContentDecidesNotTheName) {
    test::TempDir dir;
    const QString rtfInTxt = dir.file(QStringLiteral("a.txt"));
    const QString textInRtf = dir.file(QStringLiteral("b.rtf"));
    testlib::writeFile(rtfInTxt,
                       "\xEF\xBB\xBF\r\n {\\rtf1\\ansi\\ansicpg932 \\b \\'93\\'fa\\'96\\'7b}");
    testlib::writeFile(textInRtf, QStringLiteral("ただのメモ\r\n{\\rtf1 \\b ではない}").toUtf8());
    QTextDocument doc;
    ASSERT_EQ(loadMemo(rtfInTxt, doc), MemoKind::Rtf);
    EXPECT_EQ(test::describe(doc), QStringLiteral("<b>日本</>"));
    ASSERT_EQ(loadMemo(textInRtf, doc), MemoKind::PlainText);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("ただのメモ\n{\\rtf1 \\b ではない}"));
}

TEST(MemoFile, LooksLikeRtf) {
    const std::pair<QByteArray, bool> cases[] = {
        {"{\\rtf1\\ansi", true},
        {" \t\r\n{\\rtf1", true},
        {"\xEF\xBB\xBF{\\rtf1", true},
        {"{\\rtf", true},
        {"{\\RTF1", false},
        {"x{\\rtf1", false},
        {"{\\rt", false},
        {"", false},
        {QByteArray("\xFF\xFE{\0\\\0r\0t\0f\0", 12), false},
    };
    for (const auto& [bytes, rtf] : cases)
        EXPECT_EQ(looksLikeRtf(bytes), rtf) << bytes.toStdString();
}

// A file that cannot be read fails with the user's text and leaves no
// earlier memo on show.
class UnreadableMemo : public ::testing::TestWithParam<const char*> {};

TEST_P(UnreadableMemo, FailsWithTheReadingMessage) {
    test::TempDir dir;
    QString path = dir.file(QStringLiteral("memo.rtf"));
    const std::string kind = GetParam();
    if (kind == "folder") {
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("memo.rtf")));
    } else if (kind == "unreadable") {
        testlib::writeRtfMemo(path);
        QFile::setPermissions(path, QFileDevice::WriteOwner);
        if (QFile(path).open(QIODevice::ReadOnly))
            GTEST_SKIP() << "permissions do not keep this user out";
    } else if (kind == "dangling link") {
        ASSERT_EQ(::symlink("gone.rtf", QFile::encodeName(path).constData()), 0);
    }
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("前の写真のメモ"));
    try {
        loadMemo(path, doc);
        FAIL() << "no failure for a " << kind << " memo";
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), QStringLiteral("ストリームからの読み込みに失敗しました"));
    }
    EXPECT_TRUE(doc.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnreadableMemo,
                         ::testing::Values("missing", "folder", "unreadable", "dangling link"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, ' ');
                             return name;
                         });

} // namespace
} // namespace soru
