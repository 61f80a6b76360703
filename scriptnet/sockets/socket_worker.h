// What a worker thread does: it serves one slot, accepting connections on a
// listening TCP slot (once its socket has one waiting) and receiving text on
// any other, and calls the slot's script function for each event.
#ifndef SCRIPTNET_SOCKETS_SOCKET_WORKER_H
#define SCRIPTNET_SOCKETS_SOCKET_WORKER_H

struct SlotWorker;

// Serves the worker's slot until its callback answers not true, its
// connection ends, its waits run out or the slot is released. On return the
// worker uses no socket and the slot no longer names it.
void ServeSlotUntilDone(SlotWorker* worker);

#endif
