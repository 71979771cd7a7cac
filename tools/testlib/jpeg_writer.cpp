// JPEG files through libjpeg's compression API, in memory.
#include "tools/testlib/testlib.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace soru::testlib {
namespace {

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

// Plain C-style body: no object with a destructor lives across setjmp.
// Rows are tightly packed RGB; libjpeg converts them to YCbCr or, for a
// grayscale file, to luma. Returns false with the libjpeg message on failure.
bool compress(const unsigned char* pixels, int w, int h, bool gray, bool progressive, int quality,
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
    if (gray)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // 96 dpi, as a scanner or camera tool would note it.
    cinfo.density_unit = 1;
    cinfo.X_density = 96;
    cinfo.Y_density = 96;
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const int stride = w * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + size_t(cinfo.next_scanline) * size_t(stride));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

const char* jpegKindName(JpegKind kind) {
    switch (kind) {
    case JpegKind::Baseline:
        return "baseline";
    case JpegKind::Progressive:
        return "progressive";
    case JpegKind::Grayscale:
        return "grayscale";
    }
    return "?";
}

QByteArray encodeJpeg(const QImage& image, JpegKind kind, int quality) {
    if (image.isNull())
        throw std::runtime_error("encodeJpeg: empty image");
    const QImage src = image.convertToFormat(QImage::Format_RGB888);
    const int w = src.width(), h = src.height();
    QByteArray packed(qsizetype(w) * h * 3, Qt::Uninitialized);
    for (int y = 0; y < h; ++y)
        std::memcpy(packed.data() + qsizetype(y) * w * 3, src.constScanLine(y), size_t(w) * 3);

    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = compress(reinterpret_cast<const unsigned char*>(packed.constData()), w, h,
                             kind == JpegKind::Grayscale, kind == JpegKind::Progressive, quality,
                             &out, &outSize, message);
    QByteArray bytes;
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char*>(out), qsizetype(outSize));
    std::free(out);
    if (!ok)
        throw std::runtime_error(std::string("JPEG compression failed: ") + message);
    return bytes;
}

void writeJpeg(const QString& path, const QImage& image, JpegKind kind, int quality) {
    writeFile(path, encodeJpeg(image, kind, quality));
}

} // namespace soru::testlib
