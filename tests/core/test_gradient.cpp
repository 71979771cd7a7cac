#include "core/gradient.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

TEST(Gradient, WhiteRunsIn255BandsAndNeverReachesBlack) {
    const auto bands = gradientBands(721, 0xFFFFFF);
    ASSERT_EQ(bands.size(), 255u);
    EXPECT_EQ(bands.front().colour, 0xFFFFFFu);
    EXPECT_EQ(bands.back().colour, 0x010101u);
}

TEST(Gradient, BandsOfA721RowImage) {
    // bandHeight = 721 / 160 = 4.50625.
    const auto bands = gradientBands(721, 0xFFFFFF);
    const struct {
        int band, top, bottom;
        quint32 colour;
    } cases[] = {
        {0, 0, 6, 0xFFFFFF},     // rows 0 to 5
        {1, 5, 10, 0xFEFEFE},    // rows 5 to 9
        {2, 9, 15, 0xFDFDFD},    // rows 9 to 14
        {159, 716, 722, 0x606060}, // one row beyond the image
        {160, 721, 727, 0x5F5F5F}, // starts outside the image
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bands[c.band].top, c.top) << c.band;
        EXPECT_EQ(bands[c.band].bottom, c.bottom) << c.band;
        EXPECT_EQ(bands[c.band].colour, c.colour) << c.band;
    }
}

TEST(Gradient, EachBandsLastRowIsPaintedOverByTheNext) {
    const auto rows = gradientRowColours(721, 0xFFFFFF);
    ASSERT_EQ(rows.size(), 721u);
    const struct {
        int first, last;
        quint32 colour;
    } spans[] = {{0, 4, 0xFFFFFF}, {5, 8, 0xFEFEFE}, {9, 13, 0xFDFDFD}, {716, 720, 0x606060}};
    for (const auto& s : spans)
        for (int y = s.first; y <= s.last; ++y)
            EXPECT_EQ(rows[y], s.colour) << "row " << y;
}

TEST(Gradient, BandStartsOfA600RowImageRoundHalvesToEven) {
    // bandHeight = 3.75: band 2 starts at Round(7.5) = 8, band 6 at Round(22.5) = 22.
    const auto bands = gradientBands(600, 0xFFFFFF);
    EXPECT_EQ(bands[2].top, 8);
    EXPECT_EQ(bands[6].top, 22);
    const auto rows = gradientRowColours(600, 0xFFFFFF);
    EXPECT_EQ(rows[599], 0x606060u);
}

TEST(Gradient, StepFollowsTheStartColour) {
    const struct {
        quint32 start, step;
    } cases[] = {{0x0000FF, 0x000001}, {0x008000, 0x000100}, {0x00FFFF, 0x000101},
                 {0xFF0000, 0x010000}, {0xFFFF00, 0x010100}, {0xFFFFFF, 0x010101},
                 {0x123456, 0x010101}};
    for (const auto& c : cases)
        EXPECT_EQ(gradientStep(c.start), c.step) << std::hex << c.start;
}

TEST(Gradient, EveryStartColourEndsAndCoversTheImage) {
    for (quint32 start : {0x0000FFu, 0x008000u, 0x00FFFFu, 0xFF0000u, 0xFFFF00u, 0x123456u, 0u}) {
        const auto bands = gradientBands(768, start);
        ASSERT_LT(bands.size(), 1000u) << std::hex << start;
        ASSERT_FALSE(bands.empty());
        EXPECT_EQ(bands.front().top, 0);
        EXPECT_GE(bands.back().bottom, 768);
    }
    // Half-intensity green reaches 0 after 128 bands and stays there.
    const auto green = gradientRowColours(768, 0x008000);
    EXPECT_EQ(green[0], 0x008000u);
    EXPECT_EQ(green[767], 0u);
}

TEST(Gradient, EmptyImageEnds) {
    EXPECT_EQ(gradientRowColours(0, 0xFFFFFF).size(), 0u);
    EXPECT_EQ(gradientBands(0, 0xFFFFFF).size(), 255u);
}

} // namespace
} // namespace soru
