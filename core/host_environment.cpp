#include "core/host_environment.h"

#include <QStringList>

namespace soru {
namespace {

const QString kVars = QStringLiteral("SORU_HOST_VARS");
const QString kPrefix = QStringLiteral("SORU_HOST_");
const QString kPortable = QStringLiteral("SORU_PORTABLE");

} // namespace

QProcessEnvironment hostEnvironment(const QProcessEnvironment& own) {
    if (!own.contains(kVars))
        return own;
    QProcessEnvironment host = own;
    const QStringList changed = own.value(kVars).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& name : changed) {
        // Only plain variable names: the list comes from the environment.
        if (name.startsWith(kPrefix) || name.contains(QLatin1Char('=')))
            continue;
        if (own.contains(kPrefix + name))
            host.insert(name, own.value(kPrefix + name));
        else
            host.remove(name);
    }
    for (const QString& key : own.keys())
        if (key.startsWith(kPrefix))
            host.remove(key);
    host.remove(kPortable);
    return host;
}

bool runsFromMedium(const QProcessEnvironment& own) {
    return own.value(kPortable) == QLatin1String("1");
}

} // namespace soru
