// What follows the picture data of a JPEG file: libjpeg's errors there
// fail the decode as errors inside the scans do (nothing drawn, nothing
// kept), its warnings are ignored.
#include "media/colour/colour_management.h"
#include "media/formats/jpeg_picture.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/jpeg_variants.h"

#include <QList>

#include <gtest/gtest.h>

#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>
#include <ostream>

namespace soru {
namespace {

using namespace soru::test;
using testlib::JpegKind;
using testlib::JpegTrailer;
using testlib::TrailerPlace;

struct TrailerCase {
    JpegKind kind;
    JpegTrailer trailer;
    TrailerPlace place;
};

void PrintTo(const TrailerCase& c, std::ostream* os) {
    *os << testlib::jpegKindName(c.kind) << "/" << testlib::jpegTrailerName(c.trailer)
        << (c.place == TrailerPlace::BeforeEnd ? "/before_end" : "/before_last_scan");
}

// libjpeg's message code for the damage; 0 where it only warns.
int expectedCode(JpegTrailer t) {
    switch (t) {
    case JpegTrailer::SecondFrameHeader:
        return JERR_SOF_DUPLICATE;
    case JpegTrailer::ZeroLengthQuantTable:
    case JpegTrailer::ShortHuffmanTable:
        return JERR_BAD_LENGTH;
    case JpegTrailer::QuantTableIndex5:
        return JERR_DQT_INDEX;
    case JpegTrailer::SecondStartOfImage:
        return JERR_SOI_DUPLICATE;
    case JpegTrailer::UnknownMarker:
        return JERR_UNKNOWN_MARKER;
    case JpegTrailer::SecondScan:
        return JERR_EOI_EXPECTED;
    case JpegTrailer::StrayBytes:
    case JpegTrailer::Comment:
    case JpegTrailer::RestartMarker:
        return 0;
    }
    return -1;
}

QList<TrailerCase> allCases() {
    QList<TrailerCase> cases;
    for (JpegKind kind : testlib::kAllJpegKinds)
        for (JpegTrailer trailer : testlib::kAllJpegTrailers) {
            const bool progressive = kind == JpegKind::Progressive;
            if (!(progressive && trailer == JpegTrailer::SecondScan))
                cases.append({kind, trailer, TrailerPlace::BeforeEnd});
            if (progressive && trailer != JpegTrailer::SecondScan)
                cases.append({kind, trailer, TrailerPlace::BeforeLastScan});
        }
    return cases;
}

// Left and right halves of distinct colours, so a drawn picture is told
// from a grey fill.
QImage halves() {
    QImage img(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, x < 32 ? qRgb(230, 200, 60) : qRgb(30, 40, 160));
    return img;
}

class Trailers : public ::testing::TestWithParam<TrailerCase> {};

TEST_P(Trailers, ErrorsFailTheDrawLikeDamageInTheScansAndWarningsAreIgnored) {
    ColourTransformCache colours;
    const TrailerCase c = GetParam();
    const TempDir dir;
    const QString path = dir.file("t.jpg");
    testlib::writeFile(path, testlib::jpegWithTrailer(halves(), c.kind, c.trailer, c.place));
    const int code = expectedCode(c.trailer);
    const QString failure = code ? QStringLiteral("JPEG エラー #%1").arg(code) : kNoFailure;

    // Loading reads the header only: the damage is not seen yet.
    JpegPicture picture(colours);
    ASSERT_EQ(failureOf([&] { picture.load(path); }), kNoFailure);
    EXPECT_EQ(QSize(picture.width(), picture.height()), QSize(64, 48));

    // At full size and at a DCT reduction alike.
    for (const QRect target : {QRect(3, 2, 64, 48), QRect(3, 2, 8, 6)}) {
        SCOPED_TRACE(target.width());
        JpegPicture p(colours);
        p.load(path);
        QImage canvas(80, 60, QImage::Format_RGB32);
        canvas.fill(kCanvasMark);
        EXPECT_EQ(failureOf([&] { p.draw(canvas, target); }), failure);
        if (code) {
            // Nothing drawn and nothing kept: a second draw decodes again
            // and fails again.
            EXPECT_EQ(canvas.pixel(target.center()), kCanvasMark);
            EXPECT_EQ(canvas.pixel(target.topLeft()), kCanvasMark);
            EXPECT_EQ(p.decodedDenominator(), 0);
            EXPECT_EQ(failureOf([&] { p.draw(canvas, target); }), failure);
        } else {
            EXPECT_NE(canvas.pixel(target.topLeft()), kCanvasMark);
            const QRgb left = canvas.pixel(target.left() + target.width() / 4, target.center().y());
            const QRgb right =
                canvas.pixel(target.left() + 3 * target.width() / 4, target.center().y());
            EXPECT_GT(colourDistance(left, right), 60) << "the picture's halves";
        }
    }
    // The wallpaper and the clipboard take the whole picture the same way.
    JpegPicture whole(colours);
    whole.load(path);
    QImage full;
    EXPECT_EQ(failureOf([&] { full = whole.fullImage(); }), failure);
    EXPECT_EQ(full.isNull(), code != 0);
}

INSTANTIATE_TEST_SUITE_P(Damage, Trailers, ::testing::ValuesIn(allCases()),
                         [](const auto& info) {
                             const TrailerCase& c = info.param;
                             return std::string(testlib::jpegKindName(c.kind)) + "_" +
                                    testlib::jpegTrailerName(c.trailer) +
                                    (c.place == TrailerPlace::BeforeEnd ? "" : "_between_scans");
                         });

} // namespace
} // namespace soru
