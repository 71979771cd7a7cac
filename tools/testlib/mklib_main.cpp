// soru-mklib: writes the demo library or the fixture library into a folder.
#include "tools/testlib/testlib.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>
#include <exception>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage: soru-mklib --demo DIR [--replace]\n"
    "       soru-mklib --fixtures DIR [--replace]\n"
    "       soru-mklib --help\n"
    "\n"
    "  --demo DIR      write the demo library (albums of pictures, memos, chimes)\n"
    "  --fixtures DIR  write one file of every picture, memo, sound and damaged kind\n"
    "  --replace       delete DIR first if it exists\n"
    "\n"
    "DIR must not exist or be empty unless --replace is given.\n";

int usageError(const QString& message) {
    QTextStream err(stderr);
    err << "soru-mklib: " << message << "\n\n" << kUsage;
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const bool replace = args.removeAll(QStringLiteral("--replace")) > 0;
    if (args.isEmpty())
        return usageError(QStringLiteral("nothing to do"));
    if (args.size() != 2)
        return usageError(QStringLiteral("expected one of --demo or --fixtures and a folder"));
    const QString mode = args[0];
    const QString dir = args[1];
    if (mode != QLatin1String("--demo") && mode != QLatin1String("--fixtures"))
        return usageError(QStringLiteral("unknown option %1").arg(mode));
    if (dir.isEmpty() || dir.startsWith(QLatin1Char('-')))
        return usageError(QStringLiteral("%1 needs a folder").arg(mode));

    QTextStream err(stderr);
    QDir target(dir);
    if (target.exists() &&
        !target.isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (!replace) {
            err << "soru-mklib: " << QDir::toNativeSeparators(dir)
                << " is not empty (use --replace to overwrite it)\n";
            return kExitFailure;
        }
        if (!target.removeRecursively()) {
            err << "soru-mklib: cannot delete " << QDir::toNativeSeparators(dir) << "\n";
            return kExitFailure;
        }
    }

    QElapsedTimer timer;
    timer.start();
    try {
        if (mode == QLatin1String("--demo"))
            soru::testlib::writeDemoLibrary(dir);
        else
            soru::testlib::writeFixtureLibrary(dir);
    } catch (const std::exception& e) {
        err << "soru-mklib: " << e.what() << "\n";
        return kExitFailure;
    }
    QTextStream(stdout) << "soru-mklib: wrote "
                        << QDir::toNativeSeparators(QDir(dir).absolutePath()) << " in "
                        << timer.elapsed() << " ms\n";
    return 0;
}
