#include "media/formats/jpeg_core.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include <jerror.h>

namespace soru::jpegcore {
namespace {

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

} // namespace

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

int scaleDenominator(long long width, long long height, int targetWidth, int targetHeight) {
    const auto covers = [&](int d) {
        return (width + d - 1) / d >= targetWidth && (height + d - 1) / d >= targetHeight;
    };
    for (int d : {8, 4, 2})
        if (covers(d))
            return d;
    return 1;
}

} // namespace soru::jpegcore
