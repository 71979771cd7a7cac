// Writing parsed RTF into a QTextDocument with a cursor, one block per
// paragraph and one insertion per run.
#include "media/memo/rtf_document.h"

#include <QBrush>
#include <QFont>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace soru {
namespace {

QTextCharFormat charFormat(const RtfCharFormat& f) {
    QTextCharFormat out;
    if (!f.family.isEmpty())
        out.setFontFamilies(QStringList{f.family});
    if (f.points > 0)
        out.setFontPointSize(f.points);
    if (f.bold)
        out.setFontWeight(QFont::Bold);
    if (f.italic)
        out.setFontItalic(true);
    if (f.strikeOut)
        out.setFontStrikeOut(true);
    if (f.underline != QTextCharFormat::NoUnderline)
        out.setUnderlineStyle(f.underline);
    if (f.verticalAlignment != QTextCharFormat::AlignNormal)
        out.setVerticalAlignment(f.verticalAlignment);
    if (f.foreground.isValid())
        out.setForeground(QBrush(f.foreground));
    if (f.background.isValid())
        out.setBackground(QBrush(f.background));
    return out;
}

QTextBlockFormat blockFormat(const RtfParagraph& p) {
    QTextBlockFormat out;
    if (p.alignment != Qt::AlignLeft)
        out.setAlignment(p.alignment);
    if (p.leftIndent != 0)
        out.setLeftMargin(twipsToPixels(p.leftIndent));
    if (p.rightIndent != 0)
        out.setRightMargin(twipsToPixels(p.rightIndent));
    if (p.firstLineIndent != 0)
        out.setTextIndent(twipsToPixels(p.firstLineIndent));
    if (p.spaceBefore != 0)
        out.setTopMargin(twipsToPixels(p.spaceBefore));
    if (p.spaceAfter != 0)
        out.setBottomMargin(twipsToPixels(p.spaceAfter));
    return out;
}

} // namespace

void writeRtfDocument(const RtfDocument& rtf, QTextDocument& into) {
    into.clear();
    QTextCursor cursor(&into);
    cursor.beginEditBlock();
    bool first = true;
    for (const RtfParagraph& p : rtf.paragraphs) {
        if (first) {
            cursor.setBlockFormat(blockFormat(p));
            cursor.setBlockCharFormat(charFormat(p.markFormat));
        } else {
            cursor.insertBlock(blockFormat(p), charFormat(p.markFormat));
        }
        first = false;
        for (const RtfRun& r : p.runs)
            cursor.insertText(r.text, charFormat(r.format));
    }
    cursor.endEditBlock();
}

} // namespace soru
