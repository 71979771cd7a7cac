#include "platform/windows/wallpaper_windows.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

namespace soru::windows {
namespace {

const wchar_t kDesktopKey[] = L"Control Panel\\desktop";

// The texts are spelled with universal character names so that they do not
// depend on the compiler's idea of the source encoding.
// "キー %s の作成に失敗しました"
std::wstring keyFailure(const std::wstring& key) {
    return L"\u30AD\u30FC " + key +
           L" \u306E\u4F5C\u6210\u306B\u5931\u6557\u3057\u307E\u3057\u305F";
}
// "'%s' の設定に失敗しました"
std::wstring valueFailure(const std::wstring& value) {
    return L"'" + value + L"' \u306E\u8A2D\u5B9A\u306B\u5931\u6557\u3057\u307E\u3057\u305F";
}

struct StyleValues {
    const wchar_t* tile;
    const wchar_t* style;
};
constexpr StyleValues kStyleValues[3] = {{L"0", L"0"}, {L"1", L"0"}, {L"0", L"2"}};

// Closes the key on every way out.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (key_)
            RegCloseKey(key_);
    }
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool setString(HKEY key, const wchar_t* name, const wchar_t* value) {
    const DWORD bytes = DWORD((wcslen(value) + 1) * sizeof(wchar_t)); // with the terminator
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) ==
           ERROR_SUCCESS;
}

// The window that shows the desktop icons: the first child of the first
// child of the program manager's window, when it is a list view (or the
// HTML view of an active desktop); else null.
HWND findDesktopListView() {
    HWND progman = FindWindowW(L"Progman", L"Program Manager");
    if (!progman)
        return nullptr;
    // GetTopWindow(nullptr) would answer with a top-level window: stop instead.
    HWND child = GetTopWindow(progman);
    if (!child)
        return nullptr;
    HWND view = GetTopWindow(child);
    if (!view)
        return nullptr;
    wchar_t name[512] = {};
    if (GetClassNameW(view, name, 512) <= 0)
        return nullptr;
    if (wcscmp(name, L"SysListView32") == 0 || wcscmp(name, L"Internet Explorer_Server") == 0)
        return view;
    return nullptr;
}

} // namespace

std::wstring windowsDirectory() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    std::wstring folder(buffer, length <= MAX_PATH ? length : 0);
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

std::wstring applyWallpaper(const std::wstring& bitmapPath, int style) {
    const StyleValues& values = kStyleValues[style >= 0 && style < 3 ? style : 0];
    {
        RegistryKey key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, key.out(), nullptr) != ERROR_SUCCESS)
            return keyFailure(kDesktopKey);
        if (!setString(key.get(), L"TileWallPaper", values.tile))
            return valueFailure(L"TileWallPaper");
        if (!setString(key.get(), L"WallpaperStyle", values.style))
            return valueFailure(L"WallpaperStyle");
    }

    std::wstring path = bitmapPath; // the call wants a writable buffer
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path.data(),
                          SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);

    if (HWND view = findDesktopListView()) {
        // Captions without a background of their own show the new picture.
        SendMessageW(view, LVM_SETTEXTBKCOLOR, 0, LPARAM(CLR_NONE));
        const LRESULT count = SendMessageW(view, LVM_GETITEMCOUNT, 0, 0);
        SendMessageW(view, LVM_REDRAWITEMS, 0, LPARAM(count - 1));
    }
    return {};
}

} // namespace soru::windows
