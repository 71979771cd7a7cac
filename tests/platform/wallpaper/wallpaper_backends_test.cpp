// The desktop back-ends with recorded commands: the option each style
// becomes, the order of the writes, the failure texts, and the back-end
// chosen from the session's environment.
#include "platform/wallpaper_setter.h"
#include "tests/platform/wallpaper/recording_runner.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

using test::exited;
using test::RecordingRunner;
using Commands = QList<QStringList>;

const QString kFile = QStringLiteral("/home/u/.local/share/SORU/SORU Desktop Wallpaper.bmp");
const QString kUriText =
    QStringLiteral("file:///home/u/.local/share/SORU/SORU%20Desktop%20Wallpaper.bmp");
const QString kUri = '\'' + kUriText + '\''; // as a GVariant string
const QString kGnome = QStringLiteral("org.gnome.desktop.background");
const QString kMate = QStringLiteral("org.mate.background");
const QString kScreen = QStringLiteral("/backdrop/screen0/monitor0/workspace0");
const QString kHdmi = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace1");

// What the desktops' tools answer on a typical machine.
CommandResult typicalAnswer(const QStringList& c) {
    if (c.value(1) == u"list-keys")
        return exited(0, c.value(2) == kGnome  ? "picture-options\npicture-uri\npicture-uri-dark\n"
                         : c.value(2) == kMate ? "picture-filename\npicture-options\n"
                                               : "picture-options\npicture-uri\n");
    if (c.contains(QStringLiteral("-l")))
        return exited(0, (kScreen + "/color-style\n" + kScreen + "/last-image\n" + kHdmi +
                          "/last-image\n/backdrop/single-workspace-mode\n")
                             .toUtf8());
    return exited(0);
}

Commands gsettings(const QString& schema, const QString& option, const QString& key,
                   const QString& value, bool dark = false) {
    const QStringList set{"gsettings", "set", schema};
    Commands c{{"gsettings", "list-keys", schema},
               set + QStringList{"picture-options", option},
               set + QStringList{key, value}};
    if (dark)
        c.append(set + QStringList{"picture-uri-dark", value});
    return c;
}

Commands xfce(const QStringList& folders, const QString& style) {
    const QStringList xfconf{"xfconf-query", "-c", "xfce4-desktop"};
    Commands c{xfconf + QStringList{"-l"}};
    for (const QString& f : folders)
        c.append(xfconf + QStringList{"-p", f + "/image-style", "-n", "-t", "int", "-s", style});
    for (const QString& f : folders)
        c.append(xfconf + QStringList{"-p", f + "/last-image", "-n", "-t", "string", "-s", kFile});
    return c;
}

TEST(WallpaperBackends, EachStyleBecomesTheDesktopsOwnOption) {
    const QString cinnamon = QStringLiteral("org.cinnamon.desktop.background");
    const QString mateFile = '\'' + kFile + '\'';
    const auto gnome = [](const char* option) {
        return gsettings(kGnome, QString::fromLatin1(option), "picture-uri", kUri, true);
    };
    const auto root = [](const char* program, const char* option) {
        return Commands{{QString::fromLatin1(program), QString::fromLatin1(option), kFile}};
    };
    const struct {
        Desktop desktop;
        QSet<QString> installed;
        int style;
        Commands commands;
    } cases[] = {
        {Desktop::Gnome, {"gsettings"}, 0, gnome("centered")},
        {Desktop::Gnome, {"gsettings"}, 1, gnome("wallpaper")},
        {Desktop::Gnome, {"gsettings"}, 2, gnome("stretched")},
        {Desktop::Gnome, {"gsettings"}, 7, gnome("centered")},
        {Desktop::Cinnamon,
         {"gsettings"},
         2,
         gsettings(cinnamon, "stretched", "picture-uri", kUri)},
        {Desktop::Mate,
         {"gsettings"},
         1,
         gsettings(kMate, "wallpaper", "picture-filename", mateFile)},
        {Desktop::Xfce, {"xfconf-query"}, 0, xfce({kScreen, kHdmi}, "1")},
        {Desktop::Xfce, {"xfconf-query"}, 1, xfce({kScreen, kHdmi}, "2")},
        {Desktop::Xfce, {"xfconf-query"}, 2, xfce({kScreen, kHdmi}, "3")},
        {Desktop::OtherX11, {"feh", "xwallpaper"}, 0, root("feh", "--bg-center")},
        {Desktop::OtherX11, {"feh"}, 1, root("feh", "--bg-tile")},
        {Desktop::OtherX11, {"feh"}, 2, root("feh", "--bg-scale")},
        {Desktop::OtherX11, {"xwallpaper"}, 0, root("xwallpaper", "--center")},
        {Desktop::OtherX11, {"xwallpaper"}, 1, root("xwallpaper", "--tile")},
        {Desktop::OtherX11, {"xwallpaper"}, 2, root("xwallpaper", "--stretch")},
        {Desktop::OtherX11, {}, 2, {}},
        {Desktop::None, {"feh", "gsettings"}, 0, {}},
    };
    for (const auto& c : cases) {
        auto runner = std::make_shared<RecordingRunner>(c.installed);
        runner->answer = typicalAnswer;
        makeWallpaperSetter(c.desktop, runner)->apply(kFile, c.style);
        EXPECT_EQ(runner->commands, c.commands)
            << "desktop " << int(c.desktop) << ", style " << c.style;
    }
}

TEST(WallpaperBackends, PlasmaScriptSetsFillModeThenImageOnEveryDesktop) {
    const QStringList call = QStringLiteral("dbus-send --session --type=method_call --print-reply "
                                            "--dest=org.kde.PlasmaShell /PlasmaShell "
                                            "org.kde.PlasmaShell.evaluateScript")
                                 .split(u' ');
    const struct {
        int style, fillMode;
        QString path, uri;
    } cases[] = {
        {0, 6, kFile, kUriText},
        {1, 3, kFile, kUriText},
        {2, 0, kFile, kUriText},
        {0, 6, "/tmp/a \"b\"\\c.bmp", "file:///tmp/a%20%22b%22%5Cc.bmp"}, // nothing to escape left
    };
    for (const auto& c : cases) {
        auto runner = std::make_shared<RecordingRunner>(QSet<QString>{"dbus-send", "qdbus"});
        makeWallpaperSetter(Desktop::Plasma, runner)->apply(c.path, c.style);
        ASSERT_EQ(runner->commands.size(), 1);
        const QStringList sent = runner->commands[0];
        EXPECT_EQ(sent.mid(0, sent.size() - 1), call);
        const QString script = sent.last();
        const qsizetype loop = script.indexOf(u"desktops()");
        const qsizetype group = script.indexOf(u"[\"Wallpaper\", \"org.kde.image\", \"General\"]");
        const qsizetype fill =
            script.indexOf(QStringLiteral("writeConfig(\"FillMode\", %1)").arg(c.fillMode));
        const qsizetype image = script.indexOf("writeConfig(\"Image\", \"" + c.uri + "\")");
        EXPECT_TRUE(0 <= loop && loop < group && group < fill && fill < image)
            << script.toStdString();
    }
}

TEST(WallpaperBackends, RefusalsGiveTheirTextAndStopBeforeThePicture) {
    const struct {
        Desktop desktop;
        QString refused; // the first argument starting with this fails
        QString failure;
        int commandsRun;
    } cases[] = {
        {Desktop::Cinnamon, "list-keys",
         "キー org.cinnamon.desktop.background の作成に失敗しました", 1},
        {Desktop::Gnome, "picture-options", "'picture-options' の設定に失敗しました", 2},
        {Desktop::Mate, "picture-filename", "'picture-filename' の設定に失敗しました", 3},
        {Desktop::Xfce, "-l", "キー xfce4-desktop の作成に失敗しました", 1},
        {Desktop::Xfce, kHdmi + "/image-style", "'" + kHdmi + "/image-style' の設定に失敗しました",
         3},
        {Desktop::Plasma, "string:", "'Image' の設定に失敗しました", 1},
        {Desktop::OtherX11, "--bg-scale", "(no failure)", 1}, // the desktop's own failure
    };
    for (const auto& c : cases) {
        auto runner = std::make_shared<RecordingRunner>(
            QSet<QString>{"gsettings", "xfconf-query", "dbus-send", "feh"});
        runner->answer = [&c](const QStringList& cmd) {
            const auto refused = [&c](const QString& a) { return a.startsWith(c.refused); };
            return std::any_of(cmd.begin(), cmd.end(), refused) ? exited(1) : typicalAnswer(cmd);
        };
        EXPECT_EQ(test::failureOf([&] { makeWallpaperSetter(c.desktop, runner)->apply(kFile, 2); }),
                  c.failure);
        EXPECT_EQ(runner->commands.size(), c.commandsRun) << c.failure.toStdString();
    }
}

TEST(WallpaperBackends, DesktopFromTheSessionEnvironment) {
    const struct {
        QStringList variables; // NAME=value
        Desktop desktop;
    } cases[] = {
        {{"XDG_CURRENT_DESKTOP=ubuntu:GNOME"}, Desktop::Gnome},
        {{"XDG_CURRENT_DESKTOP=Budgie:GNOME"}, Desktop::Gnome},
        {{"XDG_CURRENT_DESKTOP=X-Cinnamon"}, Desktop::Cinnamon},
        {{"XDG_CURRENT_DESKTOP=MATE"}, Desktop::Mate},
        {{"XDG_CURRENT_DESKTOP=KDE", "DESKTOP_SESSION=gnome"}, Desktop::Plasma},
        {{"XDG_CURRENT_DESKTOP=i3:XFCE"}, Desktop::Xfce},
        {{"XDG_SESSION_DESKTOP=gnome-xorg"}, Desktop::Gnome},
        {{"DESKTOP_SESSION=plasmawayland"}, Desktop::Plasma},
        {{"DESKTOP_SESSION=/usr/share/xsessions/xfce"}, Desktop::Xfce},
        {{"KDE_FULL_SESSION=true"}, Desktop::Plasma},
        {{"DESKTOP_SESSION=openbox", "DISPLAY=:0", "XDG_SESSION_TYPE=tty"}, Desktop::OtherX11},
        {{"XDG_CURRENT_DESKTOP=sway", "DISPLAY=:0", "XDG_SESSION_TYPE=wayland"}, Desktop::None},
        {{"DISPLAY=:0", "WAYLAND_DISPLAY=wayland-1"}, Desktop::None},
        {{"XDG_CURRENT_DESKTOP=LXQt"}, Desktop::None},
    };
    for (const auto& c : cases) {
        QProcessEnvironment env;
        for (const QString& v : c.variables)
            env.insert(v.section(u'=', 0, 0), v.section(u'=', 1));
        EXPECT_EQ(detectDesktop(env), c.desktop) << c.variables.join(u' ').toStdString();
    }
}

TEST(ProcessRunner, ReportsExitAndOutputAndKillsAfterTheTimeout) {
    ProcessRunner runner(QProcessEnvironment::systemEnvironment(), std::chrono::milliseconds(300));
    const CommandResult done = runner.run("sh", {"-c", "echo one; echo two >&2; exit 3"});
    EXPECT_EQ(std::tie(done.started, done.exitCode, done.output),
              std::tuple(true, 3, QByteArray("one\n")));
    const CommandResult hung = runner.run("sleep", {"5"});
    EXPECT_EQ(std::tie(hung.started, hung.exitCode), std::tuple(true, -1));
    EXPECT_FALSE(runner.run("soru-no-such-program", {}).started);
}

} // namespace
} // namespace soru
