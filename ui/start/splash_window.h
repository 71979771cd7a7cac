#pragma once
// The splash window: shown before the main window is built, its progress bar
// advanced by the album scan, released as soon as another window of the
// program becomes active.
#include <QLabel>
#include <QWidget>

namespace soru {

class BevelPanel;
class InstantProgressBar;

class TfrmStart : public QWidget {
    Q_OBJECT
public:
    explicit TfrmStart(QWidget* parent = nullptr);

    // Centres the window on the primary screen, shows it and draws it at once.
    void showAndPaint();

    InstantProgressBar* pbInfo = nullptr;
    BevelPanel* pnlMain = nullptr;
    BevelPanel* pnlImage = nullptr;
    QLabel* imgMsg = nullptr;
    QLabel* imgIcon = nullptr;

    // Releases the window by deferred deletion; never deletes it inside the
    // handler that noticed the loss of activation.
    void FormDeactivate();

private:
    void onFocusWindowChanged(QWindow* window);
    bool releasing_ = false;
};

} // namespace soru
