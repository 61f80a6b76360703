// Flashing the keyboard's Scroll Lock light as a signal to the user.
#ifndef SCRIPTNET_DESKTOP_SCROLL_LOCK_FLASH_H
#define SCRIPTNET_DESKTOP_SCROLL_LOCK_FLASH_H

#include <atomic>

// Length in milliseconds of each on and each off phase; read at every
// phase, so a change applies to the next one.
extern std::atomic<int> FlashTime;

// Toggles Scroll Lock on and back off `count` times, FlashTime after each
// toggle; the state ends as it began. A count below 1 flashes nothing.
void FlashScrollLock(int count);

#endif
