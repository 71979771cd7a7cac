#include "core/album_scan_ahead.h"
#include "core/albums.h"
#include "core/command_line.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace soru {
namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(Albums, EntryTexts) {
    const QString travel = albumEntry(7, "Travel");
    EXPECT_EQ(travel, "         7Travel");
    EXPECT_EQ(albumEntryName(travel), "Travel");
    EXPECT_EQ(albumEntryHint(travel), "写真 7 枚\r\nTravel");
    const QString root = albumEntry(3, kRootAlbumLabel);
    EXPECT_EQ(root.left(10), "         3");
    EXPECT_EQ(albumEntryName(root), "[ ルートアルバム ]");
    EXPECT_EQ(albumEntry(2147483647, "x").left(10), "2147483647");
    const struct {
        const char* path;
        const char* entry;
    } pictures[] = {{"/a/photo.bmp", "0photo"},   {"/a/photo.jpg", "3photo"},
                    {"/a/SCAN.Bmp", "0SCAN"},     {"/a/photo.2001.jpg", "3photo.2001"},
                    {"/a/x.BMP.jpg", "3x.BMP"},   {"/a/旅行.jpeg", "3旅行"}};
    for (const auto& p : pictures)
        EXPECT_EQ(pictureEntry(QString::fromUtf8(p.path)), QString::fromUtf8(p.entry)) << p.path;
}

TEST(Albums, ListRows) {
    // 721 - 4 = 717; 717 / 22 = 32 rows.
    EXPECT_EQ(visibleListRows(721, 22, 40), 32);
    EXPECT_EQ(visibleListRows(721, 22, 3), 3);
    EXPECT_EQ(visibleListRows(721, 22, 0), 0);
    EXPECT_EQ(visibleListRows(553, 22, 100), 24);
}

TEST(Albums, OrderIgnoresCaseAndKeepsEachNameOnce) {
    SortedNameList list;
    for (const char* s : {"IMG2.jpg", "IMG10.jpg", "photo.jpg", "photo.bmp", "Winter", "summer", "Autumn",
                          "photo.jpg"})
        list.add(s);
    EXPECT_EQ(list.items(), (QStringList{"Autumn", "IMG10.jpg", "IMG2.jpg", "photo.bmp", "photo.jpg", "summer",
                                         "Winter"}));
    // Names that differ only in letter case are different files here: both stay.
    list.add("PHOTO.JPG");
    EXPECT_EQ(list.size(), 8);
}

TEST(Albums, FoldersPicturesAndCounts) {
    test::TempDir lib;
    QDir root(lib.path());
    for (const char* d : {"Winter", "summer", "Autumn", ".hidden", "empty", "Travel/inner"})
        root.mkpath(d);
    for (const char* f : {"a.jpg", "B.JPG", "c.jpe", "d.jpeg", "e.bmp", "f.Bmp", ".hid.jpg", "g.png", "h.jpgx",
                          "i.WebP", "j.HEIC", "k.heif", "l.avif", ".m.png", "n.gif", "png",
                          "jpg", "Travel/1.jpg", "Travel/inner/2.jpg", ".hidden/3.jpg", "summer/x.JPEG"})
        touch(root.filePath(f));
    root.mkdir("dir.jpg"); // a folder named like a picture
    EXPECT_EQ(albumFolderNames(lib.path()),
              (QStringList{"Autumn", "dir.jpg", "empty", "summer", "Travel", "Winter"}));
    EXPECT_EQ(countPictures(lib.path()), 11);
    EXPECT_EQ(countPictures(root.filePath("Travel")), 1);
    EXPECT_EQ(countPictures(root.filePath("summer")), 1);
    EXPECT_EQ(countPictures(root.filePath("empty")), 0);
    EXPECT_EQ(countPictures(root.filePath("missing")), 0);
    const QString p = lib.path() + "/";
    EXPECT_EQ(albumPicturePaths(lib.path()),
              (QStringList{p + "a.jpg", p + "B.JPG", p + "c.jpe", p + "d.jpeg", p + "e.bmp", p + "f.Bmp",
                           p + "g.png", p + "i.WebP", p + "j.HEIC", p + "k.heif", p + "l.avif"}));
    EXPECT_EQ(kImageExtensions, (QStringList{"jpg", "jpe", "jpeg", "bmp", "png", "webp", "heic", "heif", "avif"}));
}

// The count at start takes a shorter way than the picture list: both must
// agree on links, folders named like pictures and names that cannot be
// decoded, alone and several folders at a time.
// A local disk is counted a folder a core; a folder whose file system
// cannot be told (here: one that is not there) as a share, with the
// threads that overlap round trips.
TEST(Albums, ScanThreadsFollowTheFileSystem) {
    test::TempDir dir;
    EXPECT_EQ(albumScanThreads(dir.path()), std::clamp(QThread::idealThreadCount(), 1, kAlbumScanThreads));
    EXPECT_EQ(albumScanThreads(dir.file(QStringLiteral("gone/"))), kAlbumScanThreads);
}

TEST(Albums, CountAgreesWithThePictureList) {
    test::TempDir lib;
    QDir root(lib.path());
    const QString target = lib.file("target.jpg");
    touch(target);
    root.mkpath("folder.jpg");
    const struct {
        const char* album;
        int pictures;
    } albums[] = {{"plain", 2}, {"links", 3}, {"undecodable", 1}, {"none", 0}};
    for (const auto& a : albums)
        root.mkpath(a.album);
    touch(lib.file("plain/a.jpg"));
    touch(lib.file(QString::fromUtf8("plain/旅行.PNG")));
    touch(lib.file("plain/notes.txt"));
    // Links to a file and dangling links are pictures; a link to a folder is not.
    ASSERT_TRUE(QFile::link(target, lib.file("links/to-file.jpg")));
    ASSERT_TRUE(QFile::link("../target.jpg", lib.file("links/relative.jpeg")));
    ASSERT_TRUE(QFile::link(lib.file("nowhere"), lib.file("links/dangling.bmp")));
    ASSERT_TRUE(QFile::link(lib.file("folder.jpg"), lib.file("links/to-folder.jpg")));
    ASSERT_TRUE(QFile::link("../folder.jpg", lib.file("links/relative-folder.png")));
    touch(lib.file("undecodable/fine.jpg"));
    const QByteArray bad = QFile::encodeName(lib.file("undecodable")) + "/bad\xff.jpg";
    const int fd = ::open(bad.constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    root.mkpath("none/deep.jpg");

    QStringList paths;
    for (const auto& a : albums) {
        const QString folder = lib.file(a.album);
        paths << folder;
        EXPECT_EQ(albumPicturePaths(folder).size(), a.pictures) << a.album;
        EXPECT_EQ(countPictures(folder), a.pictures) << a.album;
    }
    for (int threads : {1, 3}) {
        QList<int> counts;
        countPicturesInOrder(paths, threads, [&](int index, int count) {
            EXPECT_EQ(index, counts.size());
            counts << count;
        });
        EXPECT_EQ(counts, (QList<int>{2, 3, 1, 0})) << threads << " threads";
    }
    // A scan started ahead of the window finds the same albums and counts,
    // the root album first; one never taken over ends with its owner.
    const QString rootPath = libraryRoot(lib.path());
    { const AlbumScanAhead unused(rootPath, 2); }
    AlbumScanAhead ahead(rootPath, 3);
    const QStringList folders = albumFolderNames(rootPath);
    EXPECT_EQ(ahead.folders(), folders);
    QList<int> expected{countPictures(rootPath)};
    for (const QString& folder : folders)
        expected << countPictures(rootPath + folder);
    QList<int> counts;
    ahead.countsInOrder([&](int index, int count) {
        EXPECT_EQ(index, counts.size());
        counts << count;
    });
    EXPECT_EQ(counts, expected);
    EXPECT_EQ(counts.size(), 6); // the root, folder.jpg and the four albums
}

} // namespace
} // namespace soru
