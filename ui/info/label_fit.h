#pragma once
// Fitting a one-line label to the width it was laid out for. The widths of
// the information window's labels were measured with the classic Japanese and
// Century fonts; the stand-in fonts of another desktop may run wider, and a
// label would cut its last characters off.
#include <QFont>
#include <QString>

class QLabel;

namespace soru {

// The widest stretch (percent, 100 down to 50) at which text set in font is
// no wider than width, its ink included; 100 when it fits as it is.
int stretchToFit(const QFont& font, const QString& text, int width);

// Gives label its font condensed just enough for its text to fit its width.
void condenseToFit(QLabel* label);

} // namespace soru
