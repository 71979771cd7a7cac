#include "core/gradient.h"

#include "core/rounding.h"

namespace soru {

quint32 gradientStep(quint32 startColour) {
    switch (startColour) {
    case 0x0000FF: return 0x000001;
    case 0x008000: return 0x000100;
    case 0x00FFFF: return 0x000101;
    case 0xFF0000: return 0x010000;
    case 0xFFFF00: return 0x010100;
    default: return 0x010101;
    }
}

namespace {
// Subtracts the step channel by channel, stopping each falling channel at 0,
// so the colour always reaches 0 and the painting always ends. For every
// start colour of the table this equals a plain subtraction until 0.
quint32 darken(quint32 colour, quint32 step) {
    quint32 out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        quint32 c = (colour >> shift) & 0xFF;
        const quint32 s = (step >> shift) & 0xFF;
        c = c > s ? c - s : 0;
        out |= c << shift;
    }
    return out;
}
} // namespace

std::vector<GradientBand> gradientBands(int height, quint32 startColour) {
    std::vector<GradientBand> bands;
    const double bandHeight = height / 160.0;
    const quint32 step = gradientStep(startColour);
    quint32 colour = startColour & 0xFFFFFF;
    for (int i = 0; colour != 0 || i * bandHeight < height; ++i) {
        const double top = i * bandHeight;
        bands.push_back({roundHalfEven(top), roundHalfEven(top + bandHeight) + 1, colour});
        colour = darken(colour, step);
    }
    return bands;
}

std::vector<quint32> gradientRowColours(int height, quint32 startColour) {
    std::vector<quint32> rows(height > 0 ? height : 0, 0);
    for (const GradientBand& b : gradientBands(height, startColour))
        for (int y = std::max(b.top, 0); y < b.bottom && y < height; ++y)
            rows[y] = b.colour;
    return rows;
}

} // namespace soru
