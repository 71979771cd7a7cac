#include "fuzz/pictures.h"

#include "core/failure.h"
#include "core/fitting.h"
#include "core/limits.h"
#include "fuzz/harness.h"
#include "media/colour/colour_management.h"
#include "media/formats/bitmap_decoder.h"
#include "media/formats/jpeg_decoder.h"
#include "media/formats/picture_factory.h"

#include <QImage>
#include <QtEndian>

#include <optional>

namespace soru::fuzz {
namespace {

constexpr QRgb kBackground = 0xFF123456;
constexpr int kViewWidth = 64, kViewHeight = 48;
// Pictures larger than this but within the memory limit are valid by
// design, and decoding one under the sanitizers takes up to seconds: they
// are skipped so they do not crowd out the search (nor time out). The
// refusal of pictures over the limit is still exercised. Shapes stay free:
// 1 x 1048576 is as welcome as 1024 x 1024.
constexpr qint64 kLargePixels = 1 << 20;

// The picture size the file's header claims, and the bytes a decoded pixel
// takes, read as cheaply as possible.
struct Claim {
    qint64 width = 0, height = 0;
    int bytesPerPixel = 4;
};

std::optional<Claim> claimedSize(PictureKind kind, const std::uint8_t* data, std::size_t size) {
    if (kind == PictureKind::Png || kind == PictureKind::Webp || kind == PictureKind::Heif)
        return std::nullopt; // known after the load
    if (kind == PictureKind::Jpeg) {
        try {
            const JpegHeader h = readJpegHeader(
                QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
            return Claim{h.width, h.height, h.bytesPerPixel()};
        } catch (const Failure&) {
            return std::nullopt;
        }
    }
    if (size < 26)
        return std::nullopt;
    if (qFromLittleEndian<quint32>(data + 14) == 12)
        return Claim{qFromLittleEndian<quint16>(data + 18), qFromLittleEndian<quint16>(data + 20)};
    return Claim{qFromLittleEndian<qint32>(data + 18),
                 qAbs(qint64(qFromLittleEndian<qint32>(data + 22)))};
}

// The bitmap reader reads a file through a 1 MiB window, and fuzz inputs
// are far shorter. When bit 0 of the reserved byte at offset 6 (which the
// reader ignores) is set, zeros are put before the pixel data (and the
// offset to it moved), so that the first window ends byte[7] bytes into
// the pixels and reading them takes a second fill.
QByteArray bitmapFileBytes(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    constexpr qint64 kWindow = 1 << 20;
    if (size < 14 || !(data[6] & 1))
        return bytes;
    const qint64 offBits = qFromLittleEndian<quint32>(data + 10);
    const qint64 gap = kWindow - offBits - data[7];
    if (offBits < 26 || offBits > qint64(size) || gap <= 0)
        return bytes;
    bytes.insert(offBits, QByteArray(gap, '\0'));
    qToLittleEndian<quint32>(quint32(offBits + gap), bytes.data() + 10);
    return bytes;
}

template <class F> bool refused(F&& fn) {
    try {
        fn();
        return false;
    } catch (const Failure&) {
        return true;
    }
}

// Every pixel of the canvas outside `inside` still has the background.
bool untouchedOutside(const QImage& canvas, const QRect& inside) {
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x)
            if (!inside.contains(x, y) && row[x] != kBackground)
                return false;
    }
    return true;
}

} // namespace

void exercisePicture(PictureKind kind, const std::uint8_t* data, std::size_t size) {
    ColourTransformCache colours;
    if (const std::optional<Claim> c = claimedSize(kind, data, size)) {
        if (c->width > 0 && c->height > kLargePixels / c->width &&
            pictureFitsMemoryLimit(c->width, c->height, c->bytesPerPixel))
            return;
    }
    QByteArray stretched;
    if (kind == PictureKind::Bitmap) {
        stretched = bitmapFileBytes(data, size);
        data = reinterpret_cast<const std::uint8_t*>(stretched.constData());
        size = std::size_t(stretched.size());
    }
    const char* name = kind == PictureKind::Bitmap ? "picture.bmp"
                       : kind == PictureKind::Png  ? "picture.png"
                       : kind == PictureKind::Webp ? "picture.webp"
                       : kind == PictureKind::Heif ? "picture.heic"
                                                   : "picture.jpg";
    const QString path = writeScratchFile(name, data, size);
    const std::unique_ptr<PictureObject> picture = makePictureObject(kind, colours);
    try {
        picture->load(path);
    } catch (const Failure&) {
        FUZZ_CHECK(picture->width() == 0 && picture->height() == 0);
        if (kind == PictureKind::Bitmap)
            FUZZ_CHECK(refused([&] { decodeBitmap(data, qsizetype(size)); }));
        return;
    }
    const int w = picture->width(), h = picture->height();
    FUZZ_CHECK(w > 0 && h > 0);
    FUZZ_CHECK(pictureFitsMemoryLimit(w, h, 1));
    // The formats whose headers are read by their libraries: the large
    // pictures are skipped once the object knows the size.
    if (!claimedSize(kind, data, size) && h > kLargePixels / w)
        return;
    if (kind == PictureKind::Bitmap) {
        // The file is read through a window; the bytes in memory must give
        // the same picture.
        QImage fromMemory = decodeBitmap(data, qsizetype(size));
        colours.apply(fromMemory, picture->iccProfile());
        FUZZ_CHECK(fromMemory == picture->fullImage());
    }

    QImage canvas(kViewWidth, kViewHeight, QImage::Format_RGB32);
    canvas.fill(kBackground);
    try {
        // Fitted and centred, as the viewer shows it: straight into the canvas.
        const Fit fit = fitPicture(w, h, kViewWidth, kViewHeight);
        const QRect fitted(fit.left, fit.top, fit.width, fit.height);
        picture->draw(canvas, fitted);
        FUZZ_CHECK(untouchedOutside(canvas, fitted));
        // Its embedded profile, as the viewer applies it to what was drawn.
        colours.apply(canvas, picture->iccProfile());
        // Partly outside the canvas, as a thumbnail cell at an edge: through
        // a painter.
        picture->draw(canvas, QRect(-7, kViewHeight - 5, 20, 11));

        if (qint64(w) * h <= kLargePixels) { // in case the quick look above misread
            const QImage full = picture->fullImage();
            FUZZ_CHECK(full.size() == QSize(w, h));
            FUZZ_CHECK(full.format() == QImage::Format_RGB32 ||
                       (kind == PictureKind::Jpeg && full.format() == QImage::Format_Indexed8));
        }
    } catch (const Failure&) {
        // A scan that fails after a good header: reported like a bad header.
    }
}

} // namespace soru::fuzz
