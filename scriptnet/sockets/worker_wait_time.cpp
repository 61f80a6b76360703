#include "sockets/worker_wait_time.h"

#include "common/kept_quirks.h"

// Zero, and written by nothing in the module. A test host, which cannot wait
// the hours an idle worker takes to give up, writes a number of milliseconds
// here after loading the module, finding the variable by name in the
// module's symbol table. It is exported nowhere and no setting or
// environment variable leads to it, so no user's process changes the wait by
// accident. Volatile: the module itself never writes it.
volatile long gWorkerWaitMilliseconds = 0;

DWORD WorkerWaitMilliseconds()
{
    const long milliseconds = gWorkerWaitMilliseconds;
    return milliseconds > 0 ? static_cast<DWORD>(milliseconds) : OneHourMilliseconds;
}
