#include "ui/info/label_fit.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace soru {

int stretchToFit(const QFont& font, const QString& text, int width) {
    constexpr int kNarrowest = 50;
    QFont f = font;
    int stretch = 100;
    for (; stretch > kNarrowest; --stretch) {
        f.setStretch(stretch);
        // The ink of the last glyph may reach past its advance.
        const QFontMetrics fm(f);
        if (std::max(fm.horizontalAdvance(text), fm.boundingRect(text).right() + 1) <= width)
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
