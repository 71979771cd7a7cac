#include "platform/wallpaper_desktops.h"

#include <QFileInfo>

namespace soru {
namespace {

struct RootSetter {
    const char* program;
    const char* options[3]; // centred, tiled, stretched
};

// In order of preference.
constexpr RootSetter kRootSetters[] = {
    {"feh", {"--bg-center", "--bg-tile", "--bg-scale"}},
    {"xwallpaper", {"--center", "--tile", "--stretch"}},
};

} // namespace

RootWindowWallpaper::RootWindowWallpaper(std::shared_ptr<CommandRunner> runner)
    : runner_(std::move(runner)) {}

void RootWindowWallpaper::apply(const QString& bitmapPath, int style) {
    for (const RootSetter& setter : kRootSetters) {
        const QString program = QString::fromLatin1(setter.program);
        if (runner_->find(program).isEmpty())
            continue;
        // An absolute path never starts with "-", so it cannot pass for an option.
        runner_->run(program, {QString::fromLatin1(detail::forStyle(setter.options, style)),
                               QFileInfo(bitmapPath).absoluteFilePath()});
        return;
    }
}

} // namespace soru
