// Plain-text memos are decoded by what their bytes look like, not by a
// setting. Certain facts come first: a byte-order mark, JIS escapes, valid
// UTF-8, and a legacy reading that is impossible because the bytes break it.
// Where both Shift-JIS and EUC-JP read cleanly, uchardet's statistics
// decide; Shift-JIS is the default where it has no answer.
#include "media/memo/text_decoding.h"

#include <QStringDecoder>

#include <uchardet/uchardet.h>

#include <memory>
#include <optional>
#include <type_traits>
#include <unordered_map>

namespace soru {
namespace {

constexpr char16_t kSubstitute = 0x1A; // what the ICU code pages put for undecodable bytes

// Code pages whose decoder is not called "windows-N".
struct CodePageName {
    int codePage;
    const char* name;
};
constexpr CodePageName kCodePageNames[] = {
    {437, "IBM437"},      {850, "IBM850"},        {852, "IBM852"},      {866, "IBM866"},
    {932, "windows-932"}, {936, "windows-936"},   {949, "windows-949"}, {950, "windows-950"},
    {10000, "macintosh"}, {10001, "windows-932"}, // Mac Japanese is Shift-JIS for text purposes
    {20932, "EUC-JP"},    {65001, "UTF-8"},
};

QStringDecoder makeDecoder(int codePage) {
    for (const CodePageName& n : kCodePageNames)
        if (n.codePage == codePage)
            return QStringDecoder(n.name, QStringConverter::Flag::Stateless);
    if (codePage > 0) {
        QStringDecoder d(QByteArray("windows-" + QByteArray::number(codePage)),
                         QStringConverter::Flag::Stateless);
        if (d.isValid())
            return d;
    }
    return {};
}

bool isIso2022Jp(QByteArrayView b) {
    bool escape = false;
    for (qsizetype i = 0; i < b.size(); ++i) {
        const uchar c = uchar(b[i]);
        if (c >= 0x80)
            return false;
        if (c == 0x1B && i + 2 < b.size()) {
            const char x = b[i + 1], y = b[i + 2];
            escape = escape || (x == '$' && (y == 'B' || y == '@')) ||
                     (x == '(' && (y == 'J' || y == 'I'));
        }
    }
    return escape;
}

bool isValidUtf8(QByteArrayView b) {
    QStringDecoder d(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    (void)QString(d.decode(b));
    return !d.hasError();
}

bool inRange(uchar c, uchar lo, uchar hi) {
    return c >= lo && c <= hi;
}

// Bytes that do not fit Shift-JIS (code page 932) structure: single bytes
// 00-7F and A1-DF, lead bytes 81-9F and E0-FC each with a trail 40-FC but 7F.
int shiftJisErrors(QByteArrayView b) {
    int errors = 0;
    for (qsizetype i = 0; i < b.size(); ++i) {
        const uchar c = uchar(b[i]);
        if (c < 0x80 || inRange(c, 0xA1, 0xDF))
            continue;
        if ((inRange(c, 0x81, 0x9F) || inRange(c, 0xE0, 0xFC)) && i + 1 < b.size()) {
            const uchar t = uchar(b[i + 1]);
            if (inRange(t, 0x40, 0xFC) && t != 0x7F) {
                ++i;
                continue;
            }
        }
        ++errors;
    }
    return errors;
}

// Bytes that do not fit EUC-JP structure: 00-7F, A1-FE pairs, 8E with a
// half-width kana A1-DF, 8F with an A1-FE pair.
int eucJpErrors(QByteArrayView b) {
    int errors = 0;
    for (qsizetype i = 0; i < b.size(); ++i) {
        const uchar c = uchar(b[i]);
        if (c < 0x80)
            continue;
        const int trail = c == 0x8E ? 1 : c == 0x8F ? 2 : inRange(c, 0xA1, 0xFE) ? 1 : 0;
        bool ok = trail > 0 && i + trail < b.size();
        for (int k = 1; ok && k <= trail; ++k) {
            const uchar t = uchar(b[i + k]);
            ok = c == 0x8E ? inRange(t, 0xA1, 0xDF) : inRange(t, 0xA1, 0xFE);
        }
        if (ok)
            i += trail;
        else
            ++errors;
    }
    return errors;
}

// Whether Shift-JIS structure puts a double-byte character with lead byte
// E0-FC in the bytes (second-level and extension kanji).
bool hasShiftJisHighLead(QByteArrayView b) {
    for (qsizetype i = 0; i < b.size(); ++i) {
        const uchar c = uchar(b[i]);
        if (c < 0x80 || inRange(c, 0xA1, 0xDF))
            continue;
        if (c >= 0xE0)
            return true;
        ++i; // lead 81-9F with its trail
    }
    return false;
}

// What one of the legacy encodings makes of the bytes.
struct LegacyReading {
    int errors = 0;     // bytes that break the encoding's byte structure
    bool clean = false; // no such bytes, every code assigned, no private-use character
};

LegacyReading readAs(QByteArrayView b, const char* codec, int structureErrors) {
    LegacyReading r;
    r.errors = structureErrors;
    if (structureErrors > 0)
        return r;
    QStringDecoder d(codec, QStringConverter::Flag::Stateless);
    const QString s = d.decode(b);
    // User-defined characters (Shift-JIS F040-F9FC) are where the other
    // encoding's bytes land far more often than in real memos.
    r.clean = !d.hasError();
    for (const QChar c : s)
        r.clean = r.clean && c.category() != QChar::Other_PrivateUse;
    return r;
}

// uchardet's answer among the encodings memos come in, if it has one.
std::optional<PlainTextEncoding> uchardetGuess(QByteArrayView b) {
    using Detector = std::remove_pointer_t<uchardet_t>;
    const std::unique_ptr<Detector, decltype(&uchardet_delete)> ud(uchardet_new(),
                                                                   &uchardet_delete);
    if (!ud || uchardet_handle_data(ud.get(), b.data(), size_t(b.size())) != 0)
        return std::nullopt;
    uchardet_data_end(ud.get());
    const char* charset = uchardet_get_charset(ud.get());
    const QByteArray name = QByteArray(charset ? charset : "").toUpper();
    if (name == "SHIFT_JIS" || name == "WINDOWS-31J" || name == "CP932")
        return PlainTextEncoding::ShiftJis;
    if (name == "EUC-JP")
        return PlainTextEncoding::EucJp;
    if (name == "UTF-8")
        return PlainTextEncoding::Utf8;
    return std::nullopt; // nothing, or a guess (often a European code page) for a short text
}

QString decodeWith(QStringDecoder decoder, QByteArrayView bytes) {
    return decoder.decode(bytes);
}

// "\n" line ends, no NULs, U+FFFD where the decoder substituted.
QString tidy(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == 0)
            continue;
        if (c == '\r') {
            out += QLatin1Char('\n');
            if (i + 1 < s.size() && s[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            out += c == kSubstitute ? QChar(QChar::ReplacementCharacter) : QChar(c);
        }
    }
    return out;
}

} // namespace

PlainTextEncoding detectPlainTextEncoding(QByteArrayView b) {
    if (b.startsWith("\xEF\xBB\xBF"))
        return PlainTextEncoding::Utf8Bom;
    if (b.startsWith("\xFF\xFE"))
        return PlainTextEncoding::Utf16Le;
    if (b.startsWith("\xFE\xFF"))
        return PlainTextEncoding::Utf16Be;
    if (isIso2022Jp(b))
        return PlainTextEncoding::Iso2022Jp;
    if (isValidUtf8(b))
        return PlainTextEncoding::Utf8;
    const LegacyReading sjis = readAs(b, "windows-932", shiftJisErrors(b));
    const LegacyReading euc = readAs(b, "EUC-JP", eucJpErrors(b));
    if (sjis.clean != euc.clean)
        return sjis.clean ? PlainTextEncoding::ShiftJis : PlainTextEncoding::EucJp;
    const std::optional<PlainTextEncoding> guess = uchardetGuess(b);
    if (sjis.clean) {
        // Both read cleanly: UTF-8 is out, the statistics choose. Short texts
        // often get no answer. Then: Shift-JIS text that EUC-JP also reads
        // cleanly is half-width katakana and hardly ever holds a kanji with
        // lead byte E0-FC, while EUC-JP text read as Shift-JIS puts its
        // bytes E0-FE on lead positions all the time.
        if (guess && *guess != PlainTextEncoding::Utf8)
            return *guess;
        return hasShiftJisHighLead(b) ? PlainTextEncoding::EucJp : PlainTextEncoding::ShiftJis;
    }
    // Neither reads cleanly: a damaged file. Trust a statistical answer,
    // else the encoding with fewer broken bytes.
    if (guess)
        return *guess;
    return euc.errors < sjis.errors ? PlainTextEncoding::EucJp : PlainTextEncoding::ShiftJis;
}

QString decodePlainText(QByteArrayView bytes) {
    const PlainTextEncoding encoding = detectPlainTextEncoding(bytes);
    const bool wide =
        encoding == PlainTextEncoding::Utf16Le || encoding == PlainTextEncoding::Utf16Be;
    if (!wide && bytes.endsWith('\x1A'))
        bytes.chop(1);
    QString text;
    switch (encoding) {
    case PlainTextEncoding::Utf8Bom:
        text = QString::fromUtf8(bytes.sliced(3));
        break;
    case PlainTextEncoding::Utf8:
        text = QString::fromUtf8(bytes);
        break;
    case PlainTextEncoding::Utf16Le:
        text = decodeWith(QStringDecoder(QStringConverter::Utf16LE), bytes.sliced(2));
        break;
    case PlainTextEncoding::Utf16Be:
        text = decodeWith(QStringDecoder(QStringConverter::Utf16BE), bytes.sliced(2));
        break;
    case PlainTextEncoding::Iso2022Jp:
        text = decodeWith(QStringDecoder("ISO-2022-JP"), bytes);
        break;
    case PlainTextEncoding::EucJp:
        text = decodeWith(QStringDecoder("EUC-JP"), bytes);
        break;
    case PlainTextEncoding::ShiftJis:
        text = decodeWith(QStringDecoder("windows-932"), bytes);
        break;
    }
    return tidy(text);
}

struct CodePageDecoder::Cache {
    std::unordered_map<int, QStringDecoder> decoders;

    QStringDecoder& get(int codePage) {
        auto it = decoders.find(codePage);
        if (it == decoders.end()) {
            QStringDecoder d = makeDecoder(codePage);
            if (!d.isValid())
                return codePage == 1252
                           ? decoders.emplace(1252, QStringDecoder("ISO-8859-1")).first->second
                           : get(1252);
            it = decoders.emplace(codePage, std::move(d)).first;
        }
        return it->second;
    }
};

CodePageDecoder::CodePageDecoder() : cache_(std::make_unique<Cache>()) {}
CodePageDecoder::~CodePageDecoder() = default;

QString CodePageDecoder::decode(QByteArrayView bytes, int codePage) {
    QStringDecoder& d = cache_->get(codePage);
    QString s = d.decode(bytes);
    d.resetState();
    s.replace(QChar(kSubstitute), QChar(QChar::ReplacementCharacter));
    return s;
}

} // namespace soru
