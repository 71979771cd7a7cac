#pragma once
// The font and colour tables of an RTF document, read entry by entry as the
// reader meets them and looked up when text is written.
#include "media/memo/rtf_control_words.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>

namespace soru {

class CodePageDecoder;

namespace rtf {

class Tables {
public:
    explicit Tables(CodePageDecoder& decoder) : decoder_(decoder) {}

    // Font table: "\fN [\fcharsetN] [\cpgN] name;" per entry, with or
    // without a group around each. An entry ends at ";" or with its group.
    void fontValue(Property property, int value);
    void fontNameByte(char byte) { fontName_.append(byte); }
    void endFont(int documentCodePage);

    // Colour table: "[\redN\greenN\blueN];" per entry; an entry without
    // values means "automatic".
    void startColours() { colours_.clear(); }
    void colourValue(Property property, int value);
    void endColour();

    QString family(int font) const; // empty for a font not in the table
    int codePage(int font) const;   // 0: the file's
    QColor colour(int index) const; // invalid: automatic

private:
    struct Font {
        QString family;
        int codePage = 0;
    };

    CodePageDecoder& decoder_;
    QHash<int, Font> fonts_;
    int fontIndex_ = -1; // the entry being read
    int fontCharsetCodePage_ = 0;
    int fontCodePage_ = 0;
    QByteArray fontName_;

    QList<QColor> colours_;
    int rgb_[3] = {0, 0, 0};
    bool colourGiven_ = false;
};

} // namespace rtf
} // namespace soru
