#pragma once
// Wave files built chunk by chunk, for headers the generator does not write.
#include <QByteArray>

#include <optional>

namespace soru::test {

inline QByteArray le32(quint32 v) {
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return QByteArray(b, 4);
}

inline QByteArray le16(quint16 v) {
    const char b[2] = {char(v), char(v >> 8)};
    return QByteArray(b, 2);
}

// A chunk whose size field says `declared` (by default the body's true
// size, then followed by a pad byte when odd).
inline QByteArray chunk(const char* id, const QByteArray& body,
                        std::optional<quint32> declared = {}) {
    QByteArray out = QByteArray(id, 4) + le32(declared.value_or(quint32(body.size()))) + body;
    if (!declared && body.size() % 2)
        out += '\0';
    return out;
}

inline QByteArray fmt(quint32 byteRate, quint16 channels = 1, quint32 sampleRate = 8000,
                      quint16 blockAlign = 2, quint16 format = 1) {
    return chunk("fmt ", le16(format) + le16(channels) + le32(sampleRate) + le32(byteRate) +
                             le16(blockAlign) + le16(16));
}

inline QByteArray riff(const QByteArray& chunks, const char* form = "WAVE") {
    return "RIFF" + le32(quint32(4 + chunks.size())) + QByteArray(form, 4) + chunks;
}

} // namespace soru::test
