#pragma once
// The panels of the main window's status bar, left to right.
namespace soru {

enum class StatusPanel : int {
    Position = 0, // "n / count", with the clock while the slide show runs
    Size = 1,
    Date = 2,
    MemoKind = 3, // "RTF" or "TXT", drawn as its glyph
    Sound = 4,    // drawn as the loudspeaker when the picture has a sound
    Name = 5,
};
inline constexpr int kStatusPanelCount = 6;

inline constexpr int panelIndex(StatusPanel p) { return static_cast<int>(p); }

} // namespace soru
