#pragma once
// Helpers of the picture tests: failures as text, drawing on a marked
// canvas, colour comparison, and bitmap files built field by field (apart
// from the generator, so the reader is checked against the format itself).
#include "media/formats/picture_object.h"

#include <QImage>
#include <QList>

#include <functional>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace soru::test {

inline const QString kNoFailure = QStringLiteral("(no failure)");
inline constexpr QRgb kCanvasMark = 0xFF5A1E7C; // never a picture's colour here

// The text of the Failure fn throws, or kNoFailure.
QString failureOf(const std::function<void()>& fn);

// A canvas of the size filled with kCanvasMark, the picture drawn into target.
QImage drawnOnCanvas(PictureObject& picture, const QRect& target, QSize canvas);

// The largest red, green or blue difference between two colours, or over
// two images of the same size.
int colourDistance(QRgb a, QRgb b);
int imageDistance(const QImage& a, const QImage& b);

QImage fineCheckerboard(int w, int h); // 1-pixel squares, black and white

// A bitmap file with a 40-byte (or 12-byte) header; every field settable,
// so that each rule can be broken on its own.
struct BmpFields {
    int infoSize = 40;
    qint32 width = 4, height = 2;
    quint16 planes = 1, bitCount = 8;
    quint32 compression = 0, colorsUsed = 0;
    QList<QRgb> palette;       // the colour table
    QList<quint32> masksAfter; // written right after the header
    QByteArray pixels;         // written at bfOffBits
    qint64 offBits = -1;       // bfOffBits when >= 0, else where the pixels are
};
QByteArray bmpBytes(const BmpFields& f);
QList<QRgb> greyPalette(int entries); // entry i is (i, i, i)

// Decodes from a buffer exactly as long as the bytes, so that a read past
// the end is seen by AddressSanitizer.
QImage decodeBitmapExactly(const QByteArray& bytes);

} // namespace soru::test
