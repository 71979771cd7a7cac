#include "media/colour/matrix_shaper.h"

#include <lcms2_plugin.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace soru {

// Per output channel c: the sum over the input channels j of
// terms[c][j][value] is lcms's "matrix row times first-shaper outputs, plus
// offset, plus rounding" in 1.14 fixed point (the offset and rounding ride
// in j = 0); shifted down and clipped to 0..16384 it indexes out[c], the
// second shaper already reduced to bytes. Sums wrap in 32 bits, as lcms's do.
struct MatrixShaperTables {
    quint32 terms[3][3][256];
    quint8 out[3][16385];
};

namespace {

// lcms's own rounding helpers, which its tables are made with.
int quickFloor(double v) {
    // 1.5 * 2^36: the low 32 bits of the sum hold v in 16.16 fixed point.
    const double shifted = v + 68719476736.0 * 1.5;
    quint64 bits;
    std::memcpy(&bits, &shifted, sizeof bits);
    return qint32(quint32(bits)) >> 16;
}

quint16 saturateWord(double d) {
    d += 0.5;
    if (d <= 0)
        return 0;
    if (d >= 65535.0)
        return 0xFFFF;
    return quint16(quickFloor(d - 32767.0) + 32767);
}

quint8 wordToByte(quint32 w) { return quint8(((w * 65281u + 8388608u) >> 24) & 0xFFu); }
quint16 byteToWord(quint8 b) { return quint16((b << 8) | b); }

// To 1.14 fixed point. A value beyond 32 bits (only absurd profiles make
// one) becomes what lcms's conversion gives for it on x86, without relying
// on an undefined conversion.
qint32 toFixed14(double v) {
    const double f = std::floor(v * 16384.0 + 0.5);
    return f >= -2147483648.0 && f < 2147483648.0 ? qint32(f) : std::numeric_limits<qint32>::min();
}

// The first shaper: byte to linear light in 1.14.
void fillFirstShaper(qint32 (&table)[256], const cmsToneCurve* curve) {
    for (int i = 0; i < 256; ++i) {
        const auto x = cmsFloat32Number(i / 255.0);
        const cmsFloat32Number y = cmsEvalToneCurveFloat(curve, x);
        table[i] = y < 131072.0 ? toFixed14(y) : 0x7FFFFFFF;
    }
}

// The second shaper: linear light in 1.14 (16384 is 1.0) to the output byte.
void fillSecondShaper(quint8 (&table)[16385], const cmsToneCurve* curve) {
    for (int i = 0; i < 16385; ++i) {
        const auto x = cmsFloat32Number(i / 16384.0);
        cmsFloat32Number v = cmsEvalToneCurveFloat(curve, x);
        if (v < 0)
            v = 0;
        if (v > 1.0)
            v = 1.0;
        table[i] = wordToByte(saturateWord(v * 65535.0));
    }
}

using SharedTables = std::shared_ptr<const MatrixShaperTables>;

// Where the plug-in leaves the tables of the transform being made on this
// thread (lcms optimises inside cmsCreateTransform, on the calling thread).
thread_local SharedTables* tablesBeingMade = nullptr;

int lineIndex(const MatrixShaperTables& t, int c, unsigned r, unsigned g, unsigned b) {
    const qint32 sum = qint32(t.terms[c][0][r] + t.terms[c][1][g] + t.terms[c][2][b]) >> 14;
    return sum < 0 ? 0 : sum > 16384 ? 16384 : sum;
}

// The pipeline's evaluator, for whatever lcms itself runs through it.
void evaluate16(const cmsUInt16Number in[], cmsUInt16Number out[], const void* data) {
    const MatrixShaperTables& t = **static_cast<const SharedTables*>(data);
    const unsigned r = in[0] & 0xFFu, g = in[1] & 0xFFu, b = in[2] & 0xFFu;
    for (int c = 0; c < 3; ++c)
        out[c] = byteToWord(t.out[c][lineIndex(t, c, r, g, b)]);
}

void freeTables(cmsContext, void* data) { delete static_cast<SharedTables*>(data); }
void* duplicateTables(cmsContext, const void* data) {
    return new SharedTables(*static_cast<const SharedTables*>(data));
}

bool threeByThree(const cmsStage* matrix) {
    return cmsStageInputChannels(matrix) == 3 && cmsStageOutputChannels(matrix) == 3;
}
bool threeCurves(const cmsStage* curves) {
    return static_cast<const _cmsStageToneCurvesData*>(cmsStageData(curves))->nCurves == 3;
}

// Takes the place of lcms's matrix-shaper optimisation for RGB32 on both
// sides: the same pipeline shapes, the same tables; anything else is left to
// lcms's own optimisations (which run after this one declines).
cmsBool optimiseMatrixShaper(cmsPipeline** lut, cmsUInt32Number, cmsUInt32Number* inputFormat,
                             cmsUInt32Number* outputFormat, cmsUInt32Number* flags) {
    if (*inputFormat != kRgb32Format || *outputFormat != kRgb32Format)
        return FALSE;
    cmsPipeline* src = *lut;
    cmsStage *curves1 = nullptr, *curves2 = nullptr, *matrix1 = nullptr, *matrix2 = nullptr;
    cmsMAT3 m;
    const cmsFloat64Number* offset = nullptr;
    if (cmsPipelineCheckAndRetreiveStages(src, 4, cmsSigCurveSetElemType, cmsSigMatrixElemType,
                                          cmsSigMatrixElemType, cmsSigCurveSetElemType, &curves1,
                                          &matrix1, &matrix2, &curves2)) {
        const auto* d1 = static_cast<const _cmsStageMatrixData*>(cmsStageData(matrix1));
        const auto* d2 = static_cast<const _cmsStageMatrixData*>(cmsStageData(matrix2));
        if (!threeByThree(matrix1) || !threeByThree(matrix2) || d1->Offset)
            return FALSE;
        _cmsMAT3per(&m, reinterpret_cast<const cmsMAT3*>(d2->Double),
                    reinterpret_cast<const cmsMAT3*>(d1->Double));
        offset = d2->Offset;
    } else if (cmsPipelineCheckAndRetreiveStages(src, 3, cmsSigCurveSetElemType,
                                                 cmsSigMatrixElemType, cmsSigCurveSetElemType,
                                                 &curves1, &matrix1, &curves2)) {
        if (!threeByThree(matrix1))
            return FALSE;
        const auto* d = static_cast<const _cmsStageMatrixData*>(cmsStageData(matrix1));
        std::memcpy(&m, d->Double, sizeof m);
        offset = d->Offset;
    } else {
        return FALSE;
    }
    // An identity matrix lets lcms join the curves instead.
    if ((_cmsMAT3isIdentity(&m) && !offset) || !threeCurves(curves1) || !threeCurves(curves2))
        return FALSE;

    auto tables = std::make_shared<MatrixShaperTables>();
    const auto* shapers1 = static_cast<const _cmsStageToneCurvesData*>(cmsStageData(curves1));
    const auto* shapers2 = static_cast<const _cmsStageToneCurvesData*>(cmsStageData(curves2));
    qint32 first[3][256];
    for (int j = 0; j < 3; ++j)
        fillFirstShaper(first[j], shapers1->TheCurves[j]);
    for (int c = 0; c < 3; ++c) {
        fillSecondShaper(tables->out[c], shapers2->TheCurves[c]);
        const quint32 extra = quint32(offset ? toFixed14(offset[c]) : 0) + 0x2000u;
        for (int j = 0; j < 3; ++j) {
            const auto k = quint32(toFixed14(m.v[c].n[j]));
            for (int v = 0; v < 256; ++v)
                tables->terms[c][j][v] = k * quint32(first[j][v]) + (j == 0 ? extra : 0u);
        }
    }

    // The same pipeline lcms would keep: first curves, the matrix, second curves.
    cmsPipeline* dest = cmsPipelineAlloc(cmsGetPipelineContextID(src), cmsPipelineInputChannels(src),
                                         cmsPipelineOutputChannels(src));
    if (!dest)
        return FALSE;
    if (!cmsPipelineInsertStage(dest, cmsAT_BEGIN, cmsStageDup(curves1)) ||
        !cmsPipelineInsertStage(dest, cmsAT_END,
                                cmsStageAllocMatrix(cmsGetPipelineContextID(src), 3, 3,
                                                    reinterpret_cast<const cmsFloat64Number*>(&m),
                                                    offset)) ||
        !cmsPipelineInsertStage(dest, cmsAT_END, cmsStageDup(curves2))) {
        cmsPipelineFree(dest);
        return FALSE;
    }
    SharedTables shared = std::move(tables);
    _cmsPipelineSetOptimizationParameters(dest, evaluate16, new SharedTables(shared), freeTables,
                                          duplicateTables);
    *flags |= cmsFLAGS_NOCACHE;
    *outputFormat |= OPTIMIZED_SH(1);
    cmsPipelineFree(src);
    *lut = dest;
    if (tablesBeingMade)
        *tablesBeingMade = std::move(shared);
    return TRUE;
}

void silentLog(cmsContext, cmsUInt32Number, const char*) {}

cmsContext matrixShaperContext() {
    static cmsPluginOptimization plugin = {
        {cmsPluginMagicNumber, LCMS_VERSION, cmsPluginOptimizationSig, nullptr},
        optimiseMatrixShaper};
    static const cmsContext context = [] {
        cmsContext c = cmsCreateContext(&plugin, nullptr);
        if (c)
            cmsSetLogErrorHandlerTHR(c, silentLog);
        return c;
    }();
    return context;
}

} // namespace

Rgb32Transform createRgb32Transform(cmsHPROFILE in, cmsUInt32Number format, cmsHPROFILE out,
                                    cmsUInt32Number intent) {
    const cmsContext context = matrixShaperContext();
    Rgb32Transform made;
    tablesBeingMade = &made.tables;
    // Without the private context (it could not be made) this is plain lcms.
    made.transform = context ? cmsCreateTransformTHR(context, in, format, out, kRgb32Format, intent, 0)
                             : cmsCreateTransform(in, format, out, kRgb32Format, intent, 0);
    tablesBeingMade = nullptr;
    if (!made.transform)
        made.tables.reset();
    return made;
}

std::size_t matrixShaperTablesSize() {
    return sizeof(MatrixShaperTables);
}

void convertRgb32(const MatrixShaperTables& t, uchar* pixels, int width) {
    constexpr int R = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 2 : 1;
    constexpr int G = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 1 : 2;
    constexpr int B = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 0 : 3;
    for (uchar* p = pixels; p != pixels + 4 * qsizetype(width); p += 4) {
        const unsigned r = p[R], g = p[G], b = p[B];
        p[R] = t.out[0][lineIndex(t, 0, r, g, b)];
        p[G] = t.out[1][lineIndex(t, 1, r, g, b)];
        p[B] = t.out[2][lineIndex(t, 2, r, g, b)];
    }
}

} // namespace soru
