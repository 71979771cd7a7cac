#include "platform/sound_wav_header.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace soru {

namespace {

quint32 readU32(QByteArrayView b, qsizetype at) {
    return quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8 |
           quint32(uchar(b[at + 2])) << 16 | quint32(uchar(b[at + 3])) << 24;
}

quint16 readU16(QByteArrayView b, qsizetype at) {
    return quint16(uchar(b[at]) | uchar(b[at + 1]) << 8);
}

bool idIs(QByteArrayView b, qsizetype at, const char (&id)[5]) {
    return b.sliced(at, 4) == QByteArrayView(id, 4);
}

} // namespace

std::optional<std::chrono::milliseconds> wavDuration(QByteArrayView head, qint64 fileSize) {
    if (head.size() < 12 || !idIs(head, 0, "RIFF") || !idIs(head, 8, "WAVE"))
        return std::nullopt;

    quint32 byteRate = 0;
    bool haveFormat = false;
    std::optional<qint64> dataBytes;
    // 64-bit positions: a chunk size near 4 GiB must not wrap around.
    qint64 at = 12;
    while (at + 8 <= head.size() && !(haveFormat && dataBytes)) {
        const quint32 size = readU32(head, at + 4);
        const qint64 body = at + 8;
        if (idIs(head, at, "fmt ") && !haveFormat) {
            if (size < 16 || body + 16 > head.size())
                return std::nullopt;
            const quint16 channels = readU16(head, body + 2);
            const quint32 sampleRate = readU32(head, body + 4);
            byteRate = readU32(head, body + 8);
            const quint16 blockAlign = readU16(head, body + 12);
            if (channels == 0 || sampleRate == 0 || byteRate == 0 || blockAlign == 0)
                return std::nullopt;
            haveFormat = true;
        } else if (idIs(head, at, "data") && !dataBytes) {
            // A file cut short (or a size left at 0xFFFFFFFF by a streaming
            // writer) plays only what is there.
            dataBytes = std::clamp<qint64>(fileSize - body, 0, size);
        }
        at = body + qint64(size) + (size & 1);
    }
    if (!haveFormat || !dataBytes)
        return std::nullopt;
    return std::chrono::milliseconds((*dataBytes * 1000 + byteRate / 2) / byteRate);
}

std::optional<std::chrono::milliseconds> wavFileDuration(const QString& path) {
    // Checked first so a folder or a named pipe is never opened: reading a
    // pipe could block forever.
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return wavDuration(file.read(kWavHeaderReadLimit), file.size());
}

} // namespace soru
