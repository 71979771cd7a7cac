#include "core/default_library.h"

#include <QDir>
#include <QFileInfo>

namespace soru {

bool isInstalledProgram(const QString& programFolder, const QString& desktopFile) {
    if (programFolder.isEmpty() || desktopFile.isEmpty())
        return false;
    // The folder the program file is in, links resolved: a link to an
    // installed program elsewhere is installed too.
    const QString bin = QFileInfo(programFolder).canonicalFilePath();
    if (bin.isEmpty())
        return false;
    return QFileInfo(QDir(bin).filePath(QStringLiteral("../share/applications/") + desktopFile))
        .isFile();
}

QString defaultLibraryFolder(const QString& programFolder, const QString& desktopFile,
                             const QString& picturesFolder, const QString& homeFolder) {
    if (!isInstalledProgram(programFolder, desktopFile))
        return programFolder;
    if (!picturesFolder.isEmpty() && QFileInfo(picturesFolder).isDir())
        return QDir::cleanPath(picturesFolder);
    return QDir::cleanPath(homeFolder);
}

} // namespace soru
