#pragma once
// The memo of a picture: its companion .rtf or .txt file, read for the
// read-only memo box. The content decides how it is read, not the name:
// RTF shows with its formatting, anything else as plain text.
#include <QByteArrayView>
#include <QString>

#include "core/texts.h"

class QTextDocument;

namespace soru {

// Shown when a memo file cannot be read (missing, a folder, unreadable).
inline constexpr text::Text kMemoReadFailure{QT_TRANSLATE_NOOP("soru", "ストリームからの読み込みに失敗しました")};
// The last line of a memo longer than kMaxMemoBytes, after its beginning.
inline constexpr text::Text kMemoCut{QT_TRANSLATE_NOOP("soru", "（メモが長すぎるため、ここまでを表示しています）")};

// No real memo is this long; of a longer file only this much is read.
inline constexpr qsizetype kMaxMemoBytes = 4 * 1024 * 1024;

enum class MemoKind {
    Rtf,       // read as RTF, with its formatting
    PlainText, // plain text, or RTF that could not be parsed
};

// Whether the bytes start with "{\rtf" after an optional UTF-8 byte-order
// mark and white space.
bool looksLikeRtf(QByteArrayView bytes);

// Clears `into` and fills it with the memo's bytes. Formats name only what
// the RTF states, so the rest follows the default font of `into`
// (the memo box's). With `cut`, the bytes are the beginning of a longer
// memo: a character the cut split is dropped, an RTF document is read as
// far as it goes, and kMemoCut follows on a line of its own.
MemoKind readMemo(QByteArrayView bytes, QTextDocument& into, bool cut = false);

// Clears `into`, then reads the file into it, at most kMaxMemoBytes of it.
// Throws Failure(kMemoReadFailure) when the file cannot be read or is no
// regular file (a pipe, a device); `into` is then left empty, never
// showing an earlier memo.
MemoKind loadMemo(const QString& path, QTextDocument& into);

} // namespace soru
