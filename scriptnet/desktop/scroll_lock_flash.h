// Flashing the keyboard's Scroll Lock light as a signal to the user.
#ifndef SCRIPTNET_DESKTOP_SCROLL_LOCK_FLASH_H
#define SCRIPTNET_DESKTOP_SCROLL_LOCK_FLASH_H

#include <atomic>

// Length in milliseconds of each on and each off phase; read at every
// phase, so a change applies to the next one.
extern std::atomic<int> gFlashTime;

// Sets gFlashTime; a phase length out of bounds gives the initial one
// (common/kept_quirks.h).
void SetFlashTime(int milliseconds);

// The count of cycles a script's number asks for (common/kept_quirks.h).
int FlashCountOf(int requested);

// Toggles Scroll Lock on and back off `count` times, gFlashTime after each
// toggle; the state ends as it began. A count below 1 flashes nothing.
// Unloading the module ends it early, the state again as it began.
void FlashScrollLock(int count);

// The same on a thread of its own, which ends by itself; nothing happens
// if it cannot be started.
void FlashScrollLockAsync(int count);

#endif
