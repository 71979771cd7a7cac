#include "core/fitting.h"

#include "core/rounding.h"

namespace soru {

Fit fitPicture(int w, int h, int viewW, int viewH) {
    int dw = w;
    int dh = h;
    if (!(w <= viewW && h <= viewH)) {
        dw = viewW;
        double ratio = double(viewW) / w;
        // A height far beyond the view (a 1 x 2,000,000 picture) is too
        // tall whatever it rounds to, and may not fit an int.
        const double exactH = h * ratio;
        if (exactH <= viewH + 1.0)
            dh = roundHalfEven(exactH);
        if (exactH > viewH + 1.0 || dh > viewH) {
            dh = viewH;
            ratio = double(viewH) / h;
            dw = roundHalfEven(w * ratio);
        }
    }
    // However thin, a picture is drawn at least one pixel wide and high, so
    // that it is decoded, and its errors surface, like any other.
    if (w > 0 && dw < 1)
        dw = 1;
    if (h > 0 && dh < 1)
        dh = 1;
    const int left = roundHalfEven((viewW - dw) / 2.0);
    const int top = roundHalfEven((viewH - dh) / 2.0);
    return {dw, dh, left, top};
}

} // namespace soru
