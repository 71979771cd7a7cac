#include "core/failure.h"

#include <cstdio>

namespace soru {

namespace {
FailureSink& sinkSlot() {
    static FailureSink sink;
    return sink;
}
} // namespace

QString failureDisplayText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void setFailureSink(FailureSink sink) { sinkSlot() = std::move(sink); }

FailureSink failureSink() { return sinkSlot(); }

void reportFailure(const QString& message) {
    if (const FailureSink& sink = sinkSlot()) {
        sink(message);
        return;
    }
    std::fprintf(stderr, "soru: %s\n", failureDisplayText(message).toLocal8Bit().constData());
}

} // namespace soru
