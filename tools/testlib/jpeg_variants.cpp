// JPEG variants: trailing damage, CMYK and YCCK, EXIF orientation.
#include "tools/testlib/jpeg_variants.h"

#include <QList>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace soru::testlib {
namespace {

// One marker segment of a file made by libjpeg: [start, end) from its FF;
// a scan runs on over its entropy-coded data.
struct Segment {
    uchar marker;
    int start;
    int end;
    int headerEnd; // end of the segment proper (for a scan: its header)
};

int be16(const QByteArray& b, int at) {
    return (uchar(b[at]) << 8) | uchar(b[at + 1]);
}

QList<Segment> segmentsOf(const QByteArray& b) {
    if (b.size() < 4 || uchar(b[0]) != 0xFF || uchar(b[1]) != 0xD8)
        throw std::logic_error("not a JPEG file");
    QList<Segment> out{{0xD8, 0, 2, 2}};
    int i = 2;
    while (i + 1 < b.size()) {
        if (uchar(b[i]) != 0xFF)
            throw std::logic_error("stray bytes in a JPEG file made here");
        const uchar m = uchar(b[i + 1]);
        if (m == 0xD9) {
            out.append({m, i, i + 2, i + 2});
            break;
        }
        const int headerEnd = i + 2 + be16(b, i + 2);
        int j = headerEnd;
        if (m == 0xDA) // entropy-coded data: up to a marker other than RSTn
            while (j + 1 < b.size() &&
                   !(uchar(b[j]) == 0xFF && uchar(b[j + 1]) != 0 &&
                     !(uchar(b[j + 1]) >= 0xD0 && uchar(b[j + 1]) <= 0xD7)))
                ++j;
        out.append({m, i, j, headerEnd});
        i = j;
    }
    return out;
}

QList<Segment> ofMarker(const QList<Segment>& all, uchar marker) {
    QList<Segment> out;
    for (const Segment& s : all)
        if (s.marker == marker)
            out.append(s);
    return out;
}

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// No object with a destructor lives across setjmp here.
bool compressCmykC(const unsigned char* cmyk, int w, int h, J_COLOR_SPACE space, bool adobe,
                   int quality, unsigned char** out, unsigned long* outSize, char* message) {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, space);
    cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(cmyk + size_t(cinfo.next_scanline) * size_t(w) * 4);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// Tightly packed RGB rows through libjpeg with the options.
bool compressWithC(const unsigned char* rgb, int w, int h, const JpegOptions* o,
                   unsigned char** out, unsigned long* outSize, char* message) {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (o->kind == JpegKind::Grayscale)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    else if (o->fullChroma)
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    jpeg_set_quality(&cinfo, o->quality, TRUE);
    if (o->kind == JpegKind::Progressive || o->progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.restart_interval = unsigned(o->restartInterval);
    cinfo.arith_code = o->arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + size_t(cinfo.next_scanline) * size_t(w) * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

QByteArray segmentBytes(uchar marker, const QByteArray& payload) {
    QByteArray s;
    const int length = int(payload.size()) + 2;
    s.append(char(0xFF)).append(char(marker)).append(char(length >> 8)).append(char(length & 0xFF));
    return s + payload;
}

} // namespace

const char* jpegTrailerName(JpegTrailer trailer) {
    switch (trailer) {
    case JpegTrailer::SecondFrameHeader:
        return "second_frame_header";
    case JpegTrailer::ZeroLengthQuantTable:
        return "zero_length_quant_table";
    case JpegTrailer::ShortHuffmanTable:
        return "short_huffman_table";
    case JpegTrailer::QuantTableIndex5:
        return "quant_table_index_5";
    case JpegTrailer::SecondStartOfImage:
        return "second_start_of_image";
    case JpegTrailer::UnknownMarker:
        return "unknown_marker";
    case JpegTrailer::SecondScan:
        return "second_scan";
    case JpegTrailer::StrayBytes:
        return "stray_bytes";
    case JpegTrailer::Comment:
        return "comment";
    case JpegTrailer::RestartMarker:
        return "restart_marker";
    }
    return "?";
}

QByteArray jpegWithTrailer(const QImage& image, JpegKind kind, JpegTrailer trailer,
                           TrailerPlace place) {
    const QByteArray b = encodeJpeg(image, kind);
    const QList<Segment> all = segmentsOf(b);
    const QList<Segment> scans = ofMarker(all, 0xDA);
    const QList<Segment> ends = ofMarker(all, 0xD9);
    if (scans.isEmpty() || ends.isEmpty())
        throw std::logic_error("JPEG file made here lacks a scan or its end");
    const bool severalScans = scans.size() > 1;
    if (place == TrailerPlace::BeforeLastScan && !severalScans)
        throw std::logic_error("a file of one scan has no place between scans");
    if (trailer == JpegTrailer::SecondScan && severalScans)
        throw std::logic_error("a second scan is damage only in a file of one scan");

    QByteArray damage;
    switch (trailer) {
    case JpegTrailer::SecondFrameHeader: {
        QList<Segment> frames = ofMarker(all, 0xC0) + ofMarker(all, 0xC2);
        if (frames.isEmpty())
            throw std::logic_error("JPEG file made here lacks a frame header");
        damage = b.mid(frames[0].start, frames[0].end - frames[0].start);
        break;
    }
    case JpegTrailer::ZeroLengthQuantTable:
        damage = QByteArray("\xFF\xDB\x00\x00", 4);
        break;
    case JpegTrailer::ShortHuffmanTable:
        damage = QByteArray("\xFF\xC4\x00\x01", 4);
        break;
    case JpegTrailer::QuantTableIndex5:
        damage = segmentBytes(0xDB, QByteArray(1, char(0x05)) + QByteArray(64, char(1)));
        break;
    case JpegTrailer::SecondStartOfImage:
        damage = QByteArray("\xFF\xD8", 2);
        break;
    case JpegTrailer::UnknownMarker:
        damage = segmentBytes(0xF7, QByteArray("\x08\x00\x10\x00\x10", 5));
        break;
    case JpegTrailer::SecondScan:
        // The scan header again, followed by a few bytes of data.
        damage = b.mid(scans[0].start, scans[0].headerEnd - scans[0].start) +
                 QByteArray("\x12\x34\x56\x78", 4);
        break;
    case JpegTrailer::StrayBytes:
        damage = QByteArray("stray bytes");
        break;
    case JpegTrailer::Comment:
        damage = segmentBytes(0xFE, QByteArray("after the picture"));
        break;
    case JpegTrailer::RestartMarker:
        damage = QByteArray("\xFF\xD3", 2);
        break;
    }
    const int at = place == TrailerPlace::BeforeEnd ? ends.last().start : scans.last().start;
    return b.left(at) + damage + b.mid(at);
}

QByteArray encodeJpegWith(const QImage& image, const JpegOptions& options) {
    if (image.isNull())
        throw std::runtime_error("encodeJpegWith: empty image");
    const QImage src = image.convertToFormat(QImage::Format_RGB888);
    const int w = src.width(), h = src.height();
    QByteArray packed(qsizetype(w) * h * 3, Qt::Uninitialized);
    for (int y = 0; y < h; ++y)
        std::memcpy(packed.data() + qsizetype(y) * w * 3, src.constScanLine(y), size_t(w) * 3);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = compressWithC(reinterpret_cast<const unsigned char*>(packed.constData()), w, h,
                                  &options, &out, &outSize, message);
    QByteArray bytes;
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char*>(out), qsizetype(outSize));
    std::free(out);
    if (!ok)
        throw std::runtime_error(std::string("JPEG compression failed: ") + message);
    return bytes;
}

QByteArray withClaimedSize(const QByteArray& jpeg, int width, int height) {
    // The segments up to the frame header, which comes before any scan:
    // whatever follows (damage included) is not walked.
    QByteArray b = jpeg;
    for (int i = 2; i + 8 < b.size() && uchar(b[i]) == 0xFF; i += 2 + be16(b, i + 2)) {
        const uchar m = uchar(b[i + 1]);
        if (m == 0xDA)
            break;
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            b[i + 5] = char((height >> 8) & 0xFF), b[i + 6] = char(height & 0xFF);
            b[i + 7] = char((width >> 8) & 0xFF), b[i + 8] = char(width & 0xFF);
            return b;
        }
    }
    throw std::logic_error("JPEG file made here lacks a frame header");
}

QByteArray cutInFirstScan(const QByteArray& jpeg, int percent) {
    const QList<Segment> scans = ofMarker(segmentsOf(jpeg), 0xDA);
    if (scans.isEmpty())
        throw std::logic_error("JPEG file made here lacks a scan");
    const Segment& s = scans[0];
    return jpeg.left(s.headerEnd + qsizetype(s.end - s.headerEnd) * qBound(0, percent, 100) / 100);
}

QByteArray encodeCmykJpeg(const QByteArray& cmyk, int w, int h, CmykKind kind, int quality) {
    if (w <= 0 || h <= 0 || cmyk.size() != qsizetype(w) * h * 4)
        throw std::runtime_error("encodeCmykJpeg: the bytes do not match the size");
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = compressCmykC(reinterpret_cast<const unsigned char*>(cmyk.constData()), w, h,
                                  kind == CmykKind::Ycck ? JCS_YCCK : JCS_CMYK,
                                  kind != CmykKind::CmykNoAdobe, quality, &out, &outSize, message);
    QByteArray bytes;
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char*>(out), qsizetype(outSize));
    std::free(out);
    if (!ok)
        throw std::runtime_error(std::string("JPEG compression failed: ") + message);
    return bytes;
}

// ------------------------------------------------------- EXIF orientation

QRgb orientationBlockColour(int col, int row) {
    static const QRgb colours[2][4] = {
        {qRgb(230, 30, 30), qRgb(30, 200, 40), qRgb(40, 60, 230), qRgb(240, 230, 40)},
        {qRgb(240, 240, 240), qRgb(20, 20, 20), qRgb(230, 40, 220), qRgb(40, 220, 230)}};
    if (col < 0 || col > 3 || row < 0 || row > 1)
        throw std::out_of_range("orientationBlockColour: no such block");
    return colours[row][col];
}

QImage orientationBlocks(int blockSize) {
    if (blockSize <= 0)
        throw std::runtime_error("orientationBlocks: block size must be positive");
    QImage img(4 * blockSize, 2 * blockSize, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, orientationBlockColour(x / blockSize, y / blockSize));
    return img;
}

QImage uprightOf(const QImage& stored, int orientation) {
    if (orientation < 1 || orientation > 8)
        return stored;
    const int w = stored.width(), h = stored.height();
    const bool swap = orientation >= 5;
    QImage out(swap ? h : w, swap ? w : h, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            // The stored pixel seen at (x, y).
            int sx = x, sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x, sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y, sy = x; break;
            case 6: sx = y, sy = h - 1 - x; break;
            case 7: sx = w - 1 - y, sy = h - 1 - x; break;
            case 8: sx = w - 1 - y, sy = x; break;
            default: break;
            }
            out.setPixel(x, y, stored.pixel(sx, sy));
        }
    return out;
}

QByteArray exifOrientationBlock(int orientation, bool bigEndian) {
    QByteArray tiff;
    const auto u16 = [&](unsigned v) {
        const char b[2] = {char(v & 0xFF), char((v >> 8) & 0xFF)};
        bigEndian ? tiff.append(b[1]).append(b[0]) : tiff.append(b, 2);
    };
    const auto u32 = [&](quint32 v) {
        bigEndian ? (u16(v >> 16), u16(v & 0xFFFF)) : (u16(v & 0xFFFF), u16(v >> 16));
    };
    const QByteArray description("SORU test picture");
    tiff += bigEndian ? QByteArray("MM") : QByteArray("II");
    u16(42);
    u32(8); // IFD 0 right after the header
    const int entries = 3;
    const quint32 dataStart = 8 + 2 + entries * 12 + 4;
    u16(entries);
    // Entries in ascending tag order: type 2 ASCII, 3 SHORT, 5 RATIONAL.
    u16(0x010E), u16(2), u32(quint32(description.size() + 1)), u32(dataStart);
    u16(0x0112), u16(3), u32(1), u16(unsigned(orientation)), u16(0);
    u16(0x011A), u16(5), u32(1), u32(quint32(dataStart + description.size() + 1));
    u32(0); // no IFD 1
    tiff += description;
    tiff.append('\0');
    u32(72), u32(1);
    return QByteArray("Exif\0\0", 6) + tiff;
}

QByteArray withApp1Segment(const QByteArray& jpeg, const QByteArray& payload) {
    const QList<Segment> all = segmentsOf(jpeg);
    const QList<Segment> jfif = ofMarker(all, 0xE0);
    const int at = jfif.isEmpty() ? 2 : jfif[0].end;
    return jpeg.left(at) + segmentBytes(0xE1, payload) + jpeg.mid(at);
}

QByteArray encodeJpegWithOrientation(const QImage& image, int orientation, JpegKind kind,
                                     bool bigEndian) {
    return withApp1Segment(encodeJpeg(image, kind, 95),
                           exifOrientationBlock(orientation, bigEndian));
}

void writeJpegWithOrientation(const QString& path, const QImage& image, int orientation,
                              JpegKind kind) {
    writeFile(path, encodeJpegWithOrientation(image, orientation, kind));
}

} // namespace soru::testlib
