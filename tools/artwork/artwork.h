#pragma once
// The pictures the program ships, each painted into a fresh image.
#include <QImage>

namespace art {

inline constexpr int kGlyphCount = 24;

// Toolbar and list glyph number index (0..23), 16 x 16 on a transparent ground.
QImage paintGlyph(int index);

// Glyphs by subject, split across the painting files.
QImage glyphExit();
QImage glyphBack();
QImage glyphSlideShow();
QImage glyphNext();
QImage glyphStar();
QImage glyphInformation();
QImage glyphAlbum();
QImage glyphSound();
QImage glyphThumbnails();
QImage glyphWallpaper();
QImage glyphCentre();
QImage glyphTile();
QImage glyphSheet(char letter);
QImage glyphTimer(int step); // 0..4: from the shortest interval to the longest
QImage glyphClock();
QImage glyphCopy();
QImage glyphMinimise();

// 32 x 32 black-and-white cursors whose hot spot is the top-left pixel.
QImage paintCursor(bool forward);

QImage paintSplash();
QImage paintEmblem();
QImage paintIcon(int size); // 16 or 32

// The information window: close cross 11 x 11, envelope 14 x 10, home-page
// banner 88 x 31, CLICK sign 64 x 50.
QImage paintInfoClose();
QImage paintInfoMail();
QImage paintInfoBanner();
QImage paintInfoClick();

} // namespace art
