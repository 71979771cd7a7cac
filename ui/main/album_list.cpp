// The album scan at creation, album entries, their drawing and double-click.
#include "ui/main/main_window.h"

#include "core/album_scan_ahead.h"
#include "core/albums.h"
#include "core/list_entries.h"
#include "resources/artwork.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/instant_progress_bar.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>

namespace soru {

int TfrmMain::measuredWidth(const QString& text) {
    // The width the auto-sizing label would take, measured directly: a
    // 10,000-picture album is measured in a blink.
    return QFontMetrics(lblScale->font()).horizontalAdvance(text);
}

void TfrmMain::scanAlbums() {
    const int rows = visibleListRows(pnlMain->height(), lstBook->itemHeight(), INT_MAX);
    // The scan started ahead of the window for this library, if any, is
    // taken over (once).
    AlbumScanAhead* ahead = env_.albumScan && env_.albumScan->root() == session_.rootDir()
                                ? std::exchange(env_.albumScan, nullptr)
                                : nullptr;
    const QStringList folders = ahead ? ahead->folders() : albumFolderNames(session_.rootDir());
    const int n = int(folders.size());
    InstantProgressBar* progress = env_.splashProgress;
    if (progress)
        progress->setMax(n + 1);
    int maxWidth = 0;
    // The root album first, then the albums in list order; counted several
    // at a time, added one by one as their turn comes.
    QStringList paths{session_.rootDir()};
    for (const QString& folder : folders)
        paths << session_.rootDir() + folder;
    const auto counted = [&](int index, int count) {
        const int i = index - 1;
        const bool root = i < 0;
        if (count > 0) {
            const ListEntry entry = albumListEntry(count, root ? kRootAlbumLabel : folders[i]);
            auto* item = new QListWidgetItem(entry.text);
            item->setData(entry_role::Kind, int(entry.kind));
            item->setData(entry_role::Name, entry.name);
            item->setData(entry_role::Count, entry.count);
            lstBook->addItem(item);
            maxWidth = std::max(maxWidth, measuredWidth(entry.text));
        }
        // The scan lets no events run. A step the bar's drawing shows is
        // drawn at once by the bar itself; forcing a drawing for each of a
        // few hundred albums would hold the scan up. The last step is
        // always drawn.
        if (progress) {
            if (index < n)
                progress->setValue(i + 2);
            else
                progress->setPosition(i + 2);
        }
    };
    if (ahead)
        ahead->countsInOrder(counted);
    else
        countPicturesInOrder(paths, albumScanThreads(session_.rootDir()), counted);
    lstBook->resize(maxWidth + 64, lstBook->height());
    pnlBook->resize(maxWidth + 70, pnlBook->height());
    const int shown = std::min(rows, lstBook->count());
    lstBook->resize(lstBook->width(), lstBook->itemHeight() * shown);
    pnlBook->resize(pnlBook->width(), lstBook->itemHeight() * shown + 4);
    if (lstBook->count() == 0) {
        pnlBook->hide();
        pnlBook->setEnabled(false);
    } else {
        pnlBook->show();
        pnlBook->setEnabled(true);
    }
}

void TfrmMain::lstBookDrawItem(QPainter& painter, int index, const QRect& rect, ItemDrawState state) {
    const QListWidgetItem* item = lstBook->item(index);
    const QString name = item->data(entry_role::Name).toString();
    painter.fillRect(rect, painter.brush());
    painter.drawPixmap(rect.left() + 8, rect.top() + 3, glyph(Glyph::Album));
    painter.drawText(QRect(rect.left() + 28, rect.top() + 5, rect.width(), rect.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, name);
    // The hint follows the entry that is selected and focused.
    if (state.exactlySelectedFocused())
        lstBook->setHint(albumHint(item->data(entry_role::Count).toInt(), name));
}

void TfrmMain::lstBookDblClick() {
    // The first choice ends the wait, even when the album opens with nothing.
    session_.panels().albumChosen();
    const QListWidgetItem* item = lstBook->currentItem();
    if (!item)
        return;
    // The root album's label stands for the root, also for a folder that
    // happens to carry that name.
    QString name = item->data(entry_role::Name).toString();
    if (name == kRootAlbumLabel)
        name.clear();
    OpenAlbum(name);
}

} // namespace soru
