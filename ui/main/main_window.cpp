// Building the main window, the creation sequence, exit, minimise, destroy.
#include "ui/main/main_window.h"

#include "core/cache_budget.h"
#include "ui/frame/frame_window.h"
#include "core/command_line.h"
#include "core/failure.h"
#include "core/layout.h"
#include "core/texts.h"
#include "media/thumbnails/thumbnail_store.h"
#include "resources/artwork.h"
#include "ui/info/info_window.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/gradient_painter.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/keyboard_return.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTextEdit>

#include <cstdio>
#include <stdexcept>

namespace soru {

namespace {
constexpr int kHintPauseMs = 100;
constexpr quint32 kWhite = 0xFFFFFF;

ColourTransformCache& requiredColours(const TfrmMain::Environment& env) {
    if (!env.colours)
        throw std::invalid_argument("TfrmMain needs a colour cache");
    return *env.colours;
}
} // namespace

TfrmMain::TfrmMain(Environment env, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), env_(std::move(env)),
      // The cache is sized for the screen's device pixels.
      pictures_(requiredColours(env_),
                decodeCacheBytes(env_.screen.size() * qApp->devicePixelRatio(), physicalMemoryBytes())) {
    if (!env_.thumbnailFolder.isEmpty()) {
        auto store = std::make_unique<ThumbnailStore>(env_.thumbnailFolder);
        store->setWritable(env_.writeThumbnails);
        pictures_.setThumbnailStore(std::move(store));
    }
    setWindowTitle(text::kAppTitle);
    setWindowIcon(mainIcon());
    setFont(pixelFont(family::kPGothic, 12));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
    buildComponents();
    connect(&session_.slideShow(), &SlideShow::runningChanged, this, [this] {
        // At once, so the position panel shows or drops the clock now.
        sbInfo->repaint();
        followScreenSaverHold();
    });
    // The window renders what the session says. Rendering may fail (a
    // picture that cannot be decoded): the failure ends the command that
    // caused it and reaches the handler's guard through forward().
    connect(&session_, &ViewerSession::commandsChanged, this, rendering(&TfrmMain::syncActions));
    connect(&session_, &ViewerSession::currentChanged, this, rendering(&TfrmMain::renderCurrent));
    connect(&session_, &ViewerSession::sheetChanged, this, rendering(&TfrmMain::renderSheet));
    connect(&session_, &ViewerSession::requested, this, rendering(&TfrmMain::carryOut));
    connect(&session_, &ViewerSession::albumChanged, this, [this] {
        lblDir->setText(session_.albumName());
        lblDir->adjustSize();
    });
    syncActions();
}

TfrmMain::~TfrmMain() { FormDestroy(); }

void TfrmMain::FormCreate() {
    setHintPause(kHintPauseMs);
    if (!env_.frameSettingsFile.isEmpty()) {
        QStringList problems;
        session_.setFrameSettings(readFrameSettings(env_.frameSettingsFile, &problems));
        for (const QString& problem : problems)
            std::fprintf(stderr, "soru: %s\n", qPrintable(problem));
    }
    session_.setRootDir(libraryRoot(env_.libraryFolder));
    // The session starts as a new window does: no album, the album panel
    // out and waiting, no page, the show stopped, only exit and information
    // enabled. No picture has a memo yet.
    syncActions();
    reMemo->clear();
    pnlMemo->setEnabled(false);

    // The whole screen. Everything below is placed from this layout, so it
    // comes first; the side panels start at their rest places, the memo
    // panel slid in to a 4-pixel strip at the right edge.
    // The picture list opens under 次へ, wherever the toolbar put it.
    const MainLayout l = computeMainLayout(env_.screen.size(), button(Command::Next)->x() - ToolBar::kEdge);
    setGeometry(env_.screen);
    tbMain->setGeometry(l.toolbar);
    pnlMain->setGeometry(l.pnlMain);
    sbInfo->setGeometry(l.sbInfo);
    sbScr->setGeometry(l.sbScr);
    pbInfo->setGeometry(l.pbInfo);
    pnlBook->move(l.pnlBook);
    pnlMemo->setGeometry(l.pnlMemo);
    pnlMemoHead->setGeometry(1, 1, l.pnlMemo.width() - 2, 21);
    reMemo->setGeometry(1, 22, l.pnlMemo.width() - 2, l.pnlMemo.height() - 23);
    pnlFile->move(l.pnlFile);
    pnlFile->hide();
    pnlFile->setEnabled(false);
    imgWall->setGeometry(l.imgWall);
    paintGradient(*imgWall, kWhite);
    // The view draws on a white surface of screen size.
    imgView->setGeometry(l.imgView);
    {
        QImage& canvas = imgView->canvas();
        QPainter p(&canvas);
        p.fillRect(QRect(0, 0, l.imgView.width(), l.imgView.height()), Qt::white);
    }
    imgSum->setGeometry(l.imgSum);
    paintGradient(*imgSum, kWhite);

    // The grid needs the laid-out main panel; the album list needs the
    // panel's height; the root album needs both, and is the first place
    // where events run (before its first picture's sound).
    computeThumbnailGrid();
    scanAlbums();
    OpenAlbum(QString());
    // Reached only when presenting the root album's first picture did not
    // fail: after a failure the album list stays out and waits for a choice.
    if (session_.album().count() > 0) {
        session_.panels().rootAlbumShown();
        pnlBook->move(kPanelStrip - pnlBook->width(), pnlBook->y());
        lstBook->setCurrentRow(0);
    }
}

void TfrmMain::aExitExecute() { close(); }

void TfrmMain::aInfoExecute() {
    const KeyboardReturn keyboardBack(this);
    runInformationWindow(this, env_.services.urls);
}

void TfrmMain::tbsMinClick() { showMinimized(); }

void TfrmMain::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    session_.closeAlbum();
    followScreenSaverHold();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // No step may run after the window has gone.
    session_.slideShow().setRunning(false);
    QWidget::closeEvent(event);
}

void TfrmMain::changeEvent(QEvent* event) {
    // Minimised or restored, by the button or by the desktop.
    if (event->type() == QEvent::WindowStateChange)
        followScreenSaverHold();
    QWidget::changeEvent(event);
}

void TfrmMain::pms1sClick(QAction* item) { session_.setInterval(item->data().toInt() * 1000); }

void TfrmMain::pmsCenterClick(QAction* item) {
    session_.setWallpaperStyle(static_cast<WallpaperStyle>(item->data().toInt()));
}

} // namespace soru
