// The GNOME back-end against the real gsettings, on its key-file back-end
// in a temporary configuration folder (no D-Bus session needed).
#include "platform/wallpaper_setter.h"
#include "tests/platform/wallpaper/recording_runner.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

namespace soru {
namespace {

const QString kSchema = QStringLiteral("org.gnome.desktop.background");

class RealGSettings : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
        env_.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
        env_.remove(QStringLiteral("DESKTOP_SESSION"));
        env_.remove(QStringLiteral("XDG_SESSION_DESKTOP"));
        ProcessRunner probe(env_);
        if (!probe.run(QStringLiteral("gsettings"), {QStringLiteral("list-keys"), kSchema})
                 .succeeded())
            GTEST_SKIP() << "gsettings or the GNOME background schema is not installed";
    }

    // The value as gsettings reads it back, without its quotes (the
    // strings here hold no character gsettings would escape).
    QString get(const QString& key) {
        const CommandResult r = ProcessRunner(env_).run("gsettings", {"get", kSchema, key});
        EXPECT_TRUE(r.succeeded()) << key.toStdString();
        return QString::fromUtf8(r.output).trimmed().chopped(1).mid(1);
    }

    test::TempDir config_;
    QProcessEnvironment env_;
};

TEST_F(RealGSettings, WritesStyleAndPictureForEachStyle) {
    const test::TempDir files;
    // A quote, a space and non-ASCII letters: quoting and URI encoding.
    const QString folder = files.file(QStringLiteral("it's 壁紙"));
    QDir().mkpath(folder);
    const QString file = folder + QStringLiteral("/SORU Desktop Wallpaper.bmp");
    const std::unique_ptr<WallpaperSetter> setter = createWallpaperSetter(env_);

    const char* options[] = {"centered", "wallpaper", "stretched"};
    for (int style : {2, 1, 0}) {
        SCOPED_TRACE(style);
        setter->apply(file, style);
        EXPECT_EQ(get(QStringLiteral("picture-options")), QString::fromLatin1(options[style]));
        const QString uri = get(QStringLiteral("picture-uri"));
        EXPECT_TRUE(uri.startsWith(u"file:///")) << uri.toStdString();
        EXPECT_EQ(QUrl(uri).toLocalFile(), file);
        EXPECT_EQ(get(QStringLiteral("picture-uri-dark")), uri);
    }
    EXPECT_TRUE(QFileInfo::exists(config_.file(QStringLiteral("glib-2.0/settings/keyfile"))));
}

TEST_F(RealGSettings, AnUnwritableStoreRefusesTheStyleFirst) {
    // A folder where the key file belongs: gsettings cannot save and exits 1.
    QDir().mkpath(config_.file(QStringLiteral("glib-2.0/settings/keyfile")));
    const std::unique_ptr<WallpaperSetter> setter = createWallpaperSetter(env_);
    EXPECT_EQ(test::failureOf([&] { setter->apply(config_.file(QStringLiteral("w.bmp")), 2); }),
              QStringLiteral("'picture-options' の設定に失敗しました"));
}

} // namespace
} // namespace soru
