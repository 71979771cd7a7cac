#pragma once
// Turning memo bytes into text: plain-text files decoded by their content
// (byte-order marks, UTF-8, the Japanese legacy encodings), and bytes in a
// Windows code page as RTF documents hold them.
#include <QByteArrayView>
#include <QString>

#include <memory>

namespace soru {

// What a plain-text memo turned out to be written in.
enum class PlainTextEncoding {
    Utf8,      // valid UTF-8 without a mark (plain ASCII included), or damaged
               // bytes that uchardet takes for UTF-8
    Utf8Bom,   // EF BB BF
    Utf16Le,   // FF FE
    Utf16Be,   // FE FF
    Iso2022Jp, // 7-bit with JIS escape sequences
    EucJp,     // reads cleanly only as EUC-JP, or uchardet says so
    ShiftJis,  // code page 932, the default for Japanese files
};

PlainTextEncoding detectPlainTextEncoding(QByteArrayView bytes);

// The text of a plain-text memo: the mark removed, line ends (CR LF, CR,
// LF) made "\n", NUL characters dropped and undecodable bytes shown as
// U+FFFD. A DOS end-of-file mark (a final 0x1A) is ignored.
QString decodePlainText(QByteArrayView bytes);

// Byte runs in Windows code pages (932, 936, 949, 950, 874, 1250-1258, the
// Mac and DOS ones, ...). Decoders are created once per code page; a code
// page the platform cannot decode is read as 1252. Undecodable bytes become
// U+FFFD, an unfinished double-byte character at the end is dropped.
class CodePageDecoder {
public:
    CodePageDecoder();
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    QString decode(QByteArrayView bytes, int codePage);

private:
    struct Cache;
    std::unique_ptr<Cache> cache_;
};

} // namespace soru
