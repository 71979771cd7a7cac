// A photo stored sideways with an EXIF orientation tag is presented upright
// wherever the window puts it: the view, a thumbnail cell, the wallpaper
// file and the clipboard, with the upright size in the status bar.
#include "tests/ui/main_window_fixture.h"

#include "core/failure.h"
#include "core/thumbnail_grid.h"
#include "core/thumbnail_sheet_state.h"
#include "platform/wallpaper_location.h"
#include "tools/testlib/jpeg_variants.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/status_panels.h"

#include <QImage>
#include <gtest/gtest.h>

namespace soru {
namespace {

using test::LibraryWindow;

constexpr int kBlock = 16; // the stored picture is 4 x 2 blocks: 64 x 32

// Compares the middle of every block of the upright reference with the
// picture found at `at` in `actual` (JPEG: a small tolerance per channel).
::testing::AssertionResult showsUpright(const QImage& actual, QPoint at, const QImage& upright) {
    for (int y = kBlock / 2; y < upright.height(); y += kBlock)
        for (int x = kBlock / 2; x < upright.width(); x += kBlock) {
            const QRgb want = upright.pixel(x, y);
            const QPoint p = at + QPoint(x, y);
            if (!actual.rect().contains(p))
                return ::testing::AssertionFailure() << "outside at " << p.x() << "," << p.y();
            const QRgb got = actual.pixel(p);
            if (qAbs(qRed(got) - qRed(want)) > 24 || qAbs(qGreen(got) - qGreen(want)) > 24 ||
                qAbs(qBlue(got) - qBlue(want)) > 24)
                return ::testing::AssertionFailure()
                       << "block at " << x << "," << y << ": got " << std::hex << got << ", want " << want;
        }
    return ::testing::AssertionSuccess();
}

TEST(Orientation, EveryPlaceShowsThePictureUpright) {
    const QImage stored = testlib::orientationBlocks(kBlock);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QImage upright = testlib::uprightOf(stored, orientation);
        LibraryWindow h;
        h.lib.album(""); // the root album's folder
        testlib::writeJpegWithOrientation(h.library.file("p.jpg"), stored, orientation);
        h.create();
        const WindowParts ui = h.parts();

        // The view: the upright size, drawn at its own size, centred.
        const QString size = QStringLiteral("%1 x %2").arg(upright.width()).arg(upright.height());
        EXPECT_EQ(ui.sbInfo->panelText(1), size);
        EXPECT_EQ(ui.imgView->size(), upright.size());
        EXPECT_TRUE(showsUpright(ui.imgView->bitmap(), {0, 0}, upright));

        // The thumbnail cell.
        guarded([&] { h.w().aSumExecute(); });
        const ThumbGrid grid = h.w().session().sheet().grid();
        const QRect cell = thumbnailRect(grid, 0, 0, upright.width(), upright.height());
        EXPECT_EQ(cell.size(), upright.size()); // small enough to stay unscaled
        EXPECT_TRUE(showsUpright(ui.imgSum->bitmap(), cell.topLeft(), upright));
        guarded([&] { h.w().aSumExecute(); });

        // The wallpaper file and the clipboard: the whole picture, upright.
        guarded([&] { h.w().aWallExecute(); });
        const QImage wall(wallpaperFilePath(h.wallDir.path()));
        EXPECT_EQ(wall.size(), upright.size());
        EXPECT_TRUE(showsUpright(wall, {0, 0}, upright));
        guarded([&] { h.w().aCopyExecute(); });
        ASSERT_EQ(h.clipboard.images.size(), 1);
        EXPECT_EQ(h.clipboard.images[0].size(), upright.size());
        EXPECT_TRUE(showsUpright(h.clipboard.images[0], {0, 0}, upright));
        EXPECT_TRUE(h.failures.messages.isEmpty()) << h.failures.messages.join(';').toStdString();
    }
}

} // namespace
} // namespace soru
