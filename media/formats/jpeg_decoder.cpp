#include "media/formats/jpeg_decoder.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/colour/colour_management.h"
#include "media/formats/early_jpeg.h"
#include "media/formats/jpeg_core.h"
#include "media/formats/picture_object.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <jerror.h>

namespace soru {
namespace {

using namespace jpegcore;

// ---------------------------------------------------------------------------
// The C++ side.

[[noreturn]] void fail(int code) {
    throw Failure(text::kJpegError.arg(code));
}

bool isFourComponent(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

// x / 255 rounded to the nearest integer, for 0 <= x <= 255 * 255.
inline uchar div255(int x) {
    return uchar((x + 127) / 255);
}

// C, M, Y, K bytes to RGB32 in place. Adobe's files store the samples
// inverted (255: no ink), so there red is C * K / 255; other files store
// ink amounts, and red is (255 - C) * (255 - K) / 255.
void cmykToRgb(QImage& image, int rows, bool inverted) {
    for (int y = 0; y < rows; ++y) {
        uchar* p = image.scanLine(y);
        auto* out = reinterpret_cast<QRgb*>(p);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            int c = p[0], m = p[1], yellow = p[2], k = p[3];
            if (!inverted)
                c = 255 - c, m = 255 - m, yellow = 255 - yellow, k = 255 - k;
            out[x] = qRgb(div255(c * k), div255(m * k), div255(yellow * k));
        }
    }
}

// Where the frame header's marker is, found by walking the segments as
// libjpeg does (bytes between segments skipped); -1 when it is not found
// before the first scan.
qsizetype frameHeaderAt(const QByteArray& b) {
    const auto at = [&](qsizetype i) { return uchar(b[i]); };
    qsizetype i = 2;
    while (i + 1 < b.size()) {
        if (at(i) != 0xFF || at(i + 1) == 0xFF || at(i + 1) == 0) {
            ++i;
            continue;
        }
        const uchar m = at(i + 1);
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
            return i + 9 <= b.size() ? i : -1;
        if (m == 0xDA || m == 0xD9)
            return -1;
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD8)) {
            i += 2;
            continue;
        }
        if (i + 4 > b.size())
            return -1;
        i += 2 + ((at(i + 2) << 8) | at(i + 3));
    }
    return -1;
}

JpegJob makeJob(const QByteArray& bytes, int denominator) {
    JpegJob job;
    std::memset(&job, 0, sizeof job);
    job.data = reinterpret_cast<const unsigned char*>(bytes.constData());
    job.size = static_cast<unsigned long>(bytes.size());
    job.denominator = denominator;
    return job;
}

// The top of a multi-scan picture decoded alone, the rows below copied
// from it; false (with the rows in an undefined state) when that cannot be
// done exactly. Tried only when the file is too small to hold one bit for
// every block, that is when its first scan cannot reach the bottom: the
// top part is then what its data can cover, with room for the rows to
// settle and repeat. It is used only when every scan ran out inside it, so
// that no scan put anything below.
bool decodeTopAndCopyDown(const QByteArray& bytes, JpegJob& job) {
    if (job.arithmetic || job.minBlocksPerIMcuRow <= 0 ||
        qint64(bytes.size()) * 8 >= qint64(job.minBlocksPerIMcuRow) * job.iMcuRows)
        return false;
    const int reach = int(qint64(bytes.size()) * 8 / job.minBlocksPerIMcuRow) + 1;
    const int alikeIMcuRows = (kAlikeRows + job.outRowsPerIMcuRow - 1) / job.outRowsPerIMcuRow;
    const int topIMcuRows = reach + 2 * kSettleIMcuRows + alikeIMcuRows;
    if (2 * topIMcuRows > job.iMcuRows)
        return false;
    const qsizetype sof = frameHeaderAt(bytes);
    if (sof < 0)
        return false;
    QByteArray top = bytes;
    const int topHeight = topIMcuRows * job.iMcuHeight;
    top[sof + 5] = char((topHeight >> 8) & 0xFF);
    top[sof + 6] = char(topHeight & 0xFF);
    JpegJob part = makeJob(top, job.denominator);
    if (!probeC(&part))
        fail(part.errorCode);
    if (part.outWidth != job.outWidth || part.outHeight >= job.outHeight ||
        part.outRowsPerIMcuRow != job.outRowsPerIMcuRow)
        return false;
    part.rows = job.rows;
    if (!decodeC(&part))
        fail(part.errorCode);
    const int blank = firstBlankIMcuRow(&part, part.scans);
    if (blank < 0 || part.rowsDone != part.outHeight)
        return false;
    const int from = (blank + kSettleIMcuRows) * job.outRowsPerIMcuRow;
    const int period = repeatPeriod(job.rows, from, part.outHeight, job.rowBytes);
    if (period == 0)
        return false;
    copyDown(job.rows, part.outHeight, job.outHeight, period, job.rowBytes);
    job.rowsDone = job.outHeight;
    job.paletteSize = part.paletteSize;
    std::memcpy(job.palette, part.palette, sizeof job.palette);
    job.period = period;
    job.alikeFrom = from;
    return true;
}

} // namespace

JpegHeader readJpegHeader(const QByteArray& bytes) {
    JpegJob job = makeJob(bytes, 1);
    job.readIcc = true;
    const bool probed = probeC(&job);
    QByteArray icc;
    if (job.icc) {
        icc = QByteArray(reinterpret_cast<const char*>(job.icc), qsizetype(job.iccSize));
        std::free(job.icc);
    }
    if (!probed)
        fail(job.errorCode);
    JpegHeader header;
    header.width = job.width;
    header.height = job.height;
    header.grayscale = job.colorSpace == JCS_GRAYSCALE;
    header.cmyk = isFourComponent(job.colorSpace);
    if (!icc.isEmpty()) {
        const ProfileSpace wanted = header.grayscale ? ProfileSpace::Grey
                                    : header.cmyk    ? ProfileSpace::Cmyk
                                                     : ProfileSpace::Rgb;
        if (profileSpace(icc) == wanted)
            header.iccProfile = std::move(icc);
    }
    if (!pictureFitsMemoryLimit(header.width, header.height, header.bytesPerPixel()))
        fail(JERR_IMAGE_TOO_BIG);
    return header;
}

int jpegScaleDenominator(QSize picture, QSize target) {
    return scaleDenominator(picture.width(), picture.height(), target.width(), target.height());
}

QImage decodeJpeg(const QByteArray& bytes, int denominator, JpegDataEnd dataEnd,
                  JpegDecodeInfo* info, ColourTransformCache* colours, const QByteArray& cmykProfile,
                  const QByteArray& targetProfile) {
    // The launcher's decode of these bytes, when it made one: the same
    // pixels, decoded from the program's first moment.
    if (dataEnd == JpegDataEnd::CopyBlankRows && !info) {
        if (const std::shared_ptr<EarlyJpeg> early =
                takeEarlyJpeg(reinterpret_cast<const unsigned char*>(bytes.constData()),
                              std::size_t(bytes.size()), denominator)) {
            int w = 0, h = 0;
            if (unsigned char* pixels = early->takePixels(w, h)) {
                QImage image(pixels, w, h, qsizetype(w) * 4, QImage::Format_RGB32,
                             [](void* p) { std::free(p); }, pixels);
                if (!image.isNull())
                    return image;
                std::free(pixels);
            }
        }
    }
    JpegJob job = makeJob(bytes, denominator);
    if (!probeC(&job))
        fail(job.errorCode);
    const bool grey = job.colorSpace == JCS_GRAYSCALE;
    const bool cmyk = isFourComponent(job.colorSpace); // decoded as 4 bytes, converted here
    const QImage::Format format = grey                              ? QImage::Format_Indexed8
                                  : kColourSpace == JCS_RGB && !cmyk ? QImage::Format_RGB888
                                                                     : QImage::Format_RGB32;
    if (!pictureFitsMemoryLimit(job.outWidth, job.outHeight, grey ? 1 : 4))
        fail(JERR_IMAGE_TOO_BIG);
    QImage image(job.outWidth, job.outHeight, format);
    if (image.isNull())
        throw std::bad_alloc();
    std::vector<unsigned char*> rows(std::size_t(job.outHeight));
    for (int y = 0; y < job.outHeight; ++y)
        rows[y] = image.scanLine(y);
    job.rows = rows.data();
    const bool stop = dataEnd == JpegDataEnd::CopyBlankRows;
    job.stopAtDataEnd = stop;
    if (!(stop && job.multiScan && decodeTopAndCopyDown(bytes, job)) && !decodeC(&job))
        fail(job.errorCode);
    if (info) {
        info->copiedBlankRows = job.period > 0;
        info->decodedRows = job.period > 0 ? job.alikeFrom : job.rowsDone;
    }
    if (cmyk && !(colours && colours->applyCmyk(image, job.rowsDone, job.adobe, cmykProfile,
                                                targetProfile)))
        cmykToRgb(image, job.rowsDone, job.adobe);
    for (int y = job.rowsDone; y < job.outHeight; ++y)
        std::memset(image.scanLine(y), grey ? 0 : 0xFF, std::size_t(image.bytesPerLine()));
    if (grey) {
        QList<QRgb> table(job.paletteSize);
        for (int i = 0; i < job.paletteSize; ++i)
            table[i] = qRgb(job.palette[i], job.palette[i], job.palette[i]);
        image.setColorTable(table);
    }
    return image;
}

} // namespace soru
