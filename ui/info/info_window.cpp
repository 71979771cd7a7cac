#include "ui/info/info_window.h"

#include "core/failure.h"
#include "platform/services.h"
#include "resources/artwork.h"
#include "ui/info/info_texts.h"
#include "ui/info/label_fit.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QUrl>

namespace soru {

namespace {

const QColor kSystemsColour(160, 160, 192);
const QColor kSilver(192, 192, 192);

BevelPanel* makePanel(QWidget* parent, const QRect& geometry, const QColor& colour,
                      BevelCut outer) {
    auto* panel = new BevelPanel(parent);
    panel->setGeometry(geometry);
    panel->setColour(colour);
    panel->setBevels(outer, BevelCut::None);
    return panel;
}

// A one-line label on a transparent ground, its text at the left.
QLabel* makeLabel(QWidget* parent, const QRect& geometry, const QString& text, const QFont& font,
                  const QColor& colour) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    condenseToFit(label);
    // The labels are as high as the classic fonts' cells; a stand-in font
    // with a taller line then sits on the bottom edge, so that only the empty
    // room above its capitals is cut, not its descenders.
    if (QFontMetrics(label->font()).height() > label->height())
        label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    return label;
}

ImageBox* makeImage(QWidget* parent, const QRect& geometry, const QImage& picture) {
    auto* image = new ImageBox(parent);
    image->setGeometry(geometry);
    if (!picture.isNull())
        image->setBitmap(picture);
    return image;
}

// Height of a line of text in font on device: the font's em in device
// pixels. The classic fonts the text was laid out with have a character cell
// exactly one em high (12 pixels for 9 points at 96 dpi); the stand-in fonts
// report a cell up to a pixel taller, which would stretch the line pitch.
int textHeight(const QFont& font, const QPaintDevice* device) {
    if (font.pixelSize() > 0)
        return font.pixelSize();
    return qRound(font.pointSizeF() * device->logicalDpiY() / 72.0);
}

} // namespace

TQD_SORUInfo::TQD_SORUInfo(UrlOpener* urls, QWidget* owner, InfoWindowSetup setup)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), urls_(urls), setup_(std::move(setup)) {
    setWindowTitle(info::kCaption);
    setModal(true);
    // Sizes and fonts are in pixels, so the window keeps its layout whatever
    // the desktop's font size.
    setFixedSize(343, 187);
    setFont(pixelFont(family::kPGothic, 12));
    buildComponents();

    QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
    FormCreate();
}

void TQD_SORUInfo::buildComponents() {
    pnlMain = makePanel(this, QRect(0, 0, 343, 187), palette().color(QPalette::Button),
                        BevelCut::Raised);

    pnlVer = makePanel(pnlMain, QRect(2, 2, 339, 40), Qt::black, BevelCut::Lowered);
    imgIcon = new QLabel(pnlVer);
    imgIcon->setGeometry(5, 4, 32, 32);
    imgIcon->setPixmap(mainIcon().pixmap(32, 32));
    lblTitle = makeLabel(pnlVer, QRect(45, 3, 102, 18), info::kTitle,
                         pixelFont(family::kCentury, 15), Qt::white);
    ProductName = makeLabel(pnlVer, QRect(156, 8, 56, 12), info::kVersion,
                            pixelFont(family::kPMincho, 12), Qt::white);
    UserSys = makeLabel(pnlVer, QRect(46, 22, 267, 12), info::kSystems,
                        pixelFont(family::kPGothic, 12), kSystemsColour);
    pnlExit = makePanel(pnlVer, QRect(326, 2, 11, 11), Qt::black, BevelCut::None);
    imgExit = makeImage(pnlExit, QRect(0, 0, 11, 11), infoCloseCross());
    imgExit->setToolTip(info::kHintClose);
    imgExit->onClick = [this] { guarded([this] { imgExitClick(); }); };

    pnlMsg = makePanel(pnlMain, QRect(2, 42, 339, 119), Qt::white, BevelCut::Lowered);
    imgMsg = makeImage(pnlMsg, QRect(2, 2, 243, 115), QImage());
    btnNew = makeImage(pnlMsg, QRect(248, 86, 88, 31), infoBanner());
    btnNew->setToolTip(info::kHomePage);
    btnNew->onClick = [this] { guarded([this] { btnNewClick(); }); };
    imgClick = makeImage(pnlMsg, QRect(260, 36, 64, 50), infoClickSign());

    pnlCopyright = makePanel(pnlMain, QRect(2, 161, 339, 23), Qt::black, BevelCut::Lowered);
    Copyright = makeLabel(pnlCopyright, QRect(35, 5, 294, 12), info::kCopyright, font(), kSilver);
    imgMail = makeImage(pnlCopyright, QRect(155, 6, 14, 10), infoEnvelope());
    imgMail->setToolTip(info::kMailAddress);
    imgMail->onClick = [this] { guarded([this] { imgMailClick(); }); };

    imgTmp = new ImageBox(this);
    imgTmp->hide();

    tmrScroll = new QTimer(this);
    tmrScroll->setInterval(100);
    connect(tmrScroll, &QTimer::timeout, this, [this] { guarded([this] { tmrScrollTimer(); }); });
}

void TQD_SORUInfo::FormCreate() {
    lstTxt = setup_.usageText;
    lstTxt.append(fortuneLine(setup_.pickFortune()));

    const QSize area = imgMsg->size();
    fillRect = QRect(QPoint(0, 0), area);
    // The text is drawn in the screen's device pixels, so it stays sharp on
    // a high-density screen.
    imgMsg->setDeviceScaled(true);
    imgTmp->setDeviceScaled(true);
    imgTmp->resize(area);
    imgTmp->canvas().fill(Qt::white);
    scroll.visibleHeight = area.height();
    scroll.yOffset = 0;

    canvasFont_ = pointFont(family::kPGothic, 9);
    // Crisp one-colour text, as the classic fonts' bitmaps drew it at this
    // size; smoothed text this small comes out grey and blurred. With more
    // device pixels to a point, smoothing gives the sharper letters.
    if (imgTmp->canvas().devicePixelRatio() <= 1.0)
        canvasFont_.setStyleStrategy(QFont::NoAntialias);
    scroll.lineHeight = textHeight(canvasFont_, &imgTmp->canvas()) + 1;

    scroll.topIndex = 0;
    scroll.lastIndex = int(lstTxt.size()) - 1;
    tmrScrollTimer();
    if (textScrolls(scroll))
        tmrScroll->start();
}

void TQD_SORUInfo::tmrScrollTimer() {
    QImage& surface = imgTmp->canvas();
    QPainter p(&surface);
    p.fillRect(fillRect, Qt::white);
    if (scroll.lastIndex < 0)
        return;
    p.setFont(canvasFont_);
    // Lines are placed by the top of their text, as the layout counts them.
    const int ascent = QFontMetrics(canvasFont_, &surface).ascent();
    for (const PlacedLine& line : frameLines(scroll, fillRect.height())) {
        p.setPen(usageLineColour(line.index, scroll.lastIndex));
        p.drawText(0, line.y + ascent, lstTxt.at(line.index));
    }
    p.end();

    // One copy of the finished frame, so the area never shows a half-drawn one.
    QPainter copy(&imgMsg->canvas());
    copy.drawImage(0, 0, surface);
    copy.end();
    imgMsg->update();

    advanceScroll(scroll);
}

void TQD_SORUInfo::imgExitClick() {
    close();
}

void TQD_SORUInfo::btnNewClick() {
    if (urls_)
        urls_->open(QUrl(info::kHomePage));
}

void TQD_SORUInfo::imgMailClick() {
    if (urls_)
        urls_->open(QUrl(QStringLiteral("mailto:") + info::kMailAddress));
}

void TQD_SORUInfo::keyPressEvent(QKeyEvent* event) {
    // Only the close cross closes the window; Escape does not.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void runInformationWindow(QWidget* owner, UrlOpener* urls) {
    runInformationWindow(owner, urls, InfoWindowSetup{});
}

void runInformationWindow(QWidget* owner, UrlOpener* urls, const InfoWindowSetup& setup) {
    // The owner may free the window with itself while it is open; the guard
    // then has nothing left to free.
    QPointer<TQD_SORUInfo> window = new TQD_SORUInfo(urls, owner, setup);
    const auto freeWindow = qScopeGuard([&window] { delete window.data(); });
    window->exec();
}

} // namespace soru
