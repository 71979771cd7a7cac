#pragma once
// The scrolling text of the information window: the usage lines, the fortune
// of the day appended to them, and the colour each line is drawn in.
#include <QColor>
#include <QString>
#include <QStringList>

#include <array>

namespace soru {

inline constexpr int kFortuneCount = 6;

// Each fortune is two full-width characters wide; the one-character fortunes
// are padded with a blank on each side. They are the source texts of their
// translations, which fortuneLine() shows.
inline const std::array<QString, kFortuneCount> Fortunes = {
    QStringLiteral(QT_TRANSLATE_NOOP("soru", "大吉")), QStringLiteral(QT_TRANSLATE_NOOP("soru", "中吉")),
    QStringLiteral(QT_TRANSLATE_NOOP("soru", "小吉")), QStringLiteral(QT_TRANSLATE_NOOP("soru", " 吉 ")),
    QStringLiteral(QT_TRANSLATE_NOOP("soru", "末吉")), QStringLiteral(QT_TRANSLATE_NOOP("soru", " 凶 ")),
};

inline const QColor kUsageTextColour(80, 80, 112);
inline const QColor kUsageAccentColour(136, 0, 68);

// Lines 0..39 of the usage text, without the fortune line.
QStringList usageLines();

// The fortune line for Fortunes[index]; index must be 0..kFortuneCount-1.
QString fortuneLine(int index);

// A fortune index drawn uniformly from 0..kFortuneCount-1 by a generator
// seeded from the clock at each call.
int drawFortune();

// Headings (lines 9 and 31) and the last line, the fortune, stand out.
QColor usageLineColour(int index, int lastIndex);

} // namespace soru
