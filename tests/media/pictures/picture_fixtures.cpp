#include "tests/media/pictures/picture_fixtures.h"

#include "media/bitmap_decoder.h"

#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace soru::test {

QImage drawnOnCanvas(PictureObject& picture, const QRect& target, QSize canvas) {
    QImage img(canvas, QImage::Format_RGB32);
    img.fill(kCanvasMark);
    picture.draw(img, target);
    return img;
}

int colourDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

ImageDifference compareImages(const QImage& a, const QImage& b) {
    ImageDifference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const int dist = colourDistance(a.pixel(x, y), b.pixel(x, y));
            if (dist > d.distance)
                d = {dist, QPoint(x, y)};
        }
    return d;
}

QImage colourBars(int w, int h, const QList<QRgb>& colours) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, colours[x * colours.size() / w]);
    return img;
}

QImage fineCheckerboard(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, (x + y) % 2 ? 0xFF000000u : 0xFFFFFFFFu);
    return img;
}

namespace {
void put16(QByteArray& b, unsigned v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void put32(QByteArray& b, quint32 v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
} // namespace

QByteArray bmpBytes(const BmpSpec& s) {
    const bool core = s.infoSize == 12;
    const qint64 offBits =
        14 + s.infoSize + 4 * s.masksAfter.size() + s.palette.size() * (core ? 3 : 4) + s.offBitsDelta;
    QByteArray b("BM");
    put32(b, quint32(offBits + s.pixels.size()));
    put32(b, 0);
    put32(b, quint32(offBits));
    put32(b, quint32(s.infoSize));
    if (core) {
        put16(b, unsigned(s.width)), put16(b, unsigned(s.height)), put16(b, s.planes), put16(b, s.bitCount);
    } else {
        put32(b, quint32(s.width)), put32(b, quint32(s.height)), put16(b, s.planes), put16(b, s.bitCount);
        put32(b, s.compression), put32(b, quint32(s.pixels.size())), put32(b, 3780), put32(b, 3780);
        put32(b, s.colorsUsed), put32(b, 0);
        b.append(QByteArray(s.infoSize - 40, '\0'));
    }
    for (quint32 m : s.masksAfter)
        put32(b, m);
    for (QRgb c : s.palette) {
        b.append(char(qBlue(c))), b.append(char(qGreen(c))), b.append(char(qRed(c)));
        if (!core)
            b.append('\0');
    }
    if (s.offBitsDelta > 0)
        b.append(QByteArray(int(s.offBitsDelta), '\0'));
    return b + s.pixels;
}

QList<QRgb> greyPalette(int entries) {
    QList<QRgb> p;
    for (int i = 0; i < entries; ++i)
        p.append(qRgb(i, i, i));
    return p;
}

QImage decodeBitmapExactly(const QByteArray& bytes) {
    const auto buffer = std::make_unique<uchar[]>(std::size_t(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    return decodeBitmap(buffer.get(), bytes.size());
}

} // namespace soru::test
