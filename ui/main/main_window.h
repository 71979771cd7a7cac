#pragma once
// The main window: its handlers and operations. The components it is built
// from are in main_window_components.h, its state lives in small owners
// (core/), and the definitions are split by concern over several files;
// this header is the whole window at a glance.
#include "core/failure.h"
#include "core/frame_settings.h"
#include "core/viewer_session.h"
#include "media/pipeline/picture_pipeline.h"
#include "platform/services.h"
#include "ui/main/main_window_components.h"
#include "ui/widgets/owner_draw_list.h"

#include <QPointer>
#include <QWidget>

#include <exception>
#include <functional>
#include <utility>

class QPainter;

namespace soru {
class AlbumScanAhead;
class FrameWindow;
enum class FrameKey;
}

namespace soru {

// The components are a private base, so the handlers name them as the
// window's definition does (pnlMain, aNext, sbScr) while nothing outside
// the window reaches them, tests aside.
class TfrmMain : public QWidget, private MainWindowComponents {
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
        // The colour cache pictures are decoded with, its target the
        // screen's profile; required, and it outlives the window.
        ColourTransformCache* colours = nullptr;
        // Asks a yes/no question; true unless the answer is No. Empty: a
        // message box owned by the window.
        std::function<bool(const QString& question)> askYesNo;
        // Where the wallpaper file goes; empty: the platform's place.
        QString wallpaperFolder;
        // The wait between two steps of a panel slide; empty: 10 ms that
        // keep processing events.
        std::function<void()> slideStepWait;
        // The desktop's shared thumbnail cache the thumbnail pages read and
        // write; empty: none, every cell is decoded.
        QString thumbnailFolder;
        // Whether thumbnails are written there too: not by a copy run from
        // a medium on someone else's computer, which only reads the cache.
        bool writeThumbnails = true;
        // The keys, mouse buttons and wheel the window obeys, and the
        // shortcuts its menu shows; null: the defaults. Outlives the window.
        const KeyTable* keys = nullptr;
        // The photo frame's settings file, read at creation and written when
        // a setting is chosen, and the file that keeps its place; empty:
        // the defaults, and nothing kept.
        QString frameSettingsFile;
        QString frameStateFile;
        // The album scan of the library started before the window, taken
        // over by the window's first scan of that library; null: the window
        // scans by itself. Outlives the window's creation.
        AlbumScanAhead* albumScan = nullptr;
    };

    explicit TfrmMain(Environment env, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The creation sequence; run once, before the window is shown.
    void FormCreate();
    // Steps to a picture of the library, as a choice in the album list and
    // a pick in the picture list would: "a.jpg" in the root album,
    // "Album/a.jpg" in an album (a picture given on the command line, the
    // one the photo frame showed last).
    void stepToPicture(const QString& picture);

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
    // The photo frame: starts it over the window; leaving it comes back
    // here at the picture it showed.
    void aFrameExecute();

    const Environment& environment() const { return env_; }
    // What the window shows: the open album, the current picture, the
    // sheet, the show and the panels. The session's intents (open an album,
    // pick, run a command) are rendered as the window's own handlers' are.
    const ViewerSession& session() const { return session_; }
    ViewerSession& session() { return session_; }
    // The decoded pictures and the decodes under way.
    PicturePipeline& pictures() { return pictures_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ---- Operations ----
    // Decodes the picture at path, fits it into the main panel, draws it into
    // the view and returns its size text ("" when no file is there).
    QString DrawPicture(const QString& path);
    // Presents the current picture: status bar, list selection, picture,
    // companions, hint, then its sound.
    void ShowCurrentPicture();
    // Makes an album the open album; "" is the root album.
    void OpenAlbum(const QString& folder);
    // Renders the page sbScr shows into the sheet and places the frame.
    void DrawThumbnailPage();
    // Moves, shows or hides the frame for the current picture without
    // redrawing the page.
    void PlaceCurrentFrame();

private:
    // Building the components (window_definition.cpp).
    void buildComponents();
    void buildActions();
    void buildMenus();
    void buildToolbar();
    void buildFrameMenu();
    // A frame setting was chosen (a FrameKey and its value): the session
    // keeps it and it is written to the settings file.
    void chooseFrameSetting(FrameKey key, int value);
    void syncFrameMenu();
    void leaveFrame();
    void buildMainPanel();
    void buildSidePanels();
    void nameComponents();
    // Accessible names and descriptions (accessibility.cpp): of every
    // control once built, and of the picture each time it is presented.
    void describeComponents();
    void announceCurrent();
    void bindAction(QAction* action, void (TfrmMain::*handler)());
    void bindEvents();
    void filterKeysOfEveryChild();

    // Creation steps that belong to the sheet and the album list.
    void computeThumbnailGrid();
    void scanAlbums();
    // The end of OpenAlbum for an album with pictures: the sheet's page
    // range, then the first picture.
    void resetPageRange();
    bool askYesNo(const QString& question);
    // Width of a text in the lists' font, measured through lblScale.
    int measuredWidth(const QString& text);
    // The cursor-zone step of pnlMainMouseMove.
    void updateCursorZones();
    // A command of the binding table (a key), run through the session.
    void runCommand(Command command);
    // The only place that enables or checks an action: from the session.
    void syncActions();
    // Rendering what the session signals.
    void renderCurrent();
    // The status bar's texts from the session's current picture.
    void renderStatus();
    void renderSheet(ViewerSession::SheetChange change);
    void carryOut(Command command);
    // Calls into the session. What the session's signals make the window
    // render may fail (a picture that cannot be decoded); the failure is not
    // thrown through the toolkit's signal: the slot keeps it, the rest of the
    // rendering for this call is skipped, and it is thrown here once the
    // session has returned, to end the handler as a failure does.
    template <class F> void forward(F&& call) {
        ++forwarding_;
        try {
            call();
        } catch (...) {
            --forwarding_;
            throw;
        }
        --forwarding_;
        if (std::exception_ptr failure = std::exchange(renderFailure_, nullptr))
            std::rethrow_exception(failure);
    }
    // A slot for the session's signals that keeps its failure for forward().
    template <class... A> auto rendering(void (TfrmMain::*slot)(A...)) {
        return [this, slot](A... args) {
            if (renderFailure_)
                return;
            // A signal outside any handler's call: its own failure is
            // reported as a handler's is.
            if (forwarding_ == 0) {
                guarded([&] { (this->*slot)(args...); });
                return;
            }
            try {
                (this->*slot)(args...);
            } catch (...) {
                renderFailure_ = std::current_exception();
                session_.renderFailed();
            }
        };
    }
    void setViewCursor(CursorSlot slot);
    void slideStepWait();
    // Holds the screen saver off while the show runs in a window that is
    // neither minimised nor destroyed, and releases it otherwise.
    void followScreenSaverHold();
    // Starts decoding the neighbours of the shown picture in the background,
    // the one in the direction of travel first.
    void prefetchNeighbours();
    // The picture area in device pixels: the size pictures are decoded for.
    QSize viewDeviceArea() const;

    Environment env_;
    // What is shown, enabled and checked; the window renders it.
    ViewerSession session_;
    std::exception_ptr renderFailure_;
    int forwarding_ = 0; // calls of forward() under way
    // Decoded pictures, prefetched neighbours and thumbnail cells; the
    // decodes run on worker threads, what is shown is taken here.
    PicturePipeline pictures_;
    // The photo frame while it shows.
    QPointer<FrameWindow> frame_;
    bool destroyed_ = false;
    bool screenSaverHeld_ = false;
};

} // namespace soru
