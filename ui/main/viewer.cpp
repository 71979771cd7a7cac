// DrawPicture, ShowCurrentPicture, the owner-drawn status panels, replaying
// the sound.
#include "ui/main/main_window.h"

#include "core/fitting.h"
#include "core/presentation.h"
#include "media/bitmap_picture.h"
#include "media/jpeg_picture.h"
#include "media/memo_reader.h"
#include "media/picture_kind.h"
#include "resources/artwork.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>

#include <utility>

namespace soru {

namespace {

enum Panel { kPosition = 0, kSize = 1, kDate = 2, kMemoKind = 3, kSound = 4, kName = 5 };

bool isFile(const QString& path) {
    const QFileInfo fi(path);
    return fi.exists() && !fi.isDir();
}

} // namespace

QString TfrmMain::DrawPicture(const QString& path) {
    HourglassCursor hourglass;
    const int W = pnlMain->width();
    const int H = pnlMain->height();
    QString result;
    if (!isFile(path)) {
        if (!imgView->isHidden())
            imgView->hide();
        return result;
    }
    const PictureKind kind = pictureKindOf(path);
    // One object of each kind, both freed on every way out.
    JpegPicture jpeg;
    BitmapPicture bitmap;
    PictureObject& picture = kind == PictureKind::Bitmap ? static_cast<PictureObject&>(bitmap)
                                                         : static_cast<PictureObject&>(jpeg);
    picture.load(path);
    const int w = picture.width();
    const int h = picture.height();
    result = sizeText(w, h);
    const Fit fit = fitPicture(w, h, W, H);
    // Left, Top, Width, Height, in this order.
    imgView->move(fit.left, imgView->y());
    imgView->move(fit.left, fit.top);
    imgView->resize(fit.width, imgView->height());
    imgView->resize(fit.width, fit.height);
    if (fit.width > 0 && fit.height > 0) {
        picture.draw(imgView->canvas(), QRect(0, 0, fit.width, fit.height));
        imgView->update();
    }
    if (!aSum->isChecked() && imgView->isHidden())
        imgView->show();
    return result;
}

void TfrmMain::ShowCurrentPicture() {
    if (CurrentIndex < 0 || CurrentIndex >= PictureFiles.size())
        return;
    const QString path = PictureFiles[CurrentIndex];
    for (int i = 0; i < sbInfo->panelCount(); ++i)
        sbInfo->setPanelText(i, {});
    sbInfo->setPanelText(kPosition, positionText(CurrentIndex, int(PictureFiles.size())));
    sbInfo->setPanelText(kName, pathFileName(path));
    lstFile->setCurrentRow(CurrentIndex);
    sbInfo->setPanelText(kSize, DrawPicture(path));

    bool hasSound = false;
    QString wav;
    {
        HourglassCursor hourglass;
        wav = findCompanion(path, QStringLiteral(".wav"));
        hasSound = !wav.isEmpty();
        aPlay->setEnabled(hasSound);

        QString memo = findCompanion(path, QStringLiteral(".rtf"));
        QString kind = QStringLiteral("RTF");
        if (memo.isEmpty()) {
            memo = findCompanion(path, QStringLiteral(".txt"));
            kind = QStringLiteral("TXT");
        }
        if (!memo.isEmpty()) {
            reMemo->clear();
            loadMemo(memo, *reMemo->document());
            pnlMemo->setEnabled(true);
            sbInfo->setPanelText(kMemoKind, kind);
        } else {
            pnlMemo->setEnabled(false);
            reMemo->clear();
        }

        const QFileInfo fi(path);
        if (fi.exists() && fi.isFile() && !fi.isHidden())
            sbInfo->setPanelText(kDate, fileDateText(fi.lastModified(), QLocale()));
        if (hasSound)
            sbInfo->setPanelText(kSound, QStringLiteral("サウンド"));

        imgView->setToolTip(pictureHint(sbInfo->panelText(kName), sbInfo->panelText(kSize),
                                        sbInfo->panelText(kPosition), sbInfo->panelText(kDate),
                                        pnlMemo->isEnabled(), hasSound));
    }
    // The status bar and the picture are painted before a sound starts.
    QCoreApplication::processEvents();
    if (hasSound && env_.services.sound)
        playSound(wav, aAuto->isChecked());
}

void TfrmMain::playSound(const QString& wav, bool synchronous) {
    if (!synchronous || soundBlocking_) {
        env_.services.sound->play(wav, synchronous);
        return;
    }
    soundBlocking_ = true;
    struct Release {
        TfrmMain* w;
        ~Release() {
            w->soundBlocking_ = false;
            // The held tick arrives as a new event, as it would have after
            // a blocking call, unless the show was stopped meanwhile.
            if (std::exchange(w->tickHeld_, false))
                QMetaObject::invokeMethod(
                    w,
                    [w = w] {
                        if (w->tmrAuto->isActive())
                            w->autoTick();
                    },
                    Qt::QueuedConnection);
        }
    } release{this};
    env_.services.sound->play(wav, true);
}

void TfrmMain::sbInfoDrawPanel(QPainter& painter, int panel, const QRect& rect) {
    const QColor barColour = sbInfo->palette().color(QPalette::Button);
    switch (panel) {
    case kPosition:
        painter.fillRect(rect, barColour);
        painter.setPen(sbInfo->palette().color(QPalette::WindowText));
        if (aAuto->isChecked())
            painter.drawPixmap(rect.topLeft(), glyph(19));
        painter.drawText(QRect(rect.left() + 18, rect.top() + 2, 1000, 100), Qt::AlignLeft | Qt::AlignTop,
                         sbInfo->panelText(kPosition));
        break;
    case kMemoKind: {
        const QString text = sbInfo->panelText(kMemoKind);
        if (text.isEmpty())
            break;
        painter.fillRect(rect, barColour);
        painter.drawPixmap(rect.topLeft(), glyph(text == QLatin1String("TXT") ? 21 : 20));
        break;
    }
    case kSound:
        if (sbInfo->panelText(kSound).isEmpty())
            break;
        painter.fillRect(rect, barColour);
        painter.drawPixmap(rect.topLeft(), glyph(7));
        break;
    default:
        break;
    }
}

void TfrmMain::aPlayExecute() {
    if (CurrentIndex < 0 || CurrentIndex >= PictureFiles.size())
        return;
    const QString wav = findCompanion(PictureFiles[CurrentIndex], QStringLiteral(".wav"));
    if (!wav.isEmpty() && env_.services.sound)
        env_.services.sound->play(wav, false);
}

} // namespace soru
