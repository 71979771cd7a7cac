#pragma once
// A status bar of fixed-width panels, each sunk into the bar. A panel shows
// its text, or, when owner-drawn, whatever the owner draws into its
// rectangle. The last panel reaches to the right edge.
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
    QList<Panel> panels_;
};

} // namespace soru
