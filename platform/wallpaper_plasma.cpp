#include "core/failure.h"
#include "platform/wallpaper_desktops.h"

#include <QFileInfo>
#include <QUrl>

namespace soru {
namespace {

// FillMode of the image wallpaper plugin: Qt Quick's Image fill modes.
constexpr int kFillModes[3] = {6 /* Pad: centred */, 3 /* Tile */, 0 /* Stretch */};

const QString kService = QStringLiteral("org.kde.PlasmaShell");
const QString kPath = QStringLiteral("/PlasmaShell");
const QString kMethod = QStringLiteral("org.kde.PlasmaShell.evaluateScript");

// A JavaScript string literal holding s.
QString scriptString(const QString& s) {
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        if (c == u'"' || c == u'\\')
            out += u'\\';
        if (c.unicode() < 0x20 || c == QChar(0x2028) || c == QChar(0x2029))
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + u'"';
}

QString script(const QString& uri, int fillMode) {
    return QStringLiteral("var ds = desktops();"
                          "for (var i = 0; i < ds.length; ++i) {"
                          "var d = ds[i];"
                          "d.wallpaperPlugin = \"org.kde.image\";"
                          "d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];"
                          "d.writeConfig(\"FillMode\", %1);"
                          "d.writeConfig(\"Image\", %2);"
                          "}")
        .arg(QString::number(fillMode), scriptString(uri));
}

} // namespace

PlasmaWallpaper::PlasmaWallpaper(std::shared_ptr<CommandRunner> runner)
    : runner_(std::move(runner)) {}

void PlasmaWallpaper::apply(const QString& bitmapPath, int style) {
    const QString uri =
        QUrl::fromLocalFile(QFileInfo(bitmapPath).absoluteFilePath()).toString(QUrl::FullyEncoded);
    const QString code = script(uri, detail::forStyle(kFillModes, style));

    CommandResult result;
    if (!runner_->find(QStringLiteral("dbus-send")).isEmpty()) {
        // --print-reply waits for the answer, so a refused call exits non-zero.
        result =
            runner_->run(QStringLiteral("dbus-send"),
                         {QStringLiteral("--session"), QStringLiteral("--type=method_call"),
                          QStringLiteral("--print-reply"), QStringLiteral("--dest=") + kService,
                          kPath, kMethod, QStringLiteral("string:") + code});
    } else {
        for (const char* qdbus : {"qdbus6", "qdbus", "qdbus-qt5"}) {
            const QString program = QString::fromLatin1(qdbus);
            if (!runner_->find(program).isEmpty()) {
                result = runner_->run(program, {kService, kPath, kMethod, code});
                break;
            }
        }
    }
    if (!result.succeeded())
        throw Failure(text::kValueSetFailed.arg(QStringLiteral("Image")));
}

} // namespace soru
