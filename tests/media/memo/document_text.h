#pragma once
// Reading a QTextDocument back in a form a test can compare with text
// written by hand.
#include <QString>
#include <QTextCharFormat>

#include <ostream>

class QTextDocument;

// Readable QString values in GoogleTest messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace soru::test {

// The QTextDocument's text and formats in one line per paragraph ("\n" between
// them). A centred, right-aligned or justified paragraph starts with "[c]",
// "[r]" or "[j]"; a line break shows as "⏎"; formatted text is written
// "<attributes>text</>" with the attributes, in this order, among
//   b i s u u:dot u:dash u:dashdot u:dashdotdot u:wave sup sub
//   pt<points> fg#rrggbb bg#rrggbb font=<family>
QString describe(const QTextDocument& doc);

// The format of the first occurrence of text, which must exist and have
// one format throughout (a test failure is recorded otherwise).
QTextCharFormat formatOf(const QTextDocument& doc, const QString& text);

// The describe() attributes of one format.
QString attributes(const QTextCharFormat& format);

} // namespace soru::test
