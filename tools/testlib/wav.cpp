// Chimes as 16-bit mono PCM RIFF/WAVE files.
#include "tools/testlib/internal.h"
#include "tools/testlib/testlib.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace soru::testlib {

QByteArray wavBytes(int milliseconds, double frequency, int sampleRate) {
    if (milliseconds <= 0 || frequency <= 0 || sampleRate < 8000 || sampleRate > 192000)
        throw std::invalid_argument("wavBytes: bad duration, frequency or sample rate");
    const int samples = int(qint64(sampleRate) * milliseconds / 1000);
    const std::uint32_t dataSize = std::uint32_t(samples) * 2;

    QByteArray out;
    out.reserve(44 + int(dataSize));
    detail::LeWriter o(out);
    o.bytes("RIFF", 4);
    o.u32(36 + dataSize);
    o.bytes("WAVE", 4);
    o.bytes("fmt ", 4);
    o.u32(16);
    o.u16(1); // PCM
    o.u16(1); // mono
    o.u32(std::uint32_t(sampleRate));
    o.u32(std::uint32_t(sampleRate) * 2); // byte rate
    o.u16(2);                             // block align
    o.u16(16);                            // bits per sample
    o.bytes("data", 4);
    o.u32(dataSize);

    // A bell-like tone: the fundamental with two soft overtones, a 10 ms
    // attack and an exponential decay that reaches silence at the end.
    const double attack = 0.010 * sampleRate;
    const double decay = samples / 6.0;
    const double fadeOut = 0.015 * sampleRate;
    for (int i = 0; i < samples; ++i) {
        const double t = double(i) / sampleRate;
        const double phase = 2 * std::numbers::pi * frequency * t;
        const double tone = std::sin(phase) + 0.35 * std::sin(2 * phase) + 0.12 * std::sin(3 * phase);
        double env = std::min(1.0, i / attack) * std::exp(-i / decay);
        env *= std::min(1.0, (samples - 1 - i) / fadeOut);
        o.u16(unsigned(std::int16_t(std::lround(tone / 1.47 * env * 0.8 * 32767))) & 0xFFFF);
    }
    return out;
}

void writeWav(const QString& path, int milliseconds, double frequency, int sampleRate) {
    writeFile(path, wavBytes(milliseconds, frequency, sampleRate));
}

} // namespace soru::testlib
