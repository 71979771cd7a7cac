#include "tools/testlib/icc_jpeg.h"

#include <QtEndian>

#include <cmath>
#include <stdexcept>

namespace soru::testlib {
namespace {

void be16(QByteArray& b, int v) {
    b.append(char((v >> 8) & 0xFF));
    b.append(char(v & 0xFF));
}

template <typename T>
void le(QByteArray& b, T v) {
    char bytes[sizeof(T)];
    qToLittleEndian(v, bytes);
    b.append(bytes, sizeof(T));
}

} // namespace

QByteArray withIccProfile(const QByteArray& jpeg, const QByteArray& profile) {
    if (jpeg.size() < 4 || uchar(jpeg[0]) != 0xFF || uchar(jpeg[1]) != 0xD8)
        throw std::runtime_error("withIccProfile: not a JPEG");
    qsizetype at = 2;
    if (uchar(jpeg[2]) == 0xFF && uchar(jpeg[3]) == 0xE0)
        at = 4 + ((uchar(jpeg[4]) << 8) | uchar(jpeg[5]));
    constexpr qsizetype kPiece = 65533 - 14;
    const int pieces = int((profile.size() + kPiece - 1) / kPiece);
    if (pieces > 255 || pieces == 0)
        throw std::runtime_error("withIccProfile: bad profile size");
    QByteArray segments;
    for (int i = 0; i < pieces; ++i) {
        const QByteArray piece = profile.mid(i * kPiece, kPiece);
        segments.append(char(0xFF));
        segments.append(char(0xE2));
        be16(segments, int(2 + 14 + piece.size()));
        segments.append("ICC_PROFILE", 12); // with its terminating zero
        segments.append(char(i + 1));
        segments.append(char(pieces));
        segments.append(piece);
    }
    return jpeg.left(at) + segments + jpeg.mid(at);
}

QByteArray encodeV5Bitmap(const QImage& image, const BitmapColour& colour) {
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    const int w = src.width(), h = src.height();
    const int stride = (w * 3 + 3) / 4 * 4;
    const quint32 pixelsAt = 14 + 124;
    const quint32 pixelBytes = quint32(stride) * quint32(h);
    const quint32 profileAt = pixelsAt + pixelBytes; // from the file's start
    QByteArray b;
    b.append("BM", 2);
    le<quint32>(b, profileAt + quint32(colour.profile.size()));
    le<quint32>(b, 0);
    le<quint32>(b, pixelsAt);
    le<quint32>(b, 124);
    le<qint32>(b, w);
    le<qint32>(b, h);
    le<quint16>(b, 1);
    le<quint16>(b, 24);
    for (int i = 0; i < 6; ++i) // compression, image size, resolution, colours
        le<quint32>(b, 0);
    for (int i = 0; i < 4; ++i) // masks
        le<quint32>(b, 0);
    le<quint32>(b, colour.profile.isEmpty() ? colour.type : 0x4D424544u);
    for (const auto& xyz : colour.endpoints)
        for (double v : xyz)
            le<qint32>(b, qint32(std::lround(v * (1 << 30))));
    for (double g : colour.gamma)
        le<quint32>(b, quint32(std::lround(g * 65536)));
    le<quint32>(b, 4); // LCS_GM_IMAGES
    le<quint32>(b, colour.profile.isEmpty() ? 0 : profileAt - 14);
    le<quint32>(b, quint32(colour.profile.size()));
    le<quint32>(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        QByteArray line(stride, '\0');
        for (int x = 0; x < w; ++x) {
            line[3 * x] = char(qBlue(row[x]));
            line[3 * x + 1] = char(qGreen(row[x]));
            line[3 * x + 2] = char(qRed(row[x]));
        }
        b.append(line);
    }
    return b + colour.profile;
}

} // namespace soru::testlib
