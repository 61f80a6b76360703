// The longest single wait of every worker.
#ifndef SCRIPTNET_SOCKETS_WORKER_WAIT_TIME_H
#define SCRIPTNET_SOCKETS_WORKER_WAIT_TIME_H

#include <windows.h>

// Read by each worker as it starts: an hour, unless a test host shortened it.
DWORD WorkerWaitMilliseconds();

#endif
