#pragma once
// Fitting a picture into the view: shrink only, then centre. (Plain C++:
// the launcher uses it too.)

namespace soru {

struct Fit {
    int width;  // dw
    int height; // dh
    int left;
    int top;
};

// w x h is the picture's own size, viewW x viewH the view area. A picture that
// fits is shown at its own size; otherwise it is fitted to the view's width
// and, if still too tall, to its height (Round half to even). Centred with
// the margins rounded half to even.
Fit fitPicture(int w, int h, int viewW, int viewH);

} // namespace soru
