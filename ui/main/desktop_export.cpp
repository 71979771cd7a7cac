// The shown picture as the desktop wallpaper and on the clipboard.
#include "ui/main/main_window.h"

#include "core/failure.h"
#include "core/texts.h"
#include "media/bitmap_writer.h"
#include "media/picture_object.h"
#include "platform/wallpaper_location.h"
#include "ui/widgets/app_style.h"

#include <QFileInfo>
#include <QMessageBox>

namespace soru {

namespace {
bool isFile(const QString& path) {
    const QFileInfo fi(path);
    return fi.exists() && !fi.isDir();
}
} // namespace

bool TfrmMain::askYesNo(const QString& question) {
    if (env_.askYesNo)
        return env_.askYesNo(question);
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
    if (CurrentIndex < 0 || CurrentIndex >= PictureFiles.size())
        return;
    if (!askYesNo(text::kAskWallpaper))
        return;
    const QString path = PictureFiles[CurrentIndex];
    if (!isFile(path))
        return;
    const QString folder = env_.wallpaperFolder.isEmpty() ? wallpaperFolder() : env_.wallpaperFolder;
    const QString target = wallpaperFilePath(folder);
    HourglassCursor hourglass;
    // One object of each kind, both freed on every way out.
    auto jpeg = makePictureObject(PictureKind::Jpeg);
    auto bitmap = makePictureObject(PictureKind::Bitmap);
    PictureObject& picture = pictureKindOf(path) == PictureKind::Bitmap ? *bitmap : *jpeg;
    picture.load(path);
    const QImage image = picture.fullImage();
    if (WallpaperStyle == 2) {
        const qint64 sw = env_.screen.width();
        const qint64 sh = env_.screen.height();
        if (qint64(image.width()) * sh != qint64(image.height()) * sw && !askYesNo(text::kAskDistort))
            return;
    }
    writeWindowsBitmap(image, target);
    if (env_.services.wallpaper)
        env_.services.wallpaper->apply(target, WallpaperStyle);
}

void TfrmMain::aCopyExecute() {
    if (CurrentIndex < 0 || CurrentIndex >= PictureFiles.size())
        return;
    HourglassCursor hourglass;
    const QString path = PictureFiles[CurrentIndex];
    if (!isFile(path))
        return;
    auto jpeg = makePictureObject(PictureKind::Jpeg);
    auto bitmap = makePictureObject(PictureKind::Bitmap);
    PictureObject& picture = pictureKindOf(path) == PictureKind::Bitmap ? *bitmap : *jpeg;
    picture.load(path);
    if (!env_.services.clipboard)
        throw Failure(text::kNoClipboard);
    env_.services.clipboard->setImage(picture.fullImage());
}

} // namespace soru
