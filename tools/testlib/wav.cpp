// Chimes as 16-bit mono PCM RIFF/WAVE files.
#include "tools/testlib/internal.h"
#include "tools/testlib/testlib.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

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

    // A bell-like tone: the fundamental with two soft overtones, a short
    // attack, an exponential decay and a fade to exact silence at the end,
    // scaled so that its loudest sample is 80 % of full scale.
    const double attack = std::max(1.0, std::min(0.010, milliseconds / 10000.0) * sampleRate);
    const double fadeOut = std::max(1.0, std::min(0.015, milliseconds / 5000.0) * sampleRate);
    const double decay = std::max(1.0, (samples - attack) / 5.0);
    std::vector<double> wave(size_t(samples), 0.0);
    double peak = 0;
    for (int i = 0; i < samples; ++i) {
        const double phase = 2 * std::numbers::pi * frequency * i / sampleRate;
        const double tone =
            std::sin(phase) + 0.35 * std::sin(2 * phase) + 0.12 * std::sin(3 * phase);
        const double env = std::min(1.0, i / attack) *
                           std::exp(-std::max(0.0, i - attack) / decay) *
                           std::min(1.0, (samples - 1 - i) / fadeOut);
        wave[size_t(i)] = tone * env;
        peak = std::max(peak, std::abs(wave[size_t(i)]));
    }
    const double gain = peak > 0 ? 0.8 * 32767 / peak : 0.0;
    for (double v : wave)
        o.u16(unsigned(std::int16_t(std::lround(v * gain))) & 0xFFFF);
    return out;
}

void writeWav(const QString& path, int milliseconds, double frequency, int sampleRate) {
    writeFile(path, wavBytes(milliseconds, frequency, sampleRate));
}

} // namespace soru::testlib
