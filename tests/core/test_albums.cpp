#include "core/albums.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

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

} // namespace
} // namespace soru
