#pragma once
// A list box whose entries are drawn by the owner, with a fixed item height,
// no border, and a hint the owner may change while drawing.
#include <QListWidget>
#include <QStyle>

#include <functional>

namespace soru {

// The state flags an owner-drawn entry is drawn with.
struct ItemDrawState {
    bool selected = false;
    bool focused = false;
    bool disabled = false;
    // Exactly selected and focused, and nothing else set.
    bool exactlySelectedFocused() const { return selected && focused && !disabled; }
};

class OwnerDrawList : public QListWidget {
    Q_OBJECT
public:
    explicit OwnerDrawList(QWidget* parent = nullptr);

    void setItemHeight(int height);
    int itemHeight() const { return itemHeight_; }

    // Called for every entry that is painted; rect is in the list's
    // coordinates. The painter's brush and pen start as the list's defaults
    // for the state (highlight when selected).
    std::function<void(QPainter& painter, int index, const QRect& rect, ItemDrawState state)>
        onDrawItem;
    std::function<void()> onDblClick;
    std::function<void(QMouseEvent*)> onMouseMove;

    // The hint shown over the list; changed by the owner while drawing.
    void setHint(const QString& hint) { hint_ = hint; }
    QString hint() const { return hint_; }

protected:
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int itemHeight_ = 22;
    QString hint_;
};

} // namespace soru
