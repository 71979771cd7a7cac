#pragma once
// Parts of the program that pull in large libraries (sound, HEIF and AVIF)
// are built as modules on Linux and loaded the first time they are needed,
// so that a start that shows a JPEG does not load and initialise them.
//
// A module is looked for beside the program as installed
// (bin/../lib/soru/modules), in a portable copy (modules/ beside the program)
// and in the build tree the program was built in.
#include <QFunctionPointer>
#include <QString>
#include <QStringList>

namespace soru {

// The folders looked in for modules, in order, for a program in appDir.
QStringList moduleFolders(const QString& appDir);

// The named function of the named module (its file name without the "lib"
// prefix and ".so" suffix), loading the module on first use; null, with
// the reason in *error, when it cannot be found or loaded.
QFunctionPointer moduleFunction(const QString& module, const char* function, QString* error);

} // namespace soru
