#pragma once
// A panel with the classic bevels (an outer and an inner ring, each none,
// raised or lowered, one pixel wide), a colour and an optional caption; and
// a bevel frame that draws only its edges.
#include <QColor>
#include <QFrame>
#include <QWidget>

#include <functional>

namespace soru {

enum class BevelCut { None, Raised, Lowered };

// Draws a one-pixel 3D rectangle just inside r: raised means highlight on the
// top and left, shadow on the bottom and right; lowered the other way round.
void drawBevel(QPainter& p, const QRect& r, BevelCut cut, const QPalette& pal);

class BevelPanel : public QWidget {
    Q_OBJECT
public:
    explicit BevelPanel(QWidget* parent = nullptr);

    void setBevels(BevelCut outer, BevelCut inner);
    void setColour(const QColor& colour);
    void setCaption(const QString& caption, Qt::Alignment alignment = Qt::AlignCenter);
    QString caption() const { return caption_; }
    void setCaptionColour(const QColor& colour);
    // Width of the bevel rings together.
    int bevelWidth() const;

    std::function<void(QMouseEvent*)> onMouseMove;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    BevelCut outer_ = BevelCut::Raised;
    BevelCut inner_ = BevelCut::None;
    QColor colour_;
    QColor captionColour_;
    QString caption_;
    Qt::Alignment alignment_ = Qt::AlignCenter;
};

// The current-picture frame: a raised box outline, transparent inside. Like
// any control it takes the mouse over its whole area.
class BevelFrame : public QWidget {
    Q_OBJECT
public:
    explicit BevelFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace soru
