// Worker threads come and go: tSetCallback hands its slot to a worker of
// the universe that waits between two slots, or starts a new one (ServeSlot,
// socket_operations.h); after its slot a worker waits for the next, without
// a limit and without a look at anything, while its universe is
// registered, else it ends; the unloading ends the waiting ones and stops
// the others.
//
// Each worker holds a reference on this module, so the DLL stays mapped
// until the worker's last instruction, and calls into the script on a Lua
// thread of its own (script_callback.h), made by tSetCallback, never on the
// script's stack; the binding's per-state lock serialises those calls with
// the script's thread and other workers.
#ifndef SCRIPTNET_SOCKETS_WORKER_LIFECYCLE_H
#define SCRIPTNET_SOCKETS_WORKER_LIFECYCLE_H

// Unloading, once no universe is registered (so no worker starts and no
// slot is taken): releases every slot, which wakes every worker and every
// call on a socket, makes the Lua code of callbacks still running raise an
// error in whichever coroutine it runs, and waits, without a limit, until
// every worker has ended: the host closes the state next. The module's own
// waits of callbacks (boxes, flashes) end through the unloading signal.
void StopAllSocketWorkers();

#endif
