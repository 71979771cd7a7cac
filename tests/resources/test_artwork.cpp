// The embedded pictures: present under :/images/, the right sizes, and drawn
// within the rules the program relies on (transparent glyph corners, two-colour
// cursors, a plain band under the progress bar).
#include "resources/artwork.h"

#include <QColor>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

int opaqueCount(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 0)
                ++n;
    return n;
}

class GlyphTest : public ::testing::TestWithParam<int> {};

TEST_P(GlyphTest, IsSixteenSquareWithClearCornersAndADrawing) {
    const int index = GetParam();
    const QImage img = soru::glyphImage(index);
    ASSERT_FALSE(img.isNull()) << soru::glyphPath(index).toStdString();
    EXPECT_EQ(img.size(), QSize(16, 16));
    EXPECT_TRUE(img.hasAlphaChannel());
    for (const QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)})
        EXPECT_EQ(qAlpha(img.pixel(corner)), 0) << "corner " << corner.x() << "," << corner.y();
    // Enough ink to be a picture, enough ground left to keep a silhouette.
    const int opaque = opaqueCount(img);
    EXPECT_GE(opaque, 60);
    EXPECT_LE(opaque, 16 * 16 - 12);
    const QPixmap pixmap = soru::glyph(index);
    EXPECT_EQ(pixmap.size(), QSize(16, 16));
}

INSTANTIATE_TEST_SUITE_P(AllGlyphs, GlyphTest, ::testing::Range(0, soru::kGlyphCount));

TEST(Glyphs, AreAllDifferentPictures) {
    // A mix-up in numbering or a copied drawing shows up as two equal images.
    for (int a = 0; a < soru::kGlyphCount; ++a)
        for (int b = a + 1; b < soru::kGlyphCount; ++b)
            EXPECT_FALSE(soru::glyphImage(a) == soru::glyphImage(b)) << a << " and " << b;
}

TEST(Glyphs, PathsAreNumberedWithTwoDigitsAndRangeChecked) {
    const struct {
        int index;
        const char* path;
    } cases[] = {
        {0, ":/images/glyph_00.png"},
        {7, ":/images/glyph_07.png"},
        {10, ":/images/glyph_10.png"},
        {23, ":/images/glyph_23.png"},
        {-1, ""},
        {24, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(soru::glyphPath(c.index), QString::fromLatin1(c.path)) << c.index;
    EXPECT_TRUE(soru::glyph(-1).isNull());
    EXPECT_TRUE(soru::glyph(soru::kGlyphCount).isNull());
    EXPECT_TRUE(soru::glyphImage(soru::kGlyphCount).isNull());
}

TEST(Cursors, AreBlackAndWhiteCardsAnchoredAtTheTopLeft) {
    const struct {
        const char* name;
        QCursor cursor;
        const char* file;
    } cases[] = {
        {"back", soru::backCursor(), ":/images/cursor_back.png"},
        {"next", soru::nextCursor(), ":/images/cursor_next.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.cursor.hotSpot(), QPoint(0, 0));
        EXPECT_EQ(c.cursor.pixmap().size(), QSize(32, 32));
        const QImage img =
            QImage(QString::fromLatin1(c.file)).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(img.size(), QSize(32, 32));
        int black = 0, white = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb p = img.pixel(x, y);
                if (qAlpha(p) == 0)
                    continue;
                ASSERT_EQ(qAlpha(p), 255) << x << "," << y;
                if ((p & 0xffffff) == 0)
                    ++black;
                else if ((p & 0xffffff) == 0xffffff)
                    ++white;
                else
                    FAIL() << "grey pixel at " << x << "," << y;
            }
        // The hot spot is the card's black corner; the card and its arrow both show.
        EXPECT_EQ(img.pixel(0, 0), qRgba(0, 0, 0, 255));
        EXPECT_EQ(qAlpha(img.pixel(31, 31)), 0);
        EXPECT_GT(white, 150);
        EXPECT_GT(black, 120);
    }
}

TEST(Cursors, ArrowsPointOppositeWays) {
    // The back arrow's head is in the left half of the card, the next arrow's
    // in the right: the column of most black pixels inside the card tells.
    auto tallestColumn = [](const QImage& img) {
        int best = -1, bestCount = -1;
        for (int x = 1; x < 19; ++x) {
            int n = 0;
            for (int y = 1; y < 17; ++y)
                n += (img.pixel(x, y) & 0xffffff) == 0 && qAlpha(img.pixel(x, y)) == 255;
            if (n > bestCount) {
                bestCount = n;
                best = x;
            }
        }
        return best;
    };
    const QImage back = QImage(":/images/cursor_back.png").convertToFormat(QImage::Format_ARGB32);
    const QImage next = QImage(":/images/cursor_next.png").convertToFormat(QImage::Format_ARGB32);
    EXPECT_LT(tallestColumn(back), 10);
    EXPECT_GE(tallestColumn(next), 10);
}

TEST(Splash, ArtworkAndEmblemSizes) {
    EXPECT_EQ(soru::splashArtwork().size(), QSize(340, 180));
    EXPECT_EQ(soru::splashEmblem().size(), QSize(16, 16));
}

TEST(Splash, ProgressBandIsPlain) {
    // The bar is laid over x 46..304, y 131..139; no text or picture may show
    // through around it, so the band's brightness stays within a narrow range.
    const QImage img = soru::splashArtwork().toImage();
    ASSERT_FALSE(img.isNull());
    int lo = 255, hi = 0;
    for (int y = 129; y <= 141; ++y)
        for (int x = 44; x <= 306; ++x) {
            const int v = qGray(img.pixel(x, y));
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    EXPECT_LT(hi - lo, 40) << "darkest " << lo << ", brightest " << hi;
}

TEST(Icon, HasBothSizes) {
    const QIcon icon = soru::mainIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const QSize s : {QSize(16, 16), QSize(32, 32)}) {
        EXPECT_TRUE(sizes.contains(s)) << s.width();
        EXPECT_EQ(icon.pixmap(s).size(), s);
    }
}

} // namespace

namespace {

// True when every scale x scale block of img holds one colour: what an
// enlargement by whole pixels of a smaller picture gives.
bool isBlockReplicated(const QImage& img, int scale) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != img.pixel(x - x % scale, y - y % scale))
                return false;
    return true;
}

} // namespace

// Each high-density picture has scale times the pixels, reports the logical
// size of the 1x picture, and was painted at that resolution rather than
// enlarged from the 1x one.
TEST(HighDensity, PicturesArePaintedAtEachScaleWithTheSameLogicalSize) {
    for (const char* stem : {"glyph_07", "glyph_19", "cursor_back", "cursor_next", "splash"}) {
        const QImage base = soru::artworkImage(QString::fromLatin1(stem), 1);
        ASSERT_FALSE(base.isNull()) << stem;
        for (const int scale : {2, 3}) {
            const QImage img = soru::artworkImage(QString::fromLatin1(stem), scale);
            ASSERT_FALSE(img.isNull()) << stem << " @" << scale;
            EXPECT_EQ(img.size(), base.size() * scale) << stem << " @" << scale;
            EXPECT_EQ(img.deviceIndependentSize(), QSizeF(base.size())) << stem << " @" << scale;
            EXPECT_FALSE(isBlockReplicated(img, scale)) << stem << " @" << scale;
        }
    }
    // Guards the check itself: an enlargement is recognised as one.
    const QImage g = soru::glyphImage(int(soru::Glyph::Sound), 1);
    EXPECT_TRUE(isBlockReplicated(g.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation), 2));
}

TEST(HighDensity, EveryGlyphIsSixteenLogicalPixelsAtEveryScale) {
    for (int i = 0; i < soru::kGlyphCount; ++i)
        for (const int scale : {1, 2, 3}) {
            const QImage img = soru::glyphImage(i, scale);
            EXPECT_EQ(img.size(), QSize(16, 16) * scale) << i << " @" << scale;
            EXPECT_EQ(img.deviceIndependentSize(), QSizeF(16, 16)) << i << " @" << scale;
            // The corners stay clear at every scale, as the 1x glyph's do.
            EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << i << " @" << scale;
        }
    EXPECT_TRUE(soru::glyphImage(0, 4).isNull());
    EXPECT_EQ(soru::glyphPath(7, 2), QStringLiteral(":/images/glyph_07@2x.png"));
}

TEST(HighDensity, ScaleIsTheRatioRoundedUpWithinOneToThree) {
    const struct {
        qreal ratio;
        int scale;
    } cases[] = {{1.0, 1}, {1.25, 2}, {1.5, 2}, {2.0, 2}, {2.0000001, 2}, {2.5, 3}, {3.0, 3}, {4.0, 3}, {0.5, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(soru::artworkScaleFor(c.ratio), c.scale) << c.ratio;
}

TEST(HighDensity, LoadersFollowTheScreenAndKeepLogicalSizes) {
    // The offscreen screen of the tests has a ratio of 1.
    const int scale = soru::artworkScale();
    const QPixmap g = soru::glyph(soru::Glyph::Sound);
    EXPECT_EQ(g.devicePixelRatio(), scale);
    EXPECT_EQ(g.deviceIndependentSize(), QSizeF(16, 16));
    EXPECT_EQ(soru::splashArtwork().deviceIndependentSize(), QSizeF(340, 180));
    EXPECT_EQ(soru::splashEmblem().deviceIndependentSize(), QSizeF(16, 16));
    EXPECT_EQ(soru::infoBanner().deviceIndependentSize(), QSizeF(88, 31));
    EXPECT_EQ(soru::backCursor().pixmap().deviceIndependentSize(), QSizeF(32, 32));
    const QIcon icon = soru::mainIcon();
    for (const int side : {16, 32, 48, 64, 96})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side))) << side;
    EXPECT_EQ(icon.pixmap(QSize(32, 32), 2.0).size(), QSize(64, 64));
}
