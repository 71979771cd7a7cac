// Building the main window, the creation sequence, exit, minimise, destroy.
#include "ui/main/main_window.h"

#include "core/command_line.h"
#include "core/failure.h"
#include "core/layout.h"
#include "core/texts.h"
#include "resources/artwork.h"
#include "ui/info/info_window.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/gradient_painter.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QCloseEvent>
#include <QPainter>

namespace soru {

namespace {
constexpr int kHintPauseMs = 100;
constexpr quint32 kWhite = 0xFFFFFF;
} // namespace

TfrmMain::TfrmMain(Environment env, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), env_(std::move(env)) {
    setWindowTitle(text::kAppTitle);
    setWindowIcon(mainIcon());
    setFont(pixelFont(family::kPGothic, 12));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
    buildComponents();
}

TfrmMain::~TfrmMain() { FormDestroy(); }

void TfrmMain::FormCreate() {
    // 1. Hints appear quickly.
    setHintPause(kHintPauseMs);
    // 2. The back and next cursors.
    Cursors = {QCursor(Qt::ArrowCursor), backCursor(), nextCursor()};
    // 3. The library folder, with its trailing separator.
    RootDir = libraryRoot(env_.libraryFolder);
    // 4. Flags.
    AwaitingAlbum = true;
    Sliding = false;
    BookPanelOut = true;
    MemoPanelOut = false;
    PagingEnabled = false;
    SheetValid = false;
    WallpaperStyle = 0;
    // 5. (The album scan's folder list lives inside the scan.)
    // 6.
    CurrentIndex = -1;
    // 7.
    PictureFiles.clear();
    // 8. Only exit and information work until an album is open.
    for (QAction* a : {aBack, aAuto, aNext, aPlay, aSum, aCopy, aWall})
        a->setEnabled(false);
    // 9.
    reMemo->clear();
    pnlMemo->setEnabled(false);
    // 10. The whole screen.
    const MainLayout l = computeMainLayout(env_.screen.size(), toolItemGeometry(ToolItem::Next).left);
    setGeometry(env_.screen);
    tbMain->setGeometry(l.toolbar);
    pnlMain->setGeometry(l.pnlMain);
    sbInfo->setGeometry(l.sbInfo);
    sbScr->setGeometry(l.sbScr);
    // 11.
    pbInfo->setGeometry(l.pbInfo);
    // 12.
    pnlBook->move(l.pnlBook);
    // 13. Slid in: a 4-pixel strip at the right edge, meeting the status bar.
    pnlMemo->setGeometry(l.pnlMemo);
    pnlMemoHead->setGeometry(1, 1, l.pnlMemo.width() - 2, 21);
    reMemo->setGeometry(1, 22, l.pnlMemo.width() - 2, l.pnlMemo.height() - 23);
    // 14.
    pnlFile->move(l.pnlFile);
    pnlFile->hide();
    pnlFile->setEnabled(false);
    // 15.
    imgWall->setGeometry(l.imgWall);
    paintGradient(*imgWall, kWhite);
    // 16. The view's white drawing surface of screen size.
    imgView->setGeometry(l.imgView);
    {
        QImage& canvas = imgView->canvas();
        QPainter p(&canvas);
        p.fillRect(QRect(0, 0, l.imgView.width(), l.imgView.height()), Qt::white);
    }
    // 17.
    imgSum->setGeometry(l.imgSum);
    paintGradient(*imgSum, kWhite);
    // 18. The thumbnail grid.
    computeThumbnailGrid();
    // 19. The albums, with the splash's progress bar.
    scanAlbums();
    // 20. The root album.
    OpenAlbum(QString());
    // 21.
    if (!PictureFiles.isEmpty()) {
        AwaitingAlbum = false;
        BookPanelOut = false;
        pnlBook->move(kPanelStrip - pnlBook->width(), pnlBook->y());
        lstBook->setCurrentRow(0);
    }
}

void TfrmMain::aExitExecute() { close(); }

void TfrmMain::aInfoExecute() { runInformationWindow(this, env_.services.urls); }

void TfrmMain::tbsMinClick() { showMinimized(); }

void TfrmMain::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    PictureFiles.clear();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    tmrAuto->stop();
    QWidget::closeEvent(event);
}

void TfrmMain::pms1sClick(QAction* item) {
    const int interval = item->data().toInt() * 1000;
    // A timer restarts its count only when the interval really changes.
    if (tmrAuto->interval() != interval)
        tmrAuto->setInterval(interval);
    item->setChecked(true);
}

void TfrmMain::pmsCenterClick(QAction* item) {
    WallpaperStyle = item->data().toInt();
    item->setChecked(true);
}

} // namespace soru
