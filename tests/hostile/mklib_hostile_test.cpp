// soru-mklib --hostile: writes the library for looking at by hand, lists
// every row, and replaces an earlier hostile library, names Qt cannot
// decode and unreadable folders included.
#include "tests/hostile/qt_printers.h"
#include "tests/support/test_support.h"
#include "tools/testlib/hostile.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace soru {
namespace {

using namespace soru::testlib;

struct MklibRun {
    int exitCode;
    QStringList lines;
};

MklibRun mklib(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(SORU_MKLIB_PATH), args);
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
}

bool isFifo(const QByteArray& path) {
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

TEST(HostileMklib, WritesListsAndReplacesTheLibrary) {
    test::TempDir temp;
    const QString root = temp.file(QStringLiteral("hostile"));
    for (const QStringList& args : {QStringList{"--hostile", root}, QStringList{"--hostile", root, "--replace"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const MklibRun run = mklib(args);
        ASSERT_EQ(run.exitCode, 0);
        // One line per album, one per entry, and the closing summary.
        EXPECT_EQ(run.lines.size(), qsizetype(hostileAlbums().size() + hostileEntries().size() + 1));
        EXPECT_TRUE(run.lines.contains(QStringLiteral("entry  names/\\xff.jpg  ignored  a name that is not valid UTF-8")));
        EXPECT_TRUE(isFifo(hostileRawPath(root, "special", "fifo.jpg")));
        EXPECT_TRUE(isFifo(hostileRawPath(root, "companions", "memo-fifo.txt")));
    }
    // Without --replace an existing library is left alone.
    EXPECT_EQ(mklib({"--hostile", root}).exitCode, 1);
    deleteHostileLibrary(root);
    struct stat st;
    EXPECT_NE(::lstat(QFile::encodeName(root).constData(), &st), 0);
}

} // namespace
} // namespace soru
