// soru-mklib: writes the demo, fixture or hostile library into a folder.
#include "tools/testlib/hostile.h"
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
    "       soru-mklib --hostile DIR [--replace]\n"
    "       soru-mklib --help\n"
    "\n"
    "  --demo DIR      write the demo library (albums of pictures, memos, chimes)\n"
    "  --fixtures DIR  write one file of every picture, memo, sound and damaged kind\n"
    "  --hostile DIR   write the hostile library (odd names, special files, links,\n"
    "                  unreadable folders, 10,000 pictures, damaged pictures) and\n"
    "                  list its entries with their expected outcomes\n"
    "  --replace       delete DIR first if it exists\n"
    "\n"
    "DIR must not exist or be empty unless --replace is given.\n";

int usageError(const QString& message) {
    QTextStream err(stderr);
    err << "soru-mklib: " << message << "\n\n" << kUsage;
    return kExitUsage;
}

// The hostile library, then its rows: album, name (C-escaped), expected
// outcome, and what the entry is.
void writeHostile(const QString& dir) {
    using namespace soru::testlib;
    writeHostileLibrary(dir);
    QTextStream out(stdout);
    // Control characters and backslashes as \xHH; bytes that are not valid
    // UTF-8 as well.
    auto escaped = [](const QByteArray& raw) {
        const bool utf8 = QString::fromUtf8(raw).toUtf8() == raw;
        QByteArray s;
        for (const char c : raw) {
            const uchar u = uchar(c);
            if (u < 0x20 || u == 0x7F || u == '\\' || (u >= 0x80 && !utf8))
                s += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
            else
                s += c;
        }
        return QString::fromUtf8(s);
    };
    for (const HostileAlbum& a : hostileAlbums())
        out << "album  " << (a.name.isEmpty() ? QStringLiteral("(root)") : escaped(a.name)) << "  "
            << (a.listed ? "listed" : "not listed") << "  " << a.what << "\n";
    for (const HostileEntry& e : hostileEntries()) {
        out << "entry  " << (e.album.isEmpty() ? QStringLiteral("(root)") : escaped(e.album)) << "/"
            << escaped(e.name) << "  " << hostileOutcomeName(e.outcome);
        if (!e.detail.isEmpty())
            out << " (" << e.detail << ")";
        if (e.change != HostileChange::None)
            out << " after a change made once the window is open";
        out << "  " << e.what << "\n";
    }
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
        return usageError(QStringLiteral("expected one of --demo, --fixtures or --hostile and a folder"));
    const QString mode = args[0];
    const QString dir = args[1];
    if (mode != QLatin1String("--demo") && mode != QLatin1String("--fixtures") &&
        mode != QLatin1String("--hostile"))
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
        // A hostile library holds folders no one may read and names Qt
        // cannot decode: those are deleted by their bytes first.
        soru::testlib::deleteHostileLibrary(dir);
        if (target.exists() && !target.removeRecursively()) {
            err << "soru-mklib: cannot delete " << QDir::toNativeSeparators(dir) << "\n";
            return kExitFailure;
        }
    }

    QElapsedTimer timer;
    timer.start();
    try {
        if (mode == QLatin1String("--demo"))
            soru::testlib::writeDemoLibrary(dir);
        else if (mode == QLatin1String("--fixtures"))
            soru::testlib::writeFixtureLibrary(dir);
        else
            writeHostile(dir);
    } catch (const std::exception& e) {
        err << "soru-mklib: " << e.what() << "\n";
        return kExitFailure;
    }
    QTextStream(stdout) << "soru-mklib: wrote "
                        << QDir::toNativeSeparators(QDir(dir).absolutePath()) << " in "
                        << timer.elapsed() << " ms\n";
    return 0;
}
