// The control-word table, sorted by name for binary search (checked at
// compile time), and the character-set table.
#include "media/memo/rtf_control_words.h"

#include <QTextCharFormat>

#include <algorithm>

namespace soru::rtf {
namespace {

using A = Action;
using P = Property;

constexpr ControlWord kWords[] = {
    {"aftncn", A::SkipGroup},
    {"aftnsep", A::SkipGroup},
    {"aftnsepc", A::SkipGroup},
    {"annotation", A::SkipGroup},
    {"ansi", A::CodePage, 1252},
    {"ansicpg", A::Set, int(P::AnsiCodePage)},
    {"atnauthor", A::SkipGroup},
    {"atndate", A::SkipGroup},
    {"atnicn", A::SkipGroup},
    {"atnid", A::SkipGroup},
    {"atnparent", A::SkipGroup},
    {"atnref", A::SkipGroup},
    {"atntime", A::SkipGroup},
    {"atrfend", A::SkipGroup},
    {"atrfstart", A::SkipGroup},
    {"author", A::SkipGroup},
    {"b", A::Toggle, int(P::Bold)},
    {"bin", A::Binary},
    {"bkmkend", A::SkipGroup},
    {"bkmkstart", A::SkipGroup},
    {"blue", A::Set, int(P::Blue)},
    {"bullet", A::Insert, 0x2022},
    {"buptim", A::SkipGroup},
    {"cb", A::Set, int(P::Background)},
    {"cell", A::Insert, '\t'},
    {"cf", A::Set, int(P::Foreground)},
    {"chcbpat", A::Set, int(P::Background)},
    {"colorschememapping", A::SkipGroup},
    {"colortbl", A::ColorTable},
    {"column", A::ParagraphEnd},
    {"comment", A::SkipGroup},
    {"cpg", A::Set, int(P::FontCodePage)},
    {"creatim", A::SkipGroup},
    {"datastore", A::SkipGroup},
    {"deff", A::Set, int(P::DefaultFont)},
    {"do", A::SkipGroup},
    {"doccomm", A::SkipGroup},
    {"docvar", A::SkipGroup},
    {"emdash", A::Insert, 0x2014},
    {"emspace", A::Insert, 0x2003},
    {"endash", A::Insert, 0x2013},
    {"enspace", A::Insert, 0x2002},
    {"f", A::Set, int(P::Font)},
    {"fcharset", A::Set, int(P::FontCharset)},
    {"fi", A::Set, int(P::FirstLineIndent)},
    {"filetbl", A::SkipGroup},
    {"fldinst", A::SkipGroup},
    {"fonttbl", A::FontTable},
    {"footer", A::SkipGroup},
    {"footerf", A::SkipGroup},
    {"footerl", A::SkipGroup},
    {"footerr", A::SkipGroup},
    {"footnote", A::SkipGroup},
    {"fs", A::Set, int(P::FontSize)},
    {"ftncn", A::SkipGroup},
    {"ftnsep", A::SkipGroup},
    {"ftnsepc", A::SkipGroup},
    {"generator", A::SkipGroup},
    {"green", A::Set, int(P::Green)},
    {"header", A::SkipGroup},
    {"headerf", A::SkipGroup},
    {"headerl", A::SkipGroup},
    {"headerr", A::SkipGroup},
    {"highlight", A::Set, int(P::Background)},
    {"i", A::Toggle, int(P::Italic)},
    {"info", A::SkipGroup},
    {"keywords", A::SkipGroup},
    {"latentstyles", A::SkipGroup},
    {"ldblquote", A::Insert, 0x201C},
    {"li", A::Set, int(P::LeftIndent)},
    {"lin", A::Set, int(P::LeftIndent)},
    {"line", A::Insert, 0x2028},
    {"listoverridetable", A::SkipGroup},
    {"listtable", A::SkipGroup},
    {"lquote", A::Insert, 0x2018},
    {"ltrmark", A::Insert, 0x200E},
    {"mac", A::CodePage, 10000},
    {"nestcell", A::Insert, '\t'},
    {"nestrow", A::ParagraphEnd},
    {"nonshppict", A::SkipGroup},
    {"nosupersub", A::VerticalAlign, QTextCharFormat::AlignNormal},
    {"object", A::SkipGroup},
    {"operator", A::SkipGroup},
    {"page", A::ParagraphEnd},
    {"par", A::ParagraphEnd},
    {"pard", A::ResetParagraph},
    {"pc", A::CodePage, 437},
    {"pca", A::CodePage, 850},
    {"pgdsctbl", A::SkipGroup},
    {"pict", A::SkipGroup},
    {"plain", A::ResetCharacter},
    {"pn", A::SkipGroup},
    {"printim", A::SkipGroup},
    {"private", A::SkipGroup},
    {"protusertbl", A::SkipGroup},
    {"qc", A::Align, Qt::AlignHCenter},
    {"qd", A::Align, Qt::AlignJustify},
    {"qj", A::Align, Qt::AlignJustify},
    {"ql", A::Align, Qt::AlignLeft},
    {"qmspace", A::Insert, 0x2005},
    {"qr", A::Align, Qt::AlignRight},
    {"rdblquote", A::Insert, 0x201D},
    {"red", A::Set, int(P::Red)},
    {"revtbl", A::SkipGroup},
    {"revtim", A::SkipGroup},
    {"ri", A::Set, int(P::RightIndent)},
    {"rin", A::Set, int(P::RightIndent)},
    {"row", A::ParagraphEnd},
    {"rquote", A::Insert, 0x2019},
    {"rsidtbl", A::SkipGroup},
    {"rtlmark", A::Insert, 0x200F},
    {"sa", A::Set, int(P::SpaceAfter)},
    {"sb", A::Set, int(P::SpaceBefore)},
    {"sect", A::ParagraphEnd},
    {"shppict", A::SkipGroup},
    {"shprslt", A::SkipGroup},
    {"strike", A::Toggle, int(P::StrikeOut)},
    {"striked", A::Toggle, int(P::StrikeOut)},
    {"stylesheet", A::SkipGroup},
    {"sub", A::VerticalAlign, QTextCharFormat::AlignSubScript},
    {"subject", A::SkipGroup},
    {"super", A::VerticalAlign, QTextCharFormat::AlignSuperScript},
    {"tab", A::Insert, '\t'},
    {"tc", A::SkipGroup},
    {"template", A::SkipGroup},
    {"themedata", A::SkipGroup},
    {"title", A::SkipGroup},
    {"txe", A::SkipGroup},
    {"u", A::Unicode},
    {"uc", A::Set, int(P::UnicodeSkip)},
    {"ul", A::Underline, QTextCharFormat::SingleUnderline},
    {"uld", A::Underline, QTextCharFormat::DotLine},
    {"uldash", A::Underline, QTextCharFormat::DashUnderline},
    {"uldashd", A::Underline, QTextCharFormat::DashDotLine},
    {"uldashdd", A::Underline, QTextCharFormat::DashDotDotLine},
    {"uldb", A::Underline, QTextCharFormat::SingleUnderline},
    {"ulhwave", A::Underline, QTextCharFormat::WaveUnderline},
    {"ulldash", A::Underline, QTextCharFormat::DashUnderline},
    {"ulnone", A::Underline, QTextCharFormat::NoUnderline},
    {"ulth", A::Underline, QTextCharFormat::SingleUnderline},
    {"ulthd", A::Underline, QTextCharFormat::DotLine},
    {"ulthdash", A::Underline, QTextCharFormat::DashUnderline},
    {"ulthdashd", A::Underline, QTextCharFormat::DashDotLine},
    {"ulthdashdd", A::Underline, QTextCharFormat::DashDotDotLine},
    {"ulthldash", A::Underline, QTextCharFormat::DashUnderline},
    {"ululdbwave", A::Underline, QTextCharFormat::WaveUnderline},
    {"ulw", A::Underline, QTextCharFormat::SingleUnderline},
    {"ulwave", A::Underline, QTextCharFormat::WaveUnderline},
    {"userprops", A::SkipGroup},
    {"v", A::Toggle, int(P::Hidden)},
    {"xe", A::SkipGroup},
    {"xmlnstbl", A::SkipGroup},
    {"zwbo", A::Insert, 0x200B},
    {"zwj", A::Insert, 0x200D},
    {"zwnbo", A::Insert, 0x2060},
    {"zwnj", A::Insert, 0x200C},
};

static_assert(std::ranges::is_sorted(kWords, {}, &ControlWord::name),
              "kWords must be sorted by name");
static_assert(std::ranges::adjacent_find(kWords, {}, &ControlWord::name) ==
                  std::ranges::end(kWords),
              "kWords must not repeat a name");

// Windows character sets and the code pages of their bytes.
struct CharsetCodePage {
    int charset;
    int codePage;
};
constexpr CharsetCodePage kCharsets[] = {
    {0, 1252},   {2, 1252},   {77, 10000}, {78, 10001}, {128, 932},  {129, 949},  {130, 1361},
    {134, 936},  {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
    {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {254, 437},  {255, 850},
};

} // namespace

const ControlWord* findControlWord(std::string_view name) {
    const auto it = std::ranges::lower_bound(kWords, name, {}, &ControlWord::name);
    return it != std::ranges::end(kWords) && it->name == name ? it : nullptr;
}

int charsetCodePage(int charset) {
    for (const CharsetCodePage& c : kCharsets)
        if (c.charset == charset)
            return c.codePage;
    return 0;
}

} // namespace soru::rtf
