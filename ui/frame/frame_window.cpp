#include "ui/frame/frame_window.h"

#include "core/companion_index.h"
#include "media/formats/exif_orientation.h"
#include "media/formats/picture_object.h"
#include "media/memo/memo_reader.h"
#include "media/pipeline/picture_pipeline.h"
#include "platform/services.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdio>

namespace soru {

namespace {

// How much of a file the date is looked for in: the EXIF block sits in the
// first segments.
constexpr qint64 kDateHeadBytes = 256 * 1024;
// How often a frame with nothing to show looks again.
constexpr int kWaitMs = 2000;
// Tries per step before the frame waits for the next one: a folder of
// broken pictures must not keep it busy.
constexpr int kTriesPerStep = 32;
// The caption band: at most this many of the memo's lines.
constexpr int kCaptionLines = 3;

QDateTime dateTaken(const QString& path) {
    try {
        return exifDateTaken(readPictureFile(path, kDateHeadBytes));
    } catch (...) {
        return {};
    }
}

void note(const QString& text) {
    std::fprintf(stderr, "soru: %s\n", text.toLocal8Bit().constData());
}

} // namespace

FrameWindow::FrameWindow(Environment env, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), env_(std::move(env)),
      show_(env_.libraryFolder, env_.settings.order, QRandomGenerator::global()->generate64(), dateTaken),
      state_(env_.stateFile), watcher_(env_.libraryFolder) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    setGeometry(env_.screen);

    stepTimer_.setSingleShot(true);
    connect(&stepTimer_, &QTimer::timeout, this, &FrameWindow::advance);
    // About 60 redraws a second while a fade runs; each draws the blend its
    // moment calls for, so a slow frame costs smoothness, never length.
    fadeTimer_.setInterval(15);
    connect(&fadeTimer_, &QTimer::timeout, this, [this] {
        if (fadeClock_.elapsed() >= env_.settings.fadeMs) {
            fading_ = false;
            fadeTimer_.stop();
            from_ = QImage();
        }
        update();
    });
    cursorTimer_.setSingleShot(true);
    cursorTimer_.setInterval(1000);
    connect(&cursorTimer_, &QTimer::timeout, this, [this] { setCursor(Qt::BlankCursor); });
    // New pictures and albums join the show; removed ones leave it.
    connect(&watcher_, &LibraryWatcher::changed, this, [this] { show_.rescan(); });
}

FrameWindow::~FrameWindow() { state_.flush(); }

QSize FrameWindow::deviceSize() const {
    const qreal ratio = devicePixelRatioF();
    return QSize(qRound(env_.screen.width() * ratio), qRound(env_.screen.height() * ratio));
}

void FrameWindow::start() {
    if (env_.resume && !env_.stateFile.isEmpty())
        if (const std::optional<FramePlace> place = readFrameState(env_.stateFile);
            place && place->order == env_.settings.order)
            show_.resumeAt(*place);
    watcher_.start();
    cursorTimer_.start();
    advance();
}

QImage FrameWindow::frameOf(const QString& path) {
    const QSize device = deviceSize();
    DecodedPicture picture;
    try {
        picture = env_.pictures->take(path, device);
    } catch (const std::exception& e) {
        note(QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(e.what())));
        return {};
    }
    if (picture.isMissing())
        return {}; // removed since the show listed it: skipped without a word
    if (picture.failed() || picture.image().isNull()) {
        // The failure's text names the file only for some kinds: the path
        // comes first, so the log says which picture was skipped.
        note(picture.failed() ? QStringLiteral("%1: %2").arg(path, picture.failureText()) : path);
        return {};
    }
    QImage frame(device, QImage::Format_RGB32);
    if (frame.isNull())
        return {};
    frame.fill(Qt::black);
    {
        const QImage& image = picture.image();
        QPainter p(&frame);
        p.drawImage((device.width() - image.width()) / 2, (device.height() - image.height()) / 2, image);
    }
    if (env_.settings.captions)
        drawCaption(frame, path);
    frame.setDevicePixelRatio(devicePixelRatioF());
    return frame;
}

void FrameWindow::drawCaption(QImage& frame, const QString& picturePath) const {
    CompanionIndex companions;
    QString memo = companions.find(picturePath, QStringLiteral(".rtf"));
    if (memo.isEmpty())
        memo = companions.find(picturePath, QStringLiteral(".txt"));
    if (memo.isEmpty())
        return;
    QTextDocument document;
    try {
        loadMemo(memo, document);
    } catch (...) {
        return;
    }
    QStringList lines;
    for (QTextBlock b = document.begin(); b.isValid() && lines.size() < kCaptionLines; b = b.next())
        if (!b.text().trimmed().isEmpty())
            lines << b.text().trimmed();
    if (lines.isEmpty())
        return;
    // The memo's own font and size, as its panel shows it, in device pixels.
    QFont font = document.begin().charFormat().font();
    const QFont base = document.defaultFont();
    if (font.pixelSize() <= 0 && font.pointSizeF() <= 0)
        font = base;
    const qreal ratio = devicePixelRatioF();
    if (font.pixelSize() > 0)
        font.setPixelSize(qRound(font.pixelSize() * ratio));
    else
        font.setPointSizeF(font.pointSizeF() * ratio);
    const QFontMetrics fm(font);
    const int pad = fm.height() / 2;
    const int bandHeight = fm.lineSpacing() * int(lines.size()) + 2 * pad;
    QPainter p(&frame);
    p.fillRect(QRect(0, frame.height() - bandHeight, frame.width(), bandHeight), QColor(0, 0, 0, 160));
    p.setFont(font);
    p.setPen(Qt::white);
    int y = frame.height() - bandHeight + pad + fm.ascent();
    for (const QString& line : lines) {
        p.drawText(pad * 2, y, fm.elidedText(line, Qt::ElideRight, frame.width() - pad * 4));
        y += fm.lineSpacing();
    }
}

void FrameWindow::advance() {
    if (leaving_)
        return;
    stepTimer_.stop();
    for (int attempt = 0; attempt < kTriesPerStep; ++attempt) {
        const std::optional<QString> path = show_.next();
        if (!path) {
            // Nothing to show: an empty library, or one that has gone away
            // (an unplugged stick, a share that dropped). Look again later.
            show_.rescan();
            stepTimer_.start(kWaitMs);
            return;
        }
        QImage frame = frameOf(*path);
        if (frame.isNull())
            continue;
        shownPath_ = *path;
        state_.update(show_.place());
        from_ = env_.settings.fadeMs > 0 && !to_.isNull() ? std::move(to_) : QImage();
        to_ = std::move(frame);
        fading_ = !from_.isNull();
        if (fading_) {
            fadeClock_.start();
            fadeTimer_.start();
        }
        update();
        if (env_.settings.sounds && env_.sound) {
            CompanionIndex companions;
            const QString sound = companions.find(shownPath_, QStringLiteral(".wav"));
            if (!sound.isEmpty())
                env_.sound->play(sound, false);
        }
        stepTimer_.start(std::max(env_.settings.intervalMs, 1));
        // The next picture is decoded while this one shows.
        if (const QString upcoming = show_.upcoming(); !upcoming.isEmpty())
            env_.pictures->prefetch(upcoming, deviceSize());
        return;
    }
    stepTimer_.start(std::max(env_.settings.intervalMs, 1));
}

void FrameWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (to_.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    // Both frames are screen-sized in device pixels: drawn at the origin
    // they land one pixel on one device pixel, and the new one laid over the
    // old at a growing opacity is the cross-fade.
    if (fading_ && !from_.isNull()) {
        const qreal t = std::clamp(qreal(fadeClock_.elapsed()) / std::max(env_.settings.fadeMs, 1), 0.0, 1.0);
        p.drawImage(0, 0, from_);
        p.setOpacity(t);
    }
    p.drawImage(0, 0, to_);
}

void FrameWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_F:
    case Qt::Key_F11:
        leave();
        return;
    case Qt::Key_Right:
    case Qt::Key_Space:
        advance();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void FrameWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        leave();
}

void FrameWindow::mouseMoveEvent(QMouseEvent*) {
    setCursor(Qt::ArrowCursor);
    cursorTimer_.start();
}

void FrameWindow::closeEvent(QCloseEvent* event) {
    state_.flush();
    QWidget::closeEvent(event);
}

void FrameWindow::leave() {
    if (leaving_)
        return;
    leaving_ = true;
    stepTimer_.stop();
    fadeTimer_.stop();
    state_.flush();
    Q_EMIT left();
}

} // namespace soru
