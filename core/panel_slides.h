#pragma once
// Which side panel is out, whether a slide runs, and whether the album list
// still waits for the user's first choice: the rules of when a panel may
// slide. A slide processes events between its steps, so every rule is
// checked when a handler starts and a panel's flag changes before its slide
// does: an event handled during the slide already sees the final state.
namespace soru {

enum class SidePanel { Book, Memo };

class PanelSlideState {
public:
    // At creation the album panel is out and waits for an album.
    bool awaitingAlbum() const { return awaitingAlbum_; }
    bool sliding() const { return sliding_; }
    bool isOut(SidePanel panel) const { return panel == SidePanel::Book ? bookOut_ : memoOut_; }

    // The user opened an album from the list: from now on the album panel
    // may slide back.
    void albumChosen() { awaitingAlbum_ = false; }
    // Creation opened a root album with pictures: nothing to wait for, and
    // the album panel rests slid in.
    void rootAlbumShown() {
        awaitingAlbum_ = false;
        bookOut_ = false;
    }

    // The pointer touched a panel: true when it may slide out now (no slide
    // runs and it is not out); it is then marked out and the slide begins.
    bool beginSlideOut(SidePanel panel);
    // The pointer is over the main area: true when the panels that are out
    // may slide back now (no album awaited, no slide running, one is out);
    // the slide then begins.
    bool beginSlideBack();
    // During a slide back, in the order the panels go: true when this one
    // is out, which it then no longer is.
    bool takeBack(SidePanel panel);
    void endSlide() { sliding_ = false; }

private:
    bool& out(SidePanel panel) { return panel == SidePanel::Book ? bookOut_ : memoOut_; }

    bool awaitingAlbum_ = true;
    bool sliding_ = false;
    bool bookOut_ = true;
    bool memoOut_ = false;
};

} // namespace soru
