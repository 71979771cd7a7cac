// The main window's components, actions, menus and toolbar, declared from
// tables so the whole definition reads in one screen.
#include "ui/main/main_window.h"

#include "core/layout.h"
#include "core/presentation.h"
#include "core/texts.h"
#include "resources/artwork.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include "core/failure.h"

#include <QAction>
#include <QActionGroup>
#include <QDateTime>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextEdit>

namespace soru {

namespace {

using Components = MainWindowComponents;

struct ActionRow {
    QAction* Components::*action;
    const QString* caption;
    QKeySequence shortcut;
    Glyph glyph;
    const QString* hint;
    void (TfrmMain::*onExecute)();
    bool checkable;
};

struct ToolButtonRow {
    ToolItem item;
    ToolButton* Components::*button; // null for a separator
    QAction* Components::*action;    // null for a button without action
    QMenu* Components::*dropDown;    // null for a plain button
    const QString* hint;           // the hint the button shows; null for none
};

struct RadioItemRow {
    QAction* Components::*item;
    const QString* caption; // null for a separator
    int tag;
    Glyph glyph;
};

const QString kNoHint;

// The date panel is as wide as the widest date text of the user's locale
// needs (any weekday, the widest digit everywhere), never narrower than its
// classic 130 pixels; the panels after it move along. The text starts 2
// pixels into the panel's inside, which is 2 pixels narrower than the panel,
// and keeps 2 pixels to spare before the edge.
int datePanelWidth(const QFontMetrics& fm, const QLocale& locale) {
    constexpr int kClassicWidth = 130;
    QChar widestDigit = QLatin1Char('0');
    for (char d = '1'; d <= '9'; ++d)
        if (fm.horizontalAdvance(QLatin1Char(d)) > fm.horizontalAdvance(widestDigit))
            widestDigit = QLatin1Char(d);
    int widest = 0;
    const QDate monday(2001, 1, 1);
    for (int day = 0; day < 7; ++day) {
        QString text = fileDateText(QDateTime(monday.addDays(day), QTime(0, 0)), locale);
        for (QChar& c : text)
            if (c.isDigit())
                c = widestDigit;
        widest = std::max({widest, fm.horizontalAdvance(text), fm.boundingRect(text).right() + 1});
    }
    return std::max(kClassicWidth, 2 + 2 + widest + 2);
}

} // namespace

void TfrmMain::bindAction(QAction* action, void (TfrmMain::*handler)()) {
    if (!handler)
        return;
    connect(action, &QAction::triggered, this, [this, handler] {
        // A toggle's checked state is the session's: the toolkit's own flip
        // is undone first.
        syncActions();
        guarded([&] { (this->*handler)(); });
    });
}

void TfrmMain::buildActions() {
    const ActionRow rows[] = {
        {&Components::aExit, &text::kExit, {}, Glyph::Exit, &kNoHint, &TfrmMain::aExitExecute, false},
        {&Components::aBack, &text::kBack, QKeySequence(Qt::CTRL | Qt::Key_B), Glyph::Back, &kNoHint, &TfrmMain::aBackExecute, false},
        {&Components::aAuto, &text::kAuto, QKeySequence(Qt::CTRL | Qt::Key_A), Glyph::SlideShow, &text::kHintAuto, &TfrmMain::aAutoExecute, true},
        {&Components::aNext, &text::kNext, QKeySequence(Qt::CTRL | Qt::Key_N), Glyph::Next, &kNoHint, &TfrmMain::aNextExecute, false},
        {&Components::aInfo, &text::kInfo, {}, Glyph::Information, &text::kHintInfo, &TfrmMain::aInfoExecute, false},
        {&Components::aPlay, &text::kPlay, QKeySequence(Qt::CTRL | Qt::Key_P), Glyph::Sound, &text::kHintPlay, &TfrmMain::aPlayExecute, false},
        {&Components::aSum, &text::kSum, {}, Glyph::Thumbnails, &text::kHintSum, &TfrmMain::aSumExecute, true},
        {&Components::aWall, &text::kWall, QKeySequence(Qt::CTRL | Qt::Key_W), Glyph::Wallpaper, &text::kHintWall, &TfrmMain::aWallExecute, false},
        {&Components::aCopy, &text::kCopy, QKeySequence(Qt::CTRL | Qt::Key_C), Glyph::Copy, &text::kHintCopy, &TfrmMain::aCopyExecute, false},
    };
    for (const ActionRow& r : rows) {
        auto* a = new QAction(glyph(r.glyph), *r.caption, this);
        // The toolbar buttons show the caption with its letter underlined;
        // the letter's key is routed by the binding table.
        a->setIconText(*r.caption);
        a->setShortcut(r.shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setStatusTip(*r.hint);
        a->setToolTip(*r.hint);
        a->setCheckable(r.checkable);
        a->setIconVisibleInMenu(true);
        this->*r.action = a;
        addAction(a); // shortcuts work wherever the focus is in the window
        bindAction(a, r.onExecute);
    }
}

void TfrmMain::buildMenus() {
    pmMain = new QMenu(this);
    QAction* Components::*const mainItems[] = {
        &Components::aBack, &Components::aAuto, &Components::aNext, nullptr, &Components::aSum, nullptr,
        &Components::aCopy, nullptr, &Components::aWall, &Components::aPlay, nullptr, &Components::aInfo,
        &Components::aExit,
    };
    for (QAction* Components::*item : mainItems) {
        if (item)
            pmMain->addAction(this->*item);
        else
            pmMain->addSeparator();
    }

    auto buildRadioMenu = [this](QMenu*& menu, QActionGroup*& group, auto rows, auto onClick) {
        menu = new QMenu(this);
        group = new QActionGroup(this);
        group->setExclusive(true);
        for (const RadioItemRow& r : rows) {
            if (!r.caption) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(glyph(r.glyph), *r.caption);
            a->setCheckable(true);
            a->setData(r.tag);
            group->addAction(a);
            this->*r.item = a;
            connect(a, &QAction::triggered, this, [this, a, onClick] { guarded([&] { (this->*onClick)(a); }); });
        }
    };

    const std::array<RadioItemRow, 11> autoRows{{
        {&Components::pms1s, &text::k1s, 1, Glyph::Interval1To5Seconds},
        {&Components::pms2s, &text::k2s, 2, Glyph::Interval1To5Seconds},
        {&Components::pms3s, &text::k3s, 3, Glyph::Interval1To5Seconds},
        {&Components::pms5s, &text::k5s, 5, Glyph::Interval1To5Seconds},
        {&Components::pms10s, &text::k10s, 10, Glyph::Interval10Seconds},
        {&Components::pms30s, &text::k30s, 30, Glyph::Interval30Seconds},
        {nullptr, nullptr, 0, Glyph::Spare}, // the separator line
        {&Components::pms1m, &text::k1m, 60, Glyph::Interval1To5Minutes},
        {&Components::pms3m, &text::k3m, 180, Glyph::Interval1To5Minutes},
        {&Components::pms5m, &text::k5m, 300, Glyph::Interval1To5Minutes},
        {&Components::pms10m, &text::k10m, 600, Glyph::Interval10Minutes},
    }};
    buildRadioMenu(pmAutoTime, grpAutoTime, autoRows, &TfrmMain::pms1sClick);

    const std::array<RadioItemRow, 3> wallRows{{
        {&Components::pmsCenter, &text::kCenter, int(WallpaperStyle::Centre), Glyph::Centre},
        {&Components::pmsTile, &text::kTile, int(WallpaperStyle::Tile), Glyph::Tile},
        {&Components::pmsZoom, &text::kZoom, int(WallpaperStyle::Zoom), Glyph::Wallpaper},
    }};
    buildRadioMenu(pmWall, grpWall, wallRows, &TfrmMain::pmsCenterClick);
}

void TfrmMain::buildToolbar() {
    tbMain = new ToolBar(this);
    const ToolButtonRow rows[] = {
        {ToolItem::Exit, &Components::tbsExit, &Components::aExit, nullptr, nullptr},
        {ToolItem::Sepa1, nullptr, nullptr, nullptr, nullptr},
        {ToolItem::Back, &Components::tbsBack, &Components::aBack, nullptr, nullptr},
        {ToolItem::Auto, &Components::tbsAuto, &Components::aAuto, &Components::pmAutoTime, &text::kHintAuto},
        {ToolItem::Next, &Components::tbsNext, &Components::aNext, nullptr, &text::kHintNext},
        {ToolItem::Sepa2, nullptr, nullptr, nullptr, nullptr},
        {ToolItem::Sum, &Components::tbsSum, &Components::aSum, nullptr, nullptr},
        {ToolItem::Sepa3, nullptr, nullptr, nullptr, nullptr},
        {ToolItem::Copy, &Components::tbsCopy, &Components::aCopy, nullptr, nullptr},
        {ToolItem::Sepa4, nullptr, nullptr, nullptr, nullptr},
        {ToolItem::Wall, &Components::tbsWall, &Components::aWall, &Components::pmWall, nullptr},
        {ToolItem::Play, &Components::tbsPlay, &Components::aPlay, nullptr, &text::kHintPlay},
        {ToolItem::Sepa5, nullptr, nullptr, nullptr, nullptr},
        {ToolItem::Info, &Components::tbsInfo, &Components::aInfo, nullptr, &text::kHintInfo},
        {ToolItem::Sepa6, nullptr, nullptr, nullptr, nullptr},
        {ToolItem::Min, &Components::tbsMin, nullptr, nullptr, nullptr},
    };
    for (const ToolButtonRow& r : rows) {
        if (!r.button)
            continue;
        auto* b = new ToolButton(tbMain);
        if (r.action)
            b->setDefaultAction(this->*r.action);
        if (r.dropDown) {
            b->setMenu(this->*r.dropDown);
            b->setPopupMode(QToolButton::MenuButtonPopup);
        }
        if (r.hint)
            b->setHint(*r.hint);
        const ToolItemGeometry g = toolItemGeometry(r.item);
        tbMain->placeButton(b, g.left, g.width, kToolButtonHeight);
        this->*r.button = b;
    }
    tbsMin->setText(text::kMin);
    tbsMin->setIcon(glyph(Glyph::Minimise));
    tbsMin->onClick = [this] { guarded([this] { tbsMinClick(); }); };
}

void TfrmMain::buildMainPanel() {
    pnlMain = new BevelPanel(this);
    pnlMain->setBevels(BevelCut::None, BevelCut::None);
    pnlMain->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pnlMain, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmMain->popup(pnlMain->mapToGlobal(pos)); });

    imgWall = new ImageBox(pnlMain);
    imgWall->setDeviceScaled(true);
    imgView = new ImageBox(pnlMain);
    imgView->setDeviceScaled(true);
    imgView->hide();
    imgSum = new ImageBox(pnlMain);
    imgSum->hide();

    lblDir = new QLabel(pnlMain);
    lblDir->move(12, 8);
    lblDir->setAttribute(Qt::WA_TranslucentBackground);
    lblDir->setFont(pixelFont(family::kPGothic, 13));
    QPalette dirPalette = lblDir->palette();
    dirPalette.setColor(QPalette::WindowText, QColor(0, 0, 128)); // navy
    lblDir->setPalette(dirPalette);

    bvlCur = new BevelFrame(pnlMain);
    bvlCur->hide();

    lblScale = new QLabel(pnlMain);
    lblScale->hide();

    sbScr = new QScrollBar(Qt::Vertical, pnlMain);
    sbScr->hide();
    sbScr->setToolTip(text::kHintScroll);
}

void TfrmMain::buildSidePanels() {
    pnlMemo = new BevelPanel(this);
    pnlMemo->setBevels(BevelCut::Raised, BevelCut::None);
    pnlMemoHead = new BevelPanel(pnlMemo);
    pnlMemoHead->setBevels(BevelCut::Lowered, BevelCut::None);
    pnlMemoHead->setColour(Qt::black);
    pnlMemoHead->setCaption(text::kMemoHead, Qt::AlignLeft);
    pnlMemoHead->setCaptionColour(Qt::yellow);
    pnlMemoHead->setFont(pixelFont(family::kPGothic, 12));
    reMemo = new QTextEdit(pnlMemo);
    reMemo->setReadOnly(true);
    reMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    reMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    reMemo->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
    reMemo->setTabChangesFocus(true);
    reMemo->setFont(pixelFont(family::kGothic, 12));

    sbInfo = new StatusPanels(this);
    // The size panel grows to its text: a panorama's "11158 x 2156" is wider
    // than its 80 pixels.
    sbInfo->setPanels({{100, true, {}}, {80, false, {}, true}, {datePanelWidth(sbInfo->fontMetrics(), QLocale()), false, {}}, {20, true, {}},
                       {20, true, {}}, {200, false, {}}});
    sbInfo->onDrawPanel = [this](QPainter& p, int panel, const QRect& r) { sbInfoDrawPanel(p, panel, r); };

    pbInfo = new InstantProgressBar(this);
    pbInfo->setRange(0, 100);
    pbInfo->hide();

    pnlBook = new BevelPanel(this);
    pnlBook->setBevels(BevelCut::Lowered, BevelCut::Raised);
    lstBook = new OwnerDrawList(pnlBook);
    lstBook->move(2, 2);
    lstBook->setItemHeight(kListItemHeight);

    pnlFile = new BevelPanel(this);
    pnlFile->setBevels(BevelCut::Lowered, BevelCut::Raised);
    pnlFile->hide();
    pnlFile->setEnabled(false);
    lstFile = new OwnerDrawList(pnlFile);
    lstFile->move(2, 2);
    lstFile->setItemHeight(kListItemHeight);
}

void TfrmMain::buildComponents() {
    buildActions();
    buildMenus();
    buildToolbar();
    buildMainPanel();
    buildSidePanels();

    tmrAuto = session_.slideShow().timer();
    bindEvents();
}

void TfrmMain::bindEvents() {
    auto run = [this](auto fn) { guarded(fn); };
    lstBook->onDrawItem = [this](QPainter& p, int i, const QRect& r, ItemDrawState s) { lstBookDrawItem(p, i, r, s); };
    lstBook->onDblClick = [this, run] { run([this] { lstBookDblClick(); }); };
    lstFile->onDrawItem = [this](QPainter& p, int i, const QRect& r, ItemDrawState s) { lstFileDrawItem(p, i, r, s); };
    lstFile->onDblClick = [this, run] { run([this] { lstFileDblClick(); }); };
    tbsNext->onContextPopup = [this, run](const QPoint&) { run([this] { tbsNextContextPopup(); }); };
    imgSum->onMouseUp = [this, run](QMouseEvent* e) {
        const Qt::MouseButton b = e->button();
        const QPoint pos = e->position().toPoint();
        run([this, b, pos] { imgSumMouseUp(b, pos.x(), pos.y()); });
    };
    connect(sbScr, &QScrollBar::valueChanged, this, [this, run] { run([this] { sbScrChange(); }); });
    connect(&session_.slideShow(), &SlideShow::tick, this, [this, run] { run([this] { tmrAutoTimer(); }); });
    imgView->onClick = [this, run] { run([this] { imgViewClick(); }); };

    // Mouse moves: the main area, the memo panel and the album panel each
    // have their handler; the other components call none and keep the move
    // from reaching the panel below them.
    auto mainMove = [this, run](QMouseEvent*) { run([this] { pnlMainMouseMove(); }); };
    auto memoMove = [this, run](QMouseEvent*) { run([this] { pnlMemoMouseMove(); }); };
    auto bookMove = [this, run](QMouseEvent*) { run([this] { pnlBookMouseMove(); }); };
    pnlMain->onMouseMove = mainMove;
    imgWall->onMouseMove = mainMove;
    imgView->onMouseMove = mainMove;
    imgSum->onMouseMove = mainMove;
    pnlMemo->onMouseMove = memoMove;
    pnlMemoHead->onMouseMove = memoMove;
    pnlBook->onMouseMove = bookMove;
    lstBook->onMouseMove = bookMove;
    for (QWidget* w : {static_cast<QWidget*>(pnlMain), static_cast<QWidget*>(imgWall), static_cast<QWidget*>(imgView),
                       static_cast<QWidget*>(imgSum), static_cast<QWidget*>(pnlMemo), static_cast<QWidget*>(pnlMemoHead),
                       reMemo->viewport(), static_cast<QWidget*>(pnlBook), lstBook->viewport()})
        w->setMouseTracking(true);
    reMemo->viewport()->installEventFilter(this);
    for (QWidget* w : {static_cast<QWidget*>(lblDir), static_cast<QWidget*>(bvlCur), static_cast<QWidget*>(sbScr),
                       static_cast<QWidget*>(tbMain), static_cast<QWidget*>(sbInfo), static_cast<QWidget*>(pnlFile),
                       static_cast<QWidget*>(pbInfo)}) {
        w->setMouseTracking(true);
        w->setAttribute(Qt::WA_NoMousePropagation);
    }
    filterKeysOfEveryChild();
}

void TfrmMain::filterKeysOfEveryChild() {
    // The window sees every key before the focused control does: a key goes
    // to the control with the focus, so the filter sits on the window and on
    // every control in it (all of them exist by now), and no further.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

} // namespace soru
