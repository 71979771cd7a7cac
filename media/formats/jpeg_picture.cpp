#include "media/formats/jpeg_picture.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/colour/colour_management.h"
#include "media/formats/scaling.h"

#include <cstring>

namespace soru {
namespace {

// The JPEG stream at the start of the file, read piece by piece up to its
// end-of-image marker: whatever follows it (another file, a huge hole) is
// never read. Segments are skipped by their lengths and scans run to the
// next marker, as libjpeg reads them. A file cut short gives what it holds;
// a stream longer than the limit is cut there.
QByteArray readJpegStream(const QString& path) {
    QFile file;
    openPictureFile(file, path);
    constexpr qint64 kChunk = 64 * 1024;
    QByteArray bytes;
    // Makes bytes hold at least n bytes; false when the file has fewer.
    const auto need = [&](qint64 n) {
        while (bytes.size() < n) {
            const qint64 had = bytes.size();
            const qint64 want = qMin(qMax(n - had, kChunk), kMaxDecodedPictureBytes - had);
            if (want <= 0)
                return false;
            bytes.resize(had + want);
            const qint64 got = file.read(bytes.data() + had, want);
            if (got < 0)
                throw Failure(text::kCannotOpenFile.arg(path));
            bytes.resize(had + got);
            if (got == 0)
                return false;
        }
        return true;
    };
    const auto at = [&](qint64 i) { return uchar(bytes.constData()[i]); };
    // Not a JPEG stream: libjpeg needs no more than its first bytes to say so.
    if (!need(2) || at(0) != 0xFF || at(1) != 0xD8)
        return bytes;
    qint64 i = 2;
    for (;;) {
        // The next marker: stray bytes and fill bytes before it are skipped.
        for (;; ++i) {
            if (!need(i + 2))
                return bytes;
            if (at(i) == 0xFF && at(i + 1) != 0xFF && at(i + 1) != 0)
                break;
        }
        const uchar marker = at(i + 1);
        if (marker == 0xD9)
            return bytes.left(i + 2);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            i += 2;
            continue;
        }
        if (!need(i + 4))
            return bytes;
        i += 2 + ((at(i + 2) << 8) | at(i + 3));
        if (marker != 0xDA)
            continue;
        // Entropy-coded data: stuffed bytes and restart markers belong to it.
        // Most of a file is such data, so the next 0xFF is found with memchr
        // over what has been read rather than byte by byte.
        for (;;) {
            if (!need(i + 2))
                return bytes;
            const char* data = bytes.constData();
            const void* ff = std::memchr(data + i, 0xFF, size_t(bytes.size() - 1 - i));
            if (!ff) {
                i = bytes.size() - 1; // the last byte may start a marker: read on
                continue;
            }
            i = static_cast<const char*>(ff) - data;
            const uchar next = at(i + 1);
            if (next != 0 && next != 0xFF && !(next >= 0xD0 && next <= 0xD7))
                break;
            ++i;
        }
    }
}

} // namespace

void JpegPicture::load(const QString& path) {
    QByteArray bytes = readJpegStream(path);
    const JpegHeader header = readJpegHeader(bytes);
    orientation_ = exifOrientation(bytes);
    bytes_ = std::move(bytes);
    header_ = header;
    decoded_ = QImage();
    denominator_ = 0;
    decodedTarget_.clear();
}

// Decoded pixels at 1/denominator or larger; a larger decode already made
// is reused rather than decoding again.
const QImage& JpegPicture::decoded(int denominator, const QByteArray& target) {
    const QByteArray& cmykProfile = header_.cmyk ? header_.iccProfile : QByteArray();
    if (denominator_ == 0 || denominator_ > denominator ||
        (!cmykProfile.isEmpty() && decodedTarget_ != target)) {
        decoded_ = turnedUpright(
            decodeJpeg(bytes_, denominator, JpegDataEnd::CopyBlankRows, nullptr, &colours(), cmykProfile, target),
            orientation_);
        denominator_ = denominator;
        decodedTarget_ = target;
    }
    return decoded_;
}

void JpegPicture::draw(QImage& canvas, const QRect& target) {
    if (target.isEmpty() || bytes_.isEmpty())
        return;
    const int d = jpegScaleDenominator(upright(), target.size());
    drawSmoothScaled(canvas, target, decoded(d, drawProfile()));
}

QImage JpegPicture::fullImage() {
    if (bytes_.isEmpty())
        return {};
    QImage image = decoded(1, QByteArray());
    colours().apply(image, iccProfile());
    return image;
}

} // namespace soru
