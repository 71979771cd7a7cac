// The information window's text area: how many whole lines it holds decides
// whether the text moves.
#include "ui/info/info_window.h"

#include "ui/widgets/app_style.h"
#include "ui/widgets/image_box.h"

#include <QTest>
#include <gtest/gtest.h>

namespace soru {
namespace {

// At 96 dots per inch the 9-point font is 12 pixels high and lines are 13
// apart, so the 115-pixel area holds 8 whole lines. A text of up to 8 lines
// stands still; one of 9 lines or more scrolls.
TEST(InfoWindowEdgeCases, TheAreaHoldsEightWholeLines) {
    installFontSubstitutions();
    const struct {
        int usageLines; // the fortune line comes on top
        bool scrolls;
    } cases[] = {{0, false}, {6, false}, {7, false}, {8, true}, {9, true}, {40, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.usageLines + 1);
        InfoWindowSetup setup;
        setup.pickFortune = [] { return 0; };
        QStringList text;
        for (int i = 0; i < c.usageLines; ++i)
            text << QStringLiteral(" 行 %1").arg(i);
        setup.usageText = text;
        TQD_SORUInfo w(nullptr, nullptr, setup); // no links needed
        ASSERT_EQ(w.lstTxt.size(), c.usageLines + 1);
        EXPECT_EQ(w.tmrScroll->isActive(), c.scrolls);
        if (!c.scrolls) {
            // A text that stands still keeps its first frame: nothing moves.
            const QImage first = w.imgMsg->bitmap();
            QTest::qWait(250);
            EXPECT_EQ(w.imgMsg->bitmap(), first);
        }
    }
}

} // namespace
} // namespace soru
