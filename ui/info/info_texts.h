#pragma once
// Every text the information window shows, in one place.
#include <QString>

#include "core/texts.h"

namespace soru::info {

inline const QString kCaption = QStringLiteral("SORU for win32 Information");
inline const QString kTitle = QStringLiteral("SORU for win32");
inline const QString kVersion = QStringLiteral("ver 1.6.0.0");
inline constexpr text::Text kSystems{QT_TRANSLATE_NOOP("soru", "Windows 95, 98, NT4.0 (Comctl32.dll 4.72以降) ready")};
inline constexpr text::Text kHintClose{QT_TRANSLATE_NOOP("soru", "クリックで閉じます")};

// The maker's addresses: targets of the links and the hints that show them.
inline const QString kHomePage = QStringLiteral("https://soru.example.org/");
inline const QString kMailAddress = QStringLiteral("soru@example.org");

// The envelope picture stands on this line between the year and the name;
// the run of blanks leaves room for it.
inline const QString kCopyright = QStringLiteral("Copyright (C) 2024           SORU Project");

// The fortune line is the prefix, one of the fortunes, and the suffix.
inline constexpr text::Text kFortunePrefix{QT_TRANSLATE_NOOP("soru", " 今日の運勢は「")};
inline constexpr text::Text kFortuneSuffix{QT_TRANSLATE_NOOP("soru", "」だと思います。")};

} // namespace soru::info
