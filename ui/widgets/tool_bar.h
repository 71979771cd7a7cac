#pragma once
// A flat toolbar with buttons of fixed width placed at given positions, glyph
// and caption side by side, edge lines on all four sides, no wrapping.
#include <QFrame>
#include <QToolButton>

#include <functional>

namespace soru {

// A flat button whose hint is its own: it shows exactly its hint text, or
// none at all, whatever its action says.
class ToolButton : public QToolButton {
    Q_OBJECT
public:
    explicit ToolButton(QWidget* parent = nullptr);
    void setHint(const QString& hint) { hint_ = hint; }
    QString hint() const { return hint_; }

    std::function<void()> onClick;
    std::function<void(const QPoint& pos)> onContextPopup;

protected:
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QString hint_;
};

class ToolBar : public QFrame {
    Q_OBJECT
public:
    explicit ToolBar(QWidget* parent = nullptr);
    // The edge lines' width; the buttons' positions are inside them.
    static constexpr int kEdge = 2;
    void placeButton(QToolButton* button, int left, int width, int height);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace soru
