#pragma once
// The photo frame: pictures only, over the whole screen, one album of the
// library after another, cross-faded, with no toolbar, no status bar and no
// cursor once the pointer rests. It never stops on a question: a picture
// that fails is skipped and noted on standard error, a library that has gone
// away is waited for. Esc, a click, F or F11 leave it.
#include "core/frame_settings.h"
#include "core/frame_show.h"
#include "core/library_watcher.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace soru {

class PicturePipeline;
class SoundPlayer;

class FrameWindow final : public QWidget {
    Q_OBJECT
public:
    struct Environment {
        QString libraryFolder;
        QRect screen;
        PicturePipeline* pictures = nullptr; // required; outlives the frame
        SoundPlayer* sound = nullptr;        // may be null
        FrameSettings settings;
        // Where the place is kept across runs; empty: nowhere.
        QString stateFile;
        // Resume from the state file instead of the library's first picture.
        bool resume = true;
    };

    explicit FrameWindow(Environment env, QWidget* parent = nullptr);
    ~FrameWindow() override;

    // Starts the show: the first picture now, the next after the interval.
    void start();
    // The picture on the screen; empty before the first.
    const QString& shownPath() const { return shownPath_; }
    // Shows the next picture now (a step of the show).
    void advance();
    const FrameShow& sequence() const { return show_; }

Q_SIGNALS:
    // The user left the frame; shownPath() is where the normal window goes on.
    void left();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The screen-sized frame of this picture (and its caption), in device
    // pixels; null when it could not be shown.
    QImage frameOf(const QString& path);
    void drawCaption(QImage& frame, const QString& picturePath) const;
    void leave();
    QSize deviceSize() const;

    Environment env_;
    FrameShow show_;
    FrameStateWriter state_;
    LibraryWatcher watcher_;
    QTimer stepTimer_;   // the interval between two pictures
    QTimer fadeTimer_;   // redraws while a fade runs
    QTimer cursorTimer_; // hides the resting pointer
    QElapsedTimer fadeClock_;
    QImage from_, to_;
    QString shownPath_;
    bool fading_ = false;
    bool leaving_ = false;
};

} // namespace soru
