#include "core/presentation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace soru {

namespace {
// Where the file name begins. "\\" and ":" separate paths only on Windows;
// elsewhere they are ordinary characters of a file name.
bool isPathDelimiter(QChar c) {
#ifdef Q_OS_WIN
    return c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':');
#else
    return c == QLatin1Char('/');
#endif
}

int lastDelimiter(const QString& path) {
    for (int i = path.size() - 1; i >= 0; --i)
        if (isPathDelimiter(path[i]))
            return i;
    return -1;
}

int extensionStart(const QString& path) {
    const int delim = lastDelimiter(path);
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > delim ? dot : -1;
}
} // namespace

bool isFile(const QString& path) {
    const QFileInfo fi(path);
    return fi.exists() && !fi.isDir();
}

QString pathFileName(const QString& path) { return path.mid(lastDelimiter(path) + 1); }

QString replaceExtension(const QString& path, const QString& ext) {
    const int dot = extensionStart(path);
    return (dot < 0 ? path : path.left(dot)) + ext;
}

QString findCompanion(const QString& path, const QString& ext) {
    const QString wanted = replaceExtension(path, ext);
    if (isFile(wanted))
        return wanted;
    const QFileInfo wantedInfo(wanted);
    const QString wantedName = wantedInfo.fileName();
    const QDir dir = wantedInfo.absoluteDir();
    // Letter case differs on disk: look through the folder's files.
    const QStringList names = dir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names)
        if (name.compare(wantedName, Qt::CaseInsensitive) == 0 && isFile(dir.filePath(name)))
            return path.left(path.size() - pathFileName(path).size()) + name;
    return {};
}

QString positionText(int index, int count) {
    return QString::number(index + 1) + QStringLiteral(" / ") + QString::number(count);
}

QString sizeText(int width, int height) {
    return QString::number(width) + QStringLiteral(" x ") + QString::number(height);
}

namespace {
QString firstSeparator(const QString& format, const QString& fallback) {
    for (int i = 1; i + 1 < format.size(); ++i) {
        const QChar c = format[i];
        if (!c.isLetter() && c != QLatin1Char('\'') && format[i - 1].isLetter()) {
            QString sep(c);
            // A separator of a blank and a sign, or a sign and a blank, stays whole.
            if (i + 1 < format.size() && !format[i + 1].isLetter() && format[i + 1] != QLatin1Char('\''))
                sep += format[i + 1];
            return sep;
        }
    }
    return fallback;
}
} // namespace

QString localeDateSeparator(const QLocale& locale) {
    const QString sep = firstSeparator(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
    // A format that separates its parts by blanks only (month names) has no
    // separator for a numeric date.
    return sep.trimmed().isEmpty() ? QStringLiteral("/") : sep;
}

QString localeTimeSeparator(const QLocale& locale) {
    return firstSeparator(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
}

QString fileDateText(const QDateTime& localTime, const QLocale& locale, UiLanguage language) {
    const QDate d = localTime.date();
    const QTime t = localTime.time();
    const QString ds = localeDateSeparator(locale);
    const QString ts = localeTimeSeparator(locale);
    const QLocale weekdays = language == UiLanguage::English ? QLocale(QLocale::English) : locale;
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')) + ds + two(d.month()) + ds +
           two(d.day()) + QLatin1Char('(') + weekdays.dayName(d.dayOfWeek(), QLocale::ShortFormat) +
           QStringLiteral(") ") + two(t.hour()) + ts + two(t.minute());
}

QString pictureHint(const QString& name, const QString& size, const QString& position,
                    const QString& date, bool hasMemo, bool hasSound) {
    QStringList lines{name, size, position, date};
    if (hasMemo)
        lines << QCoreApplication::translate("soru", "メモ付");
    if (hasSound)
        lines << QCoreApplication::translate("soru", "サウンド付");
    return lines.join(QLatin1Char('\n'));
}

} // namespace soru
