#pragma once
// The program's own pictures, embedded as Qt resources under :/images/, each
// painted at 1x, 2x and 3x (name.png, name@2x.png, name@3x.png). The loaders
// pick the resolution for the screen and set the device pixel ratio, so every
// picture keeps its logical size: a glyph is always 16 x 16 logical pixels.
#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace soru {

constexpr int kGlyphCount = 24;

// The glyphs by subject; the value is the glyph's number in the image list.
enum class Glyph : int {
    Exit = 0,
    Back = 1,
    SlideShow = 2,
    Next = 3,
    Spare = 4, // no component uses it
    Information = 5,
    Album = 6,
    Sound = 7,
    Thumbnails = 8,
    Wallpaper = 9, // also the zoomed wallpaper style
    BitmapFile = 10,
    Centre = 11,
    Tile = 12,
    JpegFile = 13,
    Interval1To5Seconds = 14,
    Interval10Seconds = 15,
    Interval30Seconds = 16,
    Interval1To5Minutes = 17,
    Interval10Minutes = 18,
    Clock = 19, // the slide show runs
    RichTextMemo = 20,
    PlainTextMemo = 21,
    Copy = 22,
    Minimise = 23,
};

// The artwork resolution for this screen: the application's device pixel
// ratio (the primary screen's when there is no application object yet),
// rounded up, within 1..3.
int artworkScale();
// The same rule for any ratio.
int artworkScaleFor(qreal devicePixelRatio);

// Resource path of glyph index at scale (1, 2 or 3), e.g.
// ":/images/glyph_07.png", ":/images/glyph_07@2x.png"; empty when the index is
// outside 0..kGlyphCount-1 or the scale outside 1..3.
QString glyphPath(int index, int scale = 1);

// 16 x 16 logical glyph on a transparent ground, at artworkScale() (or the
// given scale) with that device pixel ratio; null when index is out of range.
QPixmap glyph(int index);
QImage glyphImage(int index);
QImage glyphImage(int index, int scale);
inline QPixmap glyph(Glyph g) { return glyph(static_cast<int>(g)); }
inline QImage glyphImage(Glyph g) { return glyphImage(static_cast<int>(g)); }

// Any embedded picture by its stem ("splash", "cursor_back") at scale, with
// the device pixel ratio set; null when there is none.
QImage artworkImage(const QString& stem, int scale);

// Program icon with its 16- and 32-pixel pictures and their 2x and 3x paintings
// (48, 64 and 96 pixels).
QIcon mainIcon();

// 32 x 32 logical cursors with the hot spot at the top-left corner of their card.
QCursor backCursor();
QCursor nextCursor();

// 340 x 180 start-up picture, and the 16 x 16 emblem drawn over it at (315, 155).
QPixmap splashArtwork();
QPixmap splashEmblem();

// Pictures of the information window: the close cross (11 x 11), the
// envelope of the mail link (14 x 10), the home-page banner (88 x 31) and the
// CLICK sign pointing down at the banner (64 x 50).
QImage infoCloseCross();
QImage infoEnvelope();
QImage infoBanner();
QImage infoClickSign();

} // namespace soru
