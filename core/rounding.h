#pragma once
// Rounding as the layout rules use it: Round goes to the nearest integer with
// halves to the even neighbour; Trunc cuts towards zero.
#include <cmath>

namespace soru {

inline int roundHalfEven(double v) {
    const double fl = std::floor(v);
    const double diff = v - fl;
    double r;
    if (diff > 0.5)
        r = fl + 1.0;
    else if (diff < 0.5)
        r = fl;
    else
        r = (std::fmod(fl, 2.0) == 0.0) ? fl : fl + 1.0;
    return static_cast<int>(r);
}

inline int truncToInt(double v) { return static_cast<int>(std::trunc(v)); }

} // namespace soru
