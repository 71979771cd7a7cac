#pragma once
// Helpers of the picture tests: drawing onto a marked canvas, comparing
// colours, and bitmap files built field by field (independent of the
// generator, so the reader is checked against the format itself).
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>

#include "media/picture_object.h"

#include <ostream>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace soru::test {

// The canvas colour the tests draw on; a picture never shows it.
inline constexpr QRgb kCanvasMark = 0xFF5A1E7C;

// A canvas of the size filled with kCanvasMark, the picture drawn into
// target.
QImage drawnOnCanvas(PictureObject& picture, const QRect& target, QSize canvas);

// The largest difference of the red, green and blue channels.
int colourDistance(QRgb a, QRgb b);

// The largest colourDistance between the two images (same size) and where.
struct ImageDifference {
    int distance = 0;
    QPoint at;
};
ImageDifference compareImages(const QImage& a, const QImage& b);

// Vertical bars of the colours, left to right, each as wide as it comes.
QImage colourBars(int w, int h, const QList<QRgb>& colours);

// A 1-pixel checkerboard of black and white.
QImage fineCheckerboard(int w, int h);

// A bitmap file with a 40-byte header (or a 12-byte one), every field
// settable, so each rule can be broken on its own.
struct BmpSpec {
    int infoSize = 40;
    qint32 width = 4, height = 2;
    quint16 planes = 1, bitCount = 8;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    QList<QRgb> palette;         // written as the colour table
    QList<quint32> masksAfter;   // written right after the header
    QByteArray pixels;           // written at bfOffBits
    qint64 offBitsDelta = 0;     // added to the natural bfOffBits
};
QByteArray bmpBytes(const BmpSpec& spec);

// A palette whose entry i is the grey (i, i, i).
QList<QRgb> greyPalette(int entries);

// Decodes from a buffer exactly as long as the bytes, so that a read past
// the end is seen by AddressSanitizer.
QImage decodeBitmapExactly(const QByteArray& bytes);

} // namespace soru::test
