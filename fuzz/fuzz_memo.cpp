// The memo reader on arbitrary file contents: RTF when the bytes start
// like RTF, plain text in whatever encoding they look like otherwise. Each
// input is read complete and again as if cut off from a longer memo; the
// document is then laid out and painted as the memo box shows it.
#include "core/failure.h"
#include "fuzz/harness.h"
#include "media/memo/memo_reader.h"
#include "media/memo/rtf_parser.h"
#include "media/memo/text_decoding.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

namespace {

using namespace soru;

// Characters no memo text may hold: structure a QTextDocument would read
// into it, and line ends other than "\n".
bool cleanRunText(const QString& s) {
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\t') || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1)
            return false;
    }
    return true;
}

bool cleanPlainText(const QString& s) {
    return !s.contains(QChar(0)) && !s.contains(QLatin1Char('\r')) &&
           !s.contains(QChar(0x1A));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    soru::fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));

    FUZZ_CHECK(cleanPlainText(decodePlainText(bytes)));

    if (const std::optional<RtfDocument> rtf = parseRtf(bytes)) {
        FUZZ_CHECK(looksLikeRtf(bytes));
        for (const RtfParagraph& p : rtf->paragraphs)
            for (const RtfRun& r : p.runs)
                FUZZ_CHECK(!r.text.isEmpty() && cleanRunText(r.text));
    }

    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("IPAPGothic"), 9));
    try {
        const MemoKind kind = readMemo(bytes, document);
        FUZZ_CHECK(kind == MemoKind::PlainText || looksLikeRtf(bytes));
    } catch (const Failure&) {
        return 0;
    }
    // The same bytes as the beginning of a memo too long to read whole:
    // whatever they are, the line saying so comes last.
    QTextDocument cut;
    readMemo(bytes, cut, true);
    FUZZ_CHECK(cut.lastBlock().text() == kMemoCut);

    // The memo box: a narrow column, wrapped, its top painted.
    document.setTextWidth(240);
    (void)document.size();
    QImage box(240, 96, QImage::Format_RGB32);
    box.fill(Qt::white);
    QPainter painter(&box);
    document.drawContents(&painter, QRectF(box.rect()));
    return 0;
}
