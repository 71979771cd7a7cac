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

// One row per action, indexed by its command (toolbar order): the action
// (its button is named tbs and the same word), its place in the main menu,
// its toolbar button's place, and the button's drop-down and hint.
struct ActionRow {
    const char* name;
    const text::Text* caption;
    Glyph glyph;
    const text::Text* hint;
    void (TfrmMain::*onExecute)();
    bool checkable;
    int menuPlace;      // the main menu's order
    bool menuSeparated; // a separator line above it in the main menu
    ToolItem item;
    const char* dropDown;      // its menu's name; null for a plain button
    const text::Text* buttonHint; // null for none
};

struct RadioItemRow {
    const text::Text* caption; // null for a separator
    int tag;
    Glyph glyph;
};

constexpr text::Text kNoHint{""};

using C = Components;
const std::array<ActionRow, kActionCommandCount> kActions{{
    {"aExit", &text::kExit, Glyph::Exit, &kNoHint, &TfrmMain::aExitExecute, false, 8, false, ToolItem::Exit, nullptr, nullptr},
    {"aBack", &text::kBack, Glyph::Back, &kNoHint, &TfrmMain::aBackExecute, false, 0, false, ToolItem::Back, nullptr, nullptr},
    {"aAuto", &text::kAuto, Glyph::SlideShow, &text::kHintAuto, &TfrmMain::aAutoExecute, true, 1, false, ToolItem::Auto, "pmAutoTime", &text::kHintAuto},
    {"aNext", &text::kNext, Glyph::Next, &kNoHint, &TfrmMain::aNextExecute, false, 2, false, ToolItem::Next, nullptr, &text::kHintNext},
    {"aSum", &text::kSum, Glyph::Thumbnails, &text::kHintSum, &TfrmMain::aSumExecute, true, 3, true, ToolItem::Sum, nullptr, nullptr},
    {"aCopy", &text::kCopy, Glyph::Copy, &text::kHintCopy, &TfrmMain::aCopyExecute, false, 4, true, ToolItem::Copy, nullptr, nullptr},
    {"aWall", &text::kWall, Glyph::Wallpaper, &text::kHintWall, &TfrmMain::aWallExecute, false, 5, true, ToolItem::Wall, "pmWall", nullptr},
    {"aPlay", &text::kPlay, Glyph::Sound, &text::kHintPlay, &TfrmMain::aPlayExecute, false, 6, false, ToolItem::Play, nullptr, &text::kHintPlay},
    {"aInfo", &text::kInfo, Glyph::Information, &text::kHintInfo, &TfrmMain::aInfoExecute, false, 7, true, ToolItem::Info, nullptr, &text::kHintInfo},
}};

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
    for (int i = 0; i < kActionCommandCount; ++i) {
        const ActionRow& r = kActions[i];
        auto* a = new QAction(glyph(r.glyph), *r.caption, this);
        a->setObjectName(QLatin1String(r.name));
        // The toolbar buttons show the caption with its letter underlined;
        // every key is routed by the binding table, which also gives the
        // shortcut the menu item shows.
        a->setIconText(*r.caption);
        if (const std::optional<QKeyCombination> key = keyTableOr(env_.keys).shortcutFor(Command(i)))
            a->setShortcut(*key);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setStatusTip(*r.hint);
        a->setToolTip(*r.hint);
        a->setCheckable(r.checkable);
        a->setIconVisibleInMenu(true);
        actionsByCommand[i] = a;
        addAction(a);
        bindAction(a, r.onExecute);
    }
}

void TfrmMain::buildMenus() {
    pmMain = new QMenu(this);
    std::array<int, kActionCommandCount> byPlace{};
    for (int i = 0; i < kActionCommandCount; ++i)
        byPlace[kActions[i].menuPlace] = i;
    for (int i : byPlace) {
        if (kActions[i].menuSeparated)
            pmMain->addSeparator();
        pmMain->addAction(actionsByCommand[i]);
    }
    buildFrameMenu();

    // The toolbar's drop-downs; their buttons find them by name.
    auto buildRadioMenu = [this](const char* name, auto rows, auto onClick) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QLatin1String(name));
        auto* group = new QActionGroup(menu);
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
            connect(a, &QAction::triggered, this, [this, a, onClick] { guarded([&] { (this->*onClick)(a); }); });
        }
    };

    const std::array<RadioItemRow, 11> autoRows{{
        {&text::k1s, 1, Glyph::Interval1To5Seconds},
        {&text::k2s, 2, Glyph::Interval1To5Seconds},
        {&text::k3s, 3, Glyph::Interval1To5Seconds},
        {&text::k5s, 5, Glyph::Interval1To5Seconds},
        {&text::k10s, 10, Glyph::Interval10Seconds},
        {&text::k30s, 30, Glyph::Interval30Seconds},
        {nullptr, 0, Glyph::Spare}, // the separator line
        {&text::k1m, 60, Glyph::Interval1To5Minutes},
        {&text::k3m, 180, Glyph::Interval1To5Minutes},
        {&text::k5m, 300, Glyph::Interval1To5Minutes},
        {&text::k10m, 600, Glyph::Interval10Minutes},
    }};
    buildRadioMenu("pmAutoTime", autoRows, &TfrmMain::pms1sClick);

    const std::array<RadioItemRow, 3> wallRows{{
        {&text::kCenter, int(WallpaperStyle::Centre), Glyph::Centre},
        {&text::kTile, int(WallpaperStyle::Tile), Glyph::Tile},
        {&text::kZoom, int(WallpaperStyle::Zoom), Glyph::Wallpaper},
    }};
    buildRadioMenu("pmWall", wallRows, &TfrmMain::pmsCenterClick);
}

void TfrmMain::buildToolbar() {
    tbMain = new ToolBar(this);
    // The buttons in toolbar order, which is the actions' order; the
    // separators between them are gaps in the toolbar's geometry. The
    // classic widths fit the original captions; a button whose caption is
    // wider in translation grows by the difference, and the buttons after
    // it move along.
    const std::array<ToolItemGeometry, kToolItemCount> classic = toolbarGeometry();
    std::array<int, kToolItemCount> needed{};
    auto widthFor = [&classic](ToolItem item, const QFontMetrics& fm, const QString& shown, const char* source) {
        auto advance = [&fm](QString caption) { return fm.horizontalAdvance(caption.remove(QLatin1Char('&'))); };
        const int growth = advance(shown) - advance(QString::fromUtf8(source));
        return classic[static_cast<size_t>(item)].width + std::max(0, growth);
    };
    for (int i = 0; i < kActionCommandCount; ++i) {
        const ActionRow& r = kActions[i];
        auto* b = new ToolButton(tbMain);
        b->setDefaultAction(actionsByCommand[i]);
        if (r.dropDown) {
            b->setMenu(findChild<QMenu*>(QLatin1String(r.dropDown), Qt::FindDirectChildrenOnly));
            b->setPopupMode(QToolButton::MenuButtonPopup);
        }
        if (r.buttonHint)
            b->setHint(*r.buttonHint);
        b->setObjectName(QLatin1String("tbs") + QLatin1String(r.name + 1));
        buttonsByCommand[i] = b;
        needed[static_cast<size_t>(r.item)] = widthFor(r.item, b->fontMetrics(), *r.caption, r.caption->source);
    }
    tbsMin = new ToolButton(tbMain);
    tbsMin->setText(text::kMin);
    tbsMin->setIcon(glyph(Glyph::Minimise));
    tbsMin->onClick = [this] { guarded([this] { tbsMinClick(); }); };
    needed[static_cast<size_t>(ToolItem::Min)] =
        widthFor(ToolItem::Min, tbsMin->fontMetrics(), text::kMin, text::kMin.source);
    const std::array<ToolItemGeometry, kToolItemCount> geometry = toolbarGeometry(needed);
    for (int i = 0; i < kActionCommandCount; ++i) {
        const ToolItemGeometry& g = geometry[static_cast<size_t>(kActions[i].item)];
        tbMain->placeButton(buttonsByCommand[i], g.left, g.width, kToolButtonHeight);
    }
    const ToolItemGeometry& g = geometry[static_cast<size_t>(ToolItem::Min)];
    tbMain->placeButton(tbsMin, g.left, g.width, kToolButtonHeight);
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

    nameComponents();
    describeComponents();
    bindEvents();
}

void TfrmMain::nameComponents() {
    // Every component carries its definition's name, so the window's parts
    // can be found by name from outside, as accessibility tools and tests do.
    const std::pair<QObject*, const char*> named[] = {
        {tbMain, "tbMain"}, {tbsMin, "tbsMin"}, {pnlMain, "pnlMain"},
        {imgWall, "imgWall"}, {imgView, "imgView"}, {imgSum, "imgSum"}, {lblDir, "lblDir"},
        {bvlCur, "bvlCur"}, {lblScale, "lblScale"}, {sbScr, "sbScr"}, {pnlMemo, "pnlMemo"},
        {pnlMemoHead, "pnlMemoHead"}, {reMemo, "reMemo"}, {sbInfo, "sbInfo"}, {pbInfo, "pbInfo"},
        {pnlBook, "pnlBook"}, {lstBook, "lstBook"}, {pnlFile, "pnlFile"}, {lstFile, "lstFile"},
        {pmMain, "pmMain"},
    };
    for (const auto& [object, name] : named)
        object->setObjectName(QLatin1String(name));
}

void TfrmMain::bindEvents() {
    auto run = [this](auto fn) { guarded(fn); };
    lstBook->onDrawItem = [this](QPainter& p, int i, const QRect& r, ItemDrawState s) { lstBookDrawItem(p, i, r, s); };
    lstBook->onDblClick = [this, run] { run([this] { lstBookDblClick(); }); };
    lstFile->onDrawItem = [this](QPainter& p, int i, const QRect& r, ItemDrawState s) { lstFileDrawItem(p, i, r, s); };
    lstFile->onDblClick = [this, run] { run([this] { lstFileDblClick(); }); };
    button(Command::Next)->onContextPopup = [this, run](const QPoint&) { run([this] { tbsNextContextPopup(); }); };
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
