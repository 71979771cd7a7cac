#include "platform/wallpaper_setter.h"

#include "platform/wallpaper_desktops.h"

#include <QFileInfo>

#include <optional>

#ifdef Q_OS_WIN
#include "core/failure.h"
#include "platform/windows/wallpaper_windows.h"

#include <QDir>
#endif

namespace soru {
namespace {

std::optional<Desktop> desktopNamed(QString name) {
    name = QFileInfo(name.trimmed()).fileName().toLower(); // DESKTOP_SESSION may be a path
    if (name.startsWith(u"x-"))                            // X-Cinnamon
        name = name.mid(2);
    if (name.isEmpty())
        return std::nullopt;
    struct Prefix {
        const char* name;
        Desktop desktop;
    };
    // Matched as the whole name or followed by "-" ("gnome-xorg", "ubuntu-wayland").
    static constexpr Prefix prefixes[] = {
        {"gnome", Desktop::Gnome},
        {"ubuntu", Desktop::Gnome},
        {"unity", Desktop::Gnome},
        {"budgie", Desktop::Gnome},
        {"pantheon", Desktop::Gnome},
        {"cinnamon", Desktop::Cinnamon},
        {"cinnamon2d", Desktop::Cinnamon},
        {"mate", Desktop::Mate},
        {"kde", Desktop::Plasma},
        {"plasma", Desktop::Plasma},
        {"plasmawayland", Desktop::Plasma},
        {"plasmax11", Desktop::Plasma},
        {"xfce", Desktop::Xfce},
        {"xfce4", Desktop::Xfce},
        {"xubuntu", Desktop::Xfce},
    };
    for (const Prefix& p : prefixes) {
        const QString prefix = QString::fromLatin1(p.name);
        if (name == prefix || name.startsWith(prefix + u'-'))
            return p.desktop;
    }
    return std::nullopt;
}

} // namespace

Desktop detectDesktop(const QProcessEnvironment& env) {
    const auto value = [&env](const char* name) { return env.value(QString::fromLatin1(name)); };
    QStringList names = value("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    names << value("XDG_SESSION_DESKTOP") << value("DESKTOP_SESSION");
    for (const QString& name : names) {
        if (const std::optional<Desktop> desktop = desktopNamed(name))
            return *desktop;
    }
    if (value("KDE_FULL_SESSION").compare(u"true", Qt::CaseInsensitive) == 0)
        return Desktop::Plasma;
    if (!value("GNOME_DESKTOP_SESSION_ID").isEmpty())
        return Desktop::Gnome;
    if (!value("MATE_DESKTOP_SESSION_ID").isEmpty())
        return Desktop::Mate;
    const bool wayland = value("XDG_SESSION_TYPE").compare(u"wayland", Qt::CaseInsensitive) == 0 ||
                         !value("WAYLAND_DISPLAY").isEmpty();
    if (!value("DISPLAY").isEmpty() && !wayland)
        return Desktop::OtherX11;
    return Desktop::None;
}

std::unique_ptr<WallpaperSetter> makeWallpaperSetter(Desktop desktop,
                                                     std::shared_ptr<CommandRunner> runner) {
    using Schema = GSettingsWallpaper::Schema;
    switch (desktop) {
    case Desktop::Gnome:
        return std::make_unique<GSettingsWallpaper>(Schema::Gnome, std::move(runner));
    case Desktop::Cinnamon:
        return std::make_unique<GSettingsWallpaper>(Schema::Cinnamon, std::move(runner));
    case Desktop::Mate:
        return std::make_unique<GSettingsWallpaper>(Schema::Mate, std::move(runner));
    case Desktop::Plasma:
        return std::make_unique<PlasmaWallpaper>(std::move(runner));
    case Desktop::Xfce:
        return std::make_unique<XfceWallpaper>(std::move(runner));
    case Desktop::OtherX11:
        return std::make_unique<RootWindowWallpaper>(std::move(runner));
    case Desktop::None:
        break;
    }
    return std::make_unique<NoWallpaper>();
}

#ifdef Q_OS_WIN
namespace {
// The registry and the system wallpaper; the work is done without Qt in
// platform/windows.
class WindowsWallpaper final : public WallpaperSetter {
public:
    void apply(const QString& bitmapPath, int style) override {
        const std::wstring error =
            windows::applyWallpaper(QDir::toNativeSeparators(bitmapPath).toStdWString(), style);
        if (!error.empty())
            throw Failure(QString::fromStdWString(error));
    }
};
} // namespace
#endif

std::unique_ptr<WallpaperSetter> createWallpaperSetter(const QProcessEnvironment& environment) {
#ifdef Q_OS_WIN
    Q_UNUSED(environment);
    return std::make_unique<WindowsWallpaper>();
#else
    return makeWallpaperSetter(detectDesktop(environment),
                               std::make_shared<ProcessRunner>(environment));
#endif
}

} // namespace soru
