// How smooth the photo frame's cross-fade is on a 4K screen: how many
// distinct frames a 1 s fade paints at 3840 x 2160.
//
// A library of two 3840 x 2160 pictures of different colours is shown by a
// FrameWindow of the screen's size, with a 1 s fade and an interval long
// enough that only advance() steps it. After the first picture has been
// painted, advance() starts the fade; every paint event the window gets
// until the fade has ended is timed (the event is dispatched from an event
// filter), and the colour in the middle of the screen is read from the
// window's surface after each paint, so frames that show the same blend
// twice are told apart from new ones.
//
// Printed: "fade 1000 ms at 3840x2160: N frames painted (goal >= 30)" with
// the mean paint time, how many of the frames showed distinct blends, and
// how long advance() itself took (the next picture's decode, before the
// fade's clock starts).
//
// Runs on the offscreen platform with a screen of the measured size, unless
// QT_QPA_PLATFORM names another platform (or offscreen with its own options).
//   build/bench/soru_frame_fade [--fade-ms 1000] [--size 3840x2160]
//   build/bench/soru_frame_fade --smoke   # 1280 x 720, 300 ms: checks that it runs
#include "media/colour/colour_management.h"
#include "media/pipeline/picture_pipeline.h"
#include "ui/frame/frame_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

struct Paint {
    qint64 atMs;    // since advance() returned
    double paintMs; // the paint event's own time
    QRgb centre;    // the middle of the window afterwards
    double readMs;  // reading it (not part of the paint, but between paints)
};

// Times the window's paint events and reads what each left on the surface.
class PaintRecorder final : public QObject {
public:
    explicit PaintRecorder(QWidget* window) : window_(window) { clock_.start(); }

    void restart() {
        paints.clear();
        clock_.restart();
    }

    std::vector<Paint> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_ || event->type() != QEvent::Paint)
            return false;
        const qint64 at = clock_.elapsed();
        QElapsedTimer paint;
        paint.start();
        watched->event(event); // the window's own paintEvent
        const double paintMs = paint.nsecsElapsed() / 1e6;
        paint.restart();
        const QRgb c = centre();
        paints.push_back({at, paintMs, c, paint.nsecsElapsed() / 1e6});
        return true;
    }

private:
    QRgb centre() const {
        QScreen* screen = window_->screen();
        const QPoint c = window_->rect().center();
        const QImage pixel = screen->grabWindow(window_->winId(), c.x(), c.y(), 1, 1).toImage();
        return pixel.isNull() ? 0 : pixel.pixel(0, 0);
    }

    QWidget* window_;
    QElapsedTimer clock_;
};

QImage picture(QSize size, QColor from, QColor to) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    p.fillRect(image.rect(), g);
    // A flat middle, so the probe reads the blend of two known colours.
    const QRect middle(size.width() / 4, size.height() / 4, size.width() / 2, size.height() / 2);
    p.fillRect(middle, from);
    return image;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    int fadeMs = 1000;
    QSize size(3840, 2160);
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        if (a == "--smoke") {
            smoke = true;
            size = QSize(1280, 720);
            fadeMs = 300;
        } else if (a == "--fade-ms" && i + 1 < argc) {
            fadeMs = std::atoi(argv[++i]);
        } else if (a == "--size" && i + 1 < argc) {
            const QList<QByteArray> wh = QByteArray(argv[++i]).split('x');
            if (wh.size() == 2)
                size = QSize(wh[0].toInt(), wh[1].toInt());
        } else {
            std::fprintf(stderr, "usage: %s [--smoke] [--fade-ms N] [--size WxH]\n", argv[0]);
            return 2;
        }
    }
    if (size.isEmpty() || fadeMs <= 0) {
        std::fprintf(stderr, "a fade of at least 1 ms on a screen of some size\n");
        return 2;
    }

    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    qputenv("XDG_RUNTIME_DIR", scratch.path().toLocal8Bit());
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        // A screen of the size measured, at ratio 1.
        const QString config = scratch.filePath(QStringLiteral("screen.json"));
        QFile f(config);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(QStringLiteral("{\"screens\":[{\"name\":\"s0\",\"x\":0,\"y\":0,\"width\":%1,"
                               "\"height\":%2,\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":1}]}")
                    .arg(size.width())
                    .arg(size.height())
                    .toUtf8());
        f.close();
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    }
    QApplication app(argc, argv);

    const QString library = scratch.filePath(QStringLiteral("library"));
    QDir().mkpath(library);
    if (!picture(size, QColor(200, 40, 40), QColor(60, 20, 20))
             .save(library + QStringLiteral("/a.jpg"), "JPEG", 90) ||
        !picture(size, QColor(40, 60, 210), QColor(20, 20, 60))
             .save(library + QStringLiteral("/b.jpg"), "JPEG", 90)) {
        std::fprintf(stderr, "cannot write the pictures into %s\n", qPrintable(library));
        return 1;
    }

    soru::ColourTransformCache colours;
    soru::PicturePipeline pipeline(colours);
    soru::FrameWindow::Environment env;
    env.libraryFolder = library;
    env.screen = QRect(QPoint(0, 0), size);
    env.pictures = &pipeline;
    env.settings.fadeMs = fadeMs;
    env.settings.intervalMs = 3600 * 1000; // only advance() steps
    env.resume = false;
    soru::FrameWindow frame(env);
    frame.setGeometry(env.screen);
    PaintRecorder recorder(&frame);
    frame.installEventFilter(&recorder);
    // FrameWindow::show() is the show's sequence; the widget's show is QWidget's.
    frame.QWidget::show();
    frame.start();
    if (frame.shownPath().isEmpty() || !waitFor([&] { return !recorder.paints.empty(); }, 10000)) {
        std::fprintf(stderr, "the first picture was not shown (%s)\n",
                     qPrintable(frame.shownPath()));
        return 1;
    }
    // Let the first picture's paints settle.
    waitFor([] { return false; }, 300);
    const QString first = frame.shownPath();
    const QRgb firstCentre = recorder.paints.back().centre;

    QElapsedTimer advanceClock;
    advanceClock.start();
    frame.advance();
    const double advanceMs = advanceClock.nsecsElapsed() / 1e6;
    recorder.restart();
    if (frame.shownPath() == first) {
        std::fprintf(stderr, "advance() did not step to the other picture\n");
        return 1;
    }
    // The fade, then a moment of quiet to see the last paint come.
    waitFor([] { return false; }, fadeMs + 300);

    const QScreen* screen = frame.screen();
    std::vector<Paint> during;
    const Paint* last = nullptr;
    for (const Paint& p : recorder.paints) {
        if (p.atMs <= fadeMs)
            during.push_back(p);
        last = &p;
    }
    double sum = 0, longest = 0, reading = 0;
    QSet<qint64> times;
    QSet<QRgb> blends;
    for (const Paint& p : during) {
        sum += p.paintMs;
        reading += p.readMs;
        longest = std::max(longest, p.paintMs);
        times.insert(p.atMs);
        if (p.centre != firstCentre)
            blends.insert(p.centre);
    }
    const int frames = int(times.size());
    std::printf("screen %dx%d (dpr %.1f), platform %s\n", screen->geometry().width(),
                screen->geometry().height(), screen->devicePixelRatio(),
                qPrintable(QGuiApplication::platformName()));
    std::printf("fade %d ms at %dx%d: %d frames painted (goal >= 30)%s\n", fadeMs, size.width(),
                size.height(), frames, smoke ? " [smoke run: not the goal's size]" : "");
    std::printf("  paint time mean %.1f ms, longest %.1f ms; %d paint events during the fade, "
                "%d distinct blends in the middle; last paint at %lld ms (%s)\n",
                during.empty() ? 0.0 : sum / double(during.size()), longest, int(during.size()),
                int(blends.size()), last ? last->atMs : -1LL,
                last && qRed(last->centre) < qBlue(last->centre) ? "the new picture"
                                                                 : "NOT the new picture");
    std::printf("  reading the middle pixel after each paint: %.2f ms on average\n",
                during.empty() ? 0.0 : reading / double(during.size()));
    std::printf("  advance() itself (the next picture's decode, before the fade starts): %.1f ms\n",
                advanceMs);
    return frames > 0 ? 0 : 1;
}
