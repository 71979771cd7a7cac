// No text is cut: every menu item, the texts over the thumbnail sheet, the
// information window's labels and the program's question and message boxes,
// each measured with its widget's own font after the widget has laid itself
// out, in the original texts and in English, at the device pixel ratio of
// this run (QT_SCALE_FACTOR 1 and 2, a run each).
#include "app/start.h"
#include "core/failure.h"
#include "core/texts.h"
#include "media/formats/bitmap_writer.h"
#include "media/formats/picture_object.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/info/info_window.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/status_panels.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyleOption>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

namespace soru {
namespace {

// The texts of one language as the program sets them up: the English
// translation, or the original texts with the toolkit's own in Japanese.
class Language {
public:
    explicit Language(bool english) : english_(english), texts_(english) {
        if (!english && toolkit_.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            toolkitActive_ = QCoreApplication::installTranslator(&toolkit_);
    }
    ~Language() {
        if (toolkitActive_)
            QCoreApplication::removeTranslator(&toolkit_);
    }
    bool ready() const { return texts_.active() == english_; }
    std::string name() const {
        return QStringLiteral("%1 at ratio %2")
            .arg(english_ ? QLatin1String("English") : QLatin1String("Japanese"))
            .arg(qApp->devicePixelRatio())
            .toStdString();
    }

private:
    bool english_;
    test::EnglishTexts texts_;
    QTranslator toolkit_;
    bool toolkitActive_ = false;
};

class TextFit : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() { installFontSubstitutions(); }
};

INSTANTIATE_TEST_SUITE_P(Languages, TextFit, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "English" : "Japanese"); });

// How far a one-line text reaches from where it starts: its advance, or its
// ink where a glyph hangs out beyond it.
int lineWidth(const QFontMetrics& fm, const QString& text) {
    return std::max(fm.horizontalAdvance(text), fm.boundingRect(text).right() + 1);
}

QString withoutMnemonic(QString text) {
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QChar(1), QLatin1Char('&'));
}

// Reaches the menu's own description of an item, as its style gets it.
struct MenuItemOption : QMenu {
    using QMenu::initStyleOption;
};

// The items of a shown menu whose caption and shortcut do not fit the room
// the menu gives them: its item rectangle, as far as the menu shows it,
// against the width the style asks for around the caption and the shortcut
// column (frame, icon and check column, the gap before the shortcut, a
// sub-menu's arrow).
QStringList cutMenuItems(QMenu* menu) {
    QStringList cut;
    const QFontMetrics fm = menu->fontMetrics();
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() || !a->isVisible())
            continue;
        QStyleOptionMenuItem option;
        (menu->*(&MenuItemOption::initStyleOption))(&option, a);
        const QRect shown = menu->actionGeometry(a) & menu->rect();
        const QString caption = withoutMnemonic(option.text.section(QLatin1Char('\t'), 0, 0));
        const QString shortcut = option.text.section(QLatin1Char('\t'), 1);
        const QSize text(lineWidth(fm, caption) +
                             std::max(option.reservedShortcutWidth, shortcut.isEmpty() ? 0 : lineWidth(fm, shortcut)),
                         fm.height());
        const QSize needed = menu->style()->sizeFromContents(QStyle::CT_MenuItem, &option, text, menu);
        if (needed.width() > shown.width() || fm.height() > shown.height())
            cut << QStringLiteral("%1 (%2 of %3 x %4)").arg(option.text).arg(needed.width()).arg(shown.width()).arg(shown.height());
    }
    return cut;
}

// The texts of a shown box that do not fit: a label's text in the label, as
// it wraps it (measured to the fraction of a pixel the lines are laid out
// at), a label outside the box, a button narrower than its caption needs.
QStringList cutBoxTexts(QWidget* box) {
    QStringList cut;
    const QRect inside = box->rect();
    for (QLabel* label : box->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        const QRectF room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine);
        const QRectF text = QFontMetricsF(label->font(), label)
                                .boundingRect(QRectF(room.topLeft(), QSizeF(room.width(), 10000)), flags, label->text());
        const QRect placed(label->mapTo(box, QPoint(0, 0)), label->size());
        if (text.width() > room.width() || text.height() > room.height() || !inside.contains(placed))
            cut << QStringLiteral("%1 (%2 x %3 in %4 x %5)")
                       .arg(label->text())
                       .arg(text.width())
                       .arg(text.height())
                       .arg(room.width())
                       .arg(room.height());
    }
    for (QPushButton* button : box->findChildren<QPushButton*>()) {
        const QRect placed(button->mapTo(box, QPoint(0, 0)), button->size());
        if (button->isVisible() && (button->width() < button->sizeHint().width() || !inside.contains(placed)))
            cut << button->text();
    }
    return cut;
}

std::string joined(const QStringList& texts) { return texts.join(QStringLiteral(" | ")).toStdString(); }

// The main menu, its sub-menus, the toolbar's drop-downs and the frame
// settings, each popped up as the user sees it.
TEST_P(TextFit, EveryMenuItemIsWhole) {
    const Language language(GetParam());
    ASSERT_TRUE(language.ready());
    SCOPED_TRACE(language.name());
    test::LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 64, 48);
    h.create();
    h.w().show();
    const QList<QMenu*> menus = h.w().findChildren<QMenu*>();
    ASSERT_GE(menus.size(), 7) << "the main menu, the frame settings and their three groups, two drop-downs";
    for (QMenu* menu : menus) {
        menu->popup(QPoint(0, 0));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        const QStringList cut = cutMenuItems(menu);
        EXPECT_TRUE(cut.isEmpty()) << menu->objectName().toStdString() << menu->title().toStdString() << ": " << joined(cut);
        menu->hide();
    }
}

// The sheet shows no text in its cells; over it stand the album's name and
// the status bar, whose texts follow the framed picture.
TEST_P(TextFit, TheSheetsAlbumNameAndStatusTextsAreWhole) {
    const Language language(GetParam());
    ASSERT_TRUE(language.ready());
    SCOPED_TRACE(language.name());
    test::LibraryWindow h;
    const QString album = QStringLiteral("2024年 夏の旅行 北海道・知床半島とオホーツク海 (Summer trip)");
    testlib::AlbumBuilder pictures = h.lib.album(album);
    for (int i = 0; i < 25; ++i)
        pictures.jpeg(QStringLiteral("IMG_2024081%1_1530%2.jpg").arg(i % 10).arg(i, 2, 10, QLatin1Char('0')), 640, 480);
    h.create();
    h.w().show();
    ASSERT_EQ(h.bookEntries().size(), 1) << "the root album holds nothing: the album is the only row";
    h.openAlbumAt(0);
    ASSERT_EQ(h.w().session().album().count(), 25);
    h.parts().action(Command::Sum)->trigger();
    ASSERT_TRUE(h.w().session().sheetShown());
    ASSERT_TRUE(h.failures.messages.isEmpty()) << joined(h.failures.messages);
    const WindowParts ui = h.parts();
    ASSERT_EQ(ui.lblDir->text(), album);
    EXPECT_LE(lineWidth(ui.lblDir->fontMetrics(), album), ui.lblDir->width());
    EXPECT_TRUE(ui.pnlMain->rect().contains(ui.lblDir->geometry())) << "the name reaches past the picture area";
    EXPECT_FALSE(ui.lblDir->geometry().intersects(ui.sbScr->geometry())) << "the name runs under the page scroll bar";
    for (int i = 0; i < ui.sbInfo->panelCount(); ++i) {
        const QString shown = ui.sbInfo->panelText(i);
        if (ui.sbInfo->panel(i).ownerDrawn || shown.isEmpty())
            continue; // a glyph, its text is for the hint
        EXPECT_LE(lineWidth(ui.sbInfo->fontMetrics(), shown), ui.sbInfo->panelRect(i).width() - 2) << shown.toStdString();
    }
}

// The labels of the information window in English and at ratio 2 too (its
// lines of usage text have a test of their own).
TEST_P(TextFit, InformationLabelsAreWhole) {
    const Language language(GetParam());
    ASSERT_TRUE(language.ready());
    SCOPED_TRACE(language.name());
    TQD_SORUInfo w(nullptr);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    for (QLabel* label : {w.lblTitle, w.ProductName, w.UserSys, w.Copyright})
        EXPECT_LE(lineWidth(label->fontMetrics(), label->text()), label->width()) << label->text().toStdString();
    // The scrolling usage text is drawn in the screen's device pixels, not
    // enlarged from a ratio-1 bitmap.
    const qreal ratio = w.devicePixelRatioF();
    EXPECT_EQ(w.imgMsg->bitmap().devicePixelRatio(), ratio);
    EXPECT_EQ(w.imgMsg->bitmap().size(), (QSizeF(w.imgMsg->size()) * ratio).toSize());
}

// Runs inspect on the next message box once it is up, then answers it.
void inspectNextBox(const std::function<void(QMessageBox*)>& inspect, QMessageBox::StandardButton answer,
                    bool* seen) {
    QTimer::singleShot(0, [=] {
        QMessageBox* box = nullptr;
        const auto up = [&box] {
            box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return box && box->isVisible();
        };
        if (!QTest::qWaitFor(up))
            return;
        if (!QTest::qWaitForWindowExposed(box))
            return;
        *seen = true;
        // Drawn once whole, so the layout is the one on the screen.
        EXPECT_FALSE(box->grab().isNull());
        inspect(box);
        box->button(answer)->click();
    });
}

// Each question the program asks and each kind of message it shows, with
// the longest file names a library holds.
TEST_P(TextFit, QuestionsAndMessagesAreWhole) {
    const Language language(GetParam());
    ASSERT_TRUE(language.ready());
    SCOPED_TRACE(language.name());
    const auto expectWhole = [](QMessageBox* box) {
        const QStringList cut = cutBoxTexts(box);
        EXPECT_TRUE(cut.isEmpty()) << joined(cut);
    };

    test::LibraryWindow h;
    h.realQuestions = true;
    // Not of the screen's shape: the stretched wallpaper asks a second question.
    h.lib.album("").jpeg("wide.jpg", 300, 60);
    h.create();
    h.w().show();
    test::menuItem(h.parts().pmWall, int(WallpaperStyle::Zoom))->trigger();
    bool wallpaper = false, distort = false;
    inspectNextBox(
        [&](QMessageBox* box) {
            expectWhole(box);
            inspectNextBox(expectWhole, QMessageBox::No, &distort);
        },
        QMessageBox::Yes, &wallpaper);
    h.parts().action(Command::Wall)->trigger();
    EXPECT_TRUE(wallpaper && distort);

    const QString folder = QStringLiteral("/home/hanako/ピクチャ/2024年 夏の旅行 北海道・知床半島とオホーツク海の流氷と野生動物");
    // A path of Latin letters alone can break only at its slashes.
    const QString file = QStringLiteral("/home/hanako/Pictures/2024_summer_trip_hokkaido_shiretoko_okhotsk_sea/"
                                        "IMG_20240812_153045_HDR_panorama_stitched_final_version_2.jpg");
    const QString messages[] = {
        text::kCannotOpenFile.arg(file),
        text::kCannotCreateFile.arg(folder + QStringLiteral("/SORU Desktop Wallpaper.bmp")),
        text::kCannotWriteFile.arg(QStringLiteral("/home/hanako/.config/soru/soru-frame-settings.ini")),
        text::kJpegError.arg(53),
        text::kNoClipboard,
        QCoreApplication::translate("soru", "メモリが不足しています"),
    };
    setFailureSink(showFailureMessage);
    const auto restoreSink = qScopeGuard([&h] { setFailureSink([&h](const QString& m) { h.failures.messages << m; }); });
    for (const QString& message : messages) {
        bool seen = false;
        inspectNextBox(expectWhole, QMessageBox::Ok, &seen);
        reportFailure(message);
        EXPECT_TRUE(seen) << message.toStdString();
    }
}

} // namespace
} // namespace soru
