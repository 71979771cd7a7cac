// The thumbnail sheet: grid, page drawing, the frame, the toggle, picking.
#include "ui/main/main_window.h"

#include "core/presentation.h"
#include "core/thumbnail_grid.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/gradient_painter.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"

#include <QAction>
#include <QCoreApplication>
#include <QPainter>
#include <QScrollBar>

namespace soru {

namespace {
// Hides the progress bar again on every way out of a page draw.
struct ProgressShown {
    explicit ProgressShown(InstantProgressBar* bar) : bar_(bar) { bar_->show(); }
    ~ProgressShown() { bar_->hide(); }
    InstantProgressBar* bar_;
};
} // namespace

void TfrmMain::computeThumbnailGrid() {
    session_.sheet().setGrid(thumbnailGrid(pnlMain->width(), pnlMain->height(), sbScr->width()));
    if (bvlCur->size() != session_.sheet().frameSize())
        bvlCur->resize(session_.sheet().frameSize());
    sbScr->setPageStep(1);
    sbScr->setSingleStep(1);
    sbScr->setMinimum(0);
}

void TfrmMain::DrawThumbnailPage() {
    // Events run once before the page, none while it is drawn.
    QCoreApplication::processEvents();
    if (!session_.sheetShown())
        return;
    const std::optional<PageRange> range = session_.sheet().pageRange(session_.page(), session_.album().count());
    if (!range)
        return;
    const ThumbGrid& g = session_.sheet().grid();
    pbInfo->setPosition(0);
    pbInfo->setMax(range->last - range->first);
    QPoint frame = session_.sheet().frameOutside();

    HourglassCursor hourglass;
    ProgressShown progress(pbInfo);
    // The page is composed off screen and copied in one step at the end, so
    // a failing cell leaves the sheet as it was.
    // In device pixels: on a high-density screen the cells are decoded for
    // and drawn with every pixel the screen has.
    const qreal dpr = imgSum->devicePixelRatioF();
    QImage page(qRound(imgSum->width() * dpr), qRound(imgSum->height() * dpr), QImage::Format_RGB32);
    page.setDevicePixelRatio(dpr);
    paintGradient(page, 0xFFFFFF);
    // The cells are decoded on every core at once (cells decoded before come
    // from the cache); the bar advances as each one is done.
    const int cellCount = range->last - range->first + 1;
    const QSize cellBox(qRound(g.thumbWidth * dpr), qRound(g.thumbHeight * dpr));
    const QList<DecodedPicture> cells =
        pictures_.takeAll(session_.album().paths().mid(range->first, cellCount), cellBox,
                          [this, cellCount](int done, int) { pbInfo->setPosition(qMin(done, cellCount - 1)); });
    // Then the page is put together row by row, left to right, as if each
    // cell had been decoded in turn: the first failing cell is reported.
    for (int index = range->first; index <= range->last; ++index) {
        const QPoint cell = session_.sheet().cellOf(range->first, index);
        const DecodedPicture& picture = cells[index - range->first];
        // A vanished file leaves its cell showing the background.
        if (picture.isMissing())
            continue;
        picture.throwIfLoadFailed();
        const QRect target = thumbnailRect(g, cell.x(), cell.y(), picture.width(), picture.height());
        if (index == session_.album().index())
            frame = session_.sheet().drawnFrame(cell);
        if (!target.isEmpty())
            picture.drawInto(page, target);
    }
    if (session_.album().index() >= range->first && session_.album().index() <= range->last) {
        bvlCur->move(frame);
        if (bvlCur->isHidden())
            bvlCur->show();
    } else if (!bvlCur->isHidden()) {
        bvlCur->hide();
    }
    imgSum->setBitmap(page);
    session_.sheet().pageDrawn();
    // The next page is decoded while the machine is otherwise idle.
    const int next = range->last + 1;
    if (next < session_.album().count())
        pictures_.prefetchAll(session_.album().paths().mid(next, cellCount), cellBox, PicturePipeline::Priority::Idle);
}

void TfrmMain::PlaceCurrentFrame() {
    if (!session_.sheetShown())
        return;
    const FramePlacement place = session_.sheet().placeFrame(session_.page(), session_.album().count(), session_.album().index());
    switch (place.action) {
    case FramePlacement::Action::Keep:
        break;
    case FramePlacement::Action::Hide:
        // The page shown never changes to follow the current picture.
        if (!bvlCur->isHidden())
            bvlCur->hide();
        break;
    case FramePlacement::Action::Show:
        bvlCur->move(place.at);
        if (bvlCur->isHidden())
            bvlCur->show();
        break;
    }
}

void TfrmMain::aSumExecute() { forward([this] { session_.perform(Command::Sum); }); }

void TfrmMain::renderSheet(ViewerSession::SheetChange change) {
    if (change == ViewerSession::SheetChange::Paged) {
        DrawThumbnailPage();
        return;
    }
    // The keyboard stays with the picture area: the sheet takes it from the
    // view and gives it back, instead of it falling to the next control.
    const bool pictureHadFocus = imgView->hasFocus() || imgSum->hasFocus();
    if (session_.checked(Command::Sum)) {
        // The page left on the sheet is reused while it belongs to the album.
        if (session_.sheet().pageValid())
            PlaceCurrentFrame();
        else
            DrawThumbnailPage();
        if (!imgView->isHidden())
            imgView->hide();
        if (imgSum->isHidden())
            imgSum->show();
        if (session_.sheet().severalPages() && sbScr->isHidden())
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
    if (pictureHadFocus)
        (imgSum->isHidden() ? imgView : imgSum)->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::imgSumMouseUp(Qt::MouseButton button, int x, int y) {
    // The right button opens the main menu instead.
    if (button == Qt::RightButton)
        return;
    forward([&] { session_.pick(pickedIndex(session_.sheet().grid(), x, y, session_.page(), session_.album().count())); });
}

void TfrmMain::sbScrChange() { forward([this] { session_.setPage(sbScr->value()); }); }

} // namespace soru
