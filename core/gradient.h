#pragma once
// The background ramp: horizontal bands that darken step by step from a start
// colour. Colours are 0x00BBGGRR values (red in the low byte).
#include <QtGlobal>

#include <vector>

namespace soru {

struct GradientBand {
    int top;        // first row filled
    int bottom;     // exclusive; reaches one row into the next band
    quint32 colour; // 0x00BBGGRR
};

// Step subtracted per band for a start colour.
quint32 gradientStep(quint32 startColour);

// Every band painted for an image of the given height, in painting order
// (later bands paint over the overlap row of earlier ones). Bands that lie
// wholly below the image are still listed while the colour has not reached 0;
// they change nothing when painted.
std::vector<GradientBand> gradientBands(int height, quint32 startColour);

// The colour each row of an image of the given height ends up with.
std::vector<quint32> gradientRowColours(int height, quint32 startColour);

} // namespace soru
