#include "core/default_library.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace soru {
namespace {

TEST(DefaultLibraryTest, InstalledProgramUsesPicturesElseItsOwnFolder) {
    test::TempDir tmp;
    const QString t = tmp.path();
    QDir root(t);
    for (const char* dir : {"usr/bin", "usr/lib", "stage/usr/bin", "medium", "home/写真", "bare", "filed"})
        ASSERT_TRUE(root.mkpath(dir));
    ASSERT_TRUE(QFile::link(t + "/usr/bin", t + "/linked-bin"));
    QFile file(t + "/filed/Pictures");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const QString bin = t + "/usr/bin";
    const QString pictures = t + "/home/写真";
    const QString home = t + "/home";
    const struct {
        QString program;
        QStringList bins;
        QString pictures;
        QString home;
        QString library;
    } cases[] = {
        {bin, {bin}, pictures, home, pictures},
        // Spellings of the same folder: trailing slashes, "..", a symbolic link
        // on either side, either of two installed folders.
        {bin + "/", {bin}, pictures, home, pictures},
        {bin, {bin + "//"}, pictures + "/", home, pictures},
        {t + "/usr/lib/../bin", {bin}, pictures, home, pictures},
        {t + "/linked-bin", {bin}, pictures, home, pictures},
        {bin, {t + "/linked-bin/"}, pictures, home, pictures},
        {bin, {t + "/opt/bin", bin}, pictures, home, pictures},
        {bin, {bin, t + "/opt/bin"}, pictures, home, pictures},
        // Not the installed folder: a staging copy of the install, a medium,
        // no installed folder known, both sides missing.
        {t + "/stage/usr/bin", {bin}, pictures, home, t + "/stage/usr/bin"},
        {t + "/medium", {bin}, pictures, home, t + "/medium"},
        {bin, {}, pictures, home, bin},
        {bin, {QString()}, pictures, home, bin},
        {t + "/gone/bin", {t + "/gone/bin"}, pictures, home, t + "/gone/bin"},
        // No pictures folder: the home folder.
        {bin, {bin}, t + "/bare/Pictures", t + "/bare/", t + "/bare"},
        {bin, {bin}, t + "/filed/Pictures", t + "/filed", t + "/filed"},
        {bin, {bin}, QString(), home, home},
    };
    for (const auto& c : cases)
        EXPECT_EQ(defaultLibraryFolder(c.program, c.bins, c.pictures, c.home), c.library)
            << c.program.toStdString() << " | " << c.bins.join(',').toStdString() << " | "
            << c.pictures.toStdString();
}

} // namespace
} // namespace soru
