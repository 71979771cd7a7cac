#pragma once
// The RTF reader for memos: one pass over the bytes, linear in their
// length, with the formatting state saved and restored per group.
#include "media/memo/rtf_document.h"

#include <QByteArrayView>

#include <optional>

namespace soru {

// Groups nested deeper than this make a file unreadable as RTF.
inline constexpr int kRtfMaxDepth = 1000;

// Where "{\rtf" starts after an optional UTF-8 byte-order mark and white
// space, or -1 when the bytes are no RTF document.
qsizetype rtfHeaderOffset(QByteArrayView bytes);

// The file's paragraphs, or nullopt when the bytes cannot be read as
// RTF: no "{\rtf" header, groups nested deeper than kRtfMaxDepth, or
// unbalanced braces that close the outermost group while text follows.
// A document cut short is read as far as it goes.
std::optional<RtfDocument> parseRtf(QByteArrayView bytes);

} // namespace soru
