// Counts the module's host-name lookups and connection attempts by routing
// its imports of gethostbyname and connect through counting wrappers that
// call the real functions, so the module's own code runs unchanged.
#ifndef TOLVA_TESTS_SOCKET_CALL_COUNTER_H
#define TOLVA_TESTS_SOCKET_CALL_COUNTER_H

#include <windows.h>

struct SocketCalls {
    int lookups;   // gethostbyname calls
    int connects;  // connect calls
};

// Patches the module's import table; false if either import was not found.
bool StartSocketCallCounter(HMODULE module);

// The calls since the previous call.
SocketCalls TakeSocketCalls();

#endif
