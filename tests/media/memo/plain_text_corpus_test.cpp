// Real memo texts in each encoding they come in must be recognised, the
// one-line ones included, and read back exactly.
#include "media/memo/text_decoding.h"
#include "tests/media/memo/document_text.h"
#include "tests/media/memo/memo_corpus.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace soru {
namespace {

struct Written {
    const char* label;
    const char* codec;
    PlainTextEncoding detected;
};
constexpr Written kWritten[] = {
    {"ShiftJis", "Shift_JIS", PlainTextEncoding::ShiftJis},
    {"EucJp", "EUC-JP", PlainTextEncoding::EucJp},
    {"Utf8", "UTF-8", PlainTextEncoding::Utf8},
};

struct CorpusCase {
    std::string name;
    const char* text;
    Written written;
};

void PrintTo(const CorpusCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<CorpusCase> corpusCases() {
    std::vector<CorpusCase> cases;
    for (const Written& w : kWritten) {
        for (const test::CorpusText& t : test::memoCorpusPages())
            cases.push_back({std::string(w.label) + "_Page_" + t.name, t.text, w});
        for (const test::CorpusText& t : test::memoCorpusLines())
            cases.push_back({std::string(w.label) + "_Line_" + t.name, t.text, w});
    }
    return cases;
}

class PlainTextCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(PlainTextCorpus, DetectsTheEncodingAndReadsTheTextBack) {
    const QString text = QString::fromUtf8(GetParam().text);
    QStringEncoder encoder(GetParam().written.codec);
    const QByteArray bytes = encoder(text);
    ASSERT_FALSE(encoder.hasError());
    ASSERT_EQ(QString(QStringDecoder(GetParam().written.codec)(bytes)), text);

    EXPECT_EQ(detectPlainTextEncoding(bytes), GetParam().written.detected);
    EXPECT_EQ(decodePlainText(bytes), text);
}

INSTANTIATE_TEST_SUITE_P(Memos, PlainTextCorpus, ::testing::ValuesIn(corpusCases()),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace soru
