// RTF as memos hold it: text bytes and \'hh escapes are gathered and
// decoded together in the code page of the current font (or of the
// file), so double-byte characters split over two escapes, or written
// half escaped and half raw, come out whole. Everything else is a control
// word looked up in the table, applied to the state of the current group.
#include "media/memo/rtf_parser.h"

#include "media/memo/rtf_control_words.h"
#include "media/memo/rtf_tables.h"
#include "media/memo/text_decoding.h"

#include <QByteArray>

#include <algorithm>
#include <string_view>
#include <vector>

namespace soru {
namespace {

using rtf::Action;
using rtf::ControlWord;
using rtf::findControlWord;
using rtf::Property;

constexpr int kMaxParameter = 1'000'000'000; // larger numbers are clamped, so nothing overflows
constexpr int kMaxHalfPoints = 3276;         // 1638 points
constexpr int kMaxTwips = 31680;             // 22 inches

struct CharState {
    int font = -1; // -1: none chosen, the memo box's font
    int halfPoints = 0;
    bool bold = false;
    bool italic = false;
    bool strikeOut = false;
    bool hidden = false;
    QTextCharFormat::UnderlineStyle underline = QTextCharFormat::NoUnderline;
    QTextCharFormat::VerticalAlignment verticalAlignment = QTextCharFormat::AlignNormal;
    int foreground = 0; // colour-table indices
    int background = 0;

    bool operator==(const CharState&) const = default;
};

struct ParagraphState {
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
};

enum class Destination : unsigned char { Text, Skip, FontTable, ColorTable };

struct GroupState {
    CharState chars;
    ParagraphState paragraph;
    Destination destination = Destination::Text;
    int unicodeSkip = 1; // fallback characters after \uN
};

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Takes out of run text what a QTextDocument would read as structure:
// control characters (line ends come from \par and \line only), paragraph
// separators (made line breaks) and frame marks.
void sanitize(QString& s) {
    qsizetype out = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char16_t c = s[i].unicode();
        if (c < 0x20 && c != '\t')
            continue;
        if (c == 0x2029)
            c = 0x2028;
        else if (c == 0xFDD0 || c == 0xFDD1)
            c = QChar::ReplacementCharacter;
        s[out++] = QChar(c);
    }
    s.truncate(out);
}

class Parser {
public:
    explicit Parser(QByteArrayView in) : in_(in) {}
    std::optional<RtfDocument> parse();

private:
    bool openGroup();
    bool closeGroup();
    bool onlyNoiseFollows() const;
    void control();
    void controlWord();
    void controlSymbol(char c);
    void hexByte();
    void textByte(char c);
    void apply(const ControlWord& word, bool hasParameter, int parameter);
    void set(Property property, int value);
    void toggle(Property property, bool on);
    void unicode(int value);
    void insert(char16_t c);

    void flushBytes();
    void addText(QString s);
    void endParagraph();
    RtfDocument finish();
    int codePage() const;
    RtfCharFormat resolve(const CharState& c) const;

    QByteArrayView in_;
    qsizetype pos_ = 0;
    GroupState state_;
    std::vector<GroupState> saved_;
    int toSkip_ = 0; // fallback characters still to skip after \uN

    int codePage_ = 1252;
    int defaultFont_ = -1;
    CodePageDecoder decoder_;
    QByteArray bytes_; // text bytes not yet decoded

    rtf::Tables tables_{decoder_};

    RtfDocument doc_;
    RtfParagraph paragraph_;
    CharState runState_;           // the state the last run was written with
    ParagraphState contentLayout_; // the paragraph state at the last text
};

std::optional<RtfDocument> Parser::parse() {
    pos_ = rtfHeaderOffset(in_);
    if (pos_ < 0)
        return std::nullopt;
    while (pos_ < in_.size()) {
        const char c = in_[pos_++];
        switch (c) {
        case '{':
            if (!openGroup())
                return std::nullopt;
            break;
        case '}':
            if (closeGroup())
                return onlyNoiseFollows() ? std::optional(finish()) : std::nullopt;
            break;
        case '\\':
            control();
            break;
        case '\r':
        case '\n':
            break;
        default:
            if (toSkip_ > 0)
                --toSkip_;
            else
                textByte(c);
        }
    }
    return finish(); // cut short: what was read
}

bool Parser::openGroup() {
    flushBytes();
    toSkip_ = 0;
    if (saved_.size() >= size_t(kRtfMaxDepth))
        return false;
    saved_.push_back(state_);
    return true;
}

// True when the outermost group closed.
bool Parser::closeGroup() {
    flushBytes();
    toSkip_ = 0;
    if (state_.destination == Destination::FontTable)
        tables_.endFont(codePage_);
    if (saved_.empty())
        return true;
    state_ = saved_.back();
    saved_.pop_back();
    return saved_.empty();
}

// After the file's last brace only white space, NULs, an end-of-file
// mark or more braces may follow; text there means the braces are out of
// balance and part of the memo would be lost.
bool Parser::onlyNoiseFollows() const {
    for (qsizetype i = pos_; i < in_.size(); ++i) {
        const char c = in_[i];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\0' && c != '\x1A' && c != '}')
            return false;
    }
    return true;
}

void Parser::control() {
    if (pos_ >= in_.size())
        return;
    const char c = in_[pos_];
    if (isLetter(c))
        return controlWord();
    ++pos_;
    if (c == '\'')
        return hexByte();
    if (toSkip_ > 0) {
        --toSkip_;
        return;
    }
    controlSymbol(c);
}

void Parser::controlWord() {
    const qsizetype start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_]))
        ++pos_;
    const std::string_view name(in_.data() + start, size_t(pos_ - start));
    bool negative = false, hasParameter = false;
    qint64 value = 0;
    if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
        negative = true;
        ++pos_;
    }
    for (; pos_ < in_.size() && isDigit(in_[pos_]); ++pos_) {
        hasParameter = true;
        value = std::min<qint64>(value * 10 + (in_[pos_] - '0'), kMaxParameter);
    }
    if (pos_ < in_.size() && in_[pos_] == ' ')
        ++pos_; // the delimiter belongs to the word
    const int parameter = int(negative ? -value : value);

    const ControlWord* word = findControlWord(name);
    if (word && word->action == Action::Binary) // raw bytes follow, wherever we are
        pos_ += std::clamp<qsizetype>(hasParameter ? parameter : 0, 0, in_.size() - pos_);
    if (toSkip_ > 0) {
        --toSkip_;
        return;
    }
    if (word)
        apply(*word, hasParameter, parameter);
}

void Parser::controlSymbol(char c) {
    switch (c) {
    case '\\':
    case '{':
    case '}':
        textByte(c);
        break;
    case '*': // an optional destination: not ours, so not shown
        flushBytes();
        state_.destination = Destination::Skip;
        break;
    case '~':
        insert(0x00A0);
        break;
    case '-':
        insert(0x00AD);
        break;
    case '_':
        insert(0x2011);
        break;
    case '\t':
        insert('\t');
        break;
    case '\r':
    case '\n':
        if (state_.destination == Destination::Text)
            endParagraph();
        break;
    default:
        break;
    }
}

// \'hh: one byte. An escape without its two digits carries none.
void Parser::hexByte() {
    int value = 0, digits = 0;
    for (; digits < 2 && pos_ < in_.size() && hexValue(in_[pos_]) >= 0; ++digits, ++pos_)
        value = value * 16 + hexValue(in_[pos_]);
    if (toSkip_ > 0) {
        --toSkip_;
        return;
    }
    if (digits < 2)
        return;
    const char byte = char(value);
    if (state_.destination == Destination::FontTable)
        tables_.fontNameByte(byte);
    else if (state_.destination == Destination::Text && !state_.chars.hidden &&
             (uchar(byte) >= 0x20 || byte == '\t'))
        bytes_.append(byte);
}

void Parser::textByte(char c) {
    switch (state_.destination) {
    case Destination::Text:
        if (!state_.chars.hidden && (uchar(c) >= 0x20 || c == '\t'))
            bytes_.append(c);
        break;
    case Destination::FontTable:
        if (c == ';')
            tables_.endFont(codePage_);
        else
            tables_.fontNameByte(c);
        break;
    case Destination::ColorTable:
        if (c == ';')
            tables_.endColour();
        break;
    case Destination::Skip:
        break;
    }
}

void Parser::apply(const ControlWord& word, bool hasParameter, int parameter) {
    if (word.action == Action::SkipGroup) {
        flushBytes();
        state_.destination = Destination::Skip;
        return;
    }
    switch (state_.destination) {
    case Destination::Skip:
        return;
    case Destination::FontTable:
        if (hasParameter && word.action == Action::Set) {
            if (Property(word.value) == Property::Font) // a new entry ends the one before
                tables_.endFont(codePage_);
            tables_.fontValue(Property(word.value), parameter);
        }
        return;
    case Destination::ColorTable:
        if (hasParameter && word.action == Action::Set)
            tables_.colourValue(Property(word.value), parameter);
        return;
    case Destination::Text:
        break;
    }

    flushBytes(); // the bytes so far belong to the state before this word
    CharState& chars = state_.chars;
    switch (word.action) {
    case Action::FontTable:
        state_.destination = Destination::FontTable;
        break;
    case Action::ColorTable:
        state_.destination = Destination::ColorTable;
        tables_.startColours();
        break;
    case Action::Insert:
        insert(char16_t(word.value));
        break;
    case Action::ParagraphEnd:
        endParagraph();
        break;
    case Action::Toggle:
        toggle(Property(word.value), !hasParameter || parameter != 0);
        break;
    case Action::Underline:
        chars.underline = hasParameter && parameter == 0
                              ? QTextCharFormat::NoUnderline
                              : QTextCharFormat::UnderlineStyle(word.value);
        break;
    case Action::VerticalAlign:
        chars.verticalAlignment = QTextCharFormat::VerticalAlignment(word.value);
        break;
    case Action::Set:
        if (hasParameter)
            set(Property(word.value), parameter);
        break;
    case Action::Align:
        state_.paragraph.alignment = Qt::Alignment(word.value);
        break;
    case Action::ResetCharacter:
        chars = CharState{};
        break;
    case Action::ResetParagraph:
        state_.paragraph = ParagraphState{};
        break;
    case Action::CodePage:
        codePage_ = word.value;
        break;
    case Action::Unicode:
        if (hasParameter)
            unicode(parameter);
        break;
    case Action::SkipGroup:
    case Action::Binary:
        break;
    }
}

void Parser::set(Property property, int value) {
    CharState& chars = state_.chars;
    ParagraphState& para = state_.paragraph;
    const int twips = std::clamp(value, -kMaxTwips, kMaxTwips);
    switch (property) {
    case Property::Font:
        chars.font = value;
        break;
    case Property::FontSize:
        chars.halfPoints = value > 0 ? std::min(value, kMaxHalfPoints) : 0;
        break;
    case Property::Foreground:
        chars.foreground = std::max(value, 0);
        break;
    case Property::Background:
        chars.background = std::max(value, 0);
        break;
    case Property::UnicodeSkip:
        state_.unicodeSkip = std::max(value, 0);
        break;
    case Property::LeftIndent:
        para.leftIndent = twips;
        break;
    case Property::RightIndent:
        para.rightIndent = twips;
        break;
    case Property::FirstLineIndent:
        para.firstLineIndent = twips;
        break;
    case Property::SpaceBefore:
        para.spaceBefore = std::max(twips, 0);
        break;
    case Property::SpaceAfter:
        para.spaceAfter = std::max(twips, 0);
        break;
    case Property::DefaultFont:
        defaultFont_ = value;
        break;
    case Property::AnsiCodePage:
        if (value > 0)
            codePage_ = value;
        break;
    default:
        break; // font- and colour-table values
    }
}

void Parser::toggle(Property property, bool on) {
    CharState& chars = state_.chars;
    switch (property) {
    case Property::Bold:
        chars.bold = on;
        break;
    case Property::Italic:
        chars.italic = on;
        break;
    case Property::StrikeOut:
        chars.strikeOut = on;
        break;
    case Property::Hidden:
        chars.hidden = on;
        break;
    default:
        break;
    }
}

// \uN is a signed 16-bit number; values past 0xFFFF are taken as code
// points. The next \ucN characters are the fallback for older readers.
void Parser::unicode(int value) {
    if (value < 0)
        value += 0x10000;
    if (value >= 0 && value <= 0xFFFF) {
        addText(QString(QChar(char16_t(value))));
    } else if (value >= 0 && value <= 0x10FFFF) {
        const char32_t c = char32_t(value);
        addText(QString::fromUcs4(&c, 1));
    } else {
        addText(QString(QChar(QChar::ReplacementCharacter)));
    }
    toSkip_ = state_.unicodeSkip;
}

void Parser::insert(char16_t c) {
    if (state_.destination != Destination::Text)
        return;
    flushBytes();
    addText(QString(QChar(c)));
}

void Parser::flushBytes() {
    if (bytes_.isEmpty())
        return;
    const QString text = decoder_.decode(bytes_, codePage());
    bytes_.resize(0);
    addText(text);
}

void Parser::addText(QString s) {
    if (state_.chars.hidden || state_.destination != Destination::Text)
        return;
    sanitize(s);
    if (s.isEmpty())
        return;
    QList<RtfRun>& runs = paragraph_.runs;
    if (!runs.isEmpty() && runState_ == state_.chars) {
        runs.last().text += s;
    } else {
        runs.append(RtfRun{s, resolve(state_.chars)});
        runState_ = state_.chars;
    }
    contentLayout_ = state_.paragraph;
}

void applyLayout(RtfParagraph& p, const ParagraphState& s) {
    p.alignment = s.alignment;
    p.leftIndent = s.leftIndent;
    p.rightIndent = s.rightIndent;
    p.firstLineIndent = s.firstLineIndent;
    p.spaceBefore = s.spaceBefore;
    p.spaceAfter = s.spaceAfter;
}

// A paragraph takes the layout in effect at its mark.
void Parser::endParagraph() {
    flushBytes();
    applyLayout(paragraph_, state_.paragraph);
    paragraph_.markFormat = resolve(state_.chars);
    doc_.paragraphs.append(std::move(paragraph_));
    paragraph_ = RtfParagraph{};
}

// The last paragraph, when it has no mark, takes the layout of its last
// text; an empty one after a final \par is no paragraph.
RtfDocument Parser::finish() {
    flushBytes();
    if (!paragraph_.runs.isEmpty()) {
        applyLayout(paragraph_, contentLayout_);
        paragraph_.markFormat = paragraph_.runs.last().format;
        doc_.paragraphs.append(std::move(paragraph_));
        paragraph_ = RtfParagraph{};
    }
    return std::move(doc_);
}

// Bytes are in the code page of the current font's character set; with no
// font chosen, of the default font's; failing both, the file's (\ansicpgN).
int Parser::codePage() const {
    const int fontCodePage =
        tables_.codePage(state_.chars.font >= 0 ? state_.chars.font : defaultFont_);
    return fontCodePage != 0 ? fontCodePage : codePage_;
}

RtfCharFormat Parser::resolve(const CharState& c) const {
    RtfCharFormat f;
    f.family = tables_.family(c.font);
    f.points = c.halfPoints / 2.0;
    f.bold = c.bold;
    f.italic = c.italic;
    f.strikeOut = c.strikeOut;
    f.underline = c.underline;
    f.verticalAlignment = c.verticalAlignment;
    f.foreground = tables_.colour(c.foreground);
    f.background = tables_.colour(c.background);
    return f;
}

} // namespace

qsizetype rtfHeaderOffset(QByteArrayView bytes) {
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' ||
                                bytes[i] == '\n' || bytes[i] == '\f' || bytes[i] == '\v'))
        ++i;
    return bytes.sliced(i).startsWith("{\\rtf") ? i : -1;
}

std::optional<RtfDocument> parseRtf(QByteArrayView bytes) {
    return Parser(bytes).parse();
}

} // namespace soru
