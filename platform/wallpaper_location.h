#pragma once
// Where the wallpaper file lives. Every wallpaper the viewer sets overwrites
// this one file; it is never deleted.
#include <QString>

namespace soru {

inline const QString kWallpaperFileName = QStringLiteral("SORU Desktop Wallpaper.bmp");

// The folder of the wallpaper file: on Windows the Windows directory, else
// the user's application data folder (created when missing; should that
// fail, writing the file reports it).
QString wallpaperFolder();

// The folder joined with the wallpaper file's name by exactly one separator,
// whether or not the folder ends with one or more ("/" or "\"). The
// separator added is the folder's own kind: "\" for a folder written with
// backslashes only, else "/".
QString wallpaperFilePath(const QString& folder);

} // namespace soru
