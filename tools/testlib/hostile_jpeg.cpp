// Damaged JPEG files: each starts from a valid file made here with libjpeg
// and breaks it in one place, found by walking the file's segments.
#include "tools/testlib/hostile_internal.h"
#include "tools/testlib/testlib.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

namespace soru::testlib::hostile {
namespace {

// ------------------------------------------------------------ compression

struct Params {
    int width = 160;
    int height = 120;
    J_COLOR_SPACE space = JCS_YCbCr; // the file's colour space
    bool progressive = false;
    bool arithmetic = false;
    int restartRows = 0; // a restart marker every n MCU rows
    int restartMcus = 0; // ... or every n MCUs
};

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

// No object with a destructor lives across setjmp here. Rows are packed
// RGB, or CMYK when components is 4.
bool compressC(const unsigned char* pixels, int components, const Params* p, unsigned char** out,
               unsigned long* outSize, char* message) {
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
    cinfo.image_width = JDIMENSION(p->width);
    cinfo.image_height = JDIMENSION(p->height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, p->space);
    jpeg_set_quality(&cinfo, 85, TRUE);
    if (p->progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.arith_code = p->arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = p->restartRows;
    cinfo.restart_interval = unsigned(p->restartMcus);
    jpeg_start_compress(&cinfo, TRUE);
    const int stride = p->width * components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + size_t(cinfo.next_scanline) * size_t(stride));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

QByteArray compress(const Params& p) {
    const QImage src =
        makePicture(p.width, p.height, Scene::Landscape, 1).convertToFormat(QImage::Format_RGB888);
    const bool cmyk = p.space == JCS_CMYK || p.space == JCS_YCCK;
    const int components = cmyk ? 4 : 3;
    QByteArray packed(qsizetype(p.width) * p.height * components, Qt::Uninitialized);
    for (int y = 0; y < p.height; ++y) {
        const uchar* s = src.constScanLine(y);
        uchar* d = reinterpret_cast<uchar*>(packed.data()) + qsizetype(y) * p.width * components;
        for (int x = 0; x < p.width; ++x) {
            const uchar r = s[3 * x], g = s[3 * x + 1], b = s[3 * x + 2];
            if (cmyk) { // plain undercolour removal
                const uchar k = uchar(255 - std::max({r, g, b}));
                d[4 * x] = uchar(255 - r - k), d[4 * x + 1] = uchar(255 - g - k);
                d[4 * x + 2] = uchar(255 - b - k), d[4 * x + 3] = k;
            } else {
                d[3 * x] = r, d[3 * x + 1] = g, d[3 * x + 2] = b;
            }
        }
    }
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = compressC(reinterpret_cast<const unsigned char*>(packed.constData()), components,
                              &p, &out, &outSize, message);
    QByteArray bytes;
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char*>(out), qsizetype(outSize));
    std::free(out);
    if (!ok)
        throw std::runtime_error(std::string("JPEG compression failed: ") + message);
    return bytes;
}

// --------------------------------------------------------------- segments

// One marker and what belongs to it: [start, end) from its FF. A scan runs
// on over its entropy-coded data and the restart markers inside it.
struct Piece {
    uchar marker;
    int start;
    int end;
    int headerEnd; // end of the marker segment proper (the scan's header)
};

int be16(const QByteArray& b, int at) {
    return (uchar(b[at]) << 8) | uchar(b[at + 1]);
}

void putBe16(QByteArray& b, int at, int v) {
    b[at] = char((v >> 8) & 0xFF);
    b[at + 1] = char(v & 0xFF);
}

QList<Piece> piecesOf(const QByteArray& b) {
    QList<Piece> out;
    if (b.size() < 2 || uchar(b[0]) != 0xFF || uchar(b[1]) != 0xD8)
        throw std::logic_error("not a JPEG made here");
    out.append({0xD8, 0, 2, 2});
    int i = 2;
    while (i + 1 < b.size()) {
        if (uchar(b[i]) != 0xFF)
            throw std::logic_error("JPEG made here has stray bytes");
        const uchar m = uchar(b[i + 1]);
        if (m == 0xD9) {
            out.append({m, i, i + 2, i + 2});
            break;
        }
        const int end = i + 2 + be16(b, i + 2);
        int j = end;
        if (m == 0xDA) {
            while (j + 1 < b.size()) {
                const uchar next = uchar(b[j + 1]);
                if (uchar(b[j]) == 0xFF && next != 0 && !(next >= 0xD0 && next <= 0xD7))
                    break;
                ++j;
            }
        }
        out.append({m, i, j, end});
        i = j;
    }
    return out;
}

const Piece& nth(const QList<Piece>& pieces, uchar marker, int n = 0) {
    for (const Piece& p : pieces)
        if (p.marker == marker && n-- == 0)
            return p;
    throw std::logic_error("JPEG made here lacks a marker");
}

QByteArray segment(uchar marker, const QByteArray& payload) {
    QByteArray s;
    s.append(char(0xFF)).append(char(marker));
    s.append(char(((payload.size() + 2) >> 8) & 0xFF)).append(char((payload.size() + 2) & 0xFF));
    return s + payload;
}

QByteArray insertAfterSoi(const QByteArray& b, const QByteArray& what) {
    return b.left(2) + what + b.mid(2);
}

// The bytes with the piece replaced.
QByteArray replacePiece(const QByteArray& b, const Piece& p, const QByteArray& with) {
    return b.left(p.start) + with + b.mid(p.end);
}

QByteArray base() {
    static const QByteArray bytes = compress(Params{});
    return bytes;
}

QByteArray progressive() {
    Params p;
    p.progressive = true;
    static const QByteArray bytes = compress(p);
    return bytes;
}

QByteArray withRestarts() {
    Params p;
    p.restartMcus = 1;
    static const QByteArray bytes = compress(p);
    return bytes;
}

// The base file with the length field of the first segment of a kind set.
QByteArray segmentLength(uchar marker, int length) {
    QByteArray b = base();
    putBe16(b, nth(piecesOf(b), marker).start + 2, length);
    return b;
}

// Offsets inside SOF0: FF C0, length(2), precision, height(2), width(2),
// count, then per component id, sampling (H << 4 | V), quant table.
constexpr int kSofPrecision = 4, kSofHeight = 5, kSofWidth = 7, kSofCount = 9, kSofFirst = 10;

QByteArray patchSof(const std::function<void(QByteArray&, int sof)>& patch) {
    QByteArray b = base();
    patch(b, nth(piecesOf(b), 0xC0).start);
    return b;
}

QByteArray scanHeader(const QList<std::pair<int, int>>& components, int ss, int se, int ahal);
QByteArray rebuildScan(const QByteArray& b, int n, const QByteArray& header);

// SOF0 rewritten with n components (ids 1..n, 2x2 for the first, 1x1 else).
QByteArray componentCount(int n) {
    QByteArray b = base();
    const Piece sof = nth(piecesOf(b), 0xC0);
    QByteArray payload = b.mid(sof.start + 4, 6);
    payload[5] = char(n);
    for (int i = 0; i < n; ++i)
        payload.append(char(i + 1)).append(char(i == 0 ? 0x22 : 0x11)).append(char(i == 0 ? 0 : 1));
    const QByteArray frame = replacePiece(b, sof, segment(0xC0, payload));
    // The scan names the same components, as many as a scan may hold.
    QList<std::pair<int, int>> scanned;
    for (int i = 0; i < qMin(n, 4); ++i)
        scanned.append({i + 1, i == 0 ? 0x00 : 0x11});
    return n == 0 ? frame : rebuildScan(frame, 0, scanHeader(scanned, 0, 63, 0));
}

// The scan's header rebuilt: components {id, tables}, spectral selection
// and successive approximation.
QByteArray scanHeader(const QList<std::pair<int, int>>& components, int ss, int se, int ahal) {
    QByteArray payload;
    payload.append(char(components.size()));
    for (const auto& [id, tables] : components)
        payload.append(char(id)).append(char(tables));
    payload.append(char(ss)).append(char(se)).append(char(ahal));
    return segment(0xDA, payload);
}

QByteArray rebuildScan(const QByteArray& b, int n, const QByteArray& header) {
    const Piece sos = nth(piecesOf(b), 0xDA, n);
    return b.left(sos.start) + header + b.mid(sos.headerEnd);
}

// Progressive file keeping only the scans whose index passes keep.
QByteArray progressiveScans(const std::function<bool(int)>& keep) {
    const QByteArray b = progressive();
    QByteArray out;
    int scan = 0;
    for (const Piece& p : piecesOf(b)) {
        const bool isScan = p.marker == 0xDA;
        if (!isScan || keep(scan))
            out += b.mid(p.start, p.end - p.start);
        scan += isScan ? 1 : 0;
    }
    return out;
}

QByteArray removeRestartMarkers(const QByteArray& b) {
    const Piece sos = nth(piecesOf(b), 0xDA);
    QByteArray data = b.mid(sos.headerEnd, sos.end - sos.headerEnd);
    QByteArray kept;
    for (int i = 0; i < data.size(); ++i) {
        if (uchar(data[i]) == 0xFF && i + 1 < data.size() && uchar(data[i + 1]) >= 0xD0 &&
            uchar(data[i + 1]) <= 0xD7) {
            ++i;
            continue;
        }
        kept.append(data[i]);
    }
    return b.left(sos.headerEnd) + kept + b.mid(sos.end);
}

// Restart markers renumbered in the reverse order of their appearance.
QByteArray shuffleRestartMarkers(const QByteArray& b) {
    QByteArray out = b;
    const Piece sos = nth(piecesOf(b), 0xDA);
    int k = 0;
    for (int i = sos.headerEnd; i + 1 < sos.end; ++i)
        if (uchar(out[i]) == 0xFF && uchar(out[i + 1]) >= 0xD0 && uchar(out[i + 1]) <= 0xD7)
            out[i + 1] = char(0xD7 - (k++ % 8));
    return out;
}

// Cut just after the 0xFF of the n-th restart marker.
QByteArray cutInRestartMarker(const QByteArray& b, int n) {
    const Piece sos = nth(piecesOf(b), 0xDA);
    for (int i = sos.headerEnd; i + 1 < sos.end; ++i)
        if (uchar(b[i]) == 0xFF && uchar(b[i + 1]) >= 0xD0 && uchar(b[i + 1]) <= 0xD7 && n-- == 0)
            return b.left(i + 1);
    throw std::logic_error("too few restart markers");
}

QByteArray cutInScan(const QByteArray& b, int percent) {
    const Piece sos = nth(piecesOf(b), 0xDA);
    return b.left(sos.headerEnd + (sos.end - sos.headerEnd) * percent / 100);
}

// An Exif block whose offsets point far outside it.
QByteArray bogusExif() {
    QByteArray p("Exif\0\0", 6);
    p += QByteArray("II*\0", 4);
    p += QByteArray("\xF0\xFF\xFF\x7F", 4);  // first IFD offset: 2 GB on
    p += QByteArray("\xFF\xFF", 2);          // entry count 65535
    p += QByteArray(64, char(0xEE));
    return segment(0xE1, p);
}

// A quantisation table segment: Pq/Tq byte and 64 values.
QByteArray dqt(int pqTq, int value) {
    QByteArray p;
    p.append(char(pqTq));
    p += QByteArray(64, char(value));
    return segment(0xDB, p);
}

QByteArray dht(int tcTh, const QList<int>& counts, int symbols) {
    QByteArray p;
    p.append(char(tcTh));
    for (int i = 0; i < 16; ++i)
        p.append(char(i < counts.size() ? counts[i] : 0));
    for (int i = 0; i < symbols; ++i)
        p.append(char(i & 0xFF));
    return segment(0xC4, p);
}

// Replaces every DQT by the given ones.
QByteArray replaceQuantTables(const QByteArray& with) {
    const QByteArray b = base();
    QByteArray out;
    bool placed = false;
    for (const Piece& p : piecesOf(b)) {
        if (p.marker == 0xDB) {
            if (!placed)
                out += with;
            placed = true;
            continue;
        }
        out += b.mid(p.start, p.end - p.start);
    }
    return out;
}

QByteArray changeMarker(const QByteArray& b, uchar from, uchar to) {
    QByteArray out = b;
    out[nth(piecesOf(b), from).start + 1] = char(to);
    return out;
}

// Progressive grey picture followed by `extra` refinement scans that add
// nothing: every scan still walks the whole picture.
QByteArray scanFlood(int size, int extra) {
    Params p;
    p.width = size;
    p.height = size;
    p.space = JCS_GRAYSCALE;
    p.progressive = true;
    const QByteArray b = compress(p);
    const QList<Piece> pieces = piecesOf(b);
    const Piece eoi = pieces.last();
    QByteArray out = b.left(eoi.start);
    // An AC refinement scan of band 1..63 at bit 0 for component 1, no data.
    const QByteArray refine = scanHeader({{1, 0x00}}, 1, 63, 0x10);
    for (int i = 0; i < extra; ++i)
        out += refine;
    return out + b.mid(eoi.start);
}

HostileEntry row(const QByteArray& album, const char* name, const char* what, HostileOutcome outcome,
                 const QString& detail, const QByteArray& bytes) {
    return fileRow(album, name, what, outcome, detail, bytes);
}

} // namespace

QByteArray smallJpeg(int w, int h) {
    Params p;
    p.width = w;
    p.height = h;
    return compress(p);
}

QList<HostileEntry> jpegDamageRows(const QByteArray& a) {
    using O = HostileOutcome;
    const QString shown = QStringLiteral("160 x 120");
    const QByteArray b = base();
    const QList<Piece> pieces = piecesOf(b);
    QList<HostileEntry> rows;
    auto add = [&](const char* name, const char* what, O outcome, const QString& detail,
                   const QByteArray& bytes) { rows << row(a, name, what, outcome, detail, bytes); };

    // A file cut short: before the scan there is no picture; inside the scan
    // libjpeg fills the rest and the picture is shown.
    add("cut-02-after-soi.jpg", "only the start-of-image marker", O::Refused, jpegError(JERR_NO_IMAGE),
        b.left(2));
    add("cut-in-app0.jpg", "cut inside the JFIF segment", O::Refused, jpegError(JERR_NO_IMAGE),
        b.left(nth(pieces, 0xE0).start + 8));
    add("cut-in-dqt.jpg", "cut inside the first quantisation table", O::Refused, jpegError(JERR_NO_IMAGE),
        b.left(nth(pieces, 0xDB).start + 20));
    add("cut-after-sof.jpg", "cut right after the frame header", O::Refused, jpegError(JERR_SOF_NO_SOS),
        b.left(nth(pieces, 0xC0).end));
    add("cut-in-dht.jpg", "cut inside the first Huffman table", O::Refused, jpegError(JERR_BAD_HUFF_TABLE),
        b.left(nth(pieces, 0xC4).start + 10));
    add("cut-after-sos-header.jpg", "scan header, no scan data", O::Shown, shown,
        b.left(nth(pieces, 0xDA).headerEnd));
    add("cut-scan-10.jpg", "cut at 10 % of the scan data", O::Shown, shown, cutInScan(b, 10));
    add("cut-scan-50.jpg", "cut at 50 % of the scan data", O::Shown, shown, cutInScan(b, 50));
    add("cut-scan-90.jpg", "cut at 90 % of the scan data", O::Shown, shown, cutInScan(b, 90));
    add("no-eoi.jpg", "complete but for the end-of-image marker", O::Shown, shown, b.chopped(2));
    add("soi-eoi-only.jpg", "start and end markers, nothing between", O::Refused, jpegError(JERR_NO_IMAGE),
        QByteArray("\xFF\xD8\xFF\xD9", 4));

    // Segment lengths that are zero, empty, or run past the end.
    add("zero-length-app0.jpg", "JFIF segment of length 0: skipped as empty", O::Shown, shown,
        segmentLength(0xE0, 0));
    add("zero-length-dqt.jpg", "quantisation segment of length 0", O::Refused, jpegError(JERR_BAD_LENGTH),
        segmentLength(0xDB, 0));
    add("zero-length-sof.jpg", "frame header of length 0", O::Refused, jpegError(JERR_BAD_LENGTH),
        segmentLength(0xC0, 0));
    add("zero-length-dht.jpg", "Huffman segment of length 0", O::Refused, jpegError(JERR_BAD_LENGTH),
        segmentLength(0xC4, 0));
    add("zero-length-sos.jpg", "scan header of length 0", O::Refused, jpegError(JERR_BAD_LENGTH),
        segmentLength(0xDA, 0));
    add("zero-length-com.jpg", "comment of length 0 first: skipped as empty", O::Shown, shown,
        insertAfterSoi(b, QByteArray("\xFF\xFE\x00\x00", 4)));
    add("empty-com.jpg", "comment with nothing in it", O::Shown, shown,
        insertAfterSoi(b, segment(0xFE, {})));
    add("empty-app1.jpg", "application segment with nothing in it", O::Shown, shown,
        insertAfterSoi(b, segment(0xE1, {})));
    add("empty-dqt.jpg", "extra quantisation segment without tables", O::Shown, shown,
        insertAfterSoi(b, segment(0xDB, {})));
    add("empty-dht.jpg", "extra Huffman segment without tables", O::Shown, shown,
        insertAfterSoi(b, segment(0xC4, {})));
    add("length-past-end.jpg", "JFIF segment claiming 65535 bytes", O::Refused, jpegError(JERR_NO_IMAGE),
        segmentLength(0xE0, 0xFFFF));

    // The frame header.
    add("height-zero.jpg", "frame header says height 0", O::Refused, jpegError(JERR_EMPTY_IMAGE),
        patchSof([](QByteArray& x, int s) { putBe16(x, s + kSofHeight, 0); }));
    add("width-zero.jpg", "frame header says width 0", O::Refused, jpegError(JERR_EMPTY_IMAGE),
        patchSof([](QByteArray& x, int s) { putBe16(x, s + kSofWidth, 0); }));
    add("precision-12.jpg", "12-bit samples", O::Refused, jpegError(JERR_BAD_PRECISION),
        patchSof([](QByteArray& x, int s) { x[s + kSofPrecision] = 12; }));
    add("precision-16.jpg", "16-bit samples", O::Refused, jpegError(JERR_BAD_PRECISION),
        patchSof([](QByteArray& x, int s) { x[s + kSofPrecision] = 16; }));
    add("precision-0.jpg", "0-bit samples", O::Refused, jpegError(JERR_BAD_PRECISION),
        patchSof([](QByteArray& x, int s) { x[s + kSofPrecision] = 0; }));
    add("components-0.jpg", "frame of no components", O::Refused, jpegError(JERR_EMPTY_IMAGE),
        componentCount(0));
    add("components-2.jpg", "frame of two components", O::Refused, jpegError(JERR_CONVERSION_NOTIMPL),
        componentCount(2));
    add("components-4-no-adobe.jpg", "frame of four components, no colour marker: read as CMYK",
        O::Shown, shown, componentCount(4));
    add("components-5.jpg", "frame of five components", O::Refused, jpegError(JERR_CONVERSION_NOTIMPL),
        componentCount(5));
    add("components-255.jpg", "frame of 255 components", O::Refused, jpegError(JERR_COMPONENT_COUNT),
        componentCount(255));
    add("sampling-0.jpg", "luma sampling factor 0", O::Refused, jpegError(JERR_BAD_SAMPLING),
        patchSof([](QByteArray& x, int s) { x[s + kSofFirst + 1] = 0x02; }));
    add("sampling-5.jpg", "luma sampling factor 5", O::Refused, jpegError(JERR_BAD_SAMPLING),
        patchSof([](QByteArray& x, int s) { x[s + kSofFirst + 1] = 0x55; }));
    add("quant-table-undefined.jpg", "luma uses quantisation table 3, never defined", O::Refused,
        jpegError(JERR_NO_QUANT_TABLE), patchSof([](QByteArray& x, int s) { x[s + kSofFirst + 2] = 3; }));
    add("quant-table-9.jpg", "luma uses quantisation table 9", O::Refused, jpegError(JERR_NO_QUANT_TABLE),
        patchSof([](QByteArray& x, int s) { x[s + kSofFirst + 2] = 9; }));
    add("two-frames.jpg", "a second frame header", O::Refused, jpegError(JERR_SOF_DUPLICATE),
        b.left(nth(pieces, 0xDA).start) + b.mid(nth(pieces, 0xC0).start, nth(pieces, 0xC0).end -
                                                                           nth(pieces, 0xC0).start) +
            b.mid(nth(pieces, 0xDA).start));
    {
        Params p;
        p.arithmetic = true;
        add("arithmetic.jpg", "arithmetic coding", O::Shown, shown, compress(p));
    }
    add("lossless-sof3.jpg", "lossless frame", O::Refused, jpegError(JERR_SOF_UNSUPPORTED), changeMarker(b, 0xC0, 0xC3));
    add("hierarchical-sof5.jpg", "hierarchical frame", O::Refused, jpegError(JERR_SOF_UNSUPPORTED),
        changeMarker(b, 0xC0, 0xC5));
    add("jpeg-ls-sof55.jpg", "JPEG-LS frame marker", O::Refused, jpegError(JERR_UNKNOWN_MARKER),
        changeMarker(b, 0xC0, 0xF7));
    add("no-frame.jpg", "tables and scan but no frame header", O::Refused, jpegError(JERR_SOS_NO_SOF),
        b.left(nth(pieces, 0xC0).start) + b.mid(nth(pieces, 0xC0).end));
    {
        Params cmyk;
        cmyk.space = JCS_CMYK;
        add("cmyk.jpg", "CMYK with the Adobe marker", O::Shown, shown, compress(cmyk));
        Params ycck;
        ycck.space = JCS_YCCK;
        add("ycck.jpg", "YCCK with the Adobe marker", O::Shown, shown, compress(ycck));
        Params rgb;
        rgb.space = JCS_RGB;
        add("rgb.jpg", "RGB components, no colour transform", O::Shown, shown, compress(rgb));
    }

    // Tables.
    add("dqt-index-5.jpg", "quantisation table number 5", O::Refused, jpegError(JERR_DQT_INDEX),
        insertAfterSoi(b, dqt(0x05, 1)));
    add("dqt-zeros.jpg", "quantisation tables of zeros", O::Shown, shown,
        replaceQuantTables(dqt(0x00, 0) + dqt(0x01, 0)));
    add("dqt-16-bit.jpg", "16-bit quantisation tables", O::Shown, shown,
        replaceQuantTables([] {
            QByteArray p;
            for (int t = 0; t < 2; ++t) {
                p.append(char(0x10 | t));
                for (int i = 0; i < 64; ++i)
                    p.append(char(0)).append(char(4));
            }
            return segment(0xDB, p);
        }()));
    add("dht-overfull.jpg", "Huffman table of 300 codes", O::Refused, jpegError(JERR_BAD_HUFF_TABLE),
        insertAfterSoi(b, dht(0x00, {0, 150, 150}, 300)));
    add("dht-index-5.jpg", "Huffman table number 5", O::Refused, jpegError(JERR_DHT_INDEX),
        insertAfterSoi(b, dht(0x05, {1}, 1)));
    add("dht-codes-overflow.jpg", "Huffman table of three one-bit codes", O::Refused, jpegError(JERR_BAD_HUFF_TABLE),
        b.left(nth(pieces, 0xDA).start) + dht(0x00, {3}, 3) + b.mid(nth(pieces, 0xDA).start));

    // The scan header.
    add("sos-unknown-component.jpg", "scan of component 9", O::Refused, jpegError(JERR_BAD_COMPONENT_ID),
        rebuildScan(b, 0, scanHeader({{9, 0x00}, {2, 0x11}, {3, 0x11}}, 0, 63, 0)));
    add("sos-no-components.jpg", "scan of no components", O::Refused, jpegError(JERR_BAD_LENGTH),
        rebuildScan(b, 0, scanHeader({}, 0, 63, 0)));
    add("sos-huffman-3.jpg", "scan uses Huffman table 3, never defined", O::Refused, jpegError(JERR_NO_HUFF_TABLE),
        rebuildScan(b, 0, scanHeader({{1, 0x33}, {2, 0x11}, {3, 0x11}}, 0, 63, 0)));

    // Restart markers.
    const QByteArray r = withRestarts();
    add("restart-every-mcu.jpg", "a restart marker after every block group", O::Shown, shown, r);
    add("restart-markers-removed.jpg", "restart interval set, markers removed", O::Shown, shown,
        removeRestartMarkers(r));
    add("restart-markers-shuffled.jpg", "restart markers out of order", O::Shown, shown,
        shuffleRestartMarkers(r));
    add("restart-cut-in-marker.jpg", "cut between the two bytes of a restart marker", O::Shown,
        shown, cutInRestartMarker(r, 20));
    {
        QByteArray x = r;
        const Piece dri = nth(piecesOf(r), 0xDD);
        putBe16(x, dri.start + 4, 0);
        add("restart-interval-zero.jpg", "restart interval 0 with markers in the data", O::Shown,
            shown, x);
        QByteArray y = r;
        putBe16(y, dri.start + 2, 3);
        add("restart-bad-length.jpg", "restart interval segment of length 3", O::Refused,
            jpegError(JERR_BAD_LENGTH), y);
    }

    // Progressive files with scans missing or wrong.
    add("progressive.jpg", "progressive, complete", O::Shown, shown, progressive());
    add("progressive-first-scan-only.jpg", "progressive, only the first scan", O::Shown, shown,
        progressiveScans([](int i) { return i == 0; }));
    add("progressive-no-dc-scan.jpg", "progressive without its first (DC) scan", O::Shown, shown,
        progressiveScans([](int i) { return i != 0; }));
    add("progressive-cut-mid-scan.jpg", "progressive cut in its third scan", O::Shown, shown,
        [] {
            const QByteArray p = progressive();
            const Piece s = nth(piecesOf(p), 0xDA, 2);
            return p.left(s.headerEnd + (s.end - s.headerEnd) / 2);
        }());
    add("progressive-bad-spectral.jpg", "progressive scan with band 5 .. 2", O::Refused,
        jpegError(JERR_BAD_PROGRESSION), rebuildScan(progressive(), 1, scanHeader({{1, 0x00}}, 5, 2, 0)));
    add("progressive-band-64.jpg", "progressive scan with band 1 .. 64", O::Refused, jpegError(JERR_BAD_PROGRESSION),
        rebuildScan(progressive(), 1, scanHeader({{1, 0x00}}, 1, 64, 0)));
    add("progressive-ac-two-components.jpg", "progressive AC scan of two components", O::Refused,
        jpegError(JERR_BAD_PROGRESSION), rebuildScan(progressive(), 1, scanHeader({{1, 0x00}, {2, 0x00}}, 1, 5, 0)));
    add("progressive-al-14.jpg", "progressive scan with point transform 14", O::Refused,
        jpegError(JERR_BAD_PROGRESSION), rebuildScan(progressive(), 1, scanHeader({{1, 0x00}}, 1, 5, 0x0E)));
    // Every scan walks the whole picture: thousands of them keep the window
    // for seconds, so a file of more scans than any encoder writes is refused.
    add("scan-flood.jpg", "2048 x 2048 progressive with 2,000 empty refinement scans", O::Refused,
        jpegError(JERR_BAD_PROGRESSION), scanFlood(2048, 2000));

    // Stray and padding bytes, foreign blocks.
    add("fill-bytes.jpg", "1,000 fill bytes before a marker", O::Shown, shown,
        b.left(nth(pieces, 0xDB).start) + QByteArray(1000, char(0xFF)) +
            b.mid(nth(pieces, 0xDB).start));
    add("garbage-between-segments.jpg", "text between two segments", O::Shown, shown,
        b.left(nth(pieces, 0xDB).start) + QByteArray("garbage") + b.mid(nth(pieces, 0xDB).start));
    add("trailing-garbage.jpg", "a megabyte of bytes after the end", O::Shown, shown,
        b + QByteArray(1 << 20, char(0xA5)));
    add("exif-bogus-offsets.jpg", "Exif block whose offsets point outside it", O::Shown, shown,
        insertAfterSoi(b, bogusExif()));
    {
        QByteArray many;
        const QByteArray com = segment(0xFE, "comment");
        for (int i = 0; i < 10000; ++i)
            many += com;
        add("ten-thousand-comments.jpg", "10,000 comment segments first", O::Shown, shown,
            insertAfterSoi(b, many));
    }
    add("text.jpg", "a line of text", O::Refused, jpegError(JERR_NO_SOI),
        QByteArrayLiteral("Not a picture.\n"));
    add("bitmap.jpg", "a valid bitmap named .jpg", O::Refused, jpegError(JERR_NO_SOI),
        encodeBmp(makePicture(16, 12, Scene::Tiles, 2)));
    return rows;
}

QList<HostileEntry> sizeRows(const QByteArray& a) {
    using O = HostileOutcome;
    QList<HostileEntry> rows;
    auto add = [&](const char* name, const char* what, O outcome, const QString& detail,
                   const QByteArray& bytes) { rows << row(a, name, what, outcome, detail, bytes); };
    auto claim = [](int w, int h, bool progressiveFile) {
        Params p;
        p.width = 16;
        p.height = 16;
        p.progressive = progressiveFile;
        QByteArray b = compress(p);
        for (const Piece& s : piecesOf(b))
            if (s.marker == 0xC0 || s.marker == 0xC2) {
                putBe16(b, s.start + kSofHeight, h);
                putBe16(b, s.start + kSofWidth, w);
            }
        return b;
    };
    add("1x1.jpg", "one pixel", O::Shown, "1 x 1", smallJpeg(1, 1));
    {
        Params p;
        p.width = p.height = 1;
        p.space = JCS_GRAYSCALE;
        add("1x1-grey.jpg", "one grey pixel", O::Shown, "1 x 1", compress(p));
        p.progressive = true;
        add("1x1-progressive.jpg", "one grey pixel, progressive", O::Shown, "1 x 1", compress(p));
    }
    add("1x1.bmp", "one pixel", O::Shown, "1 x 1", encodeBmp(makePicture(1, 1, Scene::Plain, 3)));
    add("65500x1.jpg", "the widest picture a JPEG can hold", O::Shown, "65500 x 1",
        smallJpeg(65500, 1));
    add("1x65500.jpg", "the tallest picture a JPEG can hold", O::Shown, "1 x 65500",
        smallJpeg(1, 65500));
    add("65535x1.jpg", "frame header says 65535 x 1", O::Refused, jpegError(JERR_IMAGE_TOO_BIG),
        claim(65535, 1, false));
    add("65535x65535.jpg", "frame header says 65535 x 65535", O::Refused, jpegError(JERR_IMAGE_TOO_BIG),
        claim(65535, 65535, false));
    add("65535x1.bmp", "65535 x 1 pixels", O::Shown, "65535 x 1",
        encodeBmp(makePicture(65535, 1, Scene::TestPattern, 4)));
    add("1x65535.bmp", "1 x 65535 pixels", O::Shown, "1 x 65535",
        encodeBmp(makePicture(1, 65535, Scene::TestPattern, 4)));
    add("65535x1-1bpp.bmp", "65535 x 1 at one bit per pixel", O::Shown, "65535 x 1",
        encodeBmp(makePicture(65535, 1, Scene::Checkerboard, 4), BmpKind::Pal1));
    add("16384x16384-claimed.jpg", "a 16x16 file whose header says 16384 x 16384", O::Shown,
        "16384 x 16384", claim(16384, 16384, false));
    add("16384x16384-claimed-progressive.jpg",
        "a 16x16 progressive file whose header says 16384 x 16384", O::Shown, "16384 x 16384",
        claim(16384, 16384, true));
    add("16385x16384-claimed.jpg", "just over the memory limit", O::Refused, jpegError(JERR_IMAGE_TOO_BIG),
        claim(16385, 16384, false));
    return rows;
}

} // namespace soru::testlib::hostile
