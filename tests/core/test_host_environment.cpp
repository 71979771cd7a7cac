#include "core/host_environment.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

QProcessEnvironment env(std::initializer_list<std::pair<const char*, const char*>> vars) {
    QProcessEnvironment e;
    for (const auto& [k, v] : vars)
        e.insert(QString::fromUtf8(k), QString::fromUtf8(v));
    return e;
}

TEST(HostEnvironment, ProgramsStartedGetTheUsersOwnSettings) {
    const struct {
        const char* what;
        QProcessEnvironment own;
        QProcessEnvironment host;
        bool medium;
    } cases[] = {
        {"no launcher: unchanged",
         env({{"PATH", "/usr/bin"}, {"LD_LIBRARY_PATH", "/opt/lib"}}),
         env({{"PATH", "/usr/bin"}, {"LD_LIBRARY_PATH", "/opt/lib"}}), false},
        {"changed variables given back, unset ones removed, markers gone",
         env({{"PATH", "/usr/bin"},
              {"LD_LIBRARY_PATH", "/media/stick/.soru/lib-gstreamer:/opt/lib"},
              {"FONTCONFIG_FILE", "/media/stick/.soru/fonts.conf"},
              {"GST_REGISTRY_FORK", "no"},
              {"SORU_HOST_VARS", "LD_LIBRARY_PATH FONTCONFIG_FILE GST_REGISTRY_FORK QT_PLUGIN_PATH"},
              {"SORU_HOST_LD_LIBRARY_PATH", "/opt/lib"},
              {"SORU_HOST_QT_PLUGIN_PATH", "/home/u/qt"},
              {"SORU_PORTABLE", "1"}}),
         env({{"PATH", "/usr/bin"}, {"LD_LIBRARY_PATH", "/opt/lib"}, {"QT_PLUGIN_PATH", "/home/u/qt"}}),
         true},
        {"a variable that was set but empty stays set and empty",
         env({{"FONTCONFIG_FILE", "/m/fonts.conf"}, {"SORU_HOST_VARS", "FONTCONFIG_FILE"},
              {"SORU_HOST_FONTCONFIG_FILE", ""}}),
         env({{"FONTCONFIG_FILE", ""}}), false},
        {"a name in the list that is itself a marker is not followed",
         env({{"SORU_HOST_VARS", "SORU_HOST_X"}, {"SORU_HOST_X", "1"}, {"HOME", "/h"}}),
         env({{"HOME", "/h"}}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QProcessEnvironment got = hostEnvironment(c.own);
        QStringList gotKeys = got.keys(), wantKeys = c.host.keys();
        gotKeys.sort();
        wantKeys.sort();
        EXPECT_EQ(gotKeys.join(u',').toStdString(), wantKeys.join(u',').toStdString());
        for (const QString& k : wantKeys)
            EXPECT_EQ(got.value(k), c.host.value(k)) << k.toStdString();
        EXPECT_EQ(runsFromMedium(c.own), c.medium);
    }
}

} // namespace
} // namespace soru
