#pragma once
// The RTF control words the memo reader acts on, one table row each (words
// not in the table are ignored), and the character sets of font entries.
#include <string_view>

namespace soru::rtf {

enum class Action : unsigned char {
    SkipGroup,    // a destination whose content is not shown
    FontTable,    // the group is the font table
    ColorTable,   // the group is the colour table
    Insert,       // inserts the UTF-16 unit `value`
    ParagraphEnd, // ends the paragraph
    Toggle,       // character property `value` (a Property) on; parameter 0 turns it off
    Underline,    // underline style `value` (QTextCharFormat::UnderlineStyle); parameter 0 turns it
                  // off
    VerticalAlign,  // QTextCharFormat::VerticalAlignment `value`
    Set,            // property `value` (a Property) takes the parameter
    Align,          // paragraph alignment `value` (Qt::Alignment)
    ResetCharacter, // \plain
    ResetParagraph, // \pard
    CodePage,       // the file's character set is code page `value`
    Unicode,        // \uN
    Binary,         // \binN: N raw bytes follow
};

enum class Property : unsigned char {
    Bold,
    Italic,
    StrikeOut,
    Hidden,
    Font,
    FontSize, // half-points
    Foreground,
    Background,
    UnicodeSkip,
    LeftIndent, // twips, and the rest of the paragraph values too
    RightIndent,
    FirstLineIndent,
    SpaceBefore,
    SpaceAfter,
    DefaultFont,
    AnsiCodePage,
    FontCharset, // the rest only mean something in the font and colour tables
    FontCodePage,
    Red,
    Green,
    Blue,
};

struct ControlWord {
    std::string_view name;
    Action action;
    int value = 0;
};

// The row for a control word (letters only, without the backslash), or
// nullptr.
const ControlWord* findControlWord(std::string_view name);

// The code page of a Windows character set (\fcharsetN), or 0 for "the
// file's": DEFAULT_CHARSET (1) and sets not known here.
int charsetCodePage(int charset);

} // namespace soru::rtf
