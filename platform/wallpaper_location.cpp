#include "platform/wallpaper_location.h"

#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "platform/windows/wallpaper_windows.h"
#endif

namespace soru {

QString wallpaperFolder() {
#ifdef Q_OS_WIN
    return QString::fromStdWString(windows::windowsDirectory());
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    return folder;
#endif
}

QString wallpaperFilePath(const QString& folder) {
    const auto isSeparator = [](QChar c) { return c == u'/' || c == u'\\'; };
    qsizetype end = folder.size();
    QChar separator;
    while (end > 0 && isSeparator(folder[end - 1]))
        separator = folder[--end];
    if (separator.isNull()) {
        if (end == 0)
            return kWallpaperFileName;
        const bool backslashes = folder.contains(u'\\') && !folder.contains(u'/');
        separator = backslashes ? u'\\' : u'/';
    }
    return folder.left(end) + separator + kWallpaperFileName;
}

} // namespace soru
