// The picture pipeline: what it hands over is what a decode on the spot
// shows, whatever happened to the file since it was prefetched; thumbnail
// pages decoded in parallel report like a page decoded cell by cell; the
// cache's bound and order; dropped prefetches deliver nothing.
#include "core/failure.h"
#include "core/fitting.h"
#include "core/presentation.h"
#include "media/colour/colour_management.h"
#include "media/formats/early_jpeg.h"
#include "media/formats/picture_factory.h"
#include "media/pipeline/head_start.h"
#include "media/pipeline/picture_pipeline.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/hostile.h"
#include "tools/testlib/jpeg_variants.h"
#include "tools/testlib/testlib.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string_view>
#include <thread>

#include <sys/stat.h>

namespace soru {
namespace {

using namespace soru::test;
using State = DecodedPicture::State;

const QSize kBox(120, 90);

// The single-picture view as the user sees it after one presentation.
struct View {
    QImage canvas;
    QRect geometry{5, 5, 10, 10};
    bool visible = true;
    QString sizeText;
    QString failure;
};

View startView() {
    View v;
    v.canvas = QImage(200, 160, QImage::Format_RGB32);
    v.canvas.fill(kCanvasMark);
    return v;
}

bool isFile(const QString& path) {
    const QFileInfo fi(path);
    return fi.exists() && !fi.isDir();
}

// The picture decoded on the spot, step by step as the viewer has always
// done it.
View presentOnTheSpot(ColourTransformCache& colours, const QString& path, QSize box, View v) {
    if (!isFile(path)) {
        v.visible = false;
        return v;
    }
    auto jpeg = makePictureObject(PictureKind::Jpeg, colours);
    auto bitmap = makePictureObject(PictureKind::Bitmap, colours);
    PictureObject& picture = pictureKindOf(path) == PictureKind::Bitmap ? *bitmap : *jpeg;
    try {
        picture.load(path);
    } catch (const Failure& f) {
        v.failure = f.message();
        return v;
    }
    const Fit fit = fitPicture(picture.width(), picture.height(), box.width(), box.height());
    v.geometry = QRect(fit.left, fit.top, fit.width, fit.height);
    try {
        if (fit.width > 0 && fit.height > 0)
            picture.draw(v.canvas, QRect(0, 0, fit.width, fit.height));
    } catch (const Failure& f) {
        v.failure = f.message();
        return v;
    }
    v.sizeText = sizeText(picture.width(), picture.height());
    v.visible = true;
    return v;
}

// The same presentation from what the pipeline handed over.
View presentFrom(const DecodedPicture& p, QSize box, View v) {
    if (p.isMissing()) {
        v.visible = false;
        return v;
    }
    try {
        p.throwIfLoadFailed();
        const Fit fit = fitPicture(p.width(), p.height(), box.width(), box.height());
        v.geometry = QRect(fit.left, fit.top, fit.width, fit.height);
        p.drawAt(v.canvas, QPoint(0, 0));
    } catch (const Failure& f) {
        v.failure = f.message();
        return v;
    }
    v.sizeText = sizeText(p.width(), p.height());
    v.visible = true;
    return v;
}

void expectSameView(const View& a, const View& b) {
    EXPECT_EQ(a.failure, b.failure);
    EXPECT_EQ(a.sizeText, b.sizeText);
    EXPECT_EQ(a.geometry, b.geometry);
    EXPECT_EQ(a.visible, b.visible);
    EXPECT_TRUE(a.canvas == b.canvas) << "the canvases differ";
}

// A JPEG whose header reads but whose frame names a quantization table
// the file lacks: it loads, and fails when it is drawn.
QByteArray jpegFailingAtDraw() {
    QByteArray jpeg = testlib::encodeJpeg(testlib::makePicture(160, 100, testlib::Scene::Tiles, 3));
    jpeg[jpeg.indexOf(QByteArray("\xFF\xC0", 2)) + 12] = 3;
    return jpeg;
}

// Writes the file and gives it a modification time of its own, so that a
// rewrite within the file system's clock tick is still a change.
void writeStamped(const QString& path, const QByteArray& bytes) {
    static qint64 step = 0;
    testlib::writeFile(path, bytes);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::fromSecsSinceEpoch(1'600'000'000 + 60 * ++step),
                              QFileDevice::FileModificationTime));
}

// Pictures of every outcome, by name.
class Fixtures {
public:
    Fixtures() {
        using namespace testlib;
        add("photo.jpg", encodeJpeg(makePicture(300, 200, Scene::Landscape, 1)));
        add("small.JPG", encodeJpeg(makePicture(50, 40, Scene::SeaSun, 2)));
        add("grey.jpeg", encodeJpeg(makePicture(90, 240, Scene::Flowers, 3), JpegKind::Grayscale));
        add("thin.jpg", encodeJpeg(makePicture(600, 1, Scene::Plain, 4)));
        add("photo.bmp", encodeBmp(makePicture(301, 199, Scene::Tiles, 5), BmpKind::Rgb24));
        add("rle.Bmp", encodeBmp(makePicture(130, 77, Scene::TestPattern, 6), BmpKind::Rle8));
        add("draw-fails.jpg", jpegFailingAtDraw());
        for (const BrokenInfo& info : brokenKinds())
            if (info.reader != Reader::Sound)
                add(QString::fromUtf8(info.fileName), brokenBytes(info.kind));
        QDir(dir_.path()).mkdir(QStringLiteral("folder.jpg"));
        names_ << QStringLiteral("folder.jpg") << QStringLiteral("missing.jpg");
    }
    QString path(const QString& name) const { return dir_.file(name); }
    QStringList names() const { return names_; }
    QStringList paths() const {
        QStringList p;
        for (const QString& n : names_)
            p << path(n);
        return p;
    }

private:
    void add(const QString& name, const QByteArray& bytes) {
        writeStamped(dir_.file(name), bytes);
        names_ << name;
    }
    TempDir dir_;
    QStringList names_;
};

TEST(Pipeline, HandsOverWhatADecodeOnTheSpotShows) {
    ColourTransformCache colours;
    const Fixtures files;
    PicturePipeline pipeline(colours);
    for (const bool prefetched : {false, true}) {
        if (prefetched) {
            pipeline.cache().clear();
            pipeline.prefetchAll(files.paths(), kBox, PicturePipeline::Priority::Next);
            pipeline.waitUntilIdle();
        }
        for (const QString& name : files.names()) {
            SCOPED_TRACE(testing::Message() << name.toStdString() << (prefetched ? " prefetched" : ""));
            const QString path = files.path(name);
            expectSameView(presentFrom(pipeline.take(path, kBox), kBox, startView()),
                           presentOnTheSpot(colours, path, kBox, startView()));
        }
    }
}

TEST(Pipeline, OutcomesOfTheFixtures) {
    ColourTransformCache colours;
    const Fixtures files;
    const struct {
        const char* name;
        State state;
        const char* failure;
    } cases[] = {
        {"photo.jpg", State::Drawn, ""},
        {"thin.jpg", State::Drawn, ""},
        {"rle.Bmp", State::Drawn, ""},
        {"missing.jpg", State::Missing, ""},
        {"folder.jpg", State::Missing, ""},
        {"draw-fails.jpg", State::DrawFailed, "JPEG エラー #52"},
        {"bmp-bad-signature.bmp", State::LoadFailed, "ビットマップイメージが不正です"},
        {"bmp-rle-overrun.bmp", State::LoadFailed, "ビットマップイメージが不正です"},
        {"jpeg-named-bmp.bmp", State::LoadFailed, "ビットマップイメージが不正です"},
    };
    for (const auto& c : cases) {
        const DecodedPicture p = decodePicture(colours, files.path(QString::fromUtf8(c.name)), kBox);
        EXPECT_EQ(p.state(), c.state) << c.name;
        EXPECT_EQ(p.failureText(), QString::fromUtf8(c.failure)) << c.name;
    }
    const DecodedPicture thin = decodePicture(colours, files.path("thin.jpg"), kBox);
    EXPECT_EQ(QSize(thin.width(), thin.height()), QSize(600, 1));
    EXPECT_EQ(thin.image().size(), QSize(120, 1)); // fitted to 120 x 0, drawn one pixel high
}

// A picture prefetched, then changed on disk before it is shown: what is
// shown is the file as it is at that moment.
TEST(Pipeline, AFileChangedAfterItsPrefetchIsShownAsItIsNow) {
    ColourTransformCache colours;
    const Fixtures files;
    const struct {
        const char* change;
        std::function<void(const QString&)> apply;
    } changes[] = {
        {"rewritten with another picture",
         [](const QString& p) {
             writeStamped(p, testlib::encodeJpeg(
                                 testlib::makePicture(200, 300, testlib::Scene::Flowers, 9)));
         }},
        {"same size, other pixels",
         [&](const QString& p) {
             writeStamped(p, testlib::encodeJpeg(testlib::makePicture(300, 200, testlib::Scene::Landscape, 1), testlib::JpegKind::Baseline, 84));
         }},
        {"deleted", [](const QString& p) { QFile::remove(p); }},
        {"replaced by a folder",
         [](const QString& p) {
             QFile::remove(p);
             QDir().mkdir(p);
         }},
        {"replaced by text", [](const QString& p) { writeStamped(p, "not a picture"); }},
        {"replaced by an empty file", [](const QString& p) { writeStamped(p, {}); }},
        {"replaced by one that fails when drawn",
         [](const QString& p) { writeStamped(p, jpegFailingAtDraw()); }},
    };
    PicturePipeline pipeline(colours);
    for (const auto& c : changes) {
        SCOPED_TRACE(c.change);
        const QString path = files.path(QStringLiteral("changing.jpg"));
        QDir().rmdir(path);
        writeStamped(path, testlib::encodeJpeg(testlib::makePicture(300, 200, testlib::Scene::Landscape, 1)));
        pipeline.prefetch(path, kBox);
        pipeline.waitUntilIdle();
        ASSERT_TRUE(pipeline.isReady(path, kBox));
        c.apply(path);
        EXPECT_FALSE(pipeline.isReady(path, kBox) && isFile(path));
        expectSameView(presentFrom(pipeline.take(path, kBox), kBox, startView()),
                       presentOnTheSpot(colours, path, kBox, startView()));
    }
}

// The partial state of a picture that fails while it is drawn: the view has
// its new place, the canvas what the decoder drew, and the failure is raised
// when it is shown, every time it is shown.
TEST(Pipeline, AFailureIsRaisedWhenShownAndEachTime) {
    ColourTransformCache colours;
    const Fixtures files;
    PicturePipeline pipeline(colours);
    for (const char* name : {"draw-fails.jpg", "jpeg-not-jpeg.jpg", "bmp-bad-bit-count.bmp"}) {
        SCOPED_TRACE(name);
        const QString path = files.path(QString::fromUtf8(name));
        pipeline.prefetch(path, kBox);
        pipeline.waitUntilIdle();
        const int before = pipeline.decodeCount();
        const DecodedPicture first = pipeline.take(path, kBox);
        EXPECT_TRUE(first.failed());
        EXPECT_EQ(pipeline.decodeCount(), before); // the prefetch's result was used
        const DecodedPicture second = pipeline.take(path, kBox);
        EXPECT_EQ(second.failureText(), first.failureText());
        EXPECT_EQ(pipeline.decodeCount(), before + 1); // and the file was read again
    }
}

// The first picture decoded while the window is built: the pipeline asked
// for that picture and box takes it over once, as if it had decoded it
// then (a failure included, raised when shown and again on the next take),
// and a file changed meanwhile is shown as it is now.
TEST(Pipeline, AHeadStartIsTakenOverOnceAsADecodeOnTheSpot) {
    ColourTransformCache colours;
    const Fixtures files;
    const auto finished = [](const QString& path) {
        for (int i = 0; i < 3000 && !HeadStart::finished(path, kBox, fileStamp(path)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return HeadStart::finished(path, kBox, fileStamp(path));
    };
    for (const char* name : {"photo.jpg", "draw-fails.jpg", "bmp-bad-signature.bmp", "changed"}) {
        SCOPED_TRACE(name);
        const bool change = std::string_view(name) == "changed";
        const QString path = files.path(change ? QStringLiteral("changing.jpg") : QString::fromUtf8(name));
        if (change)
            writeStamped(path, testlib::encodeJpeg(testlib::makePicture(300, 200, testlib::Scene::Landscape, 1)));
        const HeadStart early(colours, [path] { return path; }, kBox);
        ASSERT_TRUE(finished(path));
        EXPECT_FALSE(HeadStart::finished(path, kBox - QSize(1, 0), fileStamp(path))); // for its box only
        if (change)
            writeStamped(path, testlib::encodeJpeg(testlib::makePicture(200, 300, testlib::Scene::Flowers, 9)));
        PicturePipeline pipeline(colours);
        EXPECT_EQ(pipeline.isReady(path, kBox), !change);
        const DecodedPicture first = pipeline.take(path, kBox);
        EXPECT_EQ(pipeline.decodeCount(), change ? 2 : 1);
        EXPECT_FALSE(HeadStart::finished(path, kBox, fileStamp(path))); // taken over once
        EXPECT_FALSE(early.claimWaited()); // it had ended: the window set the pace
        expectSameView(presentFrom(first, kBox, startView()), presentOnTheSpot(colours, path, kBox, startView()));
        EXPECT_EQ(first.failureText(), decodePicture(colours, path, kBox).failureText());
        if (first.failed())
            EXPECT_EQ(pipeline.take(path, kBox).failureText(), first.failureText());
    }
    // Claimed while it still decodes (a picture that takes a while): the
    // decode set the pace.
    const QString path = files.path(QStringLiteral("large.jpg"));
    writeStamped(path, testlib::encodeJpeg(testlib::makePhotoLike(3000, 2000)));
    std::atomic<bool> found{false};
    const HeadStart slow(
        colours,
        [&] {
            while (!found)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return path;
        },
        kBox);
    std::thread finder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        found = true;
    });
    EXPECT_TRUE(HeadStart::claim(path, kBox).has_value());
    finder.join();
    EXPECT_TRUE(slow.claimWaited());
}

// A head start made before the screen's profile is known (as one for the
// last run's box is) is taken over only while the colour cache still
// targets the profile it decoded for; the box it is for is remembered for
// the next run unless the screen has a profile, and a damaged record of it
// gives no box.
TEST(Pipeline, AHeadStartHoldsOnlyForItsTargetProfileAndItsBoxIsRemembered) {
    ColourTransformCache colours;
    const Fixtures files;
    const QString path = files.path(QStringLiteral("photo.jpg"));
    {
        const HeadStart early(colours, [path] { return path; }, kBox);
        for (int i = 0; i < 3000 && !HeadStart::finished(path, kBox, fileStamp(path)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(HeadStart::finished(path, kBox, fileStamp(path)));
        colours.setTargetProfile(QByteArrayLiteral("the screen's profile"));
        EXPECT_FALSE(HeadStart::finished(path, kBox, fileStamp(path)));
        PicturePipeline pipeline(colours);
        EXPECT_FALSE(pipeline.isReady(path, kBox));
        colours.setTargetProfile({});
        EXPECT_TRUE(HeadStart::finished(path, kBox, fileStamp(path)));
    }
    test::TempDir dir;
    const QString file = dir.file("cache/soru/start-box");
    EXPECT_TRUE(HeadStart::rememberedBox(file).isEmpty());
    HeadStart::remember(file, QSize(1024, 721), false);
    EXPECT_EQ(HeadStart::rememberedBox(file), QSize(1024, 721));
    // The library and its first picture follow for the launcher, unless a
    // name would break the lines.
    const auto written = [&file] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    HeadStart::remember(file, QSize(1024, 721), false, QStringLiteral("/a/写真/"),
                        QStringLiteral("/a/写真/0.jpg"));
    EXPECT_EQ(written(), QStringLiteral("1024x721\n/a/写真/\n/a/写真/0.jpg\n").toUtf8());
    EXPECT_EQ(HeadStart::rememberedBox(file), QSize(1024, 721));
    HeadStart::remember(file, QSize(1024, 721), false, QStringLiteral("/a/"), QStringLiteral("/a/x\ny.jpg"));
    EXPECT_EQ(written(), QByteArray("1024x721\n"));
    // A pipe in its place neither holds the start up nor stays.
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    EXPECT_TRUE(HeadStart::rememberedBox(file).isEmpty());
    HeadStart::remember(file, QSize(800, 600), false);
    EXPECT_EQ(HeadStart::rememberedBox(file), QSize(800, 600));
    HeadStart::remember(file, QSize(1024, 721), true);
    EXPECT_FALSE(QFileInfo::exists(file));
    for (const char* damaged : {"", "1024", "1024x", "x721", "-5x721", "1024x721x3", "99999999x1", "axb"}) {
        SCOPED_TRACE(damaged);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(damaged);
        f.close();
        EXPECT_TRUE(HeadStart::rememberedBox(file).isEmpty());
    }
}

// The launcher's decode of the first picture is taken over only for the
// same bytes at the same reduction, and gives exactly the pixels of the
// picture's own decode; what it leaves alone (several scans, grey) and
// what is not a file it can read are decoded as always, and a pipe does
// not hold it up.
TEST(EarlyJpeg, GivesThePicturesOwnPixelsOnlyForItsBytes) {
    ColourTransformCache colours;
    test::TempDir dir;
    // Turned upright, the photo is reduced by 4, as it is stored by 2.
    const QImage photo = testlib::makePhotoLike(2000, 1000);
    const QSize box(1000, 400);
    const struct {
        const char* name;
        QByteArray bytes;
        bool decoded; // by the launcher's decode
    } cases[] = {
        {"baseline", testlib::encodeJpeg(photo), true},
        {"turned", testlib::encodeJpegWithOrientation(photo, 6), true},
        {"cut short", testlib::cutInFirstScan(testlib::encodeJpeg(photo), 40), true},
        {"huge claim", testlib::withClaimedSize(testlib::encodeJpeg(photo), 16000, 16000), true},
        {"progressive", testlib::encodeJpeg(photo, testlib::JpegKind::Progressive), false},
        {"grey", testlib::encodeJpeg(photo, testlib::JpegKind::Grayscale), false},
        {"not a picture", QByteArray(5000, 'x'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QStringLiteral("%1.jpg").arg(QLatin1String(c.name)));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        const DecodedPicture own = decodePicture(colours, path, box);
        const std::shared_ptr<EarlyJpeg> early =
            EarlyJpeg::start(QFile::encodeName(path).toStdString(), box.width(), box.height());
        ASSERT_TRUE(early);
        early->wait();
        EXPECT_EQ(early->denominator() != 0, c.decoded);
        offerEarlyJpeg(early);
        // Another picture's bytes leave it offered.
        EXPECT_FALSE(takeEarlyJpeg(reinterpret_cast<const unsigned char*>(c.bytes.constData()),
                                   std::size_t(c.bytes.size() - 1), early->denominator()));
        const DecodedPicture taken = decodePicture(colours, path, box);
        int w = 0, h = 0;
        EXPECT_EQ(early->takePixels(w, h), nullptr); // taken, or never made
        ASSERT_EQ(own.failed(), taken.failed());
        if (!own.failed())
            EXPECT_EQ(imageDistance(own.image(), taken.image()), 0);
        dropEarlyJpeg();
    }
    // Only regular files are read; a pipe is not even opened for long.
    const QString fifo = dir.file(QStringLiteral("pipe.jpg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(EarlyJpeg::start(QFile::encodeName(fifo).toStdString(), 1000, 400));
    EXPECT_FALSE(EarlyJpeg::start(QFile::encodeName(dir.path()).toStdString(), 1000, 400));
}

TEST(PictureCache, KeepsWithinItsBoundDroppingTheLeastRecentlyUsed) {
    const auto picture = [](int rows) {
        QImage img(100, rows, QImage::Format_RGB32); // 400 bytes a row
        img.fill(Qt::red);
        return DecodedPicture::drawn(100, rows, img);
    };
    const FileStamp stamp{true, 10, 20, 30, 40};
    const auto key = [](const char* name) { return PictureKey{QString::fromUtf8(name), {100, 80}}; };
    const auto order = [](const PictureCache& c) {
        QStringList names;
        for (const PictureKey& k : c.keysByRecency())
            names << k.path;
        return names.join(QLatin1Char(' '));
    };
    PictureCache cache(1000 * 1000);
    cache.insert(key("a"), stamp, picture(750)); // about 300 kB each
    cache.insert(key("b"), stamp, picture(750));
    cache.insert(key("c"), stamp, picture(750));
    EXPECT_EQ(order(cache), "c b a");
    ASSERT_TRUE(cache.find(key("a"), stamp).has_value());
    EXPECT_EQ(order(cache), "a c b");
    EXPECT_TRUE(cache.contains(key("b"), stamp));
    EXPECT_EQ(order(cache), "a c b"); // looking does not use
    cache.insert(key("d"), stamp, picture(750));
    EXPECT_EQ(order(cache), "d a c");
    EXPECT_LE(cache.bytes(), cache.maxBytes());
    EXPECT_GT(cache.bytes(), 3 * 300'000);

    // Larger than the whole bound: not kept, and nothing else is dropped.
    cache.insert(key("huge"), stamp, picture(3000));
    EXPECT_EQ(order(cache), "d a c");
    // The file changed: the entry is gone.
    FileStamp touched = stamp;
    touched.modified += 1;
    EXPECT_FALSE(cache.find(key("a"), touched).has_value());
    EXPECT_EQ(order(cache), "d c");
    // Another box of the same path is another entry.
    cache.insert(PictureKey{"d", {157, 157}}, stamp, picture(10));
    EXPECT_EQ(cache.count(), 3);
    cache.insert(key("m"), stamp, DecodedPicture::missing());
    EXPECT_EQ(cache.count(), 3);
}

TEST(Pipeline, CacheStaysWithinItsBoundWhilePrefetching) {
    ColourTransformCache colours;
    const TempDir dir;
    QStringList paths;
    for (int i = 0; i < 12; ++i) {
        paths << dir.file(QStringLiteral("p%1.jpg").arg(i));
        testlib::writeJpeg(paths.back(), testlib::makePicture(200, 150, testlib::Scene::Tiles, quint32(i)));
    }
    // 120 x 90 x 4 bytes = 43 kB a picture: room for four.
    PicturePipeline pipeline(colours, 200'000);
    pipeline.prefetchAll(paths, kBox, PicturePipeline::Priority::Next);
    pipeline.waitUntilIdle();
    EXPECT_LE(pipeline.cache().bytes(), 200'000);
    EXPECT_EQ(pipeline.cache().count(), 4);
    for (const QString& p : paths)
        EXPECT_EQ(pipeline.take(p, kBox).state(), State::Drawn);
}

// The page's cells come back in row order, each as a decode of its own
// would give it, so the first failing cell in row order is the one reported.
TEST(Pipeline, APageDecodedInParallelReportsAsCellByCell) {
    ColourTransformCache colours;
    const Fixtures files;
    const QStringList names = {"photo.jpg",      "small.JPG", "missing.jpg",
                               "jpeg-bogus-marker-length.jpg", "photo.bmp", "draw-fails.jpg",
                               "rle.Bmp",        "grey.jpeg", "bmp-empty.bmp"};
    QStringList paths;
    for (const QString& n : names)
        paths << files.path(n);
    const QSize cell(57, 57);
    PicturePipeline pipeline(colours, PicturePipeline::kDefaultCacheBytes, 2);
    QList<int> progress;
    const auto caller = std::this_thread::get_id();
    bool elsewhere = false;
    const QList<DecodedPicture> cells = pipeline.takeAll(paths, cell, [&](int done, int total) {
        progress << done;
        elsewhere |= std::this_thread::get_id() != caller;
        EXPECT_EQ(total, names.size());
    });
    ASSERT_EQ(cells.size(), names.size());
    EXPECT_FALSE(elsewhere);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.back(), names.size());
    for (int i = 1; i < progress.size(); ++i)
        EXPECT_EQ(progress[i], progress[i - 1] + 1);

    int firstFailing = -1;
    for (int i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        const DecodedPicture alone = decodePicture(colours, paths[i], cell);
        EXPECT_EQ(cells[i].state(), alone.state());
        EXPECT_EQ(cells[i].failureText(), alone.failureText());
        EXPECT_EQ(QSize(cells[i].width(), cells[i].height()), QSize(alone.width(), alone.height()));
        EXPECT_TRUE(cells[i].image() == alone.image());
        if (firstFailing < 0 && cells[i].failed())
            firstFailing = i;
    }
    EXPECT_EQ(firstFailing, 3);
    EXPECT_EQ(cells[3].failureText(), decodePicture(colours, paths[3], cell).failureText());
}

TEST(Pipeline, TheSamePageAgainCostsNoDecoding) {
    ColourTransformCache colours;
    const TempDir dir;
    QStringList paths;
    for (int i = 0; i < 10; ++i) {
        paths << dir.file(QStringLiteral("p%1.%2").arg(i).arg(i % 3 ? "jpg" : "bmp"));
        const QImage img = testlib::makePicture(160 + i, 120, testlib::Scene::Landscape, quint32(i));
        if (i % 3)
            testlib::writeJpeg(paths.back(), img);
        else
            testlib::writeBmp(paths.back(), img);
    }
    PicturePipeline pipeline(colours);
    const QList<DecodedPicture> first = pipeline.takeAll(paths, {57, 57});
    const int decodes = pipeline.decodeCount();
    EXPECT_EQ(decodes, 10);
    QList<int> progress;
    const QList<DecodedPicture> again =
        pipeline.takeAll(paths, {57, 57}, [&](int done, int) { progress << done; });
    EXPECT_EQ(pipeline.decodeCount(), decodes);
    EXPECT_EQ(progress, QList<int>{10});
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(again[i].image() == first[i].image());

    // A page prefetched while idle is taken without decoding again.
    PicturePipeline idle(colours);
    idle.prefetchAll(paths, {57, 57});
    idle.waitUntilIdle();
    idle.takeAll(paths, {57, 57});
    EXPECT_EQ(idle.decodeCount(), 10);
}

// Asked for while a worker has it queued or running, a picture is decoded
// once.
TEST(Pipeline, ARequestInFlightIsNotDecodedTwice) {
    ColourTransformCache colours;
    const TempDir dir;
    const QString path = dir.file("big.jpg");
    testlib::writeJpeg(path, testlib::makePicture(1600, 1200, testlib::Scene::Landscape, 1));
    for (int round = 0; round < 5; ++round) {
        PicturePipeline pipeline(colours, PicturePipeline::kDefaultCacheBytes, 1);
        pipeline.prefetch(path, {800, 600});
        if (round % 2)
            std::this_thread::yield();
        const DecodedPicture p = pipeline.take(path, {800, 600});
        EXPECT_EQ(p.state(), State::Drawn);
        EXPECT_EQ(pipeline.decodeCount(), 1);
        pipeline.takeAll({path}, {800, 600});
        EXPECT_EQ(pipeline.decodeCount(), 1);
    }
}

TEST(Pipeline, NeighboursAreFetchedWithWrapAround) {
    ColourTransformCache colours;
    const TempDir dir;
    QStringList files;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        files << dir.file(QString::fromUtf8(name));
        testlib::writeJpeg(files.back(), testlib::makePicture(64, 48, testlib::Scene::Plain, 1));
    }
    const struct {
        QStringList album;
        int current, direction;
        const char* ready; // a letter per file, '+' when prefetched
    } cases[] = {
        {files, 0, -1, "-+-+"}, {files, 3, 1, "+-+-"}, {files, 1, 1, "+-+-"},
        {files.mid(0, 2), 0, 1, "-+"}, {files.mid(0, 1), 0, 1, "-"}, {files, 4, 1, "----"},
    };
    for (const auto& c : cases) {
        PicturePipeline pipeline(colours);
        pipeline.prefetchNeighbours(c.album, c.current, c.direction, kBox);
        pipeline.waitUntilIdle();
        QString ready;
        for (const QString& f : c.album)
            ready += pipeline.cache().contains({f, kBox}, fileStamp(f)) ? '+' : '-';
        EXPECT_EQ(ready, QString::fromUtf8(c.ready)) << c.current << " " << c.direction;
    }
}

// Another album: what was queued is forgotten, and what was running when
// the album changed keeps nothing.
TEST(Pipeline, DroppedPrefetchesDeliverNothing) {
    ColourTransformCache colours;
    const TempDir dir;
    QStringList paths;
    for (int i = 0; i < 16; ++i) {
        paths << dir.file(QStringLiteral("p%1.jpg").arg(i));
        testlib::writeJpeg(paths.back(), testlib::makePicture(800, 600, testlib::Scene::SeaSun, quint32(i)));
    }
    for (int round = 0; round < 3; ++round) {
        PicturePipeline pipeline(colours, PicturePipeline::kDefaultCacheBytes, 2);
        pipeline.prefetchAll(paths, {400, 300}, PicturePipeline::Priority::Idle);
        if (round > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10 * round));
        pipeline.dropPrefetches();
        const QList<PictureKey> atDrop = pipeline.cache().keysByRecency();
        pipeline.waitUntilIdle();
        EXPECT_EQ(pipeline.cache().keysByRecency(), atDrop);
        // The new album works as usual.
        const DecodedPicture p = pipeline.take(paths.back(), {400, 300});
        EXPECT_EQ(p.state(), State::Drawn);
        EXPECT_TRUE(p.image() == decodePicture(colours, paths.back(), {400, 300}).image());
    }
    // Asked for again after the drop, a picture still running belongs to
    // the new album and is kept.
    PicturePipeline pipeline(colours, PicturePipeline::kDefaultCacheBytes, 1);
    pipeline.prefetch(paths[0], {400, 300});
    pipeline.dropPrefetches();
    pipeline.prefetch(paths[0], {400, 300});
    pipeline.waitUntilIdle();
    EXPECT_TRUE(pipeline.isReady(paths[0], {400, 300}));
}

// Several threads at once: prefetches, takes, pages and drops; every
// picture handed over is the one a decode of its own gives.
TEST(Pipeline, ConcurrentUseHandsOverCorrectPictures) {
    ColourTransformCache colours;
    const TempDir dir;
    QStringList paths;
    QList<QImage> expected;
    for (int i = 0; i < 8; ++i) {
        paths << dir.file(QStringLiteral("p%1.%2").arg(i).arg(i % 2 ? "jpg" : "bmp"));
        const QImage img = testlib::makePicture(240, 180, testlib::Scene::Tiles, quint32(i));
        if (i % 2)
            testlib::writeJpeg(paths.back(), img);
        else
            testlib::writeBmp(paths.back(), img);
        expected << decodePicture(colours, paths.back(), {60, 60}).image();
    }
    std::atomic<int> wrong = 0;
    {
        PicturePipeline pipeline(colours, 300'000, 2);
        std::vector<std::thread> users;
        for (int t = 0; t < 3; ++t)
            users.emplace_back([&, t] {
                for (int k = 0; k < 30; ++k) {
                    const int i = (k * (t + 3)) % 8;
                    if (k % 7 == t)
                        pipeline.dropPrefetches();
                    pipeline.prefetch(paths[(i + 1) % 8], {60, 60});
                    if (!(pipeline.take(paths[i], {60, 60}).image() == expected[i]))
                        ++wrong;
                    if (k % 10 == 0) {
                        const QList<DecodedPicture> page = pipeline.takeAll(paths, {60, 60});
                        for (int j = 0; j < 8; ++j)
                            wrong += !(page[j].image() == expected[j]);
                    }
                }
            });
        for (std::thread& u : users)
            u.join();
        pipeline.prefetchAll(paths, {60, 60}); // still queued when the pipeline goes
    }
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
} // namespace soru

namespace soru {
namespace {

// Every picture of the hostile library, decoded as the pipeline decodes it,
// gives the outcome its row expects of the window: the size text when it is
// shown, the message when it is refused, nothing when it is gone.
TEST(Pipeline, HostileEntriesDecodeAsTheirRowsExpect) {
    ColourTransformCache colours;
    const TempDir dir;
    const QString root = dir.file(QStringLiteral("hostile"));
    testlib::writeHostileLibrary(root, {.bulkAlbum = false});
    int checked = 0;
    for (const testlib::HostileEntry& e : testlib::hostileEntries()) {
        const QByteArray raw = testlib::hostileRawPath(root, e.album, e.name);
        const QString path = QFile::decodeName(raw);
        // Refusals that come from a companion memo are not the picture's.
        const bool memoRefused = e.outcome == testlib::HostileOutcome::Refused &&
                                 e.detail == QStringLiteral("ストリームからの読み込みに失敗しました");
        if (e.permissionDependent || e.change != testlib::HostileChange::None ||
            e.outcome == testlib::HostileOutcome::Ignored || memoRefused ||
            QFile::encodeName(path) != raw)
            continue;
        SCOPED_TRACE(testing::Message() << e.what << ": " << raw.toStdString());
        const DecodedPicture p = decodePicture(colours, path, {1024, 721});
        switch (e.outcome) {
        case testlib::HostileOutcome::Shown:
            EXPECT_FALSE(p.failed()) << p.failureText().toStdString();
            EXPECT_EQ(sizeText(p.width(), p.height()), e.detail);
            break;
        case testlib::HostileOutcome::Refused:
            EXPECT_EQ(p.failureText(), e.detail.contains(QLatin1String("%1")) ? e.detail.arg(path)
                                                                             : e.detail);
            break;
        default:
            EXPECT_TRUE(p.isMissing());
            break;
        }
        ++checked;
    }
    EXPECT_GT(checked, 50);
    testlib::deleteHostileLibrary(root);
}

} // namespace
} // namespace soru
