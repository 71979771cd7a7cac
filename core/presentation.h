#pragma once
// Texts and companion files of the picture being presented.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "core/ui_language.h"

namespace soru {

// Whether something that is not a folder exists at path (a link counts as
// what it points to).
bool isFile(const QString& path);

// The file name part of a path: what follows the last "/" (or "\" or ":").
QString pathFileName(const QString& path);

// The path with its extension (from the last "." of the file name on)
// replaced by ext, which includes its dot; a name without one gets ext
// appended.
QString replaceExtension(const QString& path, const QString& ext);

// The existing file (not a folder) that is the companion of path with the
// extension ext, found whatever the letter case of its name on disk; empty
// when there is none. An exact match is preferred.
QString findCompanion(const QString& path, const QString& ext);

// "n / count" for the picture at index (0-based).
QString positionText(int index, int count);

// "w x h".
QString sizeText(int width, int height);

// A file time as "yyyy/mm/dd(aaa) hh:mm" in the locale: its abbreviated
// weekday name, and its own date and time separators in place of "/" and ":".
// An English user interface names the weekday in English whatever the locale.
QString fileDateText(const QDateTime& localTime, const QLocale& locale,
                     UiLanguage language = uiLanguage());

// The locale's separators, read from its short date and time formats.
QString localeDateSeparator(const QLocale& locale);
QString localeTimeSeparator(const QLocale& locale);

// The picture view's hint: name, size, position and date, then "メモ付" and
// "サウンド付" when they apply, joined by line feeds.
QString pictureHint(const QString& name, const QString& size, const QString& position,
                    const QString& date, bool hasMemo, bool hasSound);

} // namespace soru
