// The scrolling text's arithmetic: which lines a frame draws where, and how
// the text moves on, tick by tick.
#include "ui/info/text_scroll.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace soru {
namespace {

TextScroll usageScroll(int lineHeight) {
    return TextScroll{.visibleHeight = 115, .lineHeight = lineHeight, .lastIndex = 40};
}

TEST(TextScroll, OffsetRunsOverTwoLineHeightsAtThirteen) {
    TextScroll s = usageScroll(13);
    const std::vector<std::pair<int, int>> expected = {
        // offset, top index
        {0, 0},  {-2, 0}, {-4, 0}, {-6, 0}, {-8, 0},  {-10, 0}, {-12, 0}, {-14, 0},
        {-3, 1}, {-5, 1}, {-7, 1}, {-9, 1}, {-11, 1}, {-13, 1}, {-2, 2},  {-4, 2},
    };
    for (size_t tick = 0; tick < expected.size(); ++tick) {
        EXPECT_EQ(std::make_pair(s.yOffset, s.topIndex), expected[tick]) << "tick " << tick;
        advanceScroll(s);
    }
}

TEST(TextScroll, TextRisesTwoPixelsEveryTickAndWrapsToTheFirstLine) {
    for (const int lineHeight : {12, 13, 14, 20}) {
        SCOPED_TRACE(lineHeight);
        TextScroll s = usageScroll(lineHeight);
        // How far the text has risen, modulo one whole pass.
        const int pass = (s.lastIndex + 1) * lineHeight;
        auto risen = [&] { return s.topIndex * lineHeight - s.yOffset; };
        int wraps = 0;
        for (int tick = 0; tick < 3 * pass; ++tick) {
            const int before = risen(), top = s.topIndex;
            advanceScroll(s);
            ASSERT_EQ((risen() - before + pass) % pass, 2) << "tick " << tick;
            ASSERT_TRUE(s.topIndex == top || s.topIndex == (top == s.lastIndex ? 0 : top + 1));
            wraps += s.topIndex == 0 && top == s.lastIndex ? 1 : 0;
        }
        EXPECT_GE(wraps, 2);
    }
}

TEST(TextScroll, FrameDrawsFromTheTopIndexUntilFullOrEveryLineOnce) {
    struct Case {
        const char* name;
        int yOffset, topIndex, lastIndex;
        std::vector<PlacedLine> lines;
    };
    const Case cases[] = {
        {"first frame: the ninth line cut by the bottom", 0, 0, 40,
         {{0, 0}, {1, 13}, {2, 26}, {3, 39}, {4, 52}, {5, 65}, {6, 78}, {7, 91}, {8, 104}}},
        {"next line would start at the bottom edge: not drawn", -2, 0, 40,
         {{0, -2}, {1, 11}, {2, 24}, {3, 37}, {4, 50}, {5, 63}, {6, 76}, {7, 89}, {8, 102}}},
        {"top line almost gone: ten lines", -14, 0, 40,
         {{0, -14}, {1, -1}, {2, 12}, {3, 25}, {4, 38}, {5, 51}, {6, 64}, {7, 77}, {8, 90},
          {9, 103}}},
        {"after the last line the first follows", -3, 38, 40,
         {{38, -3}, {39, 10}, {40, 23}, {0, 36}, {1, 49}, {2, 62}, {3, 75}, {4, 88}, {5, 101},
          {6, 114}}},
        {"a short text is drawn once", 0, 0, 4, {{0, 0}, {1, 13}, {2, 26}, {3, 39}, {4, 52}}},
        {"a short text scrolled round", -2, 3, 4, {{3, -2}, {4, 11}, {0, 24}, {1, 37}, {2, 50}}},
        {"a single line", -6, 0, 0, {{0, -6}}},
        {"no text", 0, 0, -1, {}},
    };
    for (const Case& c : cases) {
        TextScroll s = usageScroll(13);
        s.yOffset = c.yOffset;
        s.topIndex = c.topIndex;
        s.lastIndex = c.lastIndex;
        EXPECT_EQ(frameLines(s, 115), c.lines) << c.name;
    }
}

} // namespace
} // namespace soru
