#pragma once
// The memo of a picture: its companion .rtf or .txt file, read for the
// read-only memo box. The content decides how it is read, not the name:
// RTF shows with its formatting, anything else as plain text.
#include <QByteArrayView>
#include <QString>

class QTextDocument;

namespace soru {

// Shown when a memo file cannot be read (missing, a folder, unreadable).
inline const QString kMemoReadFailure = QStringLiteral("ストリームからの読み込みに失敗しました");

enum class MemoKind {
    Rtf,       // read as RTF, with its formatting
    PlainText, // plain text, or RTF that could not be parsed
};

// Whether the bytes start with "{\rtf" after an optional UTF-8 byte-order
// mark and white space.
bool looksLikeRtf(QByteArrayView bytes);

// Clears `into` and fills it with the memo's bytes. Formats name only what
// the RTF states, so the rest follows the default font of `into`
// (the memo box's).
MemoKind readMemo(QByteArrayView bytes, QTextDocument& into);

// Clears `into`, then reads the file into it. Throws
// Failure(kMemoReadFailure) when the file cannot be read; `into` is
// then left empty, never showing an earlier memo.
MemoKind loadMemo(const QString& path, QTextDocument& into);

} // namespace soru
