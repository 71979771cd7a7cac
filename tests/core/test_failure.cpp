#include "core/failure.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

namespace soru {
namespace {

TEST(FailureText, FullStopIsAddedOnlyAfterCharactersThatSortAfterIt) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"JPEG エラー #53", "JPEG エラー #53."},
        {"ビットマップイメージが不正です", "ビットマップイメージが不正です."},
        {"ends with a dot.", "ends with a dot."},
        {"ends with a dash-", "ends with a dash-"}, // '-' sorts before '.'
        {"ends with a blank ", "ends with a blank "},
        {"ends with a slash/", "ends with a slash/."},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(failureDisplayText(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

class RecordingSink {
public:
    RecordingSink() {
        setFailureSink([this](const QString& m) { messages.append(m); });
    }
    ~RecordingSink() { setFailureSink({}); }
    QStringList messages;
};

TEST(Guarded, ReportsTheFailureAndStopsTheHandlerThere) {
    RecordingSink sink;
    bool after = false;
    const bool ok = guarded([&] {
        throw Failure(QStringLiteral("ファイル x は開けません"));
        after = true;
    });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(after);
    EXPECT_EQ(sink.messages, QStringList{QStringLiteral("ファイル x は開けません")});
    EXPECT_TRUE(guarded([] {}));
    EXPECT_EQ(sink.messages.size(), 1);
}

TEST(Guarded, FailureOfANestedHandlerDoesNotLeaveTheOuterOperation) {
    RecordingSink sink;
    QStringList steps;
    // A timer tick whose handler fails runs while the outer operation
    // processes pending events; the outer operation goes on.
    QTimer::singleShot(0, [&] {
        guarded([&] {
            steps << "nested";
            throw Failure(QStringLiteral("JPEG エラー #53"));
        });
    });
    const bool ok = guarded([&] {
        steps << "before";
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        steps << "after";
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(steps, (QStringList{"before", "nested", "after"}));
    EXPECT_EQ(sink.messages, QStringList{QStringLiteral("JPEG エラー #53")});
}

TEST(Guarded, OtherExceptionsAreReportedToo) {
    RecordingSink sink;
    EXPECT_FALSE(guarded([] { throw std::runtime_error("boom"); }));
    EXPECT_FALSE(guarded([] { throw std::bad_alloc(); }));
    EXPECT_EQ(sink.messages.size(), 2);
    EXPECT_EQ(sink.messages[0], QStringLiteral("boom"));
}

} // namespace
} // namespace soru
