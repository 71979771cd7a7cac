#pragma once
// libjpeg's decoder driven by plain C-style functions: the decode the
// picture objects make, and the one the program's launcher starts before
// the toolkit is loaded (which is why nothing here needs the toolkit).
#include "core/limits.h"
#include "media/formats/jpeg_limits.h"

#include <cstddef>
#include <cstdio> // jpeglib.h needs FILE

#include <jpeglib.h>

namespace soru::jpegcore {

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

// Nothing in these functions has a destructor: libjpeg's error
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

// Reads the header into job (the sizes for job->denominator among them);
// with job->readIcc, keeps the ICC profile.
bool probeC(JpegJob* job);

// Decodes into job->rows, which must hold outWidth x outHeight pixels as a
// probe with the same denominator reported them. With stopAtDataEnd, a
// one-scan file whose data ends early stops once the empty rows below it
// repeat, and copies them down.
bool decodeC(JpegJob* job);

// The first iMCU row from which every block is empty, or -1 while a scan
// read so far has not run out (or never can be told to: the arithmetic
// decoder goes on making symbols from nothing). Looks at scans 1 to scans.
int firstBlankIMcuRow(const JpegJob* job, int scans);

// The period (1 or 2) with which rows [from, to) repeat in their first n
// bytes, or 0 when they do not.
int repeatPeriod(unsigned char* const* rows, int from, int to, std::size_t n);

// Rows [from, to) copied from the rows period above them.
void copyDown(unsigned char* const* rows, int from, int to, int period, std::size_t n);

// The largest reduction of 8, 4, 2 and 1 at which a width x height
// picture, decoded with libjpeg's DCT scaling (sizes rounded up), still
// covers the target.
int scaleDenominator(long long width, long long height, int targetWidth, int targetHeight);

} // namespace soru::jpegcore
