// The shown picture as the desktop wallpaper and on the clipboard.
#include "ui/main/main_window.h"

#include "core/failure.h"
#include "core/presentation.h"
#include "core/texts.h"
#include "media/formats/bitmap_writer.h"
#include "media/formats/picture_factory.h"
#include "platform/wallpaper_location.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/keyboard_return.h"

#include <QMessageBox>

namespace soru {

bool TfrmMain::askYesNo(const QString& question) {
    if (env_.askYesNo)
        return env_.askYesNo(question);
    const KeyboardReturn keyboardBack(this);
    QMessageBox box(QMessageBox::Question, text::kAppTitle, question, QMessageBox::Yes | QMessageBox::No, this);
    // Return answers Yes and Escape answers No, whatever order the platform
    // puts the buttons in; without this the focus lands on the first button.
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    box.raise();
    box.activateWindow();
    // Only No stops: any other way out of the box goes on.
    return box.exec() != QMessageBox::No;
}

void TfrmMain::aWallExecute() {
    if (!session_.album().hasCurrent())
        return;
    if (!askYesNo(text::kAskWallpaper))
        return;
    // The picture is read from its file again, not taken from the view; a
    // file gone since it was shown is quietly skipped.
    const QString path = session_.album().currentPath();
    if (!isFile(path))
        return;
    const QString folder = env_.wallpaperFolder.isEmpty() ? wallpaperFolder() : env_.wallpaperFolder;
    const QString target = wallpaperFilePath(folder);
    HourglassCursor hourglass;
    const QImage image = loadPictureObject(path, pictures_.colours())->fullImage();
    if (session_.wallpaperStyle() == WallpaperStyle::Zoom && zoomDistorts(image.size(), env_.screen.size()) &&
        !askYesNo(text::kAskDistort))
        return;
    // The file first: a failure to write it changes no desktop setting.
    writeWindowsBitmap(image, target);
    if (env_.services.wallpaper)
        env_.services.wallpaper->apply(target, static_cast<int>(session_.wallpaperStyle()));
}

void TfrmMain::aCopyExecute() {
    if (!session_.album().hasCurrent())
        return;
    HourglassCursor hourglass;
    const QString path = session_.album().currentPath();
    if (!isFile(path))
        return;
    const std::unique_ptr<PictureObject> picture = loadPictureObject(path, pictures_.colours());
    if (!env_.services.clipboard)
        throw Failure(text::kNoClipboard);
    env_.services.clipboard->setImage(picture->fullImage());
}

} // namespace soru
