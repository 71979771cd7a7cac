#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/hint.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace soru {

namespace {
class OwnerDrawDelegate final : public QStyledItemDelegate {
public:
    explicit OwnerDrawDelegate(OwnerDrawList* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        ItemDrawState state;
        state.selected = option.state & QStyle::State_Selected;
        state.focused = (option.state & QStyle::State_HasFocus) && list_->hasFocus();
        state.disabled = !(option.state & QStyle::State_Enabled);
        painter->save();
        const QPalette& pal = option.palette;
        const QColor back = state.selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Button);
        const QColor text = state.selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::ButtonText);
        painter->setBrush(back);
        painter->setPen(text);
        painter->setFont(list_->font());
        if (list_->onDrawItem)
            list_->onDrawItem(*painter, index.row(), option.rect, state);
        else
            painter->fillRect(option.rect, back);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(1, list_->itemHeight());
    }

private:
    OwnerDrawList* list_;
};
} // namespace

OwnerDrawList::OwnerDrawList(QWidget* parent) : QListWidget(parent) {
    setFrameShape(QFrame::NoFrame);
    setItemDelegate(new OwnerDrawDelegate(this));
    setUniformItemSizes(true);
    setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    setPalette(pal);
}

void OwnerDrawList::setItemHeight(int height) {
    itemHeight_ = height;
    doItemsLayout();
}

bool OwnerDrawList::event(QEvent* event) {
    if (showOwnHint(this, event, hint_))
        return true;
    return QListWidget::event(event);
}

void OwnerDrawList::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMove)
        onMouseMove(event);
    QListWidget::mouseMoveEvent(event);
}

void OwnerDrawList::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && onDblClick)
        onDblClick();
}

} // namespace soru
