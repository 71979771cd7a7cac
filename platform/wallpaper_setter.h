#pragma once
// Choosing the wallpaper back-end for the session the program runs in.
#include "platform/services.h"
#include "platform/wallpaper_commands.h"

#include <QProcessEnvironment>

#include <memory>

namespace soru {

enum class Desktop {
    Gnome, // GNOME, Unity, Budgie, Pantheon
    Cinnamon,
    Mate,
    Plasma,
    Xfce,
    OtherX11, // any other X11 session: the root window
    None,     // no desktop we can reach (an unknown Wayland compositor, no display)
};

// The session's desktop, from the first name any of these recognises:
// XDG_CURRENT_DESKTOP (a colon-separated list, read in order),
// XDG_SESSION_DESKTOP, DESKTOP_SESSION (also a session file's path); then
// KDE_FULL_SESSION, GNOME_DESKTOP_SESSION_ID and MATE_DESKTOP_SESSION_ID.
// Names are compared without regard to case. Failing all these, a session
// with a DISPLAY that is not a Wayland session (XDG_SESSION_TYPE=wayland or
// a WAYLAND_DISPLAY) is OtherX11, anything else None.
Desktop detectDesktop(const QProcessEnvironment& environment);

// The back-end for the desktop, running its commands through the runner.
std::unique_ptr<WallpaperSetter> makeWallpaperSetter(Desktop desktop,
                                                     std::shared_ptr<CommandRunner> runner);

// The back-end for this session: on Windows the system's own wallpaper;
// elsewhere the detected desktop's, its commands run as processes in the
// given environment.
std::unique_ptr<WallpaperSetter> createWallpaperSetter(
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

} // namespace soru
