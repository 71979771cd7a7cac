#pragma once
// The desktop wallpaper on Windows, written against the Windows API alone
// (no Qt), so that it compiles and can be checked on its own.
#include <string>

namespace soru::windows {

// The Windows directory, ending in a backslash.
std::wstring windowsDirectory();

// Makes the bitmap file the desktop wallpaper: writes "TileWallPaper" and
// then "WallpaperStyle" under HKEY_CURRENT_USER\Control Panel\desktop
// ("0"/"0" centred, "1"/"0" tiled, "0"/"2" stretched; any other style as
// centred), tells the system to load the file, and repaints the desktop's
// icon list so the icon captions show the new picture behind them.
// Returns an empty text on success, else the user's error text ("キー %s の
// 作成に失敗しました" with the key, "'%s' の設定に失敗しました" with the
// value); after an error the system wallpaper has not been switched. The
// system's own result of loading the picture is not examined.
std::wstring applyWallpaper(const std::wstring& bitmapPath, int style);

} // namespace soru::windows
