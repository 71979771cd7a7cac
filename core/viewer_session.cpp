#include "core/viewer_session.h"

#include "core/presentation.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <utility>

namespace soru {

ViewerSession::ViewerSession(QObject* parent) : QObject(parent) {
    // The show can also stop from outside a command (the window closing).
    connect(&slideShow_, &SlideShow::runningChanged, this, &ViewerSession::commandsChanged);
}

QString ViewerSession::positionText() const {
    return hasCurrent() ? soru::positionText(album_.index(), album_.count()) : QString();
}

QString ViewerSession::currentName() const { return hasCurrent() ? pathFileName(currentPath()) : QString(); }

void ViewerSession::presenting() {
    current_ = Current();
    current_.path = currentPath();
    current_.position = positionText();
    current_.name = currentName();
}

void ViewerSession::pictureDrawn(const QString& sizeText) {
    current_.size = sizeText;
    current_.sound = companions_.find(current_.path, QStringLiteral(".wav"));
    setSoundAvailable(!current_.sound.isEmpty());
    current_.memo = companions_.find(current_.path, QStringLiteral(".rtf"));
    current_.memoKind = MemoKind::Rich;
    if (current_.memo.isEmpty()) {
        current_.memo = companions_.find(current_.path, QStringLiteral(".txt"));
        current_.memoKind = current_.memo.isEmpty() ? MemoKind::None : MemoKind::Plain;
    }
    // A normal file only: no folder and no hidden file has a date here.
    const QFileInfo fi(current_.path);
    if (fi.exists() && fi.isFile() && !fi.isHidden())
        current_.date = fileDateText(fi.lastModified(), QLocale());
}

void ViewerSession::presentationComplete() { current_.complete = true; }

QString ViewerSession::companion(const QString& ext) {
    return hasCurrent() ? companions_.find(currentPath(), ext) : QString();
}

bool ViewerSession::enabled(Command command) const {
    switch (command) {
    case Command::Exit:
    case Command::Info:
    case Command::Frame:
        return true;
    // The arrows and the clicks step whatever the actions' state.
    case Command::StepBack:
    case Command::StepNext:
        return true;
    case Command::Back:
    case Command::Next:
        return album_.count() > 1;
    case Command::Auto:
        return autoEnabled_;
    case Command::Sum:
    case Command::Copy:
    case Command::Wall:
        return pictureCommands_;
    case Command::Play:
        return soundAvailable_;
    }
    return false;
}

bool ViewerSession::checked(Command command) const {
    switch (command) {
    case Command::Auto: return slideShow_.running();
    case Command::Sum: return sheetChecked_;
    default: return false;
    }
}

void ViewerSession::run(Command command) {
    if (enabled(command))
        perform(command);
}

void ViewerSession::perform(Command command) {
    switch (command) {
    case Command::Back:
    case Command::StepBack:
        step(StepDirection::Back);
        break;
    case Command::Next:
    case Command::StepNext:
        step(StepDirection::Next);
        break;
    case Command::Auto:
        // Starting waits a whole interval before the first step.
        slideShow_.setRunning(!slideShow_.running());
        break;
    case Command::Sum:
        toggleSheet();
        break;
    case Command::Exit:
    case Command::Copy:
    case Command::Wall:
    case Command::Play:
    case Command::Info:
    case Command::Frame:
        Q_EMIT requested(command);
        break;
    }
}

void ViewerSession::step(StepDirection direction) {
    // Without a current picture nothing moves; with one picture it is
    // presented again.
    if (!(direction == StepDirection::Back ? album_.back() : album_.next()))
        return;
    lastStep_ = direction;
    Q_EMIT currentChanged();
}

void ViewerSession::toggleSheet() {
    const bool wasShown = sheetChecked_;
    // The show runs only while the sheet is down; with one picture its
    // command is left as it is.
    if (album_.count() > 1) {
        autoEnabled_ = wasShown;
        if (!wasShown)
            slideShow_.setRunning(false);
    }
    sheetChecked_ = !wasShown;
    // The commands first: drawing the page can fail, and the toggle has
    // happened by then.
    Q_EMIT commandsChanged();
    Q_EMIT sheetChanged(SheetChange::Toggled);
}

void ViewerSession::openAlbum(const QString& name, QStringList paths) {
    sheet_.invalidatePage();
    albumName_ = name;
    // An empty album keeps the old index, which then points at nothing, and
    // leaves the page range as it was.
    album_.open(std::move(paths));
    autoEnabled_ = album_.count() > 1;
    sheet_.suspendPaging();
    if (album_.count() > 0) {
        page_ = 0;
        // Before the grid is known there is one page.
        if (sheet_.grid().perPage() > 0)
            sheet_.resetRange(album_.count());
    }
    Q_EMIT albumChanged();
    Q_EMIT commandsChanged();
}

void ViewerSession::albumPresented() {
    if (album_.count() > 0)
        sheet_.resumePaging();
    pictureCommands_ = album_.count() > 0;
    Q_EMIT commandsChanged();
}

void ViewerSession::setSoundAvailable(bool available) {
    if (std::exchange(soundAvailable_, available) != available)
        Q_EMIT commandsChanged();
}

void ViewerSession::pick(int index) {
    if (album_.pick(index))
        Q_EMIT currentChanged();
}

StepDirection ViewerSession::direction() const {
    return slideShow_.running() ? stepDirection(pointerZone_) : lastStep_;
}

void ViewerSession::setPage(int page) {
    page = std::clamp(page, 0, sheet_.lastPage());
    if (page == page_)
        return;
    page_ = page;
    if (sheet_.pagingEnabled())
        Q_EMIT sheetChanged(SheetChange::Paged);
}

void ViewerSession::tick() {
    renderFailed_ = false;
    slideShow_.beginStep();
    run(pointerCommand());
    // After a failure the timer is not started again: the show stands still
    // until it is toggled.
    if (!renderFailed_)
        slideShow_.endStep();
}

void ViewerSession::setInterval(int ms) {
    if (ms == slideShow_.interval())
        return;
    slideShow_.setInterval(ms);
    Q_EMIT commandsChanged();
}

void ViewerSession::setWallpaperStyle(WallpaperStyle style) {
    if (std::exchange(wallpaperStyle_, style) != style)
        Q_EMIT commandsChanged();
}

void ViewerSession::setFrameSettings(const FrameSettings& settings) {
    frameSettings_ = settings;
    Q_EMIT commandsChanged();
}

} // namespace soru
