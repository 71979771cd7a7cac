// The desktop's shared thumbnail cache: file names, keys and modes as other
// programs expect them; thumbnails that are stale, broken, foreign or in the
// album's shared repository; and thumbnail pages drawn through it, which
// look as decoded and report failures as before.
#include "media/colour/colour_management.h"
#include "media/formats/decoded_picture.h"
#include "media/pipeline/picture_pipeline.h"
#include "media/thumbnails/thumbnail_cell.h"
#include "media/thumbnails/thumbnail_store.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include <sys/stat.h>

namespace soru {
namespace {

using namespace soru::test;

const QSize kCell(100, 100); // a cell at 1024 x 768: the "normal" size
// The owner's, the group's and the others' bits.
const QFile::Permissions kModeBits = QFile::Permissions::fromInt(0x7077);

// The same picture at the cell's size: one made from a thumbnail has been
// resampled twice, which softens hard edges a little more (up to some 20
// levels there), but a shift, a wrong size or wrong colours move every edge
// and area much further.
void expectSamePicture(const QImage& a, const QImage& b) {
    ASSERT_EQ(a.size(), b.size());
    qint64 sum = 0;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            sum += d;
            worst = std::max(worst, d);
        }
    EXPECT_LE(double(sum) / (a.width() * a.height()), 2.0);
    EXPECT_LE(worst, 32);
}

QByteArray md5(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

QString uriOf(const QString& path) { return QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded()); }

void setMTime(const QString& path, qint64 seconds) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::fromSecsSinceEpoch(seconds), QFileDevice::FileModificationTime));
}

// A thumbnail as another program writes it: Qt's own PNG writer, the keys
// given, one flat colour.
void writeForeign(const QString& path, QSize size, QRgb colour,
                  const QList<std::pair<QString, QString>>& keys) {
    QDir().mkpath(QFileInfo(path).path());
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    for (const auto& [k, v] : keys)
        image.setText(k, v);
    ASSERT_TRUE(image.save(path, "PNG"));
}

// Runs f on a thread of its own: a call that blocks for good (opening a
// named pipe, reading an endless device) ends the run with a message
// instead of hanging it.
template <class F>
void returnsPromptly(F f, const char* what) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([f, done] {
        f();
        done->set_value();
    }).detach();
    if (finished.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        std::fprintf(stderr, "%s did not return\n", what);
        std::_Exit(1);
    }
}

// A write that waits until the test lets it through; it records the targets
// written, and when the store's writer has let go of it.
struct WriteGate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    int entered = 0;
    QStringList written;
    struct Token {
        std::promise<void> released;
        ~Token() { released.set_value(); }
    };
    std::shared_ptr<Token> token = std::make_shared<Token>();
    std::future<void> writerGone = token->released.get_future();

    // Hands the token over: only the write function holds it afterwards.
    ThumbnailStore::WriteFile writeFile(const std::shared_ptr<WriteGate>& self) {
        return [self, token = std::exchange(token, nullptr)](const QString& target, const QByteArray&) {
            std::unique_lock lock(self->mutex);
            ++self->entered;
            self->changed.notify_all();
            self->changed.wait(lock, [&] { return self->open; });
            self->written << target;
            return true;
        };
    }
    void release() {
        const std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    void waitForFirstWrite() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return entered > 0; });
    }
};

// An album folder and a cache folder, a pipeline per "run" with its store.
struct Album {
    TempDir dir;
    QString cache = dir.file("cache/thumbnails");
    QString folder = QDir(dir.path()).filePath("album");
    ColourTransformCache colours;
    Album() { QDir().mkpath(folder); }
    QString photo(const QString& name, QSize size, int seed) {
        const QString path = folder + '/' + name;
        testlib::writeJpeg(path, testlib::makePicture(size.width(), size.height(),
                                                      testlib::Scene::Landscape, quint32(seed)));
        setMTime(path, 1'600'000'000 + seed);
        return path;
    }
    // One run of the program: a new pipeline with its store; writes done.
    QList<DecodedPicture> page(const QStringList& paths, QSize cell = kCell) {
        PicturePipeline pipeline(colours, PicturePipeline::kDefaultCacheBytes, 2);
        pipeline.setThumbnailStore(std::make_unique<ThumbnailStore>(cache));
        QList<DecodedPicture> cells = pipeline.takeAll(paths, cell);
        pipeline.thumbnailStore()->waitUntilWritten();
        return cells;
    }
    QString cached(const QString& path, const char* size = "normal") const {
        return cache + '/' + size + '/' +
               md5(QUrl::fromLocalFile(path).toEncoded()) + ".png";
    }
};

TEST(ThumbnailStore, SizeIsTheSmallestBoxHoldingTheCell) {
    const struct {
        QSize box;
        int side;
    } cases[] = {{{100, 100}, 128}, {{128, 90}, 128}, {{90, 129}, 256}, {{512, 300}, 512},
                 {{513, 1}, 1024}, {{1024, 1024}, 1024}, {{1025, 10}, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ThumbnailStore::sideFor(c.box), c.side) << c.box.width() << "x" << c.box.height();
}

// Name, keys and modes as the standard has them, checked with Qt's own PNG
// reader, for a name that needs percent-encoding.
TEST(ThumbnailStore, WritesTheNameKeysAndModesOtherProgramsRead) {
    Album a;
    const QString path = a.photo(QStringLiteral("夏 1.jpg"), {640, 480}, 1);
    const QByteArray uri = "file://" + QFile::encodeName(a.folder).replace(" ", "%20") +
                           "/%E5%A4%8F%201.jpg";
    const QString thumb = a.cache + "/normal/" + md5(uri) + ".png";
    const QList<DecodedPicture> cells = a.page({path, a.photo("big.jpg", {300, 200}, 2)},
                                               QSize(200, 150));
    ASSERT_TRUE(QFile::exists(a.cache + "/large/" + md5(uri) + ".png"));
    a.page({path});
    ASSERT_TRUE(QFile::exists(thumb));

    QImage image(thumb);
    EXPECT_EQ(image.size(), QSize(128, 96)); // the picture fitted to the box
    EXPECT_EQ(image.text("Thumb::URI"), QString::fromLatin1(uri));
    EXPECT_EQ(image.text("Thumb::MTime"), "1600000001");
    EXPECT_EQ(image.text("Thumb::Size"), QString::number(QFileInfo(path).size()));
    EXPECT_EQ(image.text("Thumb::Image::Width"), "640");
    EXPECT_EQ(image.text("Thumb::Image::Height"), "480");
    EXPECT_FALSE(image.text("Software").isEmpty());
    QFile raw(thumb);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.readAll().contains("tEXtThumb::URI")); // plain text, before the pixels
    EXPECT_EQ(QFileInfo(thumb).permissions() & kModeBits, QFile::ReadOwner | QFile::WriteOwner);
    for (const QString& folder : {a.cache, a.cache + "/normal"})
        EXPECT_EQ(QFileInfo(folder).permissions() & kModeBits,
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) << folder.toStdString();
    EXPECT_EQ(QDir(a.cache + "/normal").entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
}

// The first run writes, the next draws from the cache: the same cells,
// within a few levels of a decode. The photo's bytes are then spoiled with
// its size and time kept, so the third run can only have used the cache.
TEST(ThumbnailStore, ACachedCellIsTheDecodedCellWithinAFewLevels) {
    ColourTransformCache colours;
    Album a;
    const QStringList paths = {a.photo("a.jpg", {1200, 800}, 3), a.photo("b.jpg", {90, 70}, 4),
                               a.photo("c.jpg", {500, 1500}, 5)};
    const QList<DecodedPicture> first = a.page(paths);
    QFile f(paths[0]);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(f.size() / 2);
    f.write(QByteArray(64, '\0'));
    f.close();
    setMTime(paths[0], 1'600'000'003);
    const QList<DecodedPicture> again = a.page(paths);
    for (int i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i].toStdString());
        ASSERT_EQ(again[i].state(), DecodedPicture::State::Drawn);
        EXPECT_EQ(again[i].image(), first[i].image());
        const DecodedPicture alone = decodePicture(colours, paths[i], kCell);
        EXPECT_EQ(QSize(again[i].width(), again[i].height()), QSize(alone.width(), alone.height()));
        if (i > 0) // the spoiled photo decodes otherwise now
            expectSamePicture(again[i].image(), alone.image());
    }
}

// Stale (another time), broken (cut short) and foreign (another program's,
// only the required keys) thumbnails in the cache.
TEST(ThumbnailStore, StaleAndBrokenAreReplacedForeignIsUsed) {
    ColourTransformCache colours;
    Album a;
    const QString stale = a.photo("stale.jpg", {400, 300}, 6);
    const QString broken = a.photo("broken.jpg", {400, 300}, 7);
    const QString foreign = a.photo("foreign.jpg", {400, 300}, 8);
    const QRgb kMark = qRgb(10, 200, 30);
    writeForeign(a.cached(stale), {128, 96}, kMark,
                 {{"Thumb::URI", uriOf(stale)}, {"Thumb::MTime", "1600000005"}});
    writeForeign(a.cached(foreign), {128, 96}, kMark,
                 {{"Thumb::URI", uriOf(foreign)}, {"Thumb::MTime", "1600000008"}});
    writeForeign(a.cached(broken), {128, 96}, kMark,
                 {{"Thumb::URI", uriOf(broken)}, {"Thumb::MTime", "1600000007"}});
    QFile cut(a.cached(broken));
    ASSERT_TRUE(cut.resize(cut.size() - 30));

    const QList<DecodedPicture> cells = a.page({stale, broken, foreign});
    for (int i : {0, 1}) {
        expectSamePicture(cells[i].image(), decodePicture(colours, i ? broken : stale, kCell).image());
        const QImage replaced(a.cached(i ? broken : stale));
        EXPECT_EQ(replaced.text("Thumb::MTime"), i ? "1600000007" : "1600000006");
    }
    EXPECT_EQ(QSize(cells[2].width(), cells[2].height()), QSize(400, 300)); // read from the photo
    EXPECT_EQ(cells[2].image().size(), QSize(100, 75));
    EXPECT_EQ(cells[2].image().pixel(50, 37), kMark);
}

// The album's own .sh_thumbnails (named after the file name) is read and
// never written; one that is out of date sends the picture to the cache.
TEST(ThumbnailStore, SharedRepositoryIsReadNeverWritten) {
    Album a;
    const QString used = a.photo("used.jpg", {400, 300}, 9);
    const QString old = a.photo("old.jpg", {400, 300}, 10);
    const QRgb kMark = qRgb(250, 20, 120);
    const QString shared = a.folder + "/.sh_thumbnails/normal/";
    writeForeign(shared + md5("used.jpg") + ".png", {128, 96}, kMark, {{"Thumb::MTime", "1600000009"}});
    writeForeign(shared + md5("old.jpg") + ".png", {128, 96}, kMark, {{"Thumb::MTime", "1500000000"}});
    QFile oldShared(shared + md5("old.jpg") + ".png");
    ASSERT_TRUE(oldShared.open(QIODevice::ReadOnly));
    const QByteArray before = oldShared.readAll();
    oldShared.close();

    const QList<DecodedPicture> cells = a.page({used, old});
    EXPECT_EQ(cells[0].image().pixel(50, 37), kMark);
    EXPECT_FALSE(QFile::exists(a.cached(used)));
    EXPECT_NE(cells[1].image().pixel(50, 37), kMark);
    EXPECT_TRUE(QFile::exists(a.cached(old)));
    EXPECT_EQ(QDir(shared).entryList(QDir::Files | QDir::Hidden).size(), 2);
    ASSERT_TRUE(oldShared.open(QIODevice::ReadOnly));
    EXPECT_EQ(oldShared.readAll(), before);
}

// Failing pictures get no thumbnail and fail as they do without the cache;
// so does nothing at all when the cache cannot be written; and a picture
// inside the cache is never made a thumbnail of.
TEST(ThumbnailStore, FailuresWriteNothingAndReportAsBefore) {
    ColourTransformCache colours;
    Album a;
    QStringList paths;
    for (const auto kind : {testlib::BrokenKind::JpegBogusMarkerLength, testlib::BrokenKind::BmpBadSignature}) {
        paths << a.folder + '/' + testlib::brokenInfo(kind).fileName;
        testlib::writeBroken(paths.back(), kind);
    }
    QByteArray drawFails = testlib::encodeJpeg(testlib::makePicture(160, 100, testlib::Scene::Tiles, 3));
    drawFails[drawFails.indexOf(QByteArray("\xFF\xC0", 2)) + 12] = 3; // a table the file lacks
    paths << a.folder + "/draw-fails.jpg";
    testlib::writeFile(paths.back(), drawFails);
    const QList<DecodedPicture> cells = a.page(paths);
    for (int i = 0; i < paths.size(); ++i) {
        const DecodedPicture alone = decodePicture(colours, paths[i], kCell);
        EXPECT_TRUE(cells[i].failed()) << paths[i].toStdString();
        EXPECT_EQ(cells[i].state(), alone.state());
        EXPECT_EQ(cells[i].failureText(), alone.failureText());
        EXPECT_EQ(cells[i].image(), alone.image());
    }
    EXPECT_FALSE(QFileInfo::exists(a.cache + "/normal"));

    const QString inside = a.cache + "/normal/x.jpg";
    QDir().mkpath(a.cache + "/normal");
    testlib::writeJpeg(inside, testlib::makePicture(300, 200, testlib::Scene::Tiles, 1));
    EXPECT_EQ(a.page({inside})[0].image(), decodePicture(colours, inside, kCell).image());
    EXPECT_EQ(QDir(a.cache + "/normal").entryList(QDir::Files).size(), 1);

    // The cache's folder is a file: nothing can be written, the page is drawn.
    Album blocked;
    QDir().mkpath(QFileInfo(blocked.cache).path());
    testlib::writeFile(blocked.cache, "not a folder");
    const QString photo = blocked.photo("p.jpg", {400, 300}, 11);
    expectSamePicture(blocked.page({photo})[0].image(), decodePicture(colours, photo, kCell).image());
}

// The names other programs give: the MD5 of the URI GLib makes of the path
// (taken from `gio info` and md5sum), which escapes ; [ ] too. The files need
// not exist.
TEST(ThumbnailStore, FileNamesAreTheDesktopsForEveryName) {
    const struct {
        const char* name;
        const char* uri;
        const char* md5;
    } cases[] = {
        {"夏 1.jpg", "%E5%A4%8F%201.jpg", "b2da50cce43c48f1c0b621640efb69cd"},
        {"a;b[1].jpg", "a%3Bb%5B1%5D.jpg", "d2176efe32056eae08ca179f5c3dd56e"},
        {"#1 100% why?.jpg", "%231%20100%25%20why%3F.jpg", "65c90f903f0860cb5e39864ef4b6de96"},
        {"!$&'()*+,=@~_-.jpg", "!$&'()*+,=@~_-.jpg", "9f4992cbd74ad48c5fc2f44d900fff8e"},
        {"x^{|}`\\<\">.jpg", "x%5E%7B%7C%7D%60%5C%3C%22%3E.jpg", "3106b940b781743e6765484b9cac1351"},
    };
    const ThumbnailStore store("/home/u/.cache/thumbnails");
    for (const auto& c : cases) {
        const QString path = QStringLiteral("/tmp/soru-names/") + QString::fromUtf8(c.name);
        EXPECT_EQ(ThumbnailStore::fileUri(path), QByteArray("file:///tmp/soru-names/") + c.uri) << c.name;
        EXPECT_EQ(store.cachePath(path, 256),
                  QStringLiteral("/home/u/.cache/thumbnails/large/") + c.md5 + ".png") << c.name;
    }
}

// Where a thumbnail should be, in the album's repository or in the cache: a
// named pipe, a link to an endless device, a thumbnail padded past any
// thumbnail's length (sparse). None is a thumbnail, and find() returns
// instead of waiting for a writer or reading on.
TEST(ThumbnailStore, SpecialFilesInPlaceOfAThumbnailAreNone) {
    Album a;
    const QString photo = a.photo("p.jpg", {400, 300}, 12);
    ThumbnailStore store(a.cache);
    enum class Kind { Thumbnail, Pipe, Endless, Padded, Huge };
    const struct {
        Kind kind;
        const char* what;
        bool found;
    } cases[] = {{Kind::Thumbnail, "a plain thumbnail", true}, {Kind::Pipe, "a named pipe", false},
                 {Kind::Endless, "a link to /dev/zero", false}, {Kind::Padded, "20 MiB", false},
                 {Kind::Huge, "8 GiB", false}};
    for (const bool shared : {true, false})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (shared ? " in .sh_thumbnails" : " in the cache"));
            const QString at = shared ? ThumbnailStore::sharedPath(photo, 128) : store.cachePath(photo, 128);
            QFile::remove(ThumbnailStore::sharedPath(photo, 128));
            QFile::remove(store.cachePath(photo, 128));
            writeForeign(at, {128, 96}, qRgb(1, 2, 3),
                         {{"Thumb::URI", QString::fromLatin1(ThumbnailStore::fileUri(photo))},
                          {"Thumb::MTime", "1600000012"}});
            if (c.kind == Kind::Pipe || c.kind == Kind::Endless) {
                ASSERT_TRUE(QFile::remove(at));
                ASSERT_TRUE(c.kind == Kind::Pipe ? ::mkfifo(QFile::encodeName(at).constData(), 0600) == 0
                                                 : QFile::link("/dev/zero", at));
            } else if (c.kind != Kind::Thumbnail) {
                QFile padded(at);
                ASSERT_TRUE(padded.resize(c.kind == Kind::Padded ? qint64(20) << 20 : qint64(8) << 30));
            }
            bool found = false;
            returnsPromptly([&] { found = store.find(photo, 128, fileStamp(photo)).has_value(); }, c.what);
            EXPECT_EQ(found, c.found);
        }
}

// The picture's size the keys claim is kept only when the thumbnail can be
// that picture shrunk: of its shape within a pixel's rounding (a thin side
// one pixel however thin), never smaller than the thumbnail. Anything else
// is no size, and the picture's own header is read instead.
TEST(ThumbnailStore, ClaimedSizesOfAnotherShapeAreIgnored) {
    Album a;
    const QString photo = a.photo("p.jpg", {400, 300}, 13);
    const ThumbnailStore store(a.cache);
    const struct {
        QSize thumbnail;
        const char* width;
        const char* height;
        QSize kept;
    } cases[] = {
        {{128, 96}, "640", "480", {640, 480}}, {{128, 96}, "641", "481", {641, 481}}, // rounded otherwise
        {{1, 128}, "1", "2000000", {1, 2000000}}, {{128, 1}, "2000000", "1", {2000000, 1}}, // thin
        {{128, 96}, "480", "640", {}}, {{128, 96}, "1", "2000000", {}}, {{128, 96}, "2000000", "1", {}},
        {{128, 96}, "64", "48", {}}, // smaller than its thumbnail
        {{128, 96}, "0", "0", {}}, {{128, 96}, "-640", "-480", {}},
        {{128, 96}, "2147483648", "1610612736", {}}, {{128, 96}, "99999999999999999999", "75", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        writeForeign(store.cachePath(photo, 128), c.thumbnail, qRgb(1, 2, 3),
                     {{"Thumb::URI", QString::fromLatin1(ThumbnailStore::fileUri(photo))},
                      {"Thumb::MTime", "1600000013"},
                      {"Thumb::Image::Width", c.width},
                      {"Thumb::Image::Height", c.height}});
        const std::optional<ThumbnailStore::Thumbnail> t = store.find(photo, 128, fileStamp(photo));
        ASSERT_TRUE(t);
        EXPECT_EQ(t->pictureSize, c.kept);
    }
}

// However many writes come while the disk is slow, the waiting ones stay
// bounded: the oldest go, the newest are written.
TEST(ThumbnailStore, WritesWaitingAreBoundedOldestDropped) {
    const struct {
        int side;
        QSize image;
        int count;
        int maxWritten; // the one in hand, and 256 writes or 64 MiB waiting
    } cases[] = {{128, {128, 1}, 1000, 257}, {1024, {1024, 1024}, 100, 17}};
    for (const auto& c : cases) {
        TempDir dir;
        auto gate = std::make_shared<WriteGate>();
        ThumbnailStore store(dir.file("thumbnails"), gate->writeFile(gate));
        QImage image(c.image, QImage::Format_RGB32);
        image.fill(Qt::gray);
        const auto target = [&](int i) { return store.cachePath(QStringLiteral("/album/%1.jpg").arg(i), c.side); };
        for (int i = 0; i < c.count; ++i)
            store.save(QStringLiteral("/album/%1.jpg").arg(i), c.side, image, c.image, FileStamp{true, 1000, 0});
        gate->release();
        store.waitUntilWritten();
        const QStringList& written = gate->written;
        EXPECT_LE(written.size(), c.maxWritten) << c.side;
        EXPECT_GE(written.size(), 3) << c.side;
        EXPECT_EQ(written.mid(written.size() - 2), QStringList({target(c.count - 2), target(c.count - 1)}));
    }
}

// At quit the store gives up the writes still waiting, and does not wait
// for a write stuck on a slow disk: its destructor returns while that write
// is still blocked; the write then finishes and lets go of the writer, and
// nothing more is written.
TEST(ThumbnailStore, QuitGivesUpWritesStuckOrWaiting) {
    TempDir dir;
    auto gate = std::make_shared<WriteGate>();
    auto store = std::make_unique<ThumbnailStore>(dir.file("thumbnails"), gate->writeFile(gate));
    QImage image(128, 96, QImage::Format_RGB32);
    image.fill(Qt::gray);
    for (int i = 0; i < 20; ++i)
        store->save(QStringLiteral("/album/%1.jpg").arg(i), 128, image, image.size(), FileStamp{true, 1, 0});
    gate->waitForFirstWrite();
    returnsPromptly([&] { store.reset(); }, "the store's destructor");
    gate->release();
    ASSERT_EQ(gate->writerGone.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(gate->written.size(), 1);
}

// A page the user waits for is not slowed by encoding its thumbnails: with
// an event loop running they reach the store only after the events pending
// when the page is done (its paint among them), and then all of them.
TEST(ThumbnailStore, APagesThumbnailsAreWrittenAfterItsEvents) {
    ColourTransformCache colours;
    Album a;
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths << a.photo(QStringLiteral("p%1.jpg").arg(i), {400, 300}, 20 + i);
    PicturePipeline pipeline(colours, PicturePipeline::kDefaultCacheBytes, 2);
    pipeline.setThumbnailStore(std::make_unique<ThumbnailStore>(a.cache));
    const auto written = [&] {
        pipeline.thumbnailStore()->waitUntilWritten();
        return QDir(a.cache + "/normal").entryList(QDir::Files).size();
    };
    qsizetype afterPage = -1;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        EXPECT_EQ(pipeline.takeAll(paths, kCell).size(), 3);
        afterPage = written();
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    });
    loop.exec();
    EXPECT_EQ(afterPage, 0);
    EXPECT_EQ(written(), 3);
}

// A store that is not writable (a portable copy on the host's cache) finds
// thumbnails as before and writes none, the cell drawn all the same.
TEST(ThumbnailStore, ReadOnlyStoreFindsAndNeverWrites) {
    ColourTransformCache colours;
    Album a;
    const QString known = a.photo("known.jpg", {400, 300}, 14);
    const QString fresh = a.photo("fresh.jpg", {400, 300}, 15);
    const QRgb kMark = qRgb(40, 90, 200);
    writeForeign(a.cached(known), {128, 96}, kMark, {{"Thumb::URI", uriOf(known)}, {"Thumb::MTime", "1600000014"}});
    ThumbnailStore store(a.cache);
    store.setWritable(false);
    EXPECT_EQ(decodeThumbnailCell(store, colours, known, kCell, fileStamp(known)).image().pixel(50, 37), kMark);
    const DecodedPicture cell = decodeThumbnailCell(store, colours, fresh, kCell, fileStamp(fresh));
    expectSamePicture(cell.image(), decodePicture(colours, fresh, kCell).image());
    store.waitUntilWritten();
    EXPECT_EQ(QDir(a.cache + "/normal").entryList(QDir::Files | QDir::Hidden), QStringList({QFileInfo(a.cached(known)).fileName()}));
}

} // namespace
} // namespace soru
