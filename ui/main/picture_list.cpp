// OpenAlbum, picture entries, the picture list pop-up.
#include "ui/main/main_window.h"

#include "core/albums.h"
#include "core/list_entries.h"
#include "resources/artwork.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"

#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>

namespace soru {

void TfrmMain::OpenAlbum(const QString& folder) {
    const QString prefix = folder.isEmpty() ? QString() : folder + QLatin1Char('/');
    // Decodes queued for the album before are of no use any more.
    pictures_.dropPrefetches();
    QStringList paths;
    {
        HourglassCursor hourglass;
        paths = albumPicturePaths(session_.rootDir() + prefix);
        session_.prepareCompanions(session_.rootDir() + prefix);
    }
    // The list's entry i is picture i, so one index serves both.
    {
        HourglassCursor hourglass;
        lstFile->clear();
        lblScale->setText(QString());
        int maxWidth = 0;
        for (const QString& path : paths) {
            const ListEntry entry = pictureListEntry(path);
            auto* item = new QListWidgetItem(entry.text);
            item->setData(entry_role::Kind, int(entry.kind));
            item->setData(entry_role::Name, entry.name);
            lstFile->addItem(item);
            maxWidth = std::max(maxWidth, measuredWidth(entry.text));
        }
        lstFile->resize(maxWidth + 64, lstFile->height());
        pnlFile->resize(maxWidth + 70, pnlFile->height());
        const int rows = visibleListRows(pnlMain->height(), lstFile->itemHeight(), lstFile->count());
        lstFile->resize(lstFile->width(), lstFile->itemHeight() * rows);
        pnlFile->resize(pnlFile->width(), lstFile->itemHeight() * rows + 4);
    }
    // An empty album keeps the old index, which then points at nothing, and
    // leaves the picture, the status bar and the page range as they were.
    forward([&] { session_.openAlbum(folder, paths); });
    if (session_.album().count() > 0)
        resetPageRange();
    // Reached only when the first picture did not fail: the commands that
    // need a picture keep their state otherwise.
    forward([this] { session_.albumPresented(); });
}

void TfrmMain::resetPageRange() {
    // Paging is suspended, so these changes of the scroll bar draw nothing.
    if (sbScr->value() != session_.page())
        sbScr->setValue(session_.page());
    sbScr->setMaximum(session_.sheet().lastPage());
    const bool sheetChecked = session_.checked(Command::Sum);
    if (session_.sheet().severalPages()) {
        if (sheetChecked && sbScr->isHidden())
            sbScr->show();
    } else if (!sbScr->isHidden()) {
        sbScr->hide();
    }
    if (sheetChecked)
        DrawThumbnailPage();
    ShowCurrentPicture();
    // Opening presents its first picture without a step (also at start):
    // it is said here.
    announceCurrent();
}

void TfrmMain::lstFileDrawItem(QPainter& painter, int index, const QRect& rect, ItemDrawState) {
    const QListWidgetItem* item = lstFile->item(index);
    const auto kind = static_cast<ListEntryKind>(item->data(entry_role::Kind).toInt());
    painter.fillRect(rect, painter.brush());
    painter.drawPixmap(rect.left() + 8, rect.top() + 3,
                       glyph(kind == ListEntryKind::BitmapPicture ? Glyph::BitmapFile : Glyph::JpegFile));
    painter.drawText(QRect(rect.left() + 28, rect.top() + 5, rect.width(), rect.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, item->data(entry_role::Name).toString());
}

void TfrmMain::lstFileDblClick() {
    if (session_.hasCurrent())
        forward([this] { session_.pick(lstFile->currentRow()); });
}

void TfrmMain::tbsNextContextPopup() {
    if (!pnlFile->isEnabled())
        pnlFile->setEnabled(true);
    if (pnlFile->isHidden())
        pnlFile->show();
}

void TfrmMain::stepToPicture(const QString& picture) {
    // Relative to the library: "a.jpg" in the root album, "Album/a.jpg" in
    // an album; a full path under the library counts too.
    const QString& root = session_.rootDir();
    const QString relative = picture.startsWith(root) ? picture.mid(root.size()) : picture;
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    const QString album = slash < 0 ? QString() : relative.left(slash);
    if (album != session_.albumName()) {
        // Opened as a choice in the album list would open it.
        const QString label = album.isEmpty() ? kRootAlbumLabel : album;
        for (int i = 0; i < lstBook->count(); ++i) {
            if (lstBook->item(i)->data(entry_role::Name).toString() == label) {
                lstBook->setCurrentRow(i);
                lstBookDblClick();
                break;
            }
        }
    }
    const int row = int(session_.album().paths().indexOf(root + relative));
    if (row < 0 || !session_.album().hasCurrent())
        return;
    // The same step as a pick in the picture list.
    lstFile->setCurrentRow(row);
    lstFileDblClick();
}

} // namespace soru
