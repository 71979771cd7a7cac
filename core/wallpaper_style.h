#pragma once
// How the desktop places the wallpaper, as the menu offers it.
#include <QSize>

namespace soru {

// The value is what the desktop services take.
enum class WallpaperStyle : int { Centre = 0, Tile = 1, Zoom = 2 };

// Zooming a picture of another shape than the screen distorts it; the user
// is asked first. Sizes are compared as ratios, exactly.
inline bool zoomDistorts(QSize picture, QSize screen) {
    return qint64(picture.width()) * screen.height() != qint64(picture.height()) * screen.width();
}

} // namespace soru
