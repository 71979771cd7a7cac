#include "media/memo/rtf_tables.h"

#include "media/memo/text_decoding.h"

#include <algorithm>

namespace soru::rtf {

void Tables::fontValue(Property property, int value) {
    switch (property) {
    case Property::Font:
        fontIndex_ = value;
        break;
    case Property::FontCharset:
        fontCharsetCodePage_ = charsetCodePage(value);
        break;
    case Property::FontCodePage:
        fontCodePage_ = value;
        break;
    default:
        break;
    }
}

// The face name is decoded in the entry's own code page: Japanese names
// arrive as Shift-JIS bytes in a \fcharset128 entry.
void Tables::endFont(int documentCodePage) {
    if (fontIndex_ >= 0) {
        Font font;
        font.codePage = fontCodePage_ != 0 ? fontCodePage_ : fontCharsetCodePage_;
        QString name =
            decoder_.decode(fontName_, font.codePage != 0 ? font.codePage : documentCodePage)
                .trimmed();
        if (name.startsWith(QLatin1Char('@'))) // the vertical-writing variant of the same face
            name.remove(0, 1);
        font.family = name;
        fonts_.insert(fontIndex_, font);
    }
    fontIndex_ = -1;
    fontCharsetCodePage_ = fontCodePage_ = 0;
    fontName_.resize(0);
}

void Tables::colourValue(Property property, int value) {
    if (property == Property::Red || property == Property::Green || property == Property::Blue) {
        rgb_[int(property) - int(Property::Red)] = std::clamp(value, 0, 255);
        colourGiven_ = true;
    }
}

void Tables::endColour() {
    colours_.append(colourGiven_ ? QColor(rgb_[0], rgb_[1], rgb_[2]) : QColor());
    rgb_[0] = rgb_[1] = rgb_[2] = 0;
    colourGiven_ = false;
}

QString Tables::family(int font) const {
    const auto it = fonts_.constFind(font);
    return it != fonts_.cend() ? it->family : QString();
}

int Tables::codePage(int font) const {
    const auto it = fonts_.constFind(font);
    return it != fonts_.cend() ? it->codePage : 0;
}

QColor Tables::colour(int index) const {
    return index >= 0 && index < colours_.size() ? colours_[index] : QColor();
}

} // namespace soru::rtf
