// The readiness-wait limit shared by every worker.
#include <cstdlib>

#include "sockets/slot_worker.h"

namespace {

const long WorkerWaitSeconds = 3600;
// Written only at registration, before any worker of that script runs.
timeval gWorkerWaitTime = {WorkerWaitSeconds, 0};

}  // namespace

void ConfigureWorkerWaitTime()
{
    gWorkerWaitTime.tv_sec = WorkerWaitSeconds;
    gWorkerWaitTime.tv_usec = 0;
    // Test hook: the tests cannot wait 27 hours for a worker to give up.
    char text[32];
    DWORD length = GetEnvironmentVariableA("TOLVA_WORKER_WAIT_MS", text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return;
    char* end = nullptr;
    long milliseconds = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || milliseconds <= 0)
        return;
    gWorkerWaitTime.tv_sec = milliseconds / 1000;
    gWorkerWaitTime.tv_usec = (milliseconds % 1000) * 1000;
}

timeval WorkerWaitTime()
{
    return gWorkerWaitTime;
}
