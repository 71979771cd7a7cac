#pragma once
// The arithmetic of the endlessly scrolling text: which lines a frame draws
// and where, and how the text moves on after each frame.
#include <vector>

namespace soru {

struct TextScroll {
    int visibleHeight = 0;
    int lineHeight = 0;
    int yOffset = 0;    // y of the first drawn line; 0 or negative
    int topIndex = 0;   // the first drawn line
    int lastIndex = -1; // the last line of the text; -1 for no text
};

struct PlacedLine {
    int index;
    int y;
    bool operator==(const PlacedLine&) const = default;
};

// Whole lines of lineHeight that fit into visibleHeight (cut towards zero).
int wholeLinesThatFit(int visibleHeight, int lineHeight);

// True when the text is longer than the area and so has to move.
bool textScrolls(const TextScroll& scroll);

// The lines of one frame on a surface surfaceHeight high: from the top index
// at the y offset, one line height apart, wrapping after the last line to the
// first, until every line has been drawn once or the surface is full. Empty
// for no text.
std::vector<PlacedLine> frameLines(const TextScroll& scroll, int surfaceHeight);

// Moves the text up by 2 pixels; once the top line has left the area, the
// next line becomes the top line (after the last, the first) and the offset
// gives back one line height, so the picture never jumps.
void advanceScroll(TextScroll& scroll);

} // namespace soru
