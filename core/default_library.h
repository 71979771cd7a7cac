#pragma once
// The library used when the command line names no folder.
#include <QString>
#include <QStringList>

namespace soru {

// A program started from one of the installed bin folders (a system folder,
// never a photo library) uses the user's pictures folder, or the home folder
// when that folder does not exist. A copy run from anywhere else (a medium
// beside its albums, the build tree, a staging tree of an install) uses its own
// folder. Folders are compared after resolving symbolic links, "." and "..",
// so a bin folder that does not exist matches nothing.
QString defaultLibraryFolder(const QString& programFolder, const QStringList& installedBinFolders,
                             const QString& picturesFolder, const QString& homeFolder);

} // namespace soru
