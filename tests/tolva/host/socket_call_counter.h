// Counts the module's host-name lookups, connection attempts and waits
// (readiness waits and overlapped receives, each of which waits by itself)
// by routing its imports of gethostbyname, connect, select and WSARecv, and
// the ConnectEx it asks WSAIoctl for, through counting wrappers that call
// the real functions, so the module's own code runs unchanged.
#ifndef TOLVA_TESTS_SOCKET_CALL_COUNTER_H
#define TOLVA_TESTS_SOCKET_CALL_COUNTER_H

#include <windows.h>

struct SocketCalls {
    int lookups;             // gethostbyname calls
    int connects;            // connect and ConnectEx calls
    int selects;             // select calls (a worker's waits among them)
    int overlappedReceives;  // overlapped WSARecv calls (a worker's receives)
};

// Patches the module's import table; false if an import was not found.
bool StartSocketCallCounter(HMODULE module);

// The calls since the previous call.
SocketCalls TakeSocketCalls();

#endif
