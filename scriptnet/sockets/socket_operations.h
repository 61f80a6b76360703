// The socket operations behind the entry points and the script functions:
// all that host/ sees of the socket layer. Each takes a script's handle (1 to
// 30) and decoded values and answers what the script function gives back:
// a failure is 0, false or an empty text, and a slot's problems go to its
// last-error field. A LuaState is only named here, as the owner of slots and
// the state a worker calls into; no operation reads a script's arguments.
#ifndef SCRIPTNET_SOCKETS_SOCKET_OPERATIONS_H
#define SCRIPTNET_SOCKETS_SOCKET_OPERATIONS_H

namespace LuaPlus {
class LuaState;
}

// LuaPlus_RegisterModule: the universe (a main state) gets sockets and
// workers from now on, and Winsock is started once more.
void RegisterSocketUniverse(LuaPlus::LuaState* universe);

// LuaPlus_UnregisterModule, first: no universe gets a slot or a worker from
// now on, until one registers again.
void UnregisterSocketUniverses();

// LuaPlus_UnregisterModule, after the unloading signal: every slot released,
// every worker stopped and waited for.
void StopSockets();

// tCreate: a TCP or UDP socket bound to the port in the lowest free slot,
// owned by the universe. The new handle, or 0.
int CreateSlotSocket(bool datagram, unsigned short port, LuaPlus::LuaState* universe);

// tClose: releases the slot of an accepted handle.
void CloseSlot(int handle);

// tClean: releases every slot in use.
void CloseAllSlots();

// tGetCount: the slots in use.
int CountOpenSlots();

// tGetError: the slot's last error, or 0 for a handle not accepted.
int SlotLastError(int handle);

// tConnect: connects the slot to the host (dotted or looked up) and port;
// port 0 is refused.
bool ConnectSlot(int handle, const char* host, unsigned short port);

// tListen: marks a served slot listening (its worker then accepts) and
// makes its socket listen; true at once if it was marked already.
bool ListenOnSlot(int handle);

// tAccept: waits up to `timeout` milliseconds (0 and below: the default) for
// a connection on the slot's socket, which then replaces the socket.
bool AcceptOnSlot(int handle, int timeout);

// tWait: waits up to `timeout` milliseconds (0 and below: an hour) for the
// slot's event, set by text arriving at its worker; true when it came.
bool WaitOnSlot(int handle, int timeout);

// tRecv: one receive of up to `size` bytes (0 and above LargestReceive: that
// many; below 0: nothing) into `buffer` of LargestReceive + 1 bytes,
// zero-ended. The count received; 0 when nothing was.
int ReceiveOnSlot(int handle, int size, char* buffer);

// tSend: sends `length` bytes (at least one) on a connected TCP slot. The
// count sent, or 0.
int SendOnSlot(int handle, const char* data, int length);

// tSendTo: sends `length` bytes (at least one) from a UDP slot to a dotted
// address and a port other than 0. The count sent, or 0; an error goes to
// the slot's last error.
int SendToFromSlot(int handle, const char* data, int length, const char* address, unsigned short port);

// tSetCallback: serves the slot of an accepted handle without a callback
// by a worker that calls the global function `name` through a Lua thread
// made from `caller`; the caller's universe must own the slot, and the
// global must hold a function now.
bool ServeSlot(int handle, const char* name, LuaPlus::LuaState* caller, LuaPlus::LuaState* callerUniverse);

#endif
