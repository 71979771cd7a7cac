#include "media/formats/jpeg_decoder.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/colour/colour_management.h"
#include "media/formats/picture_object.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace soru {
namespace {

// ---------------------------------------------------------------------------
// The end of the data.
//
// A file cut short, or a small file whose header claims a huge picture,
// runs out of data long before its last row. libjpeg then decodes every
// remaining block from nothing, which for 16384 x 16384 pixels takes
// seconds. Once the Huffman decoder of a scan has met a marker that ends
// the scan's data for good, it gives the blocks of the rest of the scan no
// coefficients at all (libjpeg warns JWRN_HIT_MARKER at that moment). When
// every scan of the file ended so, every block below the last one reached
// is empty, and the output rows there repeat one row (two rows in turn for
// a grey picture, whose dithering runs in alternate directions). The decode
// then stops once a run of such rows has come out, checks that they repeat,
// and copies them down: the picture is exactly what libjpeg would have
// made, only sooner.
//
// A file of one scan stops decoding rows early; what follows its data is
// still read, so that damage there is reported as always. A file of
// several scans is read whole before its first row comes out, so there the
// top of the picture is decoded alone, from a copy of the file whose frame
// header claims only that many rows, and used only when every scan runs
// out inside it; that copy reads the same bytes after the scans.

// iMCU rows that the upsampler's context and progressive block smoothing
// (two block rows) still mix with the last blocks holding data.
constexpr int kSettleIMcuRows = 2;
// Output rows that must repeat before the rest is copied.
constexpr int kAlikeRows = 16;
// Scans are numbered from 1; more than kMaxJpegScans are refused.
constexpr int kTrackedScans = kMaxJpegScans + 2;

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

struct JpegJob {
    // In.
    const unsigned char* data;
    unsigned long size;
    int denominator;
    unsigned char** rows; // decode only: one pointer per output row
    bool stopAtDataEnd;   // decode only: a one-scan file stops at the end of its data
    bool readIcc;         // probe only: keep the ICC profile's APP2 segments
    // Out.
    int width, height, components;
    J_COLOR_SPACE colorSpace;
    bool adobe; // an Adobe marker: four-component samples are stored inverted
    bool multiScan, arithmetic;
    int iMcuRows;          // in the picture
    int iMcuHeight;        // picture rows per iMCU row
    int minBlocksPerIMcuRow; // of any component
    int outWidth, outHeight;
    int outRowsPerIMcuRow;
    std::size_t rowBytes; // bytes libjpeg writes per output row
    int rowsDone;
    int paletteSize;
    unsigned char palette[256];
    // The ICC profile assembled from the APP2 segments (malloc'd by
    // libjpeg; the caller frees it), or null.
    unsigned char* icc;
    unsigned int iccSize;
    int errorCode;
    // The iMCU row in which each scan's data ended for good, -1 while it
    // has not (index: scan number), and the number of scans read.
    int ranOutRow[kTrackedScans];
    int scans;
    // Set when the rows from alikeFrom on repeat with this period and those
    // past the decoded ones were copied.
    int period;
    int alikeFrom;
};

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;
    JpegJob* job;
};

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = cinfo->err->msg_code;
    std::longjmp(err->jump, 1);
}

// Warnings and traces are ignored, but for the one that tells where a
// scan's data ended. A marker below SOF0 or a restart marker does not end
// it: at the next restart libjpeg looks for a restart marker past the
// first and the data may go on.
void onMessage(j_common_ptr common, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(common->err);
    if (level != -1 || err->pub.msg_code != JWRN_HIT_MARKER || !err->job || !common->is_decompressor)
        return;
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    const int marker = cinfo->unread_marker;
    const int scan = cinfo->input_scan_number;
    if (marker < 0xC0 || (marker >= 0xD0 && marker <= 0xD7) || scan < 1 || scan >= kTrackedScans)
        return;
    if (err->job->ranOutRow[scan] < 0)
        err->job->ranOutRow[scan] = int(cinfo->input_iMCU_row);
}

void onOutput(j_common_ptr) {}

// A file with several scans is read whole before the first row comes out,
// and every scan visits every block of its components, however few bytes
// it holds: a small file of a thousand empty scans over a large picture
// would keep the decoder busy for a minute. Encoders write about ten.
void onProgress(j_common_ptr cinfo) {
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
        ERREXIT(cinfo, JERR_BAD_PROGRESSION);
}

void prepare(jpeg_decompress_struct* cinfo, ErrorManager* err, JpegJob* job) {
    jpeg_std_error(&err->pub);
    err->pub.error_exit = onError;
    err->pub.emit_message = onMessage;
    err->pub.output_message = onOutput;
    err->code = 0;
    err->job = job;
    cinfo->err = &err->pub;
    for (int i = 0; i < kTrackedScans; ++i)
        job->ranOutRow[i] = -1;
}

// Output rows per iMCU row.
int outputRowsPerIMcuRow(const jpeg_decompress_struct* cinfo) {
#if JPEG_LIB_VERSION >= 70
    return cinfo->max_v_samp_factor * cinfo->min_DCT_v_scaled_size;
#else
    return cinfo->max_v_samp_factor * cinfo->min_DCT_scaled_size;
#endif
}

// Reads the header and sets the output parameters for job->denominator.
void setUp(jpeg_decompress_struct* cinfo, JpegJob* job) {
    cinfo->mem->max_memory_to_use = long(kMaxDecodedPictureBytes);
    jpeg_mem_src(cinfo, job->data, job->size);
    if (job->readIcc)
        jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);
    job->width = int(cinfo->image_width);
    job->height = int(cinfo->image_height);
    job->components = cinfo->num_components;
    job->colorSpace = cinfo->jpeg_color_space;
    job->adobe = cinfo->saw_Adobe_marker;
    job->multiScan = jpeg_has_multiple_scans(cinfo);
    job->arithmetic = cinfo->arith_code;
    job->iMcuRows = int(cinfo->total_iMCU_rows);
    job->iMcuHeight = cinfo->max_v_samp_factor * DCTSIZE;
    job->minBlocksPerIMcuRow = 0;
    for (int i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info& c = cinfo->comp_info[i];
        const int blocks = int(c.width_in_blocks) * c.v_samp_factor;
        if (i == 0 || blocks < job->minBlocksPerIMcuRow)
            job->minBlocksPerIMcuRow = blocks;
    }
    cinfo->dct_method = JDCT_ISLOW;
    cinfo->scale_num = 1;
    cinfo->scale_denom = unsigned(job->denominator);
    if (cinfo->jpeg_color_space == JCS_GRAYSCALE) {
        cinfo->out_color_space = JCS_GRAYSCALE;
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = kGreyColours;
        // One component is always quantized in one pass; saying so lets
        // rows be skipped (see decodeC).
        cinfo->two_pass_quantize = FALSE;
    } else if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
        cinfo->out_color_space = JCS_CMYK; // libjpeg turns YCCK into CMYK; RGB is ours
    } else {
        cinfo->out_color_space = kColourSpace;
    }
    jpeg_calc_output_dimensions(cinfo);
    job->outWidth = int(cinfo->output_width);
    job->outHeight = int(cinfo->output_height);
    job->outRowsPerIMcuRow = outputRowsPerIMcuRow(cinfo);
    job->rowBytes = std::size_t(cinfo->output_width) * std::size_t(cinfo->output_components);
}

bool probeC(JpegJob* job) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    prepare(&cinfo, &err, job);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        job->errorCode = err.code;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    setUp(&cinfo, job);
    // Damaged or incomplete profile segments only warn: no profile then.
    if (job->readIcc && !jpeg_read_icc_profile(&cinfo, &job->icc, &job->iccSize)) {
        job->icc = nullptr;
        job->iccSize = 0;
    }
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// The first iMCU row from which every block is empty, or -1 while a scan
// read so far has not run out (or never can be told to: the arithmetic
// decoder goes on making symbols from nothing). Looks at scans 1 to scans.
int firstBlankIMcuRow(const JpegJob* job, int scans) {
    if (job->arithmetic || scans < 1 || scans >= kTrackedScans)
        return -1;
    int last = -1;
    for (int s = 1; s <= scans; ++s) {
        if (job->ranOutRow[s] < 0)
            return -1;
        last = std::max(last, job->ranOutRow[s]);
    }
    return last + 1;
}

// The period (1 or 2) with which rows [from, to) repeat in their first n
// bytes, or 0 when they do not.
int repeatPeriod(unsigned char* const* rows, int from, int to, std::size_t n) {
    for (int period = 1; period <= 2; ++period) {
        bool alike = to - from >= kAlikeRows;
        for (int y = from + period; alike && y < to; ++y)
            alike = std::memcmp(rows[y], rows[y - period], n) == 0;
        if (alike)
            return period;
    }
    return 0;
}

void copyDown(unsigned char* const* rows, int from, int to, int period, std::size_t n) {
    for (int y = from; y < to; ++y)
        std::memcpy(rows[y], rows[y - period], n);
}

// Decodes into job->rows, which must hold outWidth x outHeight pixels as a
// probe with the same denominator reported them. With stopAtDataEnd, a
// one-scan file whose data ends early stops once the empty rows below it
// repeat, and copies them down.
bool decodeC(JpegJob* job) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    prepare(&cinfo, &err, job);
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
    const int height = int(cinfo.output_height);
    bool endChecked = !job->stopAtDataEnd || job->multiScan;
    // From memory libjpeg never suspends; a cut-short file gives rows that
    // libjpeg fills itself. Stop anyway should a call ever deliver nothing.
    while (cinfo.output_scanline < cinfo.output_height &&
           jpeg_read_scanlines(&cinfo, job->rows + cinfo.output_scanline,
                               cinfo.output_height - cinfo.output_scanline) > 0) {
        if (endChecked)
            continue;
        const int blank = firstBlankIMcuRow(job, 1);
        if (blank < 0)
            continue;
        const int from = (blank + kSettleIMcuRows) * job->outRowsPerIMcuRow;
        const int to = std::max(from + kAlikeRows, (blank + 2 * kSettleIMcuRows) * job->outRowsPerIMcuRow);
        const int done = int(cinfo.output_scanline);
        if (to >= height) {
            endChecked = true;
        } else if (done >= to) {
            endChecked = true;
            const int period = repeatPeriod(job->rows, from, done, job->rowBytes);
            if (period > 0) {
                copyDown(job->rows, done, height, period, job->rowBytes);
                job->rowsDone = height;
                job->period = period;
                job->alikeFrom = from;
                // What follows the scan is still read, as below: the blank
                // rows are skipped (their blocks are not even transformed)
                // and the last one is read into a scratch row, since
                // skipping to the very end would skip that reading too.
                JSAMPARRAY scratch = cinfo.mem->alloc_sarray(
                    reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                    JDIMENSION(job->rowBytes), 1);
                if (cinfo.output_scanline + 1 < cinfo.output_height)
                    jpeg_skip_scanlines(&cinfo, cinfo.output_height - cinfo.output_scanline - 1);
                while (cinfo.output_scanline < cinfo.output_height &&
                       jpeg_read_scanlines(&cinfo, scratch, 1) > 0) {
                }
                break;
            }
        }
    }
    if (job->period == 0)
        job->rowsDone = int(cinfo.output_scanline);
    job->scans = cinfo.input_scan_number;
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
    const auto covers = [&](int d) {
        return (qint64(picture.width()) + d - 1) / d >= target.width() &&
               (qint64(picture.height()) + d - 1) / d >= target.height();
    };
    for (int d : {8, 4, 2})
        if (covers(d))
            return d;
    return 1;
}

QImage decodeJpeg(const QByteArray& bytes, int denominator, JpegDataEnd dataEnd,
                  JpegDecodeInfo* info, ColourTransformCache* colours, const QByteArray& cmykProfile,
                  const QByteArray& targetProfile) {
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
