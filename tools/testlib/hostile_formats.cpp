// Hostile rows for today's formats (PNG, WebP, HEIC, AVIF): a good file of
// each, and each damaged the ways a JPEG is: another format's content
// under its extension, cut short, empty, and a header claiming a picture
// far beyond memory. Each broken one is refused with its format's message,
// as a broken JPEG is with libjpeg's.
#include "tools/testlib/hostile_internal.h"
#include "tools/testlib/testlib.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <libheif/heif.h>
#include <webp/encode.h>

#include <cstring>
#include <stdexcept>
#include <tuple>

namespace soru::testlib::hostile {
namespace {

using O = HostileOutcome;

constexpr int kW = 64, kH = 48;

QImage scene() {
    return makePicture(kW, kH, Scene::Landscape, 11).convertToFormat(QImage::Format_RGB888);
}

QByteArray png() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!scene().save(&buffer, "PNG"))
        throw std::runtime_error("cannot write a PNG");
    return bytes;
}

QByteArray webp() {
    const QImage img = scene();
    uint8_t* out = nullptr;
    const std::size_t n =
        WebPEncodeRGB(img.constBits(), kW, kH, int(img.bytesPerLine()), 80.0f, &out);
    const QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(n));
    WebPFree(out);
    if (bytes.isEmpty())
        throw std::runtime_error("cannot write a WebP");
    return bytes;
}

// How heif() stores a thumbnail: none, or the same picture coded again
// and assigned with libheif's arguments in their documented order or the
// other way round.
enum class Thumbnail { None, Assigned, AssignedReversed };

// The scene at `size` in a HEIF file.
QByteArray heif(heif_compression_format format, QSize size = {kW, kH},
                Thumbnail thumbnail = Thumbnail::None) {
    heif_init(nullptr);
    const int w = size.width(), h = size.height();
    const QImage img =
        makePicture(w, h, Scene::Landscape, 11).convertToFormat(QImage::Format_RGB888);
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    QByteArray bytes;
    if (heif_context_get_encoder_for_format(ctx, format, &encoder).code == heif_error_Ok &&
        heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code ==
            heif_error_Ok &&
        heif_image_add_plane(image, heif_channel_interleaved, w, h, 8).code == heif_error_Ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < h; ++y)
            std::memcpy(plane + qsizetype(stride) * y, img.constScanLine(y), w * 3);
        heif_encoder_set_lossy_quality(encoder, 80);
        heif_writer writer{};
        writer.writer_api_version = 1;
        writer.write = [](heif_context*, const void* data, size_t size, void* user) {
            static_cast<QByteArray*>(user)->append(static_cast<const char*>(data), qsizetype(size));
            return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
        };
        heif_image_handle *primary = nullptr, *thumb = nullptr;
        if (heif_context_encode_image(ctx, image, encoder, nullptr, &primary).code !=
                heif_error_Ok ||
            (thumbnail != Thumbnail::None &&
             (heif_context_encode_image(ctx, image, encoder, nullptr, &thumb).code !=
                  heif_error_Ok ||
              (thumbnail == Thumbnail::Assigned
                   ? heif_context_assign_thumbnail(ctx, primary, thumb)
                   : heif_context_assign_thumbnail(ctx, thumb, primary))
                      .code != heif_error_Ok)) ||
            heif_context_write(ctx, &writer, &bytes).code != heif_error_Ok)
            bytes.clear();
        heif_image_handle_release(thumb);
        heif_image_handle_release(primary);
    }
    heif_image_release(image);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(ctx);
    heif_deinit();
    if (bytes.isEmpty())
        throw std::runtime_error("cannot write a HEIF file");
    return bytes;
}

// The lossy WebP with its frame header claiming 16383 x 16383, the most
// the format holds.
QByteArray claimingWebp(QByteArray b) {
    const qsizetype start = b.indexOf("\x9d\x01\x2a");
    if (b.mid(12, 4) != "VP8 " || start < 0)
        throw std::runtime_error("not a simple lossy WebP");
    qToLittleEndian<quint16>(0x3FFF, b.data() + start + 3);
    qToLittleEndian<quint16>(0x3FFF, b.data() + start + 5);
    return b;
}

// Big-endian fields and boxes of a HEIF file.
QByteArray be(quint64 v, int bytes) {
    QByteArray b(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        b[bytes - 1 - i] = char(v >> (8 * i));
    return b;
}
QByteArray box(const char (&type)[5], const QByteArray& body) {
    return be(quint64(8 + body.size()), 4) + QByteArray(type, 4) + body;
}
QByteArray fullBox(const char (&type)[5], int version, int flags, const QByteArray& body) {
    return box(type, be(quint32(version) << 24 | quint32(flags), 4) + body);
}

// An AVIF whose picture is a rows x cols grid on a canvas of `canvas`,
// each cell the one picture of `tile` (an AVIF of one picture, stored once
// and referred to by every cell); its size property claims `claimed`.
QByteArray avifGrid(const QByteArray& tile, int rows, int cols, QSize canvas, QSize claimed) {
    const auto tileBox = [&](const char* type) {
        const qsizetype at = tile.indexOf(type) - 4;
        if (at < 0)
            throw std::runtime_error(std::string("no ") + type + " box in the tile");
        return tile.mid(at, qFromBigEndian<quint32>(tile.constData() + at));
    };
    const QByteArray av1C = tileBox("av1C"), ispe = tileBox("ispe"), coded = tileBox("mdat").mid(8);
    const int cells = rows * cols;
    QByteArray dimg = be(1, 2) + be(quint64(cells), 2);
    for (int i = 0; i < cells; ++i)
        dimg += be(2, 2);
    // Version 0, 32-bit fields, rows - 1, columns - 1, the canvas.
    const QByteArray grid = be(0, 1) + be(1, 1) + be(quint64(rows - 1), 1) +
                            be(quint64(cols - 1), 1) + be(quint64(canvas.width()), 4) +
                            be(quint64(canvas.height()), 4);
    const QByteArray iinf =
        fullBox("iinf", 0, 0,
                be(2, 2) + fullBox("infe", 2, 0, be(1, 2) + be(0, 2) + QByteArray("grid\0", 5)) +
                    fullBox("infe", 2, 1, be(2, 2) + be(0, 2) + QByteArray("av01\0", 5)));
    // Item 1 (the grid): the claimed size; item 2 (the cell): its own size
    // and its coding parameters, the latter essential.
    const QByteArray iprp = box(
        "iprp", box("ipco", fullBox("ispe", 0, 0,
                                    be(quint64(claimed.width()), 4) +
                                        be(quint64(claimed.height()), 4)) +
                                ispe + av1C) +
                    fullBox("ipma", 0, 0,
                            be(2, 4) + be(1, 2) + be(1, 1) + be(0x81, 1) + be(2, 2) + be(2, 1) +
                                be(0x02, 1) + be(0x83, 1)));
    const auto meta = [&](quint64 codedAt) {
        // Offsets and lengths of 4 bytes; the grid in idat, the cell in mdat.
        const QByteArray iloc = fullBox(
            "iloc", 1, 0,
            be(0x44, 1) + be(0, 1) + be(2, 2) + be(1, 2) + be(1, 2) + be(0, 2) + be(1, 2) +
                be(0, 4) + be(quint64(grid.size()), 4) + be(2, 2) + be(0, 2) + be(0, 2) +
                be(1, 2) + be(codedAt, 4) + be(quint64(coded.size()), 4));
        return fullBox("meta", 0, 0,
                       fullBox("hdlr", 0, 0, be(0, 4) + "pict" + QByteArray(13, '\0')) +
                           fullBox("pitm", 0, 0, be(1, 2)) + iloc + iinf +
                           fullBox("iref", 0, 0, box("dimg", dimg)) + iprp + box("idat", grid));
    };
    const QByteArray ftyp = box("ftyp", QByteArray("avif") + be(0, 4) + "avifmif1miaf");
    const qsizetype head = ftyp.size() + meta(0).size();
    return ftyp + meta(quint64(head + 8)) + box("mdat", coded);
}

// A HEIC of the scene whose primary picture has the same picture, coded
// second, as its thumbnail, with that thumbnail's coding parameters (its
// own hvcC property, the second) emptied of their parameter sets: the
// thumbnail, chosen wherever the picture is drawn at its size or smaller,
// does not decode. (libheif 1.15 assigns a thumbnail the other way round
// from its documentation: the order that gives the primary its thumbnail
// is kept.)
QByteArray heicWithBrokenThumbnail() {
    for (const Thumbnail order : {Thumbnail::Assigned, Thumbnail::AssignedReversed}) {
        QByteArray b = heif(heif_compression_HEVC, {kW, kH}, order);
        heif_init(nullptr);
        heif_context* ctx = heif_context_alloc();
        heif_image_handle* primary = nullptr;
        const bool hasThumbnail =
            heif_context_read_from_memory_without_copy(ctx, b.constData(), std::size_t(b.size()),
                                                       nullptr)
                    .code == heif_error_Ok &&
            heif_context_get_primary_image_handle(ctx, &primary).code == heif_error_Ok &&
            heif_image_handle_get_number_of_thumbnails(primary) == 1;
        heif_image_handle_release(primary);
        heif_context_free(ctx);
        heif_deinit();
        const qsizetype second = b.indexOf("hvcC", b.indexOf("hvcC") + 4);
        if (hasThumbnail && second > 0) {
            b[second + 4 + 22] = 0; // numOfArrays
            return b;
        }
    }
    throw std::runtime_error("cannot write a HEIC file with a thumbnail");
}

// The HEIF file with every image's size property claiming 65535 x 65535.
QByteArray claimingHeif(QByteArray b) {
    for (qsizetype at = b.indexOf("ispe"); at >= 0; at = b.indexOf("ispe", at + 4)) {
        qToBigEndian<quint32>(65535, b.data() + at + 8);
        qToBigEndian<quint32>(65535, b.data() + at + 12);
    }
    return b;
}

// The PNG with an iCCP chunk whose profile header claims 64 MiB, four
// times what libpng is allowed to hold, and whose data inflates to it: a
// compressed bomb of 64 KiB.
QByteArray hugeIccPng(const QByteArray& png) {
    QByteArray profile(64 << 20, '\0');
    qToBigEndian<quint32>(quint32(profile.size()), profile.data());
    profile[8] = 2;                 // version 2
    profile.replace(12, 4, "mntr"); // a display profile
    profile.replace(16, 4, "RGB ");
    profile.replace(20, 4, "XYZ ");
    profile.replace(36, 4, "acsp");
    const QByteArray zlib = qCompress(profile, 9).mid(4); // without Qt's length prefix
    constexpr int afterHeader = 8 + 8 + 13 + 4;
    return png.left(afterHeader) + pngChunk("iCCP", QByteArray("p\0\0", 3) + zlib) +
           png.mid(afterHeader);
}

// A row whose file holds bytes, then a hole up to size bytes (sparse where
// the file system allows it).
HostileEntry holeRow(const QByteArray& album, const QByteArray& name, const char* what,
                     const QString& detail, const QByteArray& bytes, qint64 size) {
    HostileEntry e = bareRow(album, name, what, HostileOutcome::Shown, detail);
    e.make = [bytes, size](const QByteArray& path) {
        writeRaw(path, bytes);
        if (!QFile::resize(QFile::decodeName(path), size))
            throw std::runtime_error("cannot extend " + path.toStdString());
    };
    return e;
}

} // namespace

QByteArray claimingPng(QByteArray b, quint32 w, quint32 h) {
    constexpr int ihdr = 8 + 4; // signature, length: the type comes next
    qToBigEndian(w, b.data() + ihdr + 4);
    qToBigEndian(h, b.data() + ihdr + 8);
    qToBigEndian(pngCrc(b.mid(ihdr, 4 + 13)), b.data() + ihdr + 4 + 13);
    return b;
}

QList<HostileEntry> formatRows(const QByteArray& a) {
    const QString size = QStringLiteral("%1 x %2").arg(kW).arg(kH);
    const QString badPng = QStringLiteral("PNG イメージ %1 は不正です");
    const QString badWebp = QStringLiteral("WebP イメージ %1 は不正です");
    const QString badHeif = QStringLiteral("HEIF イメージ %1 は不正です");
    const QByteArray p = png(), w = webp(), h = heif(heif_compression_HEVC),
                     v = heif(heif_compression_AV1), jpeg = smallJpeg(kW, kH);
    QList<HostileEntry> rows;
    auto add = [&](const char* name, const char* what, O outcome, const QString& detail,
                   const QByteArray& bytes) {
        rows << fileRow(a, name, what, outcome, detail, bytes);
    };
    add("ok.png", "a good PNG", O::Shown, size, p);
    add("ok.webp", "a good WebP", O::Shown, size, w);
    add("ok.heic", "a good HEIC", O::Shown, size, h);
    add("ok.avif", "a good AVIF", O::Shown, size, v);
    add("avif-inside.heic", "an AVIF named .heic: the same container, shown", O::Shown, size, v);
    add("jpeg-inside.png", "a JPEG named .png", O::Refused, badPng, jpeg);
    add("webp-inside.png", "a WebP named .png", O::Refused, badPng, w);
    add("png-inside.webp", "a PNG named .webp", O::Refused, badWebp, p);
    add("text.webp", "a line of text named .webp", O::Refused, badWebp, "RIFF? no, text.\n");
    add("png-inside.heic", "a PNG named .heic", O::Refused, badHeif, p);
    add("jpeg-inside.avif", "a JPEG named .avif", O::Refused, badHeif, jpeg);
    for (const auto& [ext, bytes, message] :
         {std::tuple{"png", p, badPng}, std::tuple{"webp", w, badWebp},
          std::tuple{"heic", h, badHeif}, std::tuple{"avif", v, badHeif}}) {
        const QByteArray e(ext);
        rows << fileRow(a, "empty." + e, "zero bytes", O::Refused, message, {});
        rows << fileRow(a, "cut-half." + e, "cut after half its bytes", O::Refused, message,
                        bytes.left(bytes.size() / 2));
        rows << fileRow(a, "cut-header." + e, "cut inside its header", O::Refused, message,
                        bytes.left(20));
    }
    add("huge-claimed.png", "a PNG whose header claims 100000 x 100000", O::Refused, badPng,
        claimingPng(p, 100000, 100000));
    add("limit-claimed.png", "a PNG whose header claims 16384 x 16384, within the limit",
        O::Refused, badPng, claimingPng(p, 16384, 16384));
    add("huge-claimed.webp", "a WebP whose frame claims 16383 x 16383", O::Refused, badWebp,
        claimingWebp(w));
    add("huge-claimed.heic", "a HEIC whose size claims 65535 x 65535", O::Refused, badHeif,
        claimingHeif(h));
    add("huge-claimed.avif", "an AVIF whose size claims 65535 x 65535", O::Refused, badHeif,
        claimingHeif(v));
    // A grid's canvas is counted, whatever its size property says.
    const QByteArray tile = heif(heif_compression_AV1, {8, 8});
    add("grid-huge.heic", "a 2 x 2 grid whose canvas claims 65535 x 65535 under a 64 x 48 size",
        O::Refused, badHeif, avifGrid(tile, 2, 2, {65535, 65535}, {kW, kH}));
    add("grid-1960-tiles.avif", "a 40 x 49 grid of 8 x 8 tiles", O::Shown,
        QStringLiteral("392 x 320"), avifGrid(tile, 40, 49, {392, 320}, {392, 320}));
    add("broken-thumbnail.heic", "a HEIC whose thumbnail does not decode: the picture serves",
        O::Shown, size, heicWithBrokenThumbnail());
    rows << holeRow(a, "sparse-4gib.heic", "a HEIC followed by a 4 GiB hole", size, h,
                    qint64(1) << 32);
    // Read only as far as the picture goes: the hole after it is never read.
    rows << holeRow(a, "sparse-4gib.png", "a PNG followed by a 4 GiB hole", size, p, qint64(1) << 32);
    rows << holeRow(a, "sparse-4gib.webp", "a WebP followed by a 4 GiB hole", size, w,
                    qint64(1) << 32);
    // The first frame is composed at the drawn size, so the 1 GiB canvas
    // is never allocated.
    add("vast-canvas.webp", "an animated WebP: one 1 x 1 frame on a 16384 x 16384 canvas",
        O::Shown, QStringLiteral("16384 x 16384"),
        animatedWebp({16384, 16384}, scene().copy(0, 0, 1, 1), {8192, 8192}));
    add("huge-iccp.png", "a PNG whose ICC profile inflates to 64 MiB: the profile is dropped",
        O::Shown, size, hugeIccPng(p));
    return rows;
}

} // namespace soru::testlib::hostile

namespace soru::testlib {

QByteArray animatedWebp(QSize canvas, const QImage& frame, QPoint at) {
    const QImage argb = frame.convertToFormat(QImage::Format_ARGB32); // B, G, R, A in memory
    uint8_t* out = nullptr;
    const std::size_t n = WebPEncodeLosslessBGRA(argb.constBits(), argb.width(), argb.height(),
                                                 int(argb.bytesPerLine()), &out);
    // The encoder's VP8L chunk, without its RIFF header.
    const QByteArray still(reinterpret_cast<const char*>(out), qsizetype(n));
    WebPFree(out);
    if (still.size() <= 12)
        throw std::runtime_error("cannot write a WebP frame");
    const auto u24 = [](int v) {
        QByteArray b(3, '\0');
        for (int i = 0; i < 3; ++i)
            b[i] = char((v >> (8 * i)) & 0xFF);
        return b;
    };
    const auto chunk = [](const char* type, QByteArray data) {
        QByteArray c(type, 4);
        c.append(4, '\0');
        qToLittleEndian<quint32>(quint32(data.size()), c.data() + 4);
        if (data.size() % 2)
            data.append('\0');
        return c + data;
    };
    const QByteArray body =
        QByteArray("WEBP") +
        chunk("VP8X", QByteArray("\x12\0\0\0", 4) + u24(canvas.width() - 1) +
                          u24(canvas.height() - 1)) + // animation, alpha
        chunk("ANIM", QByteArray("\xFF\xFF\xFF\xFF\0\0", 6)) +
        chunk("ANMF", u24(at.x() / 2) + u24(at.y() / 2) + u24(argb.width() - 1) +
                          u24(argb.height() - 1) + u24(100) + QByteArray(1, '\0') + still.mid(12));
    QByteArray riff("RIFF\0\0\0\0", 8);
    qToLittleEndian<quint32>(quint32(body.size()), riff.data() + 4);
    return riff + body;
}

} // namespace soru::testlib
