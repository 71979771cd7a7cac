// DrawPicture, ShowCurrentPicture, the owner-drawn status panels, replaying
// the sound.
#include "ui/main/main_window.h"

#include "core/fitting.h"
#include "core/presentation.h"
#include "core/texts.h"
#include "media/memo/memo_reader.h"
#include "resources/artwork.h"
#include "ui/main/status_panel.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"

#include <QAction>
#include <QCoreApplication>
#include <QPainter>
#include <QTextEdit>

#include <cstdlib>
#include <optional>
#include <utility>

namespace soru {

namespace {
const QString kRichText = QStringLiteral("RTF");
const QString kPlainText = QStringLiteral("TXT");
constexpr text::Text kSoundText{QT_TRANSLATE_NOOP("soru", "サウンド")};

QString memoKindText(ViewerSession::MemoKind kind) {
    switch (kind) {
    case ViewerSession::MemoKind::Rich: return kRichText;
    case ViewerSession::MemoKind::Plain: return kPlainText;
    case ViewerSession::MemoKind::None: break;
    }
    return {};
}
} // namespace

QString TfrmMain::DrawPicture(const QString& path) {
    const int W = pnlMain->width();
    const int H = pnlMain->height();
    // Decoded for the area's device pixels: on a high-density screen a large
    // picture keeps all the detail the screen can show.
    const QSize deviceArea = viewDeviceArea();
    // The hourglass only while the user waits for a decode: a prefetched
    // picture is copied from the cache at once.
    std::optional<HourglassCursor> hourglass;
    if (!pictures_.isReady(path, deviceArea))
        hourglass.emplace();
    // The file is looked at again here, so a picture changed, replaced or
    // removed since it was prefetched is shown as it is now.
    const DecodedPicture picture = pictures_.take(path, deviceArea);
    if (picture.isMissing()) {
        if (!imgView->isHidden())
            imgView->hide();
        return QString();
    }
    // A failing load leaves the view as it was; the failure is raised now,
    // when the picture is shown, not when it was prefetched.
    picture.throwIfLoadFailed();
    const int w = picture.width();
    const int h = picture.height();
    const QString result = sizeText(w, h);
    const Fit fit = fitPicture(w, h, W, H);
    // Left, Top, Width, Height, in this order.
    imgView->move(fit.left, imgView->y());
    imgView->move(fit.left, fit.top);
    imgView->resize(fit.width, imgView->height());
    imgView->resize(fit.width, fit.height);
    if (fit.width > 0 && fit.height > 0) {
        const QRect area(0, 0, fit.width, fit.height);
        const qreal dpr = imgView->devicePixelRatioF();
        const QSize device(qRound(fit.width * dpr), qRound(fit.height * dpr));
        // A whole picture decoded for the device pixels is shown as it lies
        // in the cache: nothing is copied on the way to the screen.
        const QSize lack = device - picture.image().size();
        if (picture.state() == DecodedPicture::State::Drawn && !picture.image().isNull() &&
            !picture.image().hasAlphaChannel() && std::abs(lack.width()) <= 2 && std::abs(lack.height()) <= 2) {
            imgView->present(picture.image(), device);
        } else {
            // A decode that failed part way draws what it reached, then raises.
            picture.drawInto(imgView->canvas(), area);
            imgView->update();
        }
    }
    // Drawn also under the sheet, but shown only when the sheet is down.
    if (!session_.checked(Command::Sum) && imgView->isHidden())
        imgView->show();
    return result;
}

void TfrmMain::ShowCurrentPicture() {
    if (!session_.hasCurrent())
        return;
    // The panels show the new position and name at once, and nothing of the
    // picture before: a picture that fails to draw leaves them so.
    session_.presenting();
    renderStatus();
    lstFile->setCurrentRow(session_.album().index());
    const QString size = DrawPicture(session_.current().path);
    {
        HourglassCursor hourglass;
        session_.pictureDrawn(size);
        renderStatus();
        const ViewerSession::Current& c = session_.current();
        reMemo->clear();
        // A memo that fails to load leaves the memo panel and the hint as
        // they were, and the date, memo and sound panels empty.
        if (!c.memo.isEmpty())
            loadMemo(c.memo, *reMemo->document());
        pnlMemo->setEnabled(!c.memo.isEmpty());
        session_.presentationComplete();
        renderStatus();
        imgView->setToolTip(pictureHint(c.name, c.size, c.position, c.date, !c.memo.isEmpty(), !c.sound.isEmpty()));
    }
    // The status bar and the picture are painted before a sound starts.
    QCoreApplication::processEvents();
    // The neighbours are decoded once the picture is on its way to the
    // screen, not in competition with it.
    prefetchNeighbours();
    const QString wav = session_.current().sound;
    if (wav.isEmpty() || !env_.services.sound)
        return;
    SoundPlayer* sound = env_.services.sound;
    // During the slide show the sound plays to its end before the next
    // wait begins; a tick that falls due meanwhile waits for it.
    if (session_.slideShow().running())
        session_.slideShow().runBlocking([sound, &wav] { sound->play(wav, true); });
    else
        sound->play(wav, false);
}

void TfrmMain::renderStatus() {
    const ViewerSession::Current& c = session_.current();
    const bool complete = c.complete;
    QString texts[kStatusPanelCount];
    texts[panelIndex(StatusPanel::Position)] = c.position;
    texts[panelIndex(StatusPanel::Size)] = c.size;
    texts[panelIndex(StatusPanel::Date)] = complete ? c.date : QString();
    texts[panelIndex(StatusPanel::MemoKind)] = complete ? memoKindText(c.memoKind) : QString();
    texts[panelIndex(StatusPanel::Sound)] = complete && !c.sound.isEmpty() ? kSoundText : QString();
    texts[panelIndex(StatusPanel::Name)] = c.name;
    for (int i = 0; i < kStatusPanelCount; ++i)
        sbInfo->setPanelText(i, texts[i]);
    // The owner-drawn panels paint from the session, whatever their texts.
    sbInfo->update();
}

void TfrmMain::prefetchNeighbours() {
    const int direction = session_.direction() == StepDirection::Back ? -1 : 1;
    pictures_.prefetchNeighbours(session_.album().paths(), session_.album().index(), direction, viewDeviceArea());
}

QSize TfrmMain::viewDeviceArea() const {
    const qreal dpr = imgView->devicePixelRatioF();
    return QSize(qRound(pnlMain->width() * dpr), qRound(pnlMain->height() * dpr));
}

void TfrmMain::sbInfoDrawPanel(QPainter& painter, int panel, const QRect& rect) {
    const QColor barColour = sbInfo->palette().color(QPalette::Button);
    const ViewerSession::Current& c = session_.current();
    switch (static_cast<StatusPanel>(panel)) {
    case StatusPanel::Position:
        painter.fillRect(rect, barColour);
        painter.setPen(sbInfo->palette().color(QPalette::WindowText));
        if (session_.slideShow().running())
            painter.drawPixmap(rect.topLeft(), glyph(Glyph::Clock));
        painter.drawText(QRect(rect.left() + 18, rect.top() + 2, 1000, 100), Qt::AlignLeft | Qt::AlignTop, c.position);
        break;
    case StatusPanel::MemoKind:
        if (!c.complete || c.memoKind == ViewerSession::MemoKind::None)
            break;
        painter.fillRect(rect, barColour);
        painter.drawPixmap(rect.topLeft(),
                           glyph(c.memoKind == ViewerSession::MemoKind::Plain ? Glyph::PlainTextMemo : Glyph::RichTextMemo));
        break;
    case StatusPanel::Sound:
        if (!c.complete || c.sound.isEmpty())
            break;
        painter.fillRect(rect, barColour);
        painter.drawPixmap(rect.topLeft(), glyph(Glyph::Sound));
        break;
    default:
        break;
    }
}

void TfrmMain::aPlayExecute() {
    // The current picture's sound as it is now, also after a presentation
    // that failed before looking for it.
    const QString wav = session_.companion(QStringLiteral(".wav"));
    if (!wav.isEmpty() && env_.services.sound)
        env_.services.sound->play(wav, false);
}

} // namespace soru
