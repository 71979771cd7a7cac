// Every album of the hostile library opened through the real window: every
// picture stepped to with the next action and every thumbnail page shown,
// each checked against the outcome its row gives, each step timed.
#include "tests/hostile/hostile_window.h"
#include "tests/hostile/qt_printers.h"

#include "core/cache_budget.h"
#include "core/limits.h"
#include "core/presentation.h"
#include "ui/main/status_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"

#include <QScrollBar>
#include <gtest/gtest.h>

#include <cstdio>

namespace soru {
namespace {

using namespace soru::testlib;
using test::Expected;
using test::HostileWindow;

// However hostile the entry, no step may keep the window for longer than
// this (generous: a sanitizer build on a busy machine runs several times
// slower; the measured times are printed), nor read more than this: no
// picture of the library needs more than a few hundred kilobytes of its file.
constexpr double kStepBoundMs = 20000;
constexpr qint64 kStepReadBound = 64LL << 20;
// Nor may any step make the process grow by more than the one picture limit
// plus the decode cache the window keeps for its screen.
const qint64 kStepMemoryBound = kMaxDecodedPictureBytes + decodeCacheBytes(QSize(1024, 768), 0);

// The message a row expects for the picture at path.
QString messageFor(const QString& detail, const QString& path) {
    return detail.contains(QLatin1String("%1")) ? detail.arg(path) : detail;
}

// Control characters as \xHH, so names with line feeds and escapes print.
QString escaped(const QString& s) {
    QString out;
    for (QChar c : s)
        out += c.unicode() < 0x20 || c.unicode() == 0x7F
                   ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                   : QString(c);
    return out;
}

// Checks the window after picture `index` was presented by a step that
// reported `messages` and made `newSoundCalls` calls to the sound service.
void checkPresented(HostileWindow& h, const QHash<QString, Expected>& expected, int index,
                    const QStringList& messages, qsizetype newSoundCalls) {
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    const QString path = w.session().album().paths()[index];
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const Expected x = expected.value(name);
    SCOPED_TRACE(QStringLiteral("%1 (%2: %3)")
                     .arg(escaped(name), QString::fromLatin1(hostileOutcomeName(x.outcome)),
                          QString::fromUtf8(x.entry ? x.entry->what : "generated picture"))
                     .toStdString());
    ASSERT_TRUE(expected.contains(name));
    EXPECT_EQ(ui.sbInfo->panelText(panelIndex(StatusPanel::Position)), positionText(index, w.session().album().count()));
    EXPECT_EQ(escaped(ui.sbInfo->panelText(panelIndex(StatusPanel::Name))), escaped(name));
    // The picture list names it by its whole name less the extension.
    EXPECT_EQ(escaped(ui.lstFile->item(index)->text().mid(1)), escaped(name.left(name.lastIndexOf(QLatin1Char('.')))));
    switch (x.outcome) {
    case HostileOutcome::Shown:
        EXPECT_EQ(messages, QStringList());
        EXPECT_EQ(ui.sbInfo->panelText(panelIndex(StatusPanel::Size)), x.detail);
        EXPECT_NE(ui.sbInfo->panelText(panelIndex(StatusPanel::Date)), QString());
        EXPECT_EQ(ui.sbInfo->panelText(panelIndex(StatusPanel::MemoKind)), x.memoKind);
        EXPECT_EQ(ui.sbInfo->panelText(panelIndex(StatusPanel::Sound)).isEmpty(), !x.sound);
        EXPECT_EQ(newSoundCalls, x.sound ? 1 : 0);
        EXPECT_FALSE(ui.imgView->isHidden());
        break;
    case HostileOutcome::Refused:
        EXPECT_EQ(messages, QStringList{messageFor(x.detail, path)});
        EXPECT_EQ(newSoundCalls, 0);
        break;
    case HostileOutcome::Vanished:
        EXPECT_EQ(messages, QStringList());
        EXPECT_TRUE(ui.imgView->isHidden());
        EXPECT_EQ(ui.sbInfo->panelText(panelIndex(StatusPanel::Size)), QString());
        EXPECT_EQ(ui.sbInfo->panelText(panelIndex(StatusPanel::Date)), QString());
        EXPECT_EQ(newSoundCalls, 0);
        break;
    case HostileOutcome::Ignored:
        ADD_FAILURE() << "an ignored entry was listed";
        break;
    }
}

// Checks the thumbnail page `page` just drawn by a step that reported
// `messages`: the first picture on it whose decoding fails stops the page.
void checkPage(HostileWindow& h, const QHash<QString, Expected>& expected, int page,
               const QStringList& messages) {
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    const int perPage = w.session().sheet().grid().perPage();
    const int first = page * perPage;
    const int last = std::min<int>(first + perPage, w.session().album().count()) - 1;
    QStringList wanted;
    for (int i = first; i <= last && wanted.isEmpty(); ++i) {
        const QString path = w.session().album().paths()[i];
        const Expected x = expected.value(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
        if (x.refusedOnSheet())
            wanted << messageFor(x.detail, path);
    }
    SCOPED_TRACE(QStringLiteral("thumbnail page %1").arg(page + 1).toStdString());
    EXPECT_EQ(messages, wanted);
    EXPECT_EQ(w.session().sheet().pageValid(), wanted.isEmpty());
    EXPECT_TRUE(ui.pbInfo->isHidden());
}

class HostileAlbumWalk : public ::testing::TestWithParam<QByteArray> {};

TEST_P(HostileAlbumWalk, EveryPictureAndEverySheetPageMeetsItsRow) {
    HostileWindow h(HostileOptions{.bulkAlbum = false});
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    const HostileAlbum& album = HostileWindow::album(GetParam());
    std::printf("[ permissions ] %s\n", qPrintable(h.permissionsNote()));
    if (!h.listed(album)) {
        EXPECT_FALSE(h.openAlbum(album)) << "listed though it should not be";
        return;
    }
    ASSERT_TRUE(h.openAlbum(album)) << "not in the album list";

    const QHash<QString, Expected> expected = h.expectedPictures(album);
    QStringList names;
    for (const QString& path : w.session().album().paths())
        names << escaped(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    QStringList wantedNames;
    for (auto it = expected.begin(); it != expected.end(); ++it)
        wantedNames << escaped(it.key());
    names.sort();
    wantedNames.sort();
    EXPECT_EQ(names, wantedNames);
    EXPECT_EQ(ui.lstFile->count(), w.session().album().paths().size());
    const int n = w.session().album().count();

    if (n == 0) {
        // An album gone since the scan opens with nothing and says nothing.
        EXPECT_EQ(h.openMessages, QStringList());
        for (QAction* a : {ui.action(Command::Back), ui.action(Command::Auto), ui.action(Command::Next), ui.action(Command::Sum), ui.action(Command::Copy), ui.action(Command::Wall)})
            EXPECT_FALSE(a->isEnabled());
    } else {
        ASSERT_EQ(w.session().album().index(), 0);
        // Entries that change once the album is open are checked when shown
        // after the change; the first one again at the end of the round.
        if (!h.changeEntries(album))
            checkPresented(h, expected, 0, h.openMessages, h.sound.calls.size());
        // Every picture in turn, then round to the first again.
        for (int step = 1; step <= n && n > 1; ++step) {
            const int index = step % n;
            const qsizetype calls = h.sound.calls.size();
            const QString label = QStringLiteral("next to %1 / %2").arg(index + 1).arg(n);
            const QStringList messages = h.run(label, [&] { w.aNextExecute(); });
            ASSERT_EQ(w.session().album().index(), index);
            checkPresented(h, expected, index, messages, h.sound.calls.size() - calls);
        }
        // The thumbnail sheet, page by page.
        QStringList messages = h.run(QStringLiteral("sheet page 1"), [&] { ui.action(Command::Sum)->trigger(); });
        ASSERT_TRUE(ui.action(Command::Sum)->isChecked());
        checkPage(h, expected, 0, messages);
        for (int page = 1; page <= ui.sbScr->maximum(); ++page) {
            messages = h.run(QStringLiteral("sheet page %1").arg(page + 1), [&] { ui.sbScr->setValue(page); });
            checkPage(h, expected, page, messages);
        }
        h.run(QStringLiteral("sheet hidden"), [&] { ui.action(Command::Sum)->trigger(); });
        EXPECT_FALSE(ui.action(Command::Sum)->isChecked());
    }

    std::printf("[ timing      ] %lld steps, slowest:\n%s", static_cast<long long>(h.clock().steps().size()),
                qPrintable(h.clock().slowest(5)));
    EXPECT_EQ(h.clock().releases(), QStringList()) << "the window blocked opening a named pipe";
    EXPECT_LT(h.clock().longestMs(), kStepBoundMs) << qPrintable(h.clock().slowest(3));
    EXPECT_EQ(h.clock().readingMoreThan(kStepReadBound), QString()) << "steps that read too much";
    std::printf("[ memory      ] largest rise in one step: %s\n", qPrintable(h.clock().largestGrowth()));
    EXPECT_EQ(h.clock().growingMoreThan(kStepMemoryBound), QString()) << "steps that took too much memory";
}

std::vector<QByteArray> walkedAlbums() {
    std::vector<QByteArray> out;
    for (const HostileAlbum& a : hostileAlbums())
        if ((a.listed || a.permissionDependent) && a.bulkPictures != kHostileBulkPictures)
            out.push_back(a.name);
    return out;
}

std::string testName(const ::testing::TestParamInfo<QByteArray>& info) {
    std::string name = std::to_string(info.index) + "_";
    for (const char c : info.param.isEmpty() ? QByteArray("root") : info.param)
        name += std::isalnum(uchar(c)) ? c : '_';
    return name.substr(0, 40);
}

INSTANTIATE_TEST_SUITE_P(Hostile, HostileAlbumWalk, ::testing::ValuesIn(walkedAlbums()), testName);

} // namespace
} // namespace soru
