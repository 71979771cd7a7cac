// Hostile rows for today's formats (PNG, WebP, HEIC, AVIF): a good file of
// each, and each damaged the ways a JPEG is: another format's content
// under its extension, cut short, empty, and a header claiming a picture
// far beyond memory. Each broken one is refused with its format's message,
// as a broken JPEG is with libjpeg's.
#include "tools/testlib/hostile_internal.h"
#include "tools/testlib/testlib.h"

#include <QBuffer>
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

QByteArray heif(heif_compression_format format) {
    heif_init(nullptr);
    const QImage img = scene();
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    QByteArray bytes;
    if (heif_context_get_encoder_for_format(ctx, format, &encoder).code == heif_error_Ok &&
        heif_image_create(kW, kH, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code ==
            heif_error_Ok &&
        heif_image_add_plane(image, heif_channel_interleaved, kW, kH, 8).code == heif_error_Ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < kH; ++y)
            std::memcpy(plane + qsizetype(stride) * y, img.constScanLine(y), kW * 3);
        heif_encoder_set_lossy_quality(encoder, 80);
        heif_writer writer{};
        writer.writer_api_version = 1;
        writer.write = [](heif_context*, const void* data, size_t size, void* user) {
            static_cast<QByteArray*>(user)->append(static_cast<const char*>(data), qsizetype(size));
            return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
        };
        if (heif_context_encode_image(ctx, image, encoder, nullptr, nullptr).code !=
                heif_error_Ok ||
            heif_context_write(ctx, &writer, &bytes).code != heif_error_Ok)
            bytes.clear();
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

// The PNG with its header claiming w x h (the CRC made right again).
QByteArray claimingPng(QByteArray b, quint32 w, quint32 h) {
    constexpr int ihdr = 8 + 4; // signature, length: the type comes next
    qToBigEndian(w, b.data() + ihdr + 4);
    qToBigEndian(h, b.data() + ihdr + 8);
    qToBigEndian(pngCrc(b.mid(ihdr, 4 + 13)), b.data() + ihdr + 4 + 13);
    return b;
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

// The HEIF file with every image's size property claiming 65535 x 65535.
QByteArray claimingHeif(QByteArray b) {
    for (qsizetype at = b.indexOf("ispe"); at >= 0; at = b.indexOf("ispe", at + 4)) {
        qToBigEndian<quint32>(65535, b.data() + at + 8);
        qToBigEndian<quint32>(65535, b.data() + at + 12);
    }
    return b;
}

} // namespace

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
    return rows;
}

} // namespace soru::testlib::hostile
