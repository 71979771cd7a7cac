#include "core/command_line.h"

#include "core/albums.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace soru {

QString usageText() {
    return QCoreApplication::translate(
        "soru",
        "使い方: soru [オプション] [フォルダ | 写真ファイル]\n"
        "\n"
        "フォルダをアルバムの置き場所として、写真を全画面で表示します。\n"
        "フォルダ直下の各サブフォルダが一つのアルバムです。\n"
        "写真ファイル（.jpg .jpe .jpeg .bmp .png .webp .heic .heif .avif）を指定すると、\n"
        "そのファイルのあるフォルダを置き場所として、その写真から表示します。\n"
        "フォルダを省略すると、インストール先から起動したときはピクチャフォルダ\n"
        "（無ければホームフォルダ）を、それ以外はプログラムのあるフォルダを使います。\n"
        "\n"
        "オプション:\n"
        "  --frame            額縁モードで起動します（前回の続きの写真から、Esc で通常の画面へ）\n"
        "  --lang ja|en       表示の言語を選びます（省略時は設定ファイルかシステムの言語）\n"
        "  --screenshot FILE  起動が終わったらメインウィンドウを PNG で保存して終了します\n"
        "  --help             この説明を表示します\n"
        "  --version          バージョンを表示します\n");
}

QString versionText() { return QStringLiteral("soru " SORU_VERSION "\n"); }

CommandLine parseCommandLine(const QStringList& args) {
    CommandLine cl;
    auto fail = [&cl](const QString& message) {
        cl.mode = CommandLine::Mode::Error;
        cl.error = message;
        return cl;
    };
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            cl.mode = CommandLine::Mode::Help;
            return cl;
        } else if (!optionsEnded && a == QLatin1String("--version")) {
            cl.mode = CommandLine::Mode::Version;
            return cl;
        } else if (!optionsEnded && a == QLatin1String("--frame")) {
            cl.frame = true;
        } else if (!optionsEnded && (a == QLatin1String("--lang") || a.startsWith(QLatin1String("--lang=")))) {
            const QString value = a.size() > 6 ? a.mid(7) : i + 1 < args.size() ? args[++i] : QString();
            if (value != QLatin1String("ja") && value != QLatin1String("en"))
                return fail(QCoreApplication::translate("soru", "--lang には ja か en を指定します"));
            cl.language = value;
        } else if (!optionsEnded && a == QLatin1String("--screenshot")) {
            if (i + 1 >= args.size())
                return fail(QCoreApplication::translate("soru", "--screenshot にはファイル名が必要です"));
            cl.screenshotFile = args[++i];
        } else if (!optionsEnded && a.startsWith(QLatin1String("--screenshot="))) {
            cl.screenshotFile = a.mid(13);
            if (cl.screenshotFile.isEmpty())
                return fail(QCoreApplication::translate("soru", "--screenshot にはファイル名が必要です"));
        } else if (!optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return fail(QCoreApplication::translate("soru", "不明なオプションです: %1").arg(a));
        } else if (cl.folder.isEmpty()) {
            if (a.isEmpty())
                return fail(QCoreApplication::translate("soru", "フォルダ名が空です"));
            cl.folder = a;
        } else {
            return fail(QCoreApplication::translate("soru", "フォルダは一つだけ指定できます: %1").arg(a));
        }
    }
    if (!cl.folder.isEmpty()) {
        const QFileInfo fi(cl.folder);
        if (!fi.exists())
            return fail(QCoreApplication::translate("soru", "フォルダが見つかりません: %1").arg(cl.folder));
        if (!fi.isDir()) {
            // "Open with" from a file manager passes a picture: its folder is
            // the library and the picture is shown first.
            const QString name = fi.fileName();
            const int dot = name.lastIndexOf(QLatin1Char('.'));
            const bool picture = fi.isFile() && dot > 0 && !isHiddenName(name) &&
                                 kImageExtensions.contains(name.mid(dot + 1), Qt::CaseInsensitive);
            if (!picture)
                return fail(QCoreApplication::translate("soru", "フォルダでも写真ファイルでもありません: %1").arg(cl.folder));
            cl.firstPicture = name;
            cl.folder = fi.absolutePath();
        }
    }
    return cl;
}

QString libraryRoot(const QString& folder) {
    QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

} // namespace soru
