// Receiving on a slot's stream socket for any of its readers: tRecv on the
// script's side and the slot's worker may read the same connection.
//
// One receive takes up to ReadAheadBytes, far more than a reader takes at a
// time (LargestReceive at most), and keeps the rest with the socket: the
// next reader takes it without a call into the system. So that no byte is
// lost, taken twice or taken out of order, the kept bytes are taken under
// the table lock, and only one reader at a time receives, and only when
// nothing is kept: a reader that finds another receiving waits until that
// receive has ended, then looks again.
#ifndef SCRIPTNET_SOCKETS_STREAM_RECEIVE_H
#define SCRIPTNET_SOCKETS_STREAM_RECEIVE_H

#include "sockets/winsock_io.h"

struct SlotSocket;

// Takes up to `size` bytes (1 to LargestReceive) of the stream into
// `buffer`: bytes kept from an earlier receive if there are any, else those
// of one receive, which waits up to `milliseconds` for bytes to come. The
// caller uses the socket. Answers like ReceiveCancellable: 0 with the count
// (0: the peer closed the connection), IoWaitedOut, WSA_OPERATION_ABORTED
// when the wake event of `io` was set, or a Winsock error. io.ioEvent also
// waits for another reader's receive.
int ReceiveFromStream(SlotSocket* socket, const CancellableIo& io, char* buffer, int size, DWORD milliseconds,
                      int* count);

#endif
