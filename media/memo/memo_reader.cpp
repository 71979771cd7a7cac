// Reading a memo file into the memo box's document.
#include "media/memo/memo_reader.h"

#include "core/failure.h"
#include "media/formats/picture_object.h"
#include "media/memo/rtf_document.h"
#include "media/memo/rtf_parser.h"
#include "media/memo/text_decoding.h"

#include <QTextDocument>

namespace soru {
namespace {

bool inRange(uchar c, uchar lo, uchar hi) {
    return c >= lo && c <= hi;
}

// How many bytes at the end start a UTF-8 sequence they do not finish.
qsizetype unfinishedUtf8(QByteArrayView b) {
    for (qsizetype k = 1; k <= qMin<qsizetype>(3, b.size()); ++k) {
        const uchar c = uchar(b[b.size() - k]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for the lead
        if (c < 0xC0)
            return 0;
        const qsizetype length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        return length > k ? k : 0;
    }
    return 0;
}

// A UTF-16 unit cut in two, or a high surrogate whose low half is missing
// (the mark makes units start at even offsets).
qsizetype unfinishedUtf16(QByteArrayView b, bool littleEndian) {
    if (!b.startsWith(littleEndian ? "\xFF\xFE" : "\xFE\xFF"))
        return 0;
    qsizetype tail = b.size() & 1;
    const qsizetype end = b.size() - tail;
    if (end >= 4) {
        const uchar hi = uchar(b[end - (littleEndian ? 1 : 2)]);
        if (inRange(hi, 0xD8, 0xDB))
            tail += 2;
    }
    return tail;
}

// A Shift-JIS lead byte (81-9F, E0-FC) without its trail.
qsizetype unfinishedShiftJis(QByteArrayView b) {
    for (qsizetype i = 0; i < b.size(); ++i) {
        const uchar c = uchar(b[i]);
        if (inRange(c, 0x81, 0x9F) || inRange(c, 0xE0, 0xFC)) {
            if (i + 1 == b.size())
                return 1;
            ++i;
        }
    }
    return 0;
}

// An EUC-JP character (A1-FE pair, 8E kana, 8F triple) without its trail.
qsizetype unfinishedEucJp(QByteArrayView b) {
    for (qsizetype i = 0; i < b.size(); ++i) {
        const uchar c = uchar(b[i]);
        const int trail = c == 0x8F ? 2 : c == 0x8E || inRange(c, 0xA1, 0xFE) ? 1 : 0;
        if (i + trail >= b.size())
            return trail > 0 ? b.size() - i : 0;
        i += trail;
    }
    return 0;
}

// An escape sequence cut short, or the first byte of a two-byte JIS
// character.
qsizetype unfinishedIso2022Jp(QByteArrayView b) {
    bool twoBytes = false;
    for (qsizetype i = 0; i < b.size(); ++i) {
        const uchar c = uchar(b[i]);
        if (c == 0x1B) {
            if (i + 2 >= b.size())
                return b.size() - i;
            twoBytes = b[i + 1] == '$';
            i += 2;
        } else if (twoBytes && inRange(c, 0x21, 0x7E)) {
            if (i + 1 == b.size())
                return 1;
            ++i;
        }
    }
    return 0;
}

qsizetype unfinished(QByteArrayView b, PlainTextEncoding e) {
    switch (e) {
    case PlainTextEncoding::Utf8:
    case PlainTextEncoding::Utf8Bom:
        return unfinishedUtf8(b);
    case PlainTextEncoding::Utf16Le:
    case PlainTextEncoding::Utf16Be:
        return unfinishedUtf16(b, e == PlainTextEncoding::Utf16Le);
    case PlainTextEncoding::Iso2022Jp:
        return unfinishedIso2022Jp(b);
    case PlainTextEncoding::EucJp:
        return unfinishedEucJp(b);
    case PlainTextEncoding::ShiftJis:
        return unfinishedShiftJis(b);
    }
    return 0;
}

// The beginning of a longer text without the character the cut split: the
// bytes lose their end when, without it, they read as the encoding whose
// structure says the character is unfinished.
QByteArrayView wholeCharacters(QByteArrayView b) {
    using E = PlainTextEncoding;
    for (E e : {E::Utf16Le, E::Utf16Be, E::Utf8, E::Utf8Bom, E::ShiftJis, E::EucJp, E::Iso2022Jp}) {
        const qsizetype tail = unfinished(b, e);
        if (tail > 0 && detectPlainTextEncoding(b.chopped(tail)) == e)
            return b.chopped(tail);
    }
    return b;
}

} // namespace

bool looksLikeRtf(QByteArrayView bytes) {
    return rtfHeaderOffset(bytes) >= 0;
}

MemoKind readMemo(QByteArrayView bytes, QTextDocument& into, bool cut) {
    if (looksLikeRtf(bytes)) {
        if (std::optional<RtfDocument> rtf = parseRtf(bytes)) {
            if (cut) {
                RtfParagraph notice;
                notice.runs.append(RtfRun{kMemoCut, {}});
                rtf->paragraphs.append(notice);
            }
            writeRtfDocument(*rtf, into);
            return MemoKind::Rtf;
        }
    }
    into.clear();
    QString text = decodePlainText(cut ? wholeCharacters(bytes) : bytes);
    if (cut) {
        if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
            text += QLatin1Char('\n');
        text += kMemoCut;
    }
    into.setPlainText(text);
    return MemoKind::PlainText;
}

MemoKind loadMemo(const QString& path, QTextDocument& into) {
    into.clear();
    QByteArray bytes;
    try {
        // Regular files only, opened without waiting: a pipe could block.
        // One byte past the bound tells whether there is more.
        bytes = readPictureFile(path, kMaxMemoBytes + 1);
    } catch (const Failure&) {
        throw Failure(kMemoReadFailure);
    }
    const bool cut = bytes.size() > kMaxMemoBytes;
    if (cut)
        bytes.truncate(kMaxMemoBytes);
    return readMemo(bytes, into, cut);
}

} // namespace soru
