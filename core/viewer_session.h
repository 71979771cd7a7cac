#pragma once
// What the main window shows, decided without a widget: the open album and
// its current picture, the thumbnail sheet and its page, the slide show and
// its direction, the pointer's zone, the wallpaper style and the side
// panels. It says which commands are enabled and checked and carries out
// the ones that only change this state; the window renders what it signals
// and carries out the commands that need a desktop service.
#include "core/album_position.h"
#include "core/companion_index.h"
#include "core/cursor_zones.h"
#include "core/frame_settings.h"
#include "core/key_bindings.h"
#include "core/panel_slides.h"
#include "core/slide_show.h"
#include "core/thumbnail_sheet_state.h"
#include "core/touch_gesture.h"
#include "core/wallpaper_style.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace soru {

class ViewerSession final : public QObject {
    Q_OBJECT
public:
    // What a change of the sheet asks the window to do.
    enum class SheetChange {
        Toggled, // shown or hidden: swap the views, draw or reuse the page
        Paged,   // another page was chosen while paging: draw it
    };

    explicit ViewerSession(QObject* parent = nullptr);

    // ---- The library ----
    void setRootDir(const QString& dir) { rootDir_ = dir; }
    const QString& rootDir() const { return rootDir_; }

    // ---- What is current ----
    const AlbumPosition& album() const { return album_; }
    // The open album's name as the list names it; empty for the root album.
    const QString& albumName() const { return albumName_; }
    bool hasCurrent() const { return album_.hasCurrent(); }
    QString currentPath() const { return album_.currentPath(); }
    // "n / count"; empty without a current picture.
    QString positionText() const;
    // The current picture's file name; empty without one.
    QString currentName() const;

    // The picture being presented, as the status bar, the hint and the memo
    // panel show it. It outlives an album without pictures, which presents
    // nothing.
    enum class MemoKind { None, Rich, Plain };
    struct Current {
        QString path;
        QString position;
        QString name;
        // Once the picture is drawn: its size text and its companion files.
        QString size;
        QString sound;
        QString memo;
        MemoKind memoKind = MemoKind::None;
        QString date;
        // Once the memo is loaded: the date, the memo's kind and the sound
        // are shown too. A picture or memo that fails leaves them out.
        bool complete = false;
    };
    const Current& current() const { return current_; }
    // Presenting the current picture begins: its position and name.
    void presenting();
    // The picture is drawn, its size text is this: its sound, memo and date
    // are looked up, and whether it can be played again follows its sound.
    void pictureDrawn(const QString& sizeText);
    // Its memo, if any, is loaded: the presentation is complete.
    void presentationComplete();
    // Lists the album folder's companion files ahead of the lookups.
    void prepareCompanions(const QString& folder) { companions_.prepare(folder); }
    // The current picture's companion file of this extension (".wav");
    // empty without one.
    QString companion(const QString& ext);

    // ---- Commands ----
    bool enabled(Command command) const;
    bool checked(Command command) const;
    // A key, a menu item, a click on the picture or a slide-show tick: does
    // nothing while the command is disabled, else performs it.
    void run(Command command);
    // What an enabled action does: its handler calls this, the action
    // having checked its own enabled state. The steps, the show and the
    // sheet change this state and signal; the other commands are requested
    // from the window.
    void perform(Command command);
    // The command a click on the picture, or a slide-show step, runs: back
    // only under the back cursor.
    Command pointerCommand() const { return commandForClick(stepDirection(pointerZone_)); }

    // ---- Opening an album ----
    // Makes paths the open album, named name. The page drawn before no
    // longer counts, paging waits, and with pictures the first is current
    // and the sheet is back on page 0.
    void openAlbum(const QString& name, QStringList paths);
    // The album's first picture has been presented: paging comes back for
    // an album of several pages, and the commands that need a picture follow
    // the album. Not reached when presenting fails, so they keep their state.
    void albumPresented();
    // The current picture has been presented; whether it has a sound decides
    // whether it can be played again.
    void setSoundAvailable(bool available);

    // ---- Moving ----
    // Makes picture index current (a pick on the sheet or in the picture
    // list); an index outside the album changes nothing.
    void pick(int index);
    // Back or next: the direction of the last step by hand, or while the
    // show runs, the pointer's.
    StepDirection direction() const;
    void setPointerZone(CursorSlot zone) { pointerZone_ = zone; }
    const CursorSlot& pointerZone() const { return pointerZone_; }
    // The wheel over the picture, counted out in whole notches.
    WheelNotches& wheel() { return wheel_; }

    // ---- The thumbnail sheet ----
    ThumbnailSheetState& sheet() { return sheet_; }
    const ThumbnailSheetState& sheet() const { return sheet_; }
    int page() const { return page_; }
    // The page shown; outside 0..last page it is held at the nearer end.
    void setPage(int page);
    // Shown and usable: drawn on and framed (aSum enabled and checked).
    bool sheetShown() const { return enabled(Command::Sum) && sheetChecked_; }

    // ---- The slide show ----
    SlideShow& slideShow() { return slideShow_; }
    const SlideShow& slideShow() const { return slideShow_; }
    // One step of the show: in the pointer's direction; the next wait starts
    // when the step has ended. A step that fails never ends, so the show
    // stands still.
    void tick();
    // What a command made the view render failed (a picture that cannot be
    // decoded): a show's step that failed leaves the show standing still.
    void renderFailed() { renderFailed_ = true; }
    int interval() const { return slideShow_.interval(); }
    void setInterval(int ms);

    // ---- Settings of the run ----
    const WallpaperStyle& wallpaperStyle() const { return wallpaperStyle_; }
    void setWallpaperStyle(WallpaperStyle style);

    // ---- The photo frame ----
    // How the frame shows the library: its interval, order, fade, captions
    // and sounds.
    const FrameSettings& frameSettings() const { return frameSettings_; }
    void setFrameSettings(const FrameSettings& settings);

    // ---- The side panels ----
    PanelSlideState& panels() { return panels_; }
    const PanelSlideState& panels() const { return panels_; }

    // The window is going: its album is let go, without a signal.
    void closeAlbum() { album_ = AlbumPosition(); }

Q_SIGNALS:
    // Another album was opened.
    void albumChanged();
    // Another picture is current, or the same one again (a step in an album
    // of one): the frame follows, then the picture is presented.
    void currentChanged();
    void sheetChanged(ViewerSession::SheetChange change);
    // Enabled or checked states may have changed.
    void commandsChanged();
    // An enabled command that needs a desktop service or the window itself:
    // play, wallpaper, copy, information, exit, the photo frame.
    void requested(Command command);

private:
    void step(StepDirection direction);
    void toggleSheet();

    QString rootDir_;
    QString albumName_;
    AlbumPosition album_;
    ThumbnailSheetState sheet_;
    PanelSlideState panels_;
    SlideShow slideShow_;
    int page_ = 0;
    bool sheetChecked_ = false;
    // Stored, not derived from the album: each follows its own moment of
    // opening an album (see openAlbum, albumPresented and the sheet).
    bool autoEnabled_ = false;
    bool pictureCommands_ = false;
    bool soundAvailable_ = false;
    StepDirection lastStep_ = StepDirection::Next;
    CursorSlot pointerZone_ = CursorSlot::Default;
    WheelNotches wheel_;
    WallpaperStyle wallpaperStyle_ = WallpaperStyle::Centre;
    bool renderFailed_ = false;
    CompanionIndex companions_;
    Current current_;
    FrameSettings frameSettings_;
};

} // namespace soru
