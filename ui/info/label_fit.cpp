#include "ui/info/label_fit.h"

#include <QFontMetrics>
#include <QLabel>

namespace soru {

int stretchToFit(const QFont& font, const QString& text, int width) {
    constexpr int kNarrowest = 50;
    QFont f = font;
    int stretch = 100;
    for (; stretch > kNarrowest; --stretch) {
        f.setStretch(stretch);
        if (QFontMetrics(f).horizontalAdvance(text) <= width)
            break;
    }
    return stretch;
}

void condenseToFit(QLabel* label) {
    const int stretch = stretchToFit(label->font(), label->text(), label->width());
    if (stretch == 100)
        return;
    QFont f = label->font();
    f.setStretch(stretch);
    label->setFont(f);
}

} // namespace soru
