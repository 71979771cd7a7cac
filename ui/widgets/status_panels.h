#pragma once
// A status bar of fixed-width panels, each sunk into the bar. A panel shows
// its text, or, when owner-drawn, whatever the owner draws into its
// rectangle. The last panel reaches to the right edge. A panel that grows to
// its text is never narrower than its width and widens for a longer text;
// the panels after it move along.
#include <QList>
#include <QWidget>

#include <functional>

namespace soru {

class StatusPanels : public QWidget {
    Q_OBJECT
public:
    struct Panel {
        int width = 50;
        bool ownerDrawn = false;
        QString text;
        bool growsToText = false;
    };

    explicit StatusPanels(QWidget* parent = nullptr);

    void setPanels(const QList<Panel>& panels);
    int panelCount() const { return int(panels_.size()); }
    const Panel& panel(int i) const { return panels_[i]; }
    void setPanelText(int i, const QString& text);
    QString panelText(int i) const { return panels_.value(i).text; }
    // The rectangle of panel i inside its bevel, in the bar's coordinates.
    QRect panelRect(int i) const;

    std::function<void(QPainter& painter, int panel, const QRect& rect)> onDrawPanel;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The width panel i needs for its text: its own width, or more for a
    // panel that grows to a longer text.
    int widthFor(int i) const;

    QList<Panel> panels_;
    QList<int> baseWidths_;
};

} // namespace soru
