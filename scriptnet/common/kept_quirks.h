// Behaviour that tolva keeps although a fresh design would choose otherwise,
// each named once with the reason it stays. All of it is documented to script
// authors and observable by scripts and hosts; the code uses these names,
// never the bare values.
#ifndef SCRIPTNET_COMMON_KEPT_QUIRKS_H
#define SCRIPTNET_COMMON_KEPT_QUIRKS_H

#include <windows.h>

// A failure gives 0 (tRecv: ""), never a script error: scripts test the answer.
const int FailedNumber = 0;
const char FailedText[] = "";

// tClose gives 0 whether or not it released a slot: scripts may compare it with 0.
const int CloseAnswer = 0;

// tListen on a slot marked listening succeeds without listening again, even
// when the first listen failed and left the mark (a UDP slot marked so goes
// on receiving): servers may call tListen on every pass of their loops.
const bool RepeatedListenSucceeds = true;

// The module's own last errors beside Winsock's codes: scripts compare
// tGetError's answer with them, 25 to serve an idle slot again.
const int ErrPeerClosed = 1;
const int ErrReceiveFailed = 2;
const int ErrWaitExhausted = 25;

// A worker gives up at its 27th empty wait (not the 26th), counted over its whole
// life and never reset: long-running servers are written against that span.
const int EmptyWaitLimit = 27;

// A worker's longest single wait, and what tWait's time-out of 0 or less stands
// for: scripts wait with tWait(h, 0) in their loops.
const DWORD OneHourMilliseconds = 60 * 60 * 1000;

// What tAccept's time-out of 0 or less stands for: scripts pass 0 for the default.
const DWORD DefaultAcceptMilliseconds = 6000;

// tAccept listens with a backlog of 1: it replaces its listening socket by the
// first connection, and closing that socket would reset any queued behind it.
const int AcceptBacklog = 1;

// The most one receive takes, by tRecv (size 0 and sizes above it too) and by a
// worker: scripts' protocols split their text at this size.
const int LargestReceive = 1024;

// A would-block error is retried after this pause without a limit, and stays the
// slot's last error after the retry succeeds: scripts may have read 10035 there.
const DWORD WouldBlockPauseMilliseconds = 10;

// Winsock 2.2 is started at every registration and never stopped: the host and
// the process's other modules go on using Winsock after this one unloads.
const WORD WinsockVersion = MAKEWORD(2, 2);

// A port keeps its low 16 bits (65537 is port 1): scripts may compute ports past it.
const unsigned PortBits = 0xFFFFu;

// tFlash and tFlashAsync flash once without a number, twice for 0 and counts
// above 40: the reference says so, and scripts pass 0 for a short signal.
const int DefaultFlashCount = 1;
const int MostFlashes = 40;
const int FlashesForZeroOrTooMany = 2;

// A flash phase of 0 ms, less, or over 5000 ms becomes the initial 250 ms: the
// reference says so, and scripts go back to it with tSetFlashTime(0).
const int InitialFlashTime = 250;
const int LongestFlashTime = 5000;

#endif
