// The desktop's shared thumbnail cache: file names, keys and modes as other
// programs expect them; thumbnails that are stale, broken, foreign or in the
// album's shared repository; and thumbnail pages drawn through it, which
// look as decoded and report failures as before.
#include "media/decoded_picture.h"
#include "media/picture_pipeline.h"
#include "media/thumbnail_store.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

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

// An album folder and a cache folder, a pipeline per "run" with its store.
struct Album {
    TempDir dir;
    QString cache = dir.file("cache/thumbnails");
    QString folder = QDir(dir.path()).filePath("album");
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
        PicturePipeline pipeline(PicturePipeline::kDefaultCacheBytes, 2);
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
        const DecodedPicture alone = decodePicture(paths[i], kCell);
        EXPECT_EQ(QSize(again[i].width(), again[i].height()), QSize(alone.width(), alone.height()));
        if (i > 0) // the spoiled photo decodes otherwise now
            expectSamePicture(again[i].image(), alone.image());
    }
}

// Stale (another time), broken (cut short) and foreign (another program's,
// only the required keys) thumbnails in the cache.
TEST(ThumbnailStore, StaleAndBrokenAreReplacedForeignIsUsed) {
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
        expectSamePicture(cells[i].image(), decodePicture(i ? broken : stale, kCell).image());
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
        const DecodedPicture alone = decodePicture(paths[i], kCell);
        EXPECT_TRUE(cells[i].failed()) << paths[i].toStdString();
        EXPECT_EQ(cells[i].state(), alone.state());
        EXPECT_EQ(cells[i].failureText(), alone.failureText());
        EXPECT_EQ(cells[i].image(), alone.image());
    }
    EXPECT_FALSE(QFileInfo::exists(a.cache + "/normal"));

    const QString inside = a.cache + "/normal/x.jpg";
    QDir().mkpath(a.cache + "/normal");
    testlib::writeJpeg(inside, testlib::makePicture(300, 200, testlib::Scene::Tiles, 1));
    EXPECT_EQ(a.page({inside})[0].image(), decodePicture(inside, kCell).image());
    EXPECT_EQ(QDir(a.cache + "/normal").entryList(QDir::Files).size(), 1);

    // The cache's folder is a file: nothing can be written, the page is drawn.
    Album blocked;
    QDir().mkpath(QFileInfo(blocked.cache).path());
    testlib::writeFile(blocked.cache, "not a folder");
    const QString photo = blocked.photo("p.jpg", {400, 300}, 11);
    expectSamePicture(blocked.page({photo})[0].image(), decodePicture(photo, kCell).image());
}

} // namespace
} // namespace soru
