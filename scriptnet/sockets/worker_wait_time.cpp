// The readiness-wait limit shared by every worker: an hour.
#include "sockets/slot_worker.h"

namespace {

const long WorkerWaitSeconds = 3600;

}  // namespace

// Zero, and written by nothing in the module. A test host, which cannot wait
// 27 hours for an idle worker to give up, writes a number of milliseconds
// here after loading the module, finding the variable by name in the
// module's symbol table. It is exported nowhere and no setting or
// environment variable leads to it, so no user's process changes the wait by
// accident. Volatile: the module itself never writes it.
volatile long gWorkerWaitMilliseconds = 0;

timeval WorkerWaitTime()
{
    const long milliseconds = gWorkerWaitMilliseconds;
    if (milliseconds > 0)
        return timeval {milliseconds / 1000, (milliseconds % 1000) * 1000};
    return timeval {WorkerWaitSeconds, 0};
}
