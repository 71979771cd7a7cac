#include "platform/module_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace soru {

QStringList moduleFolders(const QString& appDir) {
    QStringList folders;
#if defined(SORU_MODULE_RELATIVE_DIR)
    folders << QDir::cleanPath(appDir + QLatin1Char('/') + QStringLiteral(SORU_MODULE_RELATIVE_DIR));
#endif
    folders << QDir::cleanPath(appDir + QStringLiteral("/modules"));
#if defined(SORU_BUILD_MODULE_DIR)
    folders << QStringLiteral(SORU_BUILD_MODULE_DIR);
#endif
    folders.removeDuplicates();
    return folders;
}

QFunctionPointer moduleFunction(const QString& module, const char* function, QString* error) {
    const QString file = QStringLiteral("lib%1.so").arg(module);
    const QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    QString reason = QStringLiteral("%1: not found").arg(file);
    for (const QString& folder : moduleFolders(appDir)) {
        const QString path = folder + QLatin1Char('/') + file;
        if (!QFileInfo::exists(path))
            continue;
        // Kept loaded for the rest of the run: the module's objects live
        // as long as the program's.
        QLibrary library(path);
        if (!library.load()) {
            reason = library.errorString();
            continue;
        }
        if (QFunctionPointer f = library.resolve(function))
            return f;
        reason = library.errorString();
    }
    if (error)
        *error = reason;
    return nullptr;
}

} // namespace soru
