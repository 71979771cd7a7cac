// Bitmaps decoded straight to their drawn size: the same pixels as the full
// decode shrunk afterwards, the same failures, and no work for rows a file
// does not hold.
#include "media/colour/colour_management.h"
#include "media/formats/bitmap_decoder.h"
#include "media/formats/bitmap_picture.h"
#include "media/formats/heif_av1_decoder.h"
#include "media/formats/picture_rows.h"
#include "media/formats/scaling.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <optional>
#include <random>
#include <vector>

namespace soru {
namespace {

using namespace soru::test;
using testlib::BmpKind;

QImage streamed(const QByteArray& bytes, QSize size) {
    QImage out(size, QImage::Format_RGB32);
    out.fill(kCanvasMark);
    const auto buffer = std::make_unique<uchar[]>(std::size_t(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    struct Exact final : BitmapSource {
        const uchar* data;
        qint64 n;
        qint64 size() const override { return n; }
        std::span<const uchar> read(qint64 offset, qint64 length) override {
            if (offset < 0 || offset >= n || length <= 0)
                return {};
            return {data + offset, std::size_t(std::min(length, n - offset))};
        }
    } source;
    source.data = buffer.get();
    source.n = bytes.size();
    decodeBitmapScaled(source, size, out.bits(), out.bytesPerLine());
    return out;
}

QImage fullThenScaled(const QByteArray& bytes, QSize size) {
    return smoothScaled(decodeBitmapExactly(bytes), size);
}

// Every layout, shrunk by several ratios (and kept at its size): within one
// step of the full decode shrunk afterwards; exactly equal when the rows come
// top-down, as the full path adds them.
TEST(BitmapStream, MatchesTheFullDecodeShrunkForEveryLayout) {
    const QSize targets[] = {{211, 97}, {100, 46}, {37, 17}, {1, 1}, {211, 1}, {5, 97}};
    for (const BmpKind kind : testlib::kAllBmpKinds) {
        const QByteArray bytes = testlib::encodeBmp(
            testlib::makePicture(211, 97, testlib::Scene::TestPattern, 5), kind);
        for (const QSize to : targets) {
            SCOPED_TRACE(testing::Message() << testlib::bmpKindName(kind) << " -> " << to.width()
                                            << "x" << to.height());
            const QImage a = streamed(bytes, to), b = fullThenScaled(bytes, to);
            EXPECT_LE(imageDistance(a, b), kind == BmpKind::Rgb24TopDown ? 0 : 1);
        }
    }
}

// Files cut anywhere, and run-length streams that end early or skip: the
// same pixels as the full decode, the missing rows white.
TEST(BitmapStream, CutShortFilesMatchTheFullDecode) {
    for (const BmpKind kind : {BmpKind::Rgb24, BmpKind::Rgb24TopDown, BmpKind::Pal4,
                               BmpKind::Rle8, BmpKind::Rle4, BmpKind::Bitfields16}) {
        const QByteArray whole =
            testlib::encodeBmp(testlib::makePicture(53, 41, testlib::Scene::Flowers, 2), kind);
        const qint64 offBits = qFromLittleEndian<quint32>(whole.constData() + 10);
        for (qint64 cut = offBits + 1; cut < whole.size(); cut += 97) {
            SCOPED_TRACE(testing::Message() << testlib::bmpKindName(kind) << " cut at " << cut);
            const QByteArray part = whole.left(cut);
            EXPECT_LE(imageDistance(streamed(part, {20, 15}), fullThenScaled(part, {20, 15})), 1);
        }
    }
}

// The picture object fails at load with the same text the full decoder
// gives, for every broken bitmap the tests know, so that a broken bitmap is
// still reported before anything is drawn.
TEST(BitmapStream, BrokenFilesFailAtLoadWithTheDecodersText) {
    ColourTransformCache colours;
    const TempDir dir;
    QList<QPair<QString, QByteArray>> files;
    for (const testlib::BrokenInfo& info : testlib::brokenKinds())
        if (info.reader == testlib::Reader::Bitmap)
            files.append({QString::fromUtf8(info.name), testlib::brokenBytes(info.kind)});
    // A run-length stream that only overruns at its very end.
    BmpFields lateOverrun;
    lateOverrun.width = 4, lateOverrun.height = 3, lateOverrun.compression = 1;
    lateOverrun.palette = greyPalette(256);
    lateOverrun.pixels = QByteArray("\x04\x01\x00\x00\x04\x02\x00\x00\x05\x03\x00\x01", 12);
    files.append({QStringLiteral("late overrun"), bmpBytes(lateOverrun)});
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = dir.file(QStringLiteral("p.bmp"));
        testlib::writeFile(path, bytes);
        BitmapPicture picture(colours);
        const QString atLoad = failureOf([&] { picture.load(path); });
        EXPECT_EQ(atLoad, failureOf([&] { decodeBitmapExactly(bytes); }));
        if (atLoad != kNoFailure) {
            EXPECT_EQ(picture.width(), 0);
            continue;
        }
        // Loaded: drawing and the full picture never fail afterwards.
        QImage canvas(30, 30, QImage::Format_RGB32);
        EXPECT_EQ(failureOf([&] { picture.draw(canvas, QRect(0, 0, 30, 30)); }), kNoFailure);
        EXPECT_EQ(picture.fullImage(), decodeBitmapExactly(bytes));
    }
}

// Drawn into a canvas straight, or through a painter where the target
// leaves the canvas: as the full picture drawn by the shared resampling.
TEST(BitmapStream, DrawsAsTheFullPictureWouldIntoAnyCanvas) {
    ColourTransformCache colours;
    const TempDir dir;
    const QImage source = testlib::makePicture(120, 90, testlib::Scene::Landscape, 9);
    testlib::writeBmp(dir.file("p.bmp"), source, BmpKind::Rgb24);
    BitmapPicture picture(colours);
    picture.load(dir.file("p.bmp"));
    EXPECT_EQ(picture.fullImage(), source);
    for (const QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888}) {
        for (const QRect target : {QRect(3, 4, 60, 45), QRect(-10, 70, 40, 30), QRect(0, 0, 0, 5)}) {
            SCOPED_TRACE(testing::Message() << format << " " << target.x() << "," << target.y());
            QImage mine(100, 80, format), theirs(100, 80, format);
            mine.fill(kCanvasMark);
            theirs.fill(kCanvasMark);
            picture.draw(mine, target);
            drawSmoothScaled(theirs, target, source);
            EXPECT_LE(imageDistance(mine, theirs), 1);
        }
    }
}

// A small file whose header claims 16384 x 16384 pixels: its few rows are
// drawn, the rest is white, and the picture is never decoded whole.
TEST(BitmapStream, HugeClaimSmallFileDrawsWhatItHolds) {
    BmpFields f;
    f.width = 16384, f.height = 16384, f.bitCount = 24;
    f.pixels = QByteArray(16384 * 3 * 2, '\0'); // two black rows at the bottom
    const QByteArray bytes = bmpBytes(f);
    const QImage thumb = streamed(bytes, {157, 157});
    EXPECT_EQ(thumb.pixel(80, 0), 0xFFFFFFFFu);
    EXPECT_EQ(thumb.pixel(80, 155), 0xFFFFFFFFu);
    // The bottom row of the thumbnail covers 104 rows, two of them black.
    const double rowsPerThumbRow = 16384.0 / 157;
    EXPECT_NEAR(qRed(thumb.pixel(80, 156)), 255.0 * (rowsPerThumbRow - 2) / rowsPerThumbRow, 1.0);

    f.compression = 1, f.bitCount = 8, f.palette = greyPalette(256);
    f.pixels = QByteArray("\x10\x40\x00\x01", 4); // 16 pixels of grey 64, then the end
    const QImage rle = streamed(bmpBytes(f), {64, 64});
    EXPECT_EQ(rle.pixel(10, 10), qRgb(0, 0, 0)); // skipped pixels take entry 0
}

// Rows may come in any order and in repeated runs: the result is that of
// the rows in order, within rounding.
TEST(StreamScaler, RowOrderAndRepeatedRowsDoNotChangeTheResult) {
    const QImage source = testlib::makePicture(97, 61, testlib::Scene::Tiles, 4);
    const QSize to(31, 23);
    const QImage reference = smoothScaled(source, to);
    std::vector<int> order(61);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    QImage out(to, QImage::Format_RGB32);
    out.fill(kCanvasMark);
    StreamScaler scaler(source.size(), to, out.bits(), out.bytesPerLine());
    for (int y : order) {
        EXPECT_GT(scaler.openRows(), 0);
        scaler.addRow(y, reinterpret_cast<const QRgb*>(source.constScanLine(y)));
    }
    EXPECT_EQ(scaler.openRows(), 0);
    EXPECT_LE(imageDistance(out, reference), 1);

    QImage flat(97, 61, QImage::Format_RGB32);
    flat.fill(qRgb(12, 200, 99));
    QImage repeated(to, QImage::Format_RGB32);
    StreamScaler twice(flat.size(), to, repeated.bits(), repeated.bytesPerLine());
    twice.addRepeatedRow(60, 30, -1, reinterpret_cast<const QRgb*>(flat.constScanLine(0)));
    twice.addRepeatedRow(0, 31, 1, reinterpret_cast<const QRgb*>(flat.constScanLine(0)));
    EXPECT_EQ(twice.openRows(), 0);
    EXPECT_EQ(imageDistance(repeated, smoothScaled(flat, to)), 0);
}

// Woven rows reduced into a target, on one thread or, when split, on two.
class SplittableRows final : public RgbRowSink {
public:
    SplittableRows(QImage& canvas, const QRect& target, int orientation, bool split)
        : canvas_(canvas), target_(target), orientation_(orientation), split_(split) {}
    void begin(int width, int height) override {
        width_ = width;
        out_.emplace(canvas_, target_, QSize(width, height), orientation_);
    }
    void row(int y, const uint8_t* r, const uint8_t* g, const uint8_t* b) override {
        out_->addRow(0, y, woven(first_, r, g, b));
    }
    bool splitInTwo(TwoParts& parts) override {
        if (!split_)
            return false;
        const ScaledRowTarget::Parts p = out_->splitInTwo();
        parts = {p.firstEnd, p.secondBegin};
        return true;
    }
    void secondRow(int y, const uint8_t* r, const uint8_t* g, const uint8_t* b) override {
        ++secondRows;
        out_->addRow(1, y, woven(second_, r, g, b));
    }
    void finish() { out_->finish(); }
    std::atomic<int> secondRows{0};

private:
    const QRgb* woven(std::vector<QRgb>& buffer, const uint8_t* r, const uint8_t* g,
                      const uint8_t* b) {
        buffer.resize(std::size_t(width_));
        for (int x = 0; x < width_; ++x)
            buffer[std::size_t(x)] = qRgb(r[x], g[x], b[x]);
        return buffer.data();
    }
    QImage& canvas_;
    QRect target_;
    int orientation_;
    bool split_;
    int width_ = 0;
    std::vector<QRgb> first_, second_;
    std::optional<ScaledRowTarget> out_;
};

// A large picture's rows converted and reduced on two threads, each into
// its own half of the target, give the same pixels as on one, every target
// row written once: shrunk, enlarged, and turned through a scratch image.
TEST(RowsOnTwoThreads, GiveWhatOneThreadGives) {
    const int w = 1201, h = 1001; // past the size that takes two threads
    std::vector<uint8_t> luma(std::size_t(w) * h), cb(std::size_t((w + 1) / 2) * ((h + 1) / 2)),
        cr(cb.size());
    std::mt19937 random(11);
    for (std::size_t i = 0; i < luma.size(); ++i)
        luma[i] = uint8_t((i % std::size_t(w)) * 255 / std::size_t(w) ^ (random() & 15));
    for (std::size_t i = 0; i < cb.size(); ++i) {
        cb[i] = uint8_t(64 + random() % 128);
        cr[i] = uint8_t(64 + (i / 601) % 128);
    }
    YcbcrPlanes planes;
    planes.data[0] = luma.data(), planes.data[1] = cb.data(), planes.data[2] = cr.data();
    planes.stride[0] = w, planes.stride[1] = planes.stride[2] = (w + 1) / 2;
    planes.width = w, planes.height = h, planes.sx = planes.sy = 1;
    const struct {
        const char* name;
        QRect target;
        int orientation;
    } cases[] = {
        {"shrunk", QRect(3, 2, 700, 583), 1},
        {"shrunk a little", QRect(0, 0, 1100, 917), 1},
        {"enlarged", QRect(1, 1, 1500, 1250), 1},
        {"turned", QRect(2, 0, 400, 480), 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage one(c.target.bottomRight().x() + 3, c.target.bottomRight().y() + 3,
                   QImage::Format_RGB32);
        one.fill(kCanvasMark);
        QImage two = one.copy();
        SplittableRows single(one, c.target, c.orientation, false),
            split(two, c.target, c.orientation, true);
        ASSERT_TRUE(convertYcbcrRows(planes, 1, true, single));
        ASSERT_TRUE(convertYcbcrRows(planes, 1, true, split));
        single.finish();
        split.finish();
        if (QThread::idealThreadCount() >= 2)
            EXPECT_GT(split.secondRows.load(), h / 3);
        EXPECT_EQ(single.secondRows.load(), 0);
        EXPECT_EQ(imageDistance(one, two), 0);
        const QImage drawn = two.copy(c.target);
        int unwritten = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                unwritten += drawn.pixel(x, y) == kCanvasMark;
        EXPECT_EQ(unwritten, 0);
    }
    // A large picture reduced whole is made in two halves on two threads:
    // the same as reduced row by row on one.
    const QImage big = testlib::makePicture(1301, 997, testlib::Scene::Tiles, 3);
    for (const QSize to : {QSize(640, 491), QSize(1300, 990)}) {
        QImage streamed(to, QImage::Format_RGB32);
        StreamScaler scaler(big.size(), to, streamed.bits(), streamed.bytesPerLine());
        for (int y = 0; y < big.height(); ++y)
            scaler.addRow(y, reinterpret_cast<const QRgb*>(big.constScanLine(y)));
        EXPECT_EQ(imageDistance(smoothScaled(big, to), streamed), 0);
    }
}

} // namespace
} // namespace soru
