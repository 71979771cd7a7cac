// Memo files as the viewer meets them: the generator's memos, content that
// disagrees with the file name, and files that cannot be read.
#include "core/failure.h"
#include "media/memo/memo_reader.h"
#include "tests/media/memo/document_text.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <sys/stat.h>
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

// Ends the process if a step hangs (a read that blocks, a file read whole),
// so that the run fails instead of waiting for ever.
class Watchdog {
public:
    explicit Watchdog(const char* what) : thread_([this, what] {
        std::unique_lock lock(mutex_);
        if (!done_.wait_for(lock, std::chrono::seconds(120), [this] { return finished_; })) {
            std::fprintf(stderr, "hung: %s\n", what);
            std::abort();
        }
    }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

// A memo longer than any real one shows its beginning, cut on a character
// boundary (RTF read as far as it goes), then a line saying it was cut; one
// of exactly the bound shows whole. A sparse file of gigabytes is read no
// further than the bound.
TEST(MemoFile, LongMemoShowsItsBeginningAndALine) {
    const qsizetype n = kMaxMemoBytes;
    const QString a = QStringLiteral("あ"), cut = QLatin1Char('\n') + kMemoCut;
    const QByteArray rtfHead = "{\\rtf1\\ansi {\\b ";
    const struct {
        const char* name;
        QByteArray head;   // the file's first bytes
        qint64 size;       // the file's size: repeated `fill` after the head, or a sparse rest
        QByteArray fill;
        MemoKind kind;
        QString expected;
    } cases[] = {
        {"exactly the bound", {}, n, "x", MemoKind::PlainText, QString(n, QLatin1Char('x'))},
        {"UTF-8, cut inside a character", {}, n + 2, "\xE3\x81\x82", MemoKind::PlainText,
         a.repeated(n / 3) + cut},
        {"Shift-JIS, cut inside a character", "x", n + 1, "\x82\xA0", MemoKind::PlainText,
         QLatin1Char('x') + a.repeated(n / 2 - 1) + cut},
        {"UTF-16, cut inside a pair", "\xFF\xFE", n + 4, QByteArray("\x3D\xD8\x00\xDE", 4),
         MemoKind::PlainText, QStringLiteral("😀").repeated((n - 2) / 4) + cut},
        {"RTF, cut in an open group", rtfHead, n + 10, "y", MemoKind::Rtf,
         QString(n - rtfHead.size(), QLatin1Char('y')) + cut},
        {"a sparse file of 6 GiB", "旅のメモ\r\n", 6LL << 30, {}, MemoKind::PlainText,
         QStringLiteral("旅のメモ") + cut},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QStringLiteral("memo.txt"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray bytes = c.head;
        if (!c.fill.isEmpty()) {
            while (bytes.size() < c.size)
                bytes += c.fill;
            bytes.truncate(c.size);
        }
        ASSERT_EQ(file.write(bytes), bytes.size());
        ASSERT_TRUE(file.resize(c.size));
        file.close();
        QTextDocument doc;
        {
            Watchdog watchdog(c.name);
            EXPECT_EQ(loadMemo(path, doc), c.kind);
        }
        const QString text = doc.toPlainText();
        EXPECT_EQ(text.size(), c.expected.size());
        EXPECT_TRUE(text == c.expected) << text.right(60).toStdString();
    }
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
    } else if (kind == "named pipe") {
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("前の写真のメモ"));
    try {
        Watchdog watchdog(GetParam());
        loadMemo(path, doc);
        FAIL() << "no failure for a " << kind << " memo";
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), QStringLiteral("ストリームからの読み込みに失敗しました"));
    }
    EXPECT_TRUE(doc.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnreadableMemo,
                         ::testing::Values("missing", "folder", "unreadable", "dangling link", "named pipe"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, ' ');
                             return name;
                         });

} // namespace
} // namespace soru
