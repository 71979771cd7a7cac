#pragma once
// The wallpaper back-ends of the Linux desktops. Each writes the picture and
// the placement style into its desktop's own settings with the desktop's own
// command-line tool, run through a CommandRunner.
//
// Styles: 0 centred, 1 tiled, 2 stretched to the screen (the viewer asks
// before a picture of another shape gets distorted, so style 2 fills the
// screen exactly, ignoring the aspect ratio). Any other value is taken as
// centred.
//
// A settings store that refuses a key or a value throws
// Failure("キー %1 の作成に失敗しました") or Failure("'%1' の設定に失敗しました");
// the placement style is written before the picture, so after a failure the
// desktop does not switch to the new picture. The desktop's own failure to
// load the picture is not noticed.
#include "platform/services.h"
#include "platform/wallpaper_commands.h"
#include "core/texts.h"

#include <memory>

namespace soru {

namespace text {
// %1: the schema, channel or key.
inline constexpr text::Text kKeyCreateFailed{QT_TRANSLATE_NOOP("soru", "キー %1 の作成に失敗しました")};
// %1: the value's name.
inline constexpr text::Text kValueSetFailed{QT_TRANSLATE_NOOP("soru", "'%1' の設定に失敗しました")};
} // namespace text

// GNOME and the desktops built on its settings (Unity, Budgie, Pantheon),
// Cinnamon and MATE, each under its own schema, through `gsettings`:
// picture-options (centered, wallpaper, stretched), then the picture
// (picture-uri as a file:// URI, and picture-uri-dark where the schema has
// it; MATE: picture-filename as a path). A schema that is not installed, or
// gsettings missing, gives the key failure with the schema's name; a
// refused value the value failure with the key's name.
class GSettingsWallpaper final : public WallpaperSetter {
public:
    enum class Schema { Gnome, Cinnamon, Mate };
    GSettingsWallpaper(Schema schema, std::shared_ptr<CommandRunner> runner);
    void apply(const QString& bitmapPath, int style) override;

private:
    Schema schema_;
    std::shared_ptr<CommandRunner> runner_;
};

// KDE Plasma: one script through the shell's scripting interface on D-Bus
// (org.kde.PlasmaShell.evaluateScript) that sets FillMode (Pad 6, Tile 3,
// Stretch 0) and then Image on every desktop. Sent with dbus-send, or qdbus
// where dbus-send is missing; a call that fails gives the value failure
// for "Image".
class PlasmaWallpaper final : public WallpaperSetter {
public:
    explicit PlasmaWallpaper(std::shared_ptr<CommandRunner> runner);
    void apply(const QString& bitmapPath, int style) override;

private:
    std::shared_ptr<CommandRunner> runner_;
};

// Xfce: for every backdrop of channel xfce4-desktop (each
// /backdrop/screen*/monitor*/workspace*/last-image), image-style (centred 1,
// tiled 2, stretched 3) and then last-image, through `xfconf-query`. A
// channel that cannot be listed gives the key failure for "xfce4-desktop";
// a refused property the value failure with the property's path. A channel
// without backdrops gets the first screen's.
class XfceWallpaper final : public WallpaperSetter {
public:
    explicit XfceWallpaper(std::shared_ptr<CommandRunner> runner);
    void apply(const QString& bitmapPath, int style) override;

private:
    std::shared_ptr<CommandRunner> runner_;
};

// Any other X11 session: the root window's picture, set with feh
// (--bg-center, --bg-tile, --bg-scale) or else xwallpaper (--center,
// --tile, --stretch), whichever is installed when the wallpaper is set.
// With neither, nothing happens; what the setter does is not examined.
class RootWindowWallpaper final : public WallpaperSetter {
public:
    explicit RootWindowWallpaper(std::shared_ptr<CommandRunner> runner);
    void apply(const QString& bitmapPath, int style) override;

private:
    std::shared_ptr<CommandRunner> runner_;
};

// A session whose desktop has no known interface (an unknown Wayland
// compositor, no display): the file is written, nothing else happens.
class NoWallpaper final : public WallpaperSetter {
public:
    void apply(const QString&, int) override {}
};

namespace detail {
// The entry of a three-style table for the style, centred for any other.
template <class T> const T& forStyle(const T (&table)[3], int style) {
    return table[style >= 0 && style < 3 ? style : 0];
}
} // namespace detail

} // namespace soru
