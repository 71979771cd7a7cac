#pragma once
// Application-wide look: the hint pause, the classic font families mapped to
// installed fonts, the toolkit's own texts in Japanese, and the hourglass.
#include <QFont>
#include <QString>

namespace soru {

// Delay before a hint shows, in milliseconds.
void setHintPause(int milliseconds);
int hintPause();

// Maps "ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ Ｐ明朝" and "Century" to the installed
// fonts that stand in for them.
void installFontSubstitutions();

// A font of a classic family at a size in pixels.
QFont pixelFont(const QString& family, int pixels);
// A font of a classic family at a size in points.
QFont pointFont(const QString& family, int points);

// Loads the toolkit's Japanese translations (message-box buttons and the
// like). Returns false when they are not installed.
bool installToolkitTranslations();

namespace family {
inline const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kPMincho = QStringLiteral("ＭＳ Ｐ明朝");
inline const QString kCentury = QStringLiteral("Century");
} // namespace family

// Shows the hourglass while it lives; restores the cursor on every way out.
class HourglassCursor {
public:
    HourglassCursor();
    ~HourglassCursor();
    HourglassCursor(const HourglassCursor&) = delete;
    HourglassCursor& operator=(const HourglassCursor&) = delete;
};

} // namespace soru
