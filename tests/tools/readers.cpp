#include "tests/tools/readers.h"

#include <QStringDecoder>

#include <cctype>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace soru::test {
namespace {

struct ProbeError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int warnings;
    int firstWarning;
    int lastWarning;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ProbeError*>(cinfo->err)->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0) {
        auto* err = reinterpret_cast<ProbeError*>(cinfo->err);
        if (err->warnings++ == 0)
            err->firstWarning = cinfo->err->msg_code;
        err->lastWarning = cinfo->err->msg_code;
    }
}

// No object with a destructor between setjmp and longjmp: pixels go into a
// buffer owned by the caller.
bool runProbe(const unsigned char* data, unsigned long size, bool decode, JpegProbe* out,
              unsigned char** pixels) {
    jpeg_decompress_struct cinfo;
    ProbeError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.warnings = 0;
    err.firstWarning = 0;
    err.lastWarning = 0;
    if (setjmp(err.jump)) {
        out->errorCode = err.pub.msg_code;
        out->warnings = err.warnings;
        out->firstWarning = err.firstWarning;
        out->lastWarning = err.lastWarning;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    out->width = int(cinfo.image_width);
    out->height = int(cinfo.image_height);
    out->components = cinfo.num_components;
    out->colorSpace = cinfo.jpeg_color_space;
    out->progressive = jpeg_has_multiple_scans(&cinfo);
    if (decode) {
        jpeg_start_decompress(&cinfo);
        const size_t stride = size_t(cinfo.output_width) * size_t(cinfo.output_components);
        *pixels = static_cast<unsigned char*>(std::malloc(stride * cinfo.output_height));
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = *pixels + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
    }
    out->warnings = err.warnings;
    out->firstWarning = err.firstWarning;
    out->lastWarning = err.lastWarning;
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

JpegProbe probeJpeg(const QByteArray& bytes, bool decode) {
    JpegProbe probe;
    unsigned char* pixels = nullptr;
    probe.ok = runProbe(reinterpret_cast<const unsigned char*>(bytes.constData()),
                        (unsigned long)bytes.size(), decode, &probe, &pixels);
    if (probe.ok && pixels) {
        const bool gray = probe.components == 1;
        const int bpl = probe.width * (gray ? 1 : 3);
        probe.image = QImage(probe.width, probe.height,
                             gray ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
        for (int y = 0; y < probe.height; ++y)
            std::memcpy(probe.image.scanLine(y), pixels + size_t(y) * size_t(bpl), size_t(bpl));
    }
    std::free(pixels);
    return probe;
}

std::uint16_t le16(const QByteArray& b, int at) {
    return std::uint16_t(uchar(b[at]) | uchar(b[at + 1]) << 8);
}
std::uint32_t le32(const QByteArray& b, int at) {
    return le16(b, at) | std::uint32_t(le16(b, at + 2)) << 16;
}

BmpHeader parseBmpHeader(const QByteArray& b) {
    BmpHeader h;
    if (b.size() < 26)
        return h;
    h.magic = b.left(2);
    h.fileSize = le32(b, 2);
    h.offBits = le32(b, 10);
    h.headerSize = le32(b, 14);
    if (h.headerSize == 12) {
        h.width = le16(b, 18);
        h.height = le16(b, 20);
        h.planes = le16(b, 22);
        h.bitCount = le16(b, 24);
        return h;
    }
    if (b.size() < 54)
        return h;
    h.width = std::int32_t(le32(b, 18));
    h.height = std::int32_t(le32(b, 22));
    h.planes = le16(b, 26);
    h.bitCount = le16(b, 28);
    h.compression = le32(b, 30);
    h.sizeImage = le32(b, 34);
    h.clrUsed = le32(b, 46);
    const int masksAt = 54;
    const int count = h.headerSize >= 108 ? 4 : (h.headerSize == 40 && h.compression == 3) ? 3 : 0;
    for (int i = 0; i < count && masksAt + 4 * i + 4 <= b.size(); ++i)
        h.masks[i] = le32(b, masksAt + 4 * i);
    return h;
}

RleDecoded decodeRle(const QByteArray& s, int width, int height, int bpp) {
    RleDecoded d;
    d.rows = QList<QByteArray>(height, QByteArray(width, '\0'));
    int x = 0, y = height - 1; // bottom-up
    int i = 0;
    auto fail = [&](const QString& why) {
        d.error = why + QStringLiteral(" at byte %1").arg(i);
        return d;
    };
    auto put = [&](int value) {
        if (x >= width || y < 0)
            return false;
        d.rows[y][x++] = char(value);
        return true;
    };
    while (true) {
        if (i + 2 > s.size())
            return fail(QStringLiteral("stream ends without end-of-bitmap"));
        const int count = uchar(s[i]), value = uchar(s[i + 1]);
        i += 2;
        if (count > 0) {
            ++d.encodedRuns;
            if (bpp == 4 && (value >> 4) != (value & 15) && count > 1)
                d.sawAlternatingRun = true;
            for (int k = 0; k < count; ++k)
                if (!put(bpp == 8 ? value : (k % 2 ? value & 15 : value >> 4)))
                    return fail(QStringLiteral("encoded run overruns the row"));
        } else if (value == 0) {
            if (x != width)
                return fail(QStringLiteral("end of line after %1 of %2 pixels").arg(x).arg(width));
            ++d.endOfLines;
            x = 0;
            --y;
        } else if (value == 1) {
            if (x != width || y != 0)
                return fail(QStringLiteral("end of bitmap before the last pixel"));
            if (i != s.size())
                return fail(QStringLiteral("bytes after end of bitmap"));
            d.ok = true;
            return d;
        } else if (value == 2) {
            return fail(QStringLiteral("delta escape"));
        } else {
            ++d.absoluteRuns;
            const int bytes = bpp == 8 ? value : (value + 1) / 2;
            const int padded = bytes + bytes % 2;
            if (i + padded > s.size())
                return fail(QStringLiteral("absolute run past the end"));
            for (int k = 0; k < value; ++k) {
                const int byte = uchar(s[i + (bpp == 8 ? k : k / 2)]);
                if (!put(bpp == 8 ? byte : (k % 2 ? byte & 15 : byte >> 4)))
                    return fail(QStringLiteral("absolute run overruns the row"));
            }
            for (int k = bytes; k < padded; ++k)
                if (s[i + k] != 0)
                    return fail(QStringLiteral("non-zero padding"));
            i += padded;
        }
    }
}

QString rtfToText(const QByteArray& rtf) {
    QStringDecoder cp932("Shift_JIS");
    QString text;
    QByteArray pendingBytes; // \'hh bytes of one multi-byte character
    auto flush = [&] {
        if (!pendingBytes.isEmpty())
            text += QString(cp932(pendingBytes));
        pendingBytes.clear();
    };
    struct Group {
        bool skip;
        int uc;
    };
    QList<Group> stack{{false, 1}};
    int skipFallback = 0; // characters still to drop after a \uN
    auto dropFallback = [&] {
        if (skipFallback == 0)
            return false;
        --skipFallback;
        return true;
    };
    for (qsizetype i = 0; i < rtf.size();) {
        const char c = rtf[i];
        Group& g = stack.last();
        if (c == '{') {
            stack.append(Group(g));
            ++i;
        } else if (c == '}') {
            flush();
            stack.removeLast();
            ++i;
            if (stack.isEmpty())
                break;
        } else if (c == '\r' || c == '\n') {
            ++i;
        } else if (c == '\\') {
            const char n = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
            if (n == '\\' || n == '{' || n == '}') {
                flush();
                if (!g.skip && !dropFallback())
                    text += QLatin1Char(n);
                i += 2;
            } else if (n == '\'') {
                const char byte = char(rtf.mid(i + 2, 2).toInt(nullptr, 16));
                if (!g.skip && !dropFallback())
                    pendingBytes += byte;
                i += 4;
            } else if (n == '*') {
                g.skip = true;
                i += 2;
            } else {
                qsizetype j = i + 1;
                while (j < rtf.size() && std::isalpha(uchar(rtf[j])))
                    ++j;
                const QByteArray word = rtf.mid(i + 1, j - i - 1);
                qsizetype k = j;
                if (k < rtf.size() && (rtf[k] == '-' || std::isdigit(uchar(rtf[k]))))
                    ++k;
                while (k < rtf.size() && std::isdigit(uchar(rtf[k])))
                    ++k;
                const int param = rtf.mid(j, k - j).toInt();
                if (k < rtf.size() && rtf[k] == ' ')
                    ++k; // the delimiter belongs to the control word
                i = k;
                flush();
                if (word == "fonttbl" || word == "colortbl")
                    g.skip = true;
                else if (g.skip)
                    continue;
                else if (word == "par")
                    text += QLatin1Char('\n');
                else if (word == "tab")
                    text += QLatin1Char('\t');
                else if (word == "uc")
                    g.uc = param;
                else if (word == "u") {
                    text += QChar(char16_t(param < 0 ? param + 65536 : param));
                    skipFallback = g.uc;
                }
            }
        } else {
            if (!g.skip && !dropFallback()) {
                flush();
                text += QLatin1Char(c);
            }
            ++i;
        }
    }
    flush();
    return text;
}

} // namespace soru::test
