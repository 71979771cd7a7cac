#pragma once
// Japanese memo texts as people write them, for checking that the plain-text
// reader finds their encoding: page-long memos and one-line captions, with
// kanji-heavy, kana-heavy and katakana-heavy prose, half-width katakana and
// ASCII mixed in. Each text is UTF-8 with "\n" line ends and can be encoded
// in Shift-JIS, EUC-JP and UTF-8 alike.
#include <span>

namespace soru::test {

struct CorpusText {
    const char* name; // a test-name-friendly label
    const char* text;
};

std::span<const CorpusText> memoCorpusPages(); // 20 to 40 lines each
std::span<const CorpusText> memoCorpusLines(); // about a dozen characters each

} // namespace soru::test
