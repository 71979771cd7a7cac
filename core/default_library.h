#pragma once
// The library used when the command line names no folder.
#include <QString>

namespace soru {

// Whether the program in programFolder is an installed copy: its desktop
// entry (desktopFile, e.g. "org.example.App.desktop") lies in
// ../share/applications beside it, as every install puts it, whatever the
// prefix (/usr, /usr/local, ~/.local, any --prefix).
bool isInstalledProgram(const QString& programFolder, const QString& desktopFile);

// An installed program (a bin folder is never a photo library) uses the
// user's pictures folder, or the home folder when that folder does not
// exist. A copy run from anywhere else (a medium beside its albums, the
// build tree) uses its own folder.
QString defaultLibraryFolder(const QString& programFolder, const QString& desktopFile,
                             const QString& picturesFolder, const QString& homeFolder);

} // namespace soru
