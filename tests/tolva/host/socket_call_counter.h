// Counts the module's host-name lookups, connection attempts and waits
// (readiness waits and overlapped receives, each of which waits by itself)
// and looks for a peer, by routing its imports of gethostbyname, connect,
// WSAEventSelect, WSARecv and getpeername, and
// the ConnectEx it asks WSAIoctl for, through counting wrappers that call
// the real functions, so the module's own code runs unchanged.
#ifndef TOLVA_TESTS_SOCKET_CALL_COUNTER_H
#define TOLVA_TESTS_SOCKET_CALL_COUNTER_H

#include <windows.h>

struct SocketCalls {
    int lookups;             // gethostbyname calls
    int connects;            // connect and ConnectEx calls
    int readinessWaits;      // events selected for a listening socket's wait
    int overlappedReceives;  // overlapped WSARecv calls (a worker's receives)
    int peerLooks;           // getpeername calls
};

// Patches the module's import table; false if an import was not found.
bool StartSocketCallCounter(HMODULE module);

// The calls since the previous call.
SocketCalls TakeSocketCalls();

#endif
