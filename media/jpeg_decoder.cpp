#include "media/jpeg_decoder.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/picture_object.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstring>
#include <new>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace soru {
namespace {

// ---------------------------------------------------------------------------
// The C side. Nothing in these functions has a destructor: libjpeg's error
// handler longjmps back into them, and a jump over a live C++ object would
// skip its destructor. They return false after a libjpeg error, whose
// message code is then in job->errorCode.

constexpr int kGreyColours = 236;

#ifdef JCS_EXTENSIONS
constexpr J_COLOR_SPACE kColourSpace = JCS_EXT_BGRX; // the byte order of QImage::Format_RGB32
#else
constexpr J_COLOR_SPACE kColourSpace = JCS_RGB;
#endif

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;
};

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = cinfo->err->msg_code;
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr, int) {} // warnings and traces are ignored
void onOutput(j_common_ptr) {}

// A file with several scans is read whole before the first row comes out,
// and every scan visits every block of its components, however few bytes
// it holds: a small file of a thousand empty scans over a large picture
// would keep the decoder busy for a minute. Encoders write about ten.
void onProgress(j_common_ptr cinfo) {
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
        ERREXIT(cinfo, JERR_BAD_PROGRESSION);
}

struct JpegJob {
    // In.
    const unsigned char* data;
    unsigned long size;
    int denominator;
    unsigned char** rows; // decode only: one pointer per output row
    // Out.
    int width, height, components;
    J_COLOR_SPACE colorSpace;
    bool adobe; // an Adobe marker: four-component samples are stored inverted
    int outWidth, outHeight;
    int rowsDone;
    int paletteSize;
    unsigned char palette[256];
    int errorCode;
};

void prepare(jpeg_decompress_struct* cinfo, ErrorManager* err) {
    jpeg_std_error(&err->pub);
    err->pub.error_exit = onError;
    err->pub.emit_message = onMessage;
    err->pub.output_message = onOutput;
    err->code = 0;
    cinfo->err = &err->pub;
}

// Reads the header and sets the output parameters for job->denominator.
void setUp(jpeg_decompress_struct* cinfo, JpegJob* job) {
    cinfo->mem->max_memory_to_use = long(kMaxDecodedPictureBytes);
    jpeg_mem_src(cinfo, job->data, job->size);
    jpeg_read_header(cinfo, TRUE);
    job->width = int(cinfo->image_width);
    job->height = int(cinfo->image_height);
    job->components = cinfo->num_components;
    job->colorSpace = cinfo->jpeg_color_space;
    job->adobe = cinfo->saw_Adobe_marker;
    cinfo->dct_method = JDCT_ISLOW;
    cinfo->scale_num = 1;
    cinfo->scale_denom = unsigned(job->denominator);
    if (cinfo->jpeg_color_space == JCS_GRAYSCALE) {
        cinfo->out_color_space = JCS_GRAYSCALE;
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = kGreyColours;
    } else if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
        cinfo->out_color_space = JCS_CMYK; // libjpeg turns YCCK into CMYK; RGB is ours
    } else {
        cinfo->out_color_space = kColourSpace;
    }
    jpeg_calc_output_dimensions(cinfo);
    job->outWidth = int(cinfo->output_width);
    job->outHeight = int(cinfo->output_height);
}

bool probeC(JpegJob* job) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    prepare(&cinfo, &err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        job->errorCode = err.code;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    setUp(&cinfo, job);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Decodes into job->rows, which must hold outWidth x outHeight pixels as a
// probe with the same denominator reported them.
bool decodeC(JpegJob* job) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    prepare(&cinfo, &err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        job->errorCode = err.code;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_progress_mgr progress;
    std::memset(&progress, 0, sizeof progress);
    progress.progress_monitor = onProgress;
    cinfo.progress = &progress;
    const int expectedWidth = job->outWidth, expectedHeight = job->outHeight;
    setUp(&cinfo, job);
    jpeg_start_decompress(&cinfo);
    if (int(cinfo.output_width) != expectedWidth || int(cinfo.output_height) != expectedHeight) {
        jpeg_destroy_decompress(&cinfo);
        job->errorCode = JERR_BUFFER_SIZE;
        return false;
    }
    job->paletteSize = 0;
    if (cinfo.quantize_colors) {
        job->paletteSize = cinfo.actual_number_of_colors;
        for (int i = 0; i < cinfo.actual_number_of_colors && i < 256; ++i)
            job->palette[i] = cinfo.colormap[0][i];
    }
    // From memory libjpeg never suspends; a cut-short file gives rows that
    // libjpeg fills itself. Stop anyway should a call ever deliver nothing.
    while (cinfo.output_scanline < cinfo.output_height &&
           jpeg_read_scanlines(&cinfo, job->rows + cinfo.output_scanline,
                               cinfo.output_height - cinfo.output_scanline) > 0) {
    }
    job->rowsDone = int(cinfo.output_scanline);
    // Read on to the end of the image: damage after the picture data (a
    // second frame header, a bogus segment) is an error like damage in the
    // scans. Warnings there are ignored as everywhere.
    if (cinfo.output_scanline == cinfo.output_height)
        jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

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

JpegJob makeJob(const QByteArray& bytes, int denominator) {
    JpegJob job;
    std::memset(&job, 0, sizeof job);
    job.data = reinterpret_cast<const unsigned char*>(bytes.constData());
    job.size = static_cast<unsigned long>(bytes.size());
    job.denominator = denominator;
    return job;
}

} // namespace

JpegHeader readJpegHeader(const QByteArray& bytes) {
    JpegJob job = makeJob(bytes, 1);
    if (!probeC(&job))
        fail(job.errorCode);
    JpegHeader header;
    header.width = job.width;
    header.height = job.height;
    header.grayscale = job.colorSpace == JCS_GRAYSCALE;
    if (!pictureFitsMemoryLimit(header.width, header.height, header.bytesPerPixel()))
        fail(JERR_IMAGE_TOO_BIG);
    return header;
}

int jpegScaleDenominator(QSize picture, QSize target) {
    const auto covers = [&](int d) {
        return (qint64(picture.width()) + d - 1) / d >= target.width() &&
               (qint64(picture.height()) + d - 1) / d >= target.height();
    };
    for (int d : {8, 4, 2})
        if (covers(d))
            return d;
    return 1;
}

QImage decodeJpeg(const QByteArray& bytes, int denominator) {
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
    if (!decodeC(&job))
        fail(job.errorCode);
    if (cmyk)
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
