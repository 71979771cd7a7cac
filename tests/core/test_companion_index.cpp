// Companions from the folder index give the answers of a lookup that lists
// the folder, and see files that come and go.
#include "core/companion_index.h"
#include "core/presentation.h"
#include "tests/support/test_support.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace soru {
namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

// Gives the folder a modification time well in the past, as an album that
// is not being written to has.
void settle(const QString& folder) {
#ifdef Q_OS_UNIX
    const timespec times[2] = {{1'600'000'000, 0}, {1'600'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), times, 0), 0);
#else
    GTEST_SKIP() << "folder times are set on Unix only";
#endif
}

TEST(CompanionIndex, CaseFoldingMatchesTheCaseInsensitiveComparison) {
    const char* names[] = {"photo.WAV", "Straße.rtf", "STRASSE.RTF", "ẞ.txt", "ß.txt",
                           "ΣΟΦΙΑ.wav", "σοφια.wav", "σοφιας.wav", "ΣΟΦΙΑΣ.wav", "K.txt",
                           "k.txt", "Ａ.wav", "ａ.wav", "İ.txt", "i.txt", "𐐀.rtf", "𐐨.rtf"};
    for (const char* a : names)
        for (const char* b : names) {
            const QString x = QString::fromUtf8(a), y = QString::fromUtf8(b);
            EXPECT_EQ(caseFoldedName(x) == caseFoldedName(y),
                      x.compare(y, Qt::CaseInsensitive) == 0)
                << a << " / " << b;
        }
}

// A folder of mixed letter cases, hidden files, folders named like
// companions and companions in several cases at once: the index answers as
// the listing lookup does, for every picture and every companion kind.
TEST(CompanionIndex, SameAnswersAsTheListingLookup) {
    test::TempDir dir;
    for (const char* name :
         {"a.jpg", "a.WAV", "b.JPG", "b.Rtf", "b.TXT", "c.jpeg", "c.wav", "c.Wav", "c.WAV",
          "d.bmp", ".d.wav", "e.jpg", "e.RTF", "e.rtf", "f.jpe", "g.jpg", ".hidden.jpg",
          ".hidden.WAV", "h.jpg", "日本語.JPG", "日本語.Txt", "Ｆｕｌｌ.jpg", "ｆｕｌｌ.WAV",
          "noext", "noext.wav", "i.jpg"})
        touch(dir.file(QString::fromUtf8(name)));
    QDir(dir.path()).mkdir("f.wav");
    QDir(dir.path()).mkdir("f.RTF");
    QFile::link(dir.file("nowhere"), dir.file("g.WAV"));   // leads nowhere
    QFile::link(dir.file("a.jpg"), dir.file("h.wav"));     // leads to a file
    QFile::link(dir.path(), dir.file("i.TXT"));            // leads to a folder
    settle(dir.path());

    CompanionIndex index;
    index.prepare(dir.path());
    const QStringList pictures = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden) +
                                 QStringList{"gone.jpg", "A.jpg", "sub/x.jpg"};
    for (const QString& name : pictures)
        for (const char* ext : {".wav", ".rtf", ".txt"}) {
            const QString path = dir.file(name);
            EXPECT_EQ(index.find(path, ext), findCompanion(path, ext))
                << name.toStdString() << " " << ext;
        }
    EXPECT_EQ(index.find(dir.file("c.jpeg"), ".wav"), dir.file("c.wav"));
    EXPECT_EQ(index.find(dir.file("日本語.JPG"), ".txt"), dir.file("日本語.Txt"));
    EXPECT_EQ(index.find(dir.file("Ｆｕｌｌ.jpg"), ".wav"), dir.file("ｆｕｌｌ.WAV"));
    EXPECT_EQ(index.listings(), 1);
}

TEST(CompanionIndex, FilesThatComeAndGoAreSeen) {
    test::TempDir dir;
    touch(dir.file("p.jpg"));
    touch(dir.file("q.jpg"));
    touch(dir.file("q.TXT"));
    settle(dir.path());
    CompanionIndex index;
    const QString p = dir.file("p.jpg");
    EXPECT_EQ(index.find(p, ".wav"), QString());
    EXPECT_EQ(index.find(dir.file("q.jpg"), ".txt"), dir.file("q.TXT"));
    EXPECT_EQ(index.listings(), 1); // settled and unchanged: listed once

    touch(dir.file("p.WAV")); // the folder's time changes
    EXPECT_EQ(index.find(p, ".wav"), dir.file("p.WAV"));
    QFile::remove(dir.file("q.TXT"));
    EXPECT_EQ(index.find(dir.file("q.jpg"), ".txt"), QString());
    QFile::rename(dir.file("p.WAV"), dir.file("P.wav"));
    EXPECT_EQ(index.find(p, ".wav"), dir.file("P.wav"));
}

// A change within the file system's clock tick leaves the folder's time as
// it was; a folder changed just before it was listed is listed again.
TEST(CompanionIndex, ARecentlyChangedFolderIsListedAgain) {
#ifdef Q_OS_UNIX
    test::TempDir dir;
    touch(dir.file("p.jpg"));
    const QByteArray folder = QFile::encodeName(dir.path());
    struct stat before;
    ASSERT_EQ(::stat(folder.constData(), &before), 0);
    CompanionIndex index;
    const QString p = dir.file("p.jpg");
    EXPECT_EQ(index.find(p, ".rtf"), QString());
    touch(dir.file("p.RTF"));
    const timespec same[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.constData(), same, 0), 0);
    EXPECT_EQ(index.find(p, ".rtf"), dir.file("p.RTF"));
    EXPECT_EQ(index.listings(), 2);
#else
    GTEST_SKIP() << "folder times are set on Unix only";
#endif
}

TEST(CompanionIndex, FoldersThatAreNotThere) {
    test::TempDir dir;
    CompanionIndex index;
    EXPECT_EQ(index.find(dir.file("none/x.jpg"), ".wav"), QString());
    QDir(dir.path()).mkdir("gone");
    touch(dir.file("gone/x.WAV"));
    EXPECT_EQ(index.find(dir.file("gone/x.jpg"), ".wav"), dir.file("gone/x.WAV"));
    QDir(dir.file("gone")).removeRecursively();
    EXPECT_EQ(index.find(dir.file("gone/x.jpg"), ".wav"), QString());
}

} // namespace
} // namespace soru
