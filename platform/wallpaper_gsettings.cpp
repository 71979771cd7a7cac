#include "core/failure.h"
#include "platform/wallpaper_desktops.h"

#include <QFileInfo>
#include <QUrl>

namespace soru {
namespace {

struct SchemaKeys {
    QString id;
    QString pictureKey;
    bool pictureIsUri; // a file:// URI, else a plain path
};

const SchemaKeys& keysOf(GSettingsWallpaper::Schema schema) {
    static const SchemaKeys gnome{QStringLiteral("org.gnome.desktop.background"),
                                  QStringLiteral("picture-uri"), true};
    static const SchemaKeys cinnamon{QStringLiteral("org.cinnamon.desktop.background"),
                                     QStringLiteral("picture-uri"), true};
    static const SchemaKeys mate{QStringLiteral("org.mate.background"),
                                 QStringLiteral("picture-filename"), false};
    switch (schema) {
    case GSettingsWallpaper::Schema::Cinnamon:
        return cinnamon;
    case GSettingsWallpaper::Schema::Mate:
        return mate;
    case GSettingsWallpaper::Schema::Gnome:
        break;
    }
    return gnome;
}

const QString kOptionsKey = QStringLiteral("picture-options");
const QString kDarkKey = QStringLiteral("picture-uri-dark"); // GNOME 42 and later
const QString kOptions[3] = {QStringLiteral("centered"), QStringLiteral("wallpaper"),
                             QStringLiteral("stretched")};
const QString kGSettings = QStringLiteral("gsettings");

// A GVariant string literal: gsettings parses its value argument as one.
QString variantString(const QString& s) {
    QString out = QStringLiteral("'");
    for (QChar c : s) {
        if (c == u'\\' || c == u'\'')
            out += u'\\';
        out += c;
    }
    return out + u'\'';
}

} // namespace

GSettingsWallpaper::GSettingsWallpaper(Schema schema, std::shared_ptr<CommandRunner> runner)
    : schema_(schema), runner_(std::move(runner)) {}

void GSettingsWallpaper::apply(const QString& bitmapPath, int style) {
    const SchemaKeys& keys = keysOf(schema_);
    const CommandResult listed = runner_->run(kGSettings, {QStringLiteral("list-keys"), keys.id});
    if (!listed.succeeded())
        throw Failure(text::kKeyCreateFailed.arg(keys.id));
    const QStringList available = QString::fromUtf8(listed.output).split(u'\n', Qt::SkipEmptyParts);

    const auto set = [&](const QString& key, const QString& value) {
        if (!runner_->run(kGSettings, {QStringLiteral("set"), keys.id, key, value}).succeeded())
            throw Failure(text::kValueSetFailed.arg(key));
    };
    const QString file = QFileInfo(bitmapPath).absoluteFilePath();
    const QString picture = variantString(
        keys.pictureIsUri ? QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) : file);

    set(kOptionsKey, detail::forStyle(kOptions, style));
    set(keys.pictureKey, picture);
    if (keys.pictureIsUri && available.contains(kDarkKey))
        set(kDarkKey, picture);
}

} // namespace soru
