#pragma once
// The main window: its components, its state, its private operations and its
// handlers. The definitions are split by concern over several files; this
// header is the whole window at a glance.
#include "platform/services.h"
#include "ui/widgets/owner_draw_list.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QStringList>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

namespace soru {

class BevelFrame;
class BevelPanel;
class ImageBox;
class InstantProgressBar;
class StatusPanels;
class ToolBar;
class ToolButton;

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    // What the window is built with: its library folder, the screen it
    // covers, the desktop services, and the splash window's progress bar
    // (may be null) that the album scan advances.
    struct Environment {
        QString libraryFolder;
        QRect screen;
        Services services;
        InstantProgressBar* splashProgress = nullptr;
        // Asks a yes/no question; true unless the answer is No. Empty: a
        // message box owned by the window.
        std::function<bool(const QString& question)> askYesNo;
        // Where the wallpaper file goes; empty: the platform's place.
        QString wallpaperFolder;
    };

    explicit TfrmMain(Environment env, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The creation sequence; run once, before the window is shown.
    void FormCreate();
    // Steps to the root album's picture of this file name, as a pick in the
    // picture list would (a picture given on the command line).
    void stepToPicture(const QString& fileName);

    // ---- Components (in stacking order, bottom to top) ----
    ToolBar* tbMain = nullptr;
    ToolButton* tbsExit = nullptr;
    ToolButton* tbsBack = nullptr;
    ToolButton* tbsAuto = nullptr;
    ToolButton* tbsNext = nullptr;
    ToolButton* tbsSum = nullptr;
    ToolButton* tbsCopy = nullptr;
    ToolButton* tbsWall = nullptr;
    ToolButton* tbsPlay = nullptr;
    ToolButton* tbsInfo = nullptr;
    ToolButton* tbsMin = nullptr;

    BevelPanel* pnlMain = nullptr;
    ImageBox* imgWall = nullptr;
    ImageBox* imgView = nullptr;
    ImageBox* imgSum = nullptr;
    QLabel* lblDir = nullptr;
    BevelFrame* bvlCur = nullptr;
    QLabel* lblScale = nullptr;
    QScrollBar* sbScr = nullptr;

    BevelPanel* pnlMemo = nullptr;
    BevelPanel* pnlMemoHead = nullptr;
    QTextEdit* reMemo = nullptr;

    StatusPanels* sbInfo = nullptr;
    InstantProgressBar* pbInfo = nullptr;

    BevelPanel* pnlBook = nullptr;
    OwnerDrawList* lstBook = nullptr;
    BevelPanel* pnlFile = nullptr;
    OwnerDrawList* lstFile = nullptr;

    QTimer* tmrAuto = nullptr;

    // Actions (action list alMain).
    QAction* aExit = nullptr;
    QAction* aBack = nullptr;
    QAction* aAuto = nullptr;
    QAction* aNext = nullptr;
    QAction* aInfo = nullptr;
    QAction* aPlay = nullptr;
    QAction* aSum = nullptr;
    QAction* aWall = nullptr;
    QAction* aCopy = nullptr;

    // Menus.
    QMenu* pmMain = nullptr;
    QMenu* pmAutoTime = nullptr;
    QMenu* pmWall = nullptr;
    QActionGroup* grpAutoTime = nullptr;
    QActionGroup* grpWall = nullptr;
    QAction* pms1s = nullptr;
    QAction* pms2s = nullptr;
    QAction* pms3s = nullptr;
    QAction* pms5s = nullptr;
    QAction* pms10s = nullptr;
    QAction* pms30s = nullptr;
    QAction* pms1m = nullptr;
    QAction* pms3m = nullptr;
    QAction* pms5m = nullptr;
    QAction* pms10m = nullptr;
    QAction* pmsCenter = nullptr;
    QAction* pmsTile = nullptr;
    QAction* pmsZoom = nullptr;

    // The screen's cursor table: slot 0 the default, 1 BACK, 2 NEXT.
    std::array<QCursor, 3> Cursors;

    // ---- State ----
    QString RootDir;
    QStringList PictureFiles;
    int CurrentIndex = -1;
    int ThumbWidth = 0;
    int ThumbHeight = 0;
    int ThumbCols = 0;
    int ThumbRows = 0;
    int WallpaperStyle = 0;
    bool AwaitingAlbum = true;
    bool Sliding = false;
    bool BookPanelOut = true;
    bool MemoPanelOut = false;
    bool PagingEnabled = false;
    bool SheetValid = false;
    // sbScr's tag: 1 when the open album has more than one page.
    int sbScrTag = 0;
    // imgView's cursor: a slot of Cursors (0 default, 1 back, 2 next).
    int ViewCursor = 0;
    void setViewCursor(int slot);
    // The cursor-zone step of pnlMainMouseMove.
    void updateCursorZones();
    // The wait between the steps of a panel slide (10 ms in the program).
    std::function<void()> slideStepWait;

    // ---- Private operations ----
    // Decodes the picture at path, fits it into the main panel, draws it into
    // the view and returns its size text ("" when no file is there).
    QString DrawPicture(const QString& path);
    // Presents the picture at CurrentIndex: status bar, list selection,
    // picture, companions, hint, then its sound.
    void ShowCurrentPicture();
    // Makes an album the open album; "" is the root album.
    void OpenAlbum(const QString& folder);
    // Renders the page sbScr shows into the sheet and places the frame.
    void DrawThumbnailPage();
    // Moves, shows or hides the frame for CurrentIndex without redrawing.
    void PlaceCurrentFrame();

    // ---- Handlers ----
    void sbInfoDrawPanel(QPainter& painter, int panel, const QRect& rect);
    void lstBookDrawItem(QPainter& painter, int index, const QRect& rect, ItemDrawState state);
    void lstBookDblClick();
    void lstFileDrawItem(QPainter& painter, int index, const QRect& rect, ItemDrawState state);
    void lstFileDblClick();
    void tbsNextContextPopup();
    void aSumExecute();
    void pnlBookMouseMove();
    void pnlMemoMouseMove();
    void pnlMainMouseMove();
    void aBackExecute();
    void aNextExecute();
    void aAutoExecute();
    void tmrAutoTimer();
    void imgViewClick();
    // Left and right arrows step whatever has the focus; returns true when
    // the key was used.
    bool FormKeyDown(int key);
    void aWallExecute();
    void aInfoExecute();
    void aCopyExecute();
    void imgSumMouseUp(Qt::MouseButton button, int x, int y);
    void sbScrChange();
    void aPlayExecute();
    void aExitExecute();
    void tbsMinClick();
    void FormDestroy();
    void pms1sClick(QAction* item);
    void pmsCenterClick(QAction* item);

    const Environment& environment() const { return env_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildComponents();
    void buildActions();
    void buildMenus();
    void buildToolbar();
    void buildMainPanel();
    void buildSidePanels();
    void bindAction(QAction* action, void (TfrmMain::*handler)());
    void bindEvents();
    // Creation steps that belong to the sheet and the album list.
    void computeThumbnailGrid();
    void scanAlbums();
    // Part of OpenAlbum: page range of the sheet, then the first picture.
    void resetPageRange();
    bool askYesNo(const QString& question);
    // Width of a text in the lists' font, measured through lblScale.
    int measuredWidth(const QString& text);

    // Plays the picture's sound; while a synchronous one blocks, the slide
    // show's tick is held back until it has ended.
    void playSound(const QString& wav, bool synchronous);
    void autoTick();

    Environment env_;
    bool destroyed_ = false;
    bool soundBlocking_ = false;
    bool tickHeld_ = false;
};

} // namespace soru
