#include "core/thread_priority.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace soru {

void lowerThisThreadFor(BackgroundWork work) {
#if defined(Q_OS_LINUX)
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), work == BackgroundWork::Ahead ? 10 : 15);
#elif defined(Q_OS_WIN)
    SetThreadPriority(GetCurrentThread(), work == BackgroundWork::Ahead
                                              ? THREAD_PRIORITY_BELOW_NORMAL
                                              : THREAD_PRIORITY_LOWEST);
#else
    (void)work;
#endif
}

} // namespace soru
