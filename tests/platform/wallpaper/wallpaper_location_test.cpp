// Where the wallpaper file goes.
#include "platform/wallpaper_location.h"
#include "tests/platform/wallpaper/recording_runner.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace soru {
namespace {

TEST(WallpaperLocation, OneSeparatorBeforeTheFileName) {
    const struct {
        QString folder;
        QString path;
    } cases[] = {
        {"/home/u/.local/share/SORU", "/home/u/.local/share/SORU/SORU Desktop Wallpaper.bmp"},
        {"/home/u/.local/share/SORU/", "/home/u/.local/share/SORU/SORU Desktop Wallpaper.bmp"},
        {"/home/u/data//", "/home/u/data/SORU Desktop Wallpaper.bmp"},
        {"C:\\WINDOWS", "C:\\WINDOWS\\SORU Desktop Wallpaper.bmp"},
        {"C:\\WINDOWS\\", "C:\\WINDOWS\\SORU Desktop Wallpaper.bmp"},
        {"C:/Windows", "C:/Windows/SORU Desktop Wallpaper.bmp"},
        {"C:/Windows\\", "C:/Windows\\SORU Desktop Wallpaper.bmp"},
        {"D:\\", "D:\\SORU Desktop Wallpaper.bmp"},
        {"/", "/SORU Desktop Wallpaper.bmp"},
        {"relative", "relative/SORU Desktop Wallpaper.bmp"},
        {"", "SORU Desktop Wallpaper.bmp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wallpaperFilePath(c.folder), c.path) << "folder: " << c.folder.toStdString();
}

#ifndef Q_OS_WIN
TEST(WallpaperLocation, FolderIsTheUsersDataFolderCreatedWhenMissing) {
    const test::TempDir home;
    const QString data = home.file(QStringLiteral("not/yet/there"));
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.toLocal8Bit());
    const QString folder = wallpaperFolder();
    qputenv("XDG_DATA_HOME", saved);

    EXPECT_TRUE(folder.startsWith(data + u'/')) << folder.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
}
#endif

} // namespace
} // namespace soru
