#include "core/failure.h"
#include "platform/wallpaper_desktops.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace soru {
namespace {

// image-style of xfdesktop: 1 centred, 2 tiled, 3 stretched.
const QString kImageStyles[3] = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};

const QString kXfconf = QStringLiteral("xfconf-query");
const QString kChannel = QStringLiteral("xfce4-desktop");
const QString kFirstBackdrop = QStringLiteral("/backdrop/screen0/monitor0/workspace0");

// The backdrops of the channel, one per screen, monitor and workspace, as
// the property folders holding their last-image.
QStringList backdrops(const QByteArray& listing) {
    static const QRegularExpression lastImage(
        QStringLiteral("^(/backdrop/screen[^/]+/monitor[^/]+/workspace[^/]+)/last-image$"));
    QStringList found;
    for (const QString& line : QString::fromUtf8(listing).split(u'\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = lastImage.match(line.trimmed());
        if (m.hasMatch())
            found.append(m.captured(1));
    }
    return found;
}

} // namespace

XfceWallpaper::XfceWallpaper(std::shared_ptr<CommandRunner> runner) : runner_(std::move(runner)) {}

void XfceWallpaper::apply(const QString& bitmapPath, int style) {
    const CommandResult listed =
        runner_->run(kXfconf, {QStringLiteral("-c"), kChannel, QStringLiteral("-l")});
    if (!listed.succeeded())
        throw Failure(text::kKeyCreateFailed.arg(kChannel));
    QStringList folders = backdrops(listed.output);
    if (folders.isEmpty())
        folders.append(kFirstBackdrop);

    // -n creates a property the channel does not have yet.
    const auto set = [&](const QString& property, const QString& type, const QString& value) {
        const QStringList args = {
            QStringLiteral("-c"), kChannel, QStringLiteral("-p"), property, QStringLiteral("-n"),
            QStringLiteral("-t"), type,     QStringLiteral("-s"), value};
        if (!runner_->run(kXfconf, args).succeeded())
            throw Failure(text::kValueSetFailed.arg(property));
    };
    // Every style first, so a refused one leaves every backdrop as it was.
    for (const QString& folder : folders)
        set(folder + QStringLiteral("/image-style"), QStringLiteral("int"),
            detail::forStyle(kImageStyles, style));
    const QString file = QFileInfo(bitmapPath).absoluteFilePath();
    for (const QString& folder : folders)
        set(folder + QStringLiteral("/last-image"), QStringLiteral("string"), file);
}

} // namespace soru
