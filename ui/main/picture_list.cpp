// OpenAlbum, picture entries, the picture list pop-up.
#include "ui/main/main_window.h"

#include "core/albums.h"
#include "core/thumbnail_grid.h"
#include "resources/artwork.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"

#include <QPainter>

#include <optional>

namespace soru {

void TfrmMain::OpenAlbum(const QString& folder) {
    SheetValid = false;
    lblDir->setText(folder);
    lblDir->adjustSize();
    const QString prefix = folder.isEmpty() ? QString() : folder + QLatin1Char('/');
    {
        HourglassCursor hourglass;
        PictureFiles.clear();
        PictureFiles = albumPicturePaths(RootDir + prefix);
    }
    const int count = int(PictureFiles.size());
    {
        HourglassCursor hourglass;
        lstFile->clear();
        lblScale->setText(QString());
        int maxWidth = 0;
        for (const QString& path : PictureFiles) {
            const QString entry = pictureEntry(path);
            lstFile->addItem(entry);
            maxWidth = std::max(maxWidth, measuredWidth(entry));
        }
        lstFile->resize(maxWidth + 64, lstFile->height());
        pnlFile->resize(maxWidth + 70, pnlFile->height());
        const int rows = visibleListRows(pnlMain->height(), lstFile->itemHeight(), lstFile->count());
        lstFile->resize(lstFile->width(), lstFile->itemHeight() * rows);
        pnlFile->resize(pnlFile->width(), lstFile->itemHeight() * rows + 4);
    }
    for (QAction* a : {aBack, aAuto, aNext})
        a->setEnabled(count > 1);
    PagingEnabled = false;
    if (count > 0) {
        CurrentIndex = 0;
        resetPageRange();
    }
    for (QAction* a : {aSum, aCopy, aWall})
        a->setEnabled(count > 0);
}

void TfrmMain::resetPageRange() {
    if (sbScr->value() != 0)
        sbScr->setValue(0);
    const ThumbGrid grid{ThumbWidth, ThumbHeight, ThumbCols, ThumbRows};
    const int lastPage = lastPageIndex(grid, int(PictureFiles.size()));
    sbScr->setMaximum(lastPage);
    if (lastPage > 0) {
        sbScrTag = 1;
        if (aSum->isChecked() && sbScr->isHidden())
            sbScr->show();
    } else {
        sbScrTag = 0;
        if (!sbScr->isHidden())
            sbScr->hide();
    }
    if (aSum->isChecked())
        DrawThumbnailPage();
    ShowCurrentPicture();
    if (lastPage > 0)
        PagingEnabled = true;
}

void TfrmMain::lstFileDrawItem(QPainter& painter, int index, const QRect& rect, ItemDrawState) {
    const QString entry = lstFile->item(index)->text();
    painter.fillRect(rect, painter.brush());
    painter.drawPixmap(rect.left() + 8, rect.top() + 3, glyph(entry.startsWith(QLatin1Char('0')) ? 10 : 13));
    painter.drawText(QRect(rect.left() + 28, rect.top() + 5, rect.width(), rect.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, entry.mid(1));
}

void TfrmMain::lstFileDblClick() {
    if (CurrentIndex < 0 || CurrentIndex >= PictureFiles.size())
        return;
    const int row = lstFile->currentRow();
    if (row < 0 || row >= PictureFiles.size())
        return;
    CurrentIndex = row;
    PlaceCurrentFrame();
    ShowCurrentPicture();
}

void TfrmMain::tbsNextContextPopup() {
    if (!pnlFile->isEnabled())
        pnlFile->setEnabled(true);
    if (pnlFile->isHidden())
        pnlFile->show();
}

void TfrmMain::stepToPicture(const QString& fileName) {
    const int row = int(PictureFiles.indexOf(RootDir + fileName));
    if (row < 0 || CurrentIndex < 0)
        return;
    // The same step as a pick in the picture list.
    lstFile->setCurrentRow(row);
    lstFileDblClick();
}

} // namespace soru
