#include "core/default_library.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace soru {
namespace {

constexpr auto kDesktop = "org.example.Viewer.desktop";

void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(DefaultLibraryTest, InstalledProgramUsesPicturesElseItsOwnFolder) {
    test::TempDir tmp;
    const QString t = tmp.path();
    QDir root(t);
    // Installs at several prefixes (the system's, a user's ~/.local, a
    // staging tree), each with its desktop entry beside bin/; a copy on a
    // medium, a bin folder whose share/applications lacks our entry, and
    // one whose entry is a folder.
    for (const char* dir :
         {"usr/bin", "usr/lib", "usr/share/applications", "home/.local/bin",
          "home/.local/share/applications", "stage/usr/bin", "stage/usr/share/applications",
          "medium", "other/bin", "other/share/applications", "folded/bin",
          "folded/share/applications/org.example.Viewer.desktop", "home/写真", "bare", "filed"})
        ASSERT_TRUE(root.mkpath(dir));
    for (const char* prefix : {"/usr", "/home/.local", "/stage/usr"})
        touch(t + prefix + "/share/applications/" + kDesktop);
    touch(t + "/other/share/applications/org.example.Other.desktop");
    ASSERT_TRUE(QFile::link(t + "/usr/bin", t + "/linked-bin"));
    touch(t + "/filed/Pictures");

    const QString bin = t + "/usr/bin";
    const QString pictures = t + "/home/写真";
    const QString home = t + "/home";
    const struct {
        QString program;
        QString pictures;
        QString home;
        QString library;
    } cases[] = {
        {bin, pictures, home, pictures},
        // Any prefix: a user's own install and a staging tree are installs too.
        {t + "/home/.local/bin", pictures, home, pictures},
        {t + "/stage/usr/bin", pictures, home, pictures},
        // Spellings of the same folder: a trailing slash, "..", a link.
        {bin + "/", pictures, home, pictures},
        {t + "/usr/lib/../bin", pictures, home, pictures},
        {t + "/linked-bin", pictures, home, pictures},
        // Not installed: a medium, another program's entry, an entry that is
        // a folder, a folder that does not exist.
        {t + "/medium", pictures, home, t + "/medium"},
        {t + "/other/bin", pictures, home, t + "/other/bin"},
        {t + "/folded/bin", pictures, home, t + "/folded/bin"},
        {t + "/gone/bin", pictures, home, t + "/gone/bin"},
        // No pictures folder: the home folder.
        {bin, t + "/bare/Pictures", t + "/bare/", t + "/bare"},
        {bin, t + "/filed/Pictures", t + "/filed", t + "/filed"},
        {bin, QString(), home, home},
    };
    for (const auto& c : cases)
        EXPECT_EQ(defaultLibraryFolder(c.program, kDesktop, c.pictures, c.home), c.library)
            << c.program.toStdString() << " | " << c.pictures.toStdString();
    EXPECT_FALSE(isInstalledProgram(bin, QString()));
}

} // namespace
} // namespace soru
