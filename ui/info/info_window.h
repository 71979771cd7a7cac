#pragma once
// The information window: title, version and systems, the endlessly
// scrolling usage text with the fortune of the day, a link to the maker's
// home page, a mail link and the copyright notice. Borderless and modal; it
// reads and changes nothing of the rest of the program.
#include "ui/info/text_scroll.h"
#include "ui/info/usage_text.h"

#include <QDialog>
#include <QFont>
#include <QRect>
#include <QStringList>
#include <QTimer>

#include <functional>

class QLabel;

namespace soru {

class BevelPanel;
class ImageBox;
class UrlOpener;

// What a window is made from. The defaults are the program's own; tests put
// in a fixed fortune or a shorter text.
struct InfoWindowSetup {
    QStringList usageText = usageLines();
    std::function<int()> pickFortune = drawFortune; // 0..kFortuneCount-1
};

class TQD_SORUInfo : public QDialog {
    Q_OBJECT
public:
    // Builds the window centred on the screen of owner (the primary screen
    // without one) and runs FormCreate. urls may be null: the links then do
    // nothing.
    explicit TQD_SORUInfo(UrlOpener* urls, QWidget* owner = nullptr,
                          InfoWindowSetup setup = {});

    // ---- Components ----
    BevelPanel* pnlMain = nullptr;
    BevelPanel* pnlVer = nullptr;
    QLabel* imgIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* UserSys = nullptr;
    BevelPanel* pnlExit = nullptr;
    ImageBox* imgExit = nullptr;
    BevelPanel* pnlMsg = nullptr;
    ImageBox* imgMsg = nullptr;
    ImageBox* btnNew = nullptr;
    ImageBox* imgClick = nullptr;
    BevelPanel* pnlCopyright = nullptr;
    QLabel* Copyright = nullptr;
    ImageBox* imgMail = nullptr;
    ImageBox* imgTmp = nullptr; // hidden: the frame is drawn here, then copied
    QStringList lstTxt;         // the text lines, the fortune line last
    QTimer* tmrScroll = nullptr;

    // ---- Scroll state ----
    TextScroll scroll;
    QRect fillRect;

    // ---- Handlers ----
    void FormCreate();
    void tmrScrollTimer();
    void imgExitClick();
    void btnNewClick();
    void imgMailClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildComponents();

    UrlOpener* urls_;
    InfoWindowSetup setup_;
    QFont canvasFont_;
};

// Opens a new information window over owner, modally, and frees it when it
// closes. A failure while the window is made leaves through here with the
// window already freed. Timers elsewhere keep ticking while it is open.
void runInformationWindow(QWidget* owner, UrlOpener* urls);
void runInformationWindow(QWidget* owner, UrlOpener* urls, const InfoWindowSetup& setup);

} // namespace soru
