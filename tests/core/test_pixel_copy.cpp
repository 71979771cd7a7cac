// Placing a picture pixel for pixel: cut, edge repeated, clipped to the
// destination, and laid over as the painter lays premultiplied pixels.
#include "core/pixel_copy.h"

#include <gtest/gtest.h>

#include <QList>

#include <string>

namespace soru {
namespace {

// Pixels named by letters: the picture is "abc" over "def", the
// destination starts as '.'.
QList<quint32> destination(QSize size) { return QList<quint32>(size.width() * size.height(), '.'); }

std::string drawn(const QList<quint32>& pixels, QSize size) {
    std::string out;
    for (int y = 0; y < size.height(); ++y) {
        if (y)
            out += '|';
        for (int x = 0; x < size.width(); ++x)
            out += char(pixels[y * size.width() + x]);
    }
    return out;
}

TEST(PixelCopy, CutsRepeatsTheEdgeAndStaysInside) {
    const quint32 picture[] = {'a', 'b', 'c', 'd', 'e', 'f'};
    const struct {
        const char* name;
        QSize dst;
        QPoint at;
        QSize area;
        const char* expected;
    } cases[] = {
        {"same size", {4, 3}, {0, 0}, {3, 2}, "abc.|def.|...."},
        {"a pixel short each way", {5, 4}, {1, 1}, {4, 3}, ".....|.abcc|.deff|.deff"},
        {"two short across, cut down", {6, 2}, {0, 0}, {5, 1}, "abccc.|......"},
        {"larger than the area", {4, 3}, {1, 1}, {2, 1}, "....|.ab.|...."},
        {"over the top-left corner", {4, 3}, {-1, -1}, {5, 3}, "efff|efff|...."},
        {"over the bottom-right corner", {3, 2}, {1, 1}, {4, 3}, "...|.ab"},
        {"outside", {3, 2}, {3, 0}, {3, 2}, "...|..."},
        {"empty area", {3, 2}, {0, 0}, {0, 2}, "...|..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QList<quint32> dst = destination(c.dst);
        copyPixelForPixel({reinterpret_cast<const uchar*>(picture), 3 * 4, QSize(3, 2)},
                          {reinterpret_cast<uchar*>(dst.data()), c.dst.width() * 4, c.dst}, c.at, c.area);
        EXPECT_EQ(drawn(dst, c.dst), c.expected);
    }
}

// Premultiplied pixels over an opaque ground: transparent keeps it, opaque
// replaces it, half-transparent mixes with the painter's rounding; the
// repeated column blends too.
TEST(PixelCopy, OverLaysPremultipliedPixels) {
    const quint32 picture[] = {0x00000000, 0xFF102030, 0x80404040};
    QList<quint32> dst(4, 0xFF204060);
    copyPixelForPixel({reinterpret_cast<const uchar*>(picture), 3 * 4, QSize(3, 1)},
                      {reinterpret_cast<uchar*>(dst.data()), 4 * 4, QSize(4, 1)}, {0, 0}, {4, 1},
                      PixelBlend::Over);
    EXPECT_EQ(dst, (QList<quint32>{0xFF204060, 0xFF102030, 0xFF506070, 0xFF506070}));
}

} // namespace
} // namespace soru
