#include "core/default_library.h"

#include <QDir>
#include <QFileInfo>

namespace soru {

QString defaultLibraryFolder(const QString& programFolder, const QStringList& installedBinFolders,
                             const QString& picturesFolder, const QString& homeFolder) {
    const QString program = QFileInfo(programFolder).canonicalFilePath();
    bool installed = false;
    for (const QString& bin : installedBinFolders)
        installed = installed || (!program.isEmpty() && !bin.isEmpty() && QFileInfo(bin).canonicalFilePath() == program);
    if (!installed)
        return programFolder;
    if (!picturesFolder.isEmpty() && QFileInfo(picturesFolder).isDir())
        return QDir::cleanPath(picturesFolder);
    return QDir::cleanPath(homeFolder);
}

} // namespace soru
