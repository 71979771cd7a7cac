#include "tests/media/pictures/picture_fixtures.h"

#include "core/failure.h"
#include "media/formats/bitmap_decoder.h"

#include <QtEndian>

#include <algorithm>
#include <memory>

namespace soru::test {

QString failureOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Failure& f) {
        return f.message();
    }
    return kNoFailure;
}

QImage drawnOnCanvas(PictureObject& picture, const QRect& target, QSize canvas) {
    QImage img(canvas, QImage::Format_RGB32);
    img.fill(kCanvasMark);
    picture.draw(img, target);
    return img;
}

int colourDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

int imageDistance(const QImage& a, const QImage& b) {
    int d = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            d = std::max(d, colourDistance(a.pixel(x, y), b.pixel(x, y)));
    return d;
}

QImage fineCheckerboard(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, (x + y) % 2 ? 0xFF000000u : 0xFFFFFFFFu);
    return img;
}

QByteArray bmpBytes(const BmpFields& f) {
    const bool core = f.infoSize == 12;
    QByteArray b(14 + f.infoSize, '\0');
    for (quint32 m : f.masksAfter) {
        char le[4];
        qToLittleEndian<quint32>(m, le);
        b.append(le, 4);
    }
    for (QRgb c : f.palette) {
        const char e[4] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0};
        b.append(e, core ? 3 : 4);
    }
    uchar* p = reinterpret_cast<uchar*>(b.data());
    p[0] = 'B', p[1] = 'M';
    qToLittleEndian<quint32>(quint32(b.size() + f.pixels.size()), p + 2);
    qToLittleEndian<quint32>(quint32(f.offBits >= 0 ? f.offBits : b.size()), p + 10);
    qToLittleEndian<quint32>(quint32(f.infoSize), p + 14);
    if (core) {
        const quint16 v[4] = {quint16(f.width), quint16(f.height), f.planes, f.bitCount};
        for (int i = 0; i < 4; ++i)
            qToLittleEndian<quint16>(v[i], p + 18 + 2 * i);
    } else {
        qToLittleEndian<qint32>(f.width, p + 18);
        qToLittleEndian<qint32>(f.height, p + 22);
        qToLittleEndian<quint16>(f.planes, p + 26);
        qToLittleEndian<quint16>(f.bitCount, p + 28);
        qToLittleEndian<quint32>(f.compression, p + 30);
        qToLittleEndian<quint32>(quint32(f.pixels.size()), p + 34);
        qToLittleEndian<quint32>(f.colorsUsed, p + 46);
    }
    return b + f.pixels;
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
