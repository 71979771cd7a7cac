// Memo files: RTF as a Japanese word processor writes it
// (code page 932, \'hh bytes, \uN escapes for what Shift-JIS lacks) and
// plain text in the encodings Japanese memos come in.
#include "tools/testlib/testlib.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <stdexcept>

namespace soru::testlib {
namespace {

constexpr const char* kShiftJis = "Shift_JIS";

// Inline markup of memo paragraphs and the RTF it turns into.
struct Tag {
    const char* markup;
    const char* rtf;
};
constexpr Tag kTags[] = {
    {"<b>", "\\b "},  {"</b>", "\\b0 "},     {"<i>", "\\i "},    {"</i>", "\\i0 "},
    {"<u>", "\\ul "}, {"</u>", "\\ulnone "}, {"<em>", "\\cf2 "}, {"</em>", "\\cf0 "},
};

const Tag* tagAt(const QString& s, qsizetype i) {
    for (const Tag& t : kTags)
        if (s.mid(i).startsWith(QLatin1String(t.markup)))
            return &t;
    return nullptr;
}

QString stripTags(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size();) {
        if (const Tag* t = tagAt(s, i)) {
            i += qsizetype(qstrlen(t->markup));
            continue;
        }
        out += s[i++];
    }
    return out;
}

// Shift-JIS bytes of one character, or empty when Shift-JIS cannot hold it.
QByteArray shiftJisOf(const QString& ch) {
    QStringEncoder enc(kShiftJis);
    QStringDecoder dec(kShiftJis);
    if (!enc.isValid() || !dec.isValid())
        throw std::runtime_error("no Shift_JIS codec available");
    const QByteArray bytes = enc(ch);
    if (enc.hasError() || QString(dec(bytes)) != ch)
        return {};
    return bytes;
}

// RTF for text: 7-bit characters as they are (with \, { and } escaped),
// others as \'hh Shift-JIS bytes or, failing that, \uN? per UTF-16 unit.
// Long lines are broken after a \'hh escape, where a line break is inert.
class RtfText {
public:
    explicit RtfText(QByteArray& out) : out_(out) {}

    void control(const char* word) { put(word); }

    void text(const QString& s) {
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            const char16_t u = c.unicode();
            if (u == '\\' || u == '{' || u == '}') {
                put(QByteArray("\\") + char(u));
            } else if (u == '\t') {
                put("\\tab ");
            } else if (u >= 0x20 && u < 0x7F) {
                put(QByteArray(1, char(u)));
            } else {
                const bool pair = c.isHighSurrogate() && i + 1 < s.size();
                const QString ch = pair ? s.mid(i, 2) : QString(c);
                i += pair ? 1 : 0;
                const QByteArray sjis = shiftJisOf(ch);
                if (!sjis.isEmpty()) {
                    for (char b : sjis)
                        put(QByteArray("\\'") +
                            QByteArray::number(uchar(b), 16).rightJustified(2, '0'));
                    if (line_ > 90)
                        newline();
                } else {
                    for (QChar unit : ch)
                        put("\\u" + QByteArray::number(qint16(unit.unicode())) + "?");
                }
            }
        }
    }

    void newline() {
        out_ += "\r\n";
        line_ = 0;
    }

private:
    void put(const QByteArray& s) {
        out_ += s;
        line_ += int(s.size());
    }
    QByteArray& out_;
    int line_ = 0;
};

void markedText(RtfText& rtf, const QString& s) {
    QString run;
    for (qsizetype i = 0; i < s.size();) {
        if (const Tag* t = tagAt(s, i)) {
            rtf.text(run);
            run.clear();
            rtf.control(t->rtf);
            i += qsizetype(qstrlen(t->markup));
            continue;
        }
        run += s[i++];
    }
    rtf.text(run);
}

} // namespace

Memo sampleMemo() {
    return {QStringLiteral("旅の覚え書き"),
            {QStringLiteral("京都の朝は<b>とても静か</b>でした。鴨川のほとりを<i>ゆっくり</i>歩き、"
                            "<u>小さな喫茶店</u>で café au lait を飲みました。"),
             QStringLiteral("<em>注意：</em>写真は{見本}です。\t料金：１，２００円"),
             QStringLiteral("保存先 C:\\SORU\\旅行　（韓国語で「한」）")}};
}

QByteArray rtfMemoBytes(const Memo& memo) {
    QByteArray out;
    RtfText rtf(out);
    rtf.control("{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041");
    rtf.control("{\\fonttbl{\\f0\\fnil\\fcharset128 ");
    rtf.text(QStringLiteral("ＭＳ Ｐゴシック"));
    rtf.control(";}{\\f1\\fswiss\\fcharset0 Arial;}}");
    rtf.newline();
    rtf.control(
        "{\\colortbl ;\\red0\\green0\\blue0;\\red192\\green32\\blue48;\\red32\\green64\\blue160;}");
    rtf.newline();
    rtf.control("{\\*\\generator soru-mklib;}\\viewkind4\\uc1\\pard\\lang1041\\f0");
    rtf.control("\\fs32\\cf3\\b ");
    markedText(rtf, memo.title);
    rtf.control("\\cf0\\b0\\fs20");
    for (const QString& p : memo.paragraphs) {
        rtf.control("\\par");
        rtf.newline();
        markedText(rtf, p);
    }
    rtf.control("}");
    rtf.newline();
    return out;
}

QString rtfPlainText(const Memo& memo) {
    QStringList lines{stripTags(memo.title)};
    for (const QString& p : memo.paragraphs)
        lines.append(stripTags(p));
    return lines.join(QLatin1Char('\n'));
}

void writeRtfMemo(const QString& path, const Memo& memo) {
    writeFile(path, rtfMemoBytes(memo));
}

const char* textEncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::ShiftJis:
        return "shift-jis";
    case TextEncoding::Utf8:
        return "utf-8";
    case TextEncoding::Utf8Bom:
        return "utf-8-bom";
    case TextEncoding::Utf16LeBom:
        return "utf-16le-bom";
    case TextEncoding::Utf16BeBom:
        return "utf-16be-bom";
    }
    return "?";
}

QByteArray encodeText(const QString& text, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::ShiftJis: {
        QStringEncoder enc(kShiftJis);
        QStringDecoder dec(kShiftJis);
        if (!enc.isValid() || !dec.isValid())
            throw std::runtime_error("no Shift_JIS codec available");
        const QByteArray bytes = enc(text);
        if (enc.hasError() || QString(dec(bytes)) != text)
            throw std::runtime_error("the text holds characters that Shift-JIS cannot encode");
        return bytes;
    }
    case TextEncoding::Utf8:
        return text.toUtf8();
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Utf16LeBom:
    case TextEncoding::Utf16BeBom: {
        const bool le = encoding == TextEncoding::Utf16LeBom;
        QByteArray out(le ? "\xFF\xFE" : "\xFE\xFF");
        for (QChar c : text) {
            const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
            out.append(le ? lo : hi).append(le ? hi : lo);
        }
        return out;
    }
    }
    throw std::invalid_argument("unknown TextEncoding");
}

void writeTextMemo(const QString& path, const QString& text, TextEncoding encoding) {
    writeFile(path, encodeText(text, encoding));
}

} // namespace soru::testlib
