// Counts the Scroll Lock key events that reach the desktop, seen through a
// low-level keyboard hook on a thread of its own.
#ifndef TOLVA_TESTS_KEY_EVENT_COUNTER_H
#define TOLVA_TESTS_KEY_EVENT_COUNTER_H

#include <string>

struct ScrollLockEvents {
    int presses;
    int releases;
    int malformed;      // Scroll Lock events without scan code 0x45 or the extended flag
    std::string order;  // the well-formed events as they came: 'P' press, 'R' release
};

// Installs the hook; false if it could not be installed.
bool StartKeyEventCounter();

// Sends a marker key through the same input queue, waits (bounded) until the
// hook has seen it, so every earlier event has been counted, and answers the
// Scroll Lock events since the previous call.
bool TakeScrollLockEvents(ScrollLockEvents* events);

// Waits (bounded) for the next Scroll Lock press the hook sees; false when
// none came.
bool WaitForScrollLockPress();

#endif
