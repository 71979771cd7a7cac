#pragma once
// RGB32 transforms between two matrix-shaper RGB profiles (almost every
// camera and screen profile) run by a loop of our own instead of lcms's
// per-pixel machinery, with exactly the numbers lcms would compute.
//
// lcms turns such a transform on 8-bit pixels into two sets of shaper
// tables around a 1.14 fixed-point matrix. Here an optimisation plug-in,
// registered only in a private lcms context, builds those very tables in
// lcms's place (same curves, same rounding, same clipping) and hands a copy
// out; the pixels then cost three table look-ups and sums per channel. Any
// other transform (grey, CMYK, table-based profiles) is lcms's own.
#include <QtGlobal>

#include <memory>

#include <lcms2.h>

namespace soru {

struct MatrixShaperTables;

struct Rgb32Transform {
    cmsHTRANSFORM transform = nullptr;                 // null when lcms could not make it
    std::shared_ptr<const MatrixShaperTables> tables; // null: use lcms to convert
};

// The pixel layout these transforms are made for: QImage's RGB32, one
// native 32-bit word 0xAARRGGBB.
constexpr cmsUInt32Number kRgb32Format =
    Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TYPE_BGRA_8 : TYPE_ARGB_8;

// cmsCreateTransform(in, format, out, kRgb32Format, intent, 0) in the
// private context, with the tables when lcms would have used its 8-bit
// matrix-shaper path (format kRgb32Format on both sides, a real matrix).
Rgb32Transform createRgb32Transform(cmsHPROFILE in, cmsUInt32Number format, cmsHPROFILE out,
                                    cmsUInt32Number intent);

// The memory one set of tables takes.
std::size_t matrixShaperTablesSize();

// Converts width RGB32 pixels in place; the fourth byte is left as it is.
void convertRgb32(const MatrixShaperTables& tables, uchar* pixels, int width);

} // namespace soru
