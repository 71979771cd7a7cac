#pragma once
// What the RTF reader makes of a memo: paragraphs of runs of styled text,
// with every value already resolved (font names, colours, points), and the
// step that writes them into the memo box's QTextDocument.
#include <QColor>
#include <QList>
#include <QString>
#include <QTextCharFormat>

class QTextDocument;

namespace soru {

struct RtfCharFormat {
    QString family;   // empty: the QTextDocument's default font (the memo box's)
    qreal points = 0; // 0: the default size
    bool bold = false;
    bool italic = false;
    bool strikeOut = false;
    QTextCharFormat::UnderlineStyle underline = QTextCharFormat::NoUnderline;
    QTextCharFormat::VerticalAlignment verticalAlignment = QTextCharFormat::AlignNormal;
    QColor foreground; // invalid: automatic
    QColor background; // invalid: none

    bool operator==(const RtfCharFormat&) const = default;
};

struct RtfRun {
    QString text; // no paragraph breaks; U+2028 for a line break
    RtfCharFormat format;
};

struct RtfParagraph {
    Qt::Alignment alignment = Qt::AlignLeft;
    // Indents and spacing in twips (1/1440 inch), as RTF gives them.
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    QList<RtfRun> runs;
    RtfCharFormat markFormat; // the format at the paragraph mark (height of an empty line)
};

struct RtfDocument {
    QList<RtfParagraph> paragraphs;
};

// Clears `into` and fills it with the paragraphs. Only what the RTF
// states is set on the formats, so everything else comes from the
// document's default font.
void writeRtfDocument(const RtfDocument& rtf, QTextDocument& into);

// Pixels (at 96 per inch, as QTextDocument counts them) for twips.
constexpr qreal twipsToPixels(int twips) {
    return twips / 15.0;
}

} // namespace soru
