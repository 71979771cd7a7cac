// The thumbnail sheet: grid, page drawing, the frame, the toggle, picking.
#include "ui/main/main_window.h"

#include "core/thumbnail_grid.h"
#include "media/picture_object.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/gradient_painter.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>

#include <optional>

namespace soru {

namespace {
ThumbGrid gridOf(const TfrmMain& w) { return {w.ThumbWidth, w.ThumbHeight, w.ThumbCols, w.ThumbRows}; }

// The indices of the pictures on the page sbScr shows; nothing when the
// sheet is not shown or the page lies beyond the last picture.
struct PageRange {
    int first;
    int last;
};
std::optional<PageRange> shownPage(const TfrmMain& w) {
    if (!w.aSum->isEnabled() || !w.aSum->isChecked())
        return std::nullopt;
    const int perPage = gridOf(w).perPage();
    const int count = int(w.PictureFiles.size());
    const int first = w.sbScr->value() * perPage;
    if (first >= count)
        return std::nullopt;
    return PageRange{first, std::min(first + perPage - 1, count - 1)};
}

// Hides the progress bar again on every way out of a page draw.
struct ProgressShown {
    explicit ProgressShown(InstantProgressBar* bar) : bar_(bar) { bar_->show(); }
    ~ProgressShown() { bar_->hide(); }
    InstantProgressBar* bar_;
};
} // namespace

void TfrmMain::computeThumbnailGrid() {
    const ThumbGrid g = thumbnailGrid(pnlMain->width(), pnlMain->height(), sbScr->width());
    ThumbWidth = g.thumbWidth;
    ThumbHeight = g.thumbHeight;
    ThumbCols = g.cols;
    ThumbRows = g.rows;
    if (bvlCur->size() != QSize(ThumbWidth + 2, ThumbHeight + 2))
        bvlCur->resize(ThumbWidth + 2, ThumbHeight + 2);
    sbScr->setPageStep(1);
    sbScr->setSingleStep(1);
    sbScr->setMinimum(0);
}

void TfrmMain::DrawThumbnailPage() {
    QCoreApplication::processEvents();
    const std::optional<PageRange> range = shownPage(*this);
    if (!range)
        return;
    const ThumbGrid g = gridOf(*this);
    const int first = range->first;
    const int last = range->last;
    pbInfo->setPosition(0);
    pbInfo->setMax(last - first);
    QPoint frame(-bvlCur->width() - 4, -bvlCur->height() - 4);

    HourglassCursor hourglass;
    ProgressShown progress(pbInfo);
    QImage page(imgSum->width(), imgSum->height(), QImage::Format_RGB32);
    paintGradient(page, 0xFFFFFF);
    // Cells row by row, left to right.
    for (int index = first; index <= last; ++index) {
        const int col = (index - first) % g.cols;
        const int row = (index - first) / g.cols;
        pbInfo->setPosition(index - first);
        const QString path = PictureFiles[index];
        const QFileInfo fi(path);
        if (!fi.exists() || fi.isDir())
            continue;
        // One object of each kind per cell, both freed on every way out.
        auto jpeg = makePictureObject(PictureKind::Jpeg);
        auto bitmap = makePictureObject(PictureKind::Bitmap);
        PictureObject& picture = pictureKindOf(path) == PictureKind::Bitmap ? *bitmap : *jpeg;
        picture.load(path);
        const QRect target = thumbnailRect(g, col, row, picture.width(), picture.height());
        if (index == CurrentIndex)
            frame = cellOrigin(g, col, row) - QPoint(1, 1);
        picture.draw(page, target);
    }
    if (CurrentIndex >= first && CurrentIndex <= last) {
        bvlCur->move(frame);
        if (bvlCur->isHidden())
            bvlCur->show();
    } else if (!bvlCur->isHidden()) {
        bvlCur->hide();
    }
    imgSum->setBitmap(page);
    SheetValid = true;
}

void TfrmMain::PlaceCurrentFrame() {
    const std::optional<PageRange> range = shownPage(*this);
    if (!range)
        return;
    const ThumbGrid g = gridOf(*this);
    const int first = range->first;
    if (CurrentIndex < first || CurrentIndex > range->last) {
        if (!bvlCur->isHidden())
            bvlCur->hide();
        return;
    }
    const int k = CurrentIndex - first;
    bvlCur->move(cellOrigin(g, k % g.cols, k / g.cols));
    if (bvlCur->isHidden())
        bvlCur->show();
}

void TfrmMain::aSumExecute() {
    const bool wasShown = aSum->isChecked();
    if (PictureFiles.size() > 1) {
        aAuto->setEnabled(wasShown);
        if (!wasShown && aAuto->isChecked()) {
            tmrAuto->stop();
            aAuto->setChecked(false);
        }
    }
    aSum->setChecked(!wasShown);
    if (aSum->isChecked()) {
        if (SheetValid)
            PlaceCurrentFrame();
        else
            DrawThumbnailPage();
        if (!imgView->isHidden())
            imgView->hide();
        if (imgSum->isHidden())
            imgSum->show();
        if (sbScrTag == 1 && sbScr->isHidden())
            sbScr->show();
        if (!imgWall->isHidden())
            imgWall->hide();
    } else {
        if (imgWall->isHidden())
            imgWall->show();
        if (imgView->isHidden())
            imgView->show();
        if (!sbScr->isHidden())
            sbScr->hide();
        if (!bvlCur->isHidden())
            bvlCur->hide();
        if (!imgSum->isHidden())
            imgSum->hide();
    }
}

void TfrmMain::imgSumMouseUp(Qt::MouseButton button, int x, int y) {
    if (button == Qt::RightButton)
        return;
    CurrentIndex = pickedIndex(gridOf(*this), x, y, sbScr->value(), int(PictureFiles.size()));
    PlaceCurrentFrame();
    ShowCurrentPicture();
}

void TfrmMain::sbScrChange() {
    if (PagingEnabled)
        DrawThumbnailPage();
}

} // namespace soru
