// Reading a memo file into the memo box's document.
#include "media/memo_reader.h"

#include "core/failure.h"
#include "media/rtf_document.h"
#include "media/rtf_parser.h"
#include "media/text_decoding.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

namespace soru {

bool looksLikeRtf(QByteArrayView bytes) {
    return rtfHeaderOffset(bytes) >= 0;
}

MemoKind readMemo(QByteArrayView bytes, QTextDocument& into) {
    if (looksLikeRtf(bytes)) {
        if (const std::optional<RtfDocument> rtf = parseRtf(bytes)) {
            writeRtfDocument(*rtf, into);
            return MemoKind::Rtf;
        }
    }
    into.clear();
    into.setPlainText(decodePlainText(bytes));
    return MemoKind::PlainText;
}

MemoKind loadMemo(const QString& path, QTextDocument& into) {
    into.clear();
    QFile file(path);
    // Only regular files: a folder cannot be read, and a pipe could block.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw Failure(kMemoReadFailure);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(kMemoReadFailure);
    return readMemo(bytes, into);
}

} // namespace soru
