// The whole hostile library, the 10,000-picture album included: the album
// scan at creation, and the big album opened, stepped through and shown as
// thumbnail pages, with every step timed.
#include "tests/hostile/hostile_window.h"
#include "tests/hostile/qt_printers.h"

#include "core/albums.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"

#include <QScrollBar>
#include <gtest/gtest.h>

#include <cstdio>

namespace soru {
namespace {

using namespace soru::testlib;
using test::HostileWindow;

// Generous bounds for a slow, shared machine; the measured times are printed.
constexpr double kScanBoundMs = 20000;
constexpr double kOpenBoundMs = 20000;
constexpr double kStepBoundMs = 20000;
constexpr qint64 kStepReadBound = 64LL << 20;

TEST(HostileLibrary, ScanListsExactlyTheAlbumsThatHoldPictures) {
    HostileWindow h(HostileOptions{});
    std::printf("[ permissions ] %s\n", qPrintable(h.permissionsNote()));
    QStringList shown = h.albumEntries();
    QStringList wanted = h.expectedAlbumEntries();
    // The root album comes first; the others in the list's own order.
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(albumEntryName(shown.first()), kRootAlbumLabel);
    shown.sort();
    wanted.sort();
    EXPECT_EQ(shown, wanted);
    // The root album was opened and its first picture shown without a word.
    EXPECT_EQ(h.messages, QStringList());
    EXPECT_EQ(h.parts().sbInfo->panelText(0), QStringLiteral("1 / 1"));
    EXPECT_FALSE(h.parts().imgView->isHidden());

    const double scan = h.clock().steps().first().ms;
    std::printf("[ timing      ] creation with the scan of %d folders: %.1f ms\n",
                int(hostileAlbums().size()), scan);
    EXPECT_LT(scan, kScanBoundMs);
}

TEST(HostileLibrary, TenThousandPictureAlbumOpensStepsAndPages) {
    HostileWindow h(HostileOptions{});
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    const HostileAlbum& bulk = HostileWindow::album(kHostileBulkAlbum);
    ASSERT_TRUE(h.openAlbum(bulk));
    const double open = h.clock().steps().last().ms;
    ASSERT_EQ(w.session().album().paths().size(), kHostileBulkPictures);
    EXPECT_EQ(ui.lstFile->count(), kHostileBulkPictures);
    EXPECT_EQ(w.session().album().paths().first().section(QLatin1Char('/'), -1), QStringLiteral("p00000.jpg"));
    EXPECT_EQ(w.session().album().paths().last().section(QLatin1Char('/'), -1), QStringLiteral("p09999.jpg"));
    EXPECT_EQ(h.openMessages, QStringList());
    EXPECT_EQ(ui.sbInfo->panelText(1), QString::fromLatin1(kHostileBulkSize));

    // Stepping: back across the start to the last picture, then forward.
    h.run(QStringLiteral("back to 10000 / 10000"), [&] { w.aBackExecute(); });
    EXPECT_EQ(ui.sbInfo->panelText(0), QStringLiteral("10000 / 10000"));
    constexpr int kSteps = 50;
    double stepping = 0;
    for (int i = 0; i < kSteps; ++i) {
        EXPECT_EQ(h.run(QStringLiteral("next in the big album"), [&] { w.aNextExecute(); }), QStringList());
        stepping += h.clock().steps().last().ms;
    }
    EXPECT_EQ(w.session().album().index(), kSteps - 1);
    EXPECT_EQ(ui.sbInfo->panelText(0), QStringLiteral("%1 / 10000").arg(kSteps));
    EXPECT_EQ(ui.sbInfo->panelText(1), QString::fromLatin1(kHostileBulkSize));

    // Every thumbnail page.
    double sheet = h.clock().step(QStringLiteral("sheet page 1"), [&] { ui.action(Command::Sum)->trigger(); });
    const int pages = ui.sbScr->maximum() + 1;
    EXPECT_EQ(pages, (kHostileBulkPictures + w.session().sheet().grid().perPage() - 1) / (w.session().sheet().grid().perPage()));
    const QImage firstPage = ui.imgSum->bitmap();
    for (int page = 1; page < pages; ++page)
        sheet += h.clock().step(QStringLiteral("sheet page %1").arg(page + 1), [&] { ui.sbScr->setValue(page); });
    EXPECT_TRUE(w.session().sheet().pageValid());
    // The last page holds the 16 pictures left over: it was drawn anew.
    EXPECT_NE(ui.imgSum->bitmap(), firstPage);
    EXPECT_EQ(h.messages, QStringList());

    std::printf("[ timing      ] 10,000 pictures: open %.0f ms; %d steps %.0f ms (%.1f ms each); "
                "%d sheet pages %.0f ms (%.2f ms each)\n",
                open, kSteps, stepping, stepping / kSteps, pages, sheet, sheet / pages);
    std::printf("[ timing      ] slowest:\n%s", qPrintable(h.clock().slowest(5)));
    EXPECT_LT(open, kOpenBoundMs);
    EXPECT_EQ(h.clock().readingMoreThan(kStepReadBound), QString());
    EXPECT_LT(h.clock().longestMs(), kStepBoundMs);
}

} // namespace
} // namespace soru
