// Input as the user gives it, through SendInput: the demo, the guide's
// pictures and the tests drive boards and the host window with it. The
// messages wait in the queue until the caller pumps them.
#ifndef HOSTS_ORVANE_SYNTHETIC_INPUT_H
#define HOSTS_ORVANE_SYNTHETIC_INPUT_H

#include <windows.h>

#include <initializer_list>

// Moves the real cursor to the screen point, with `flags` pressing or
// releasing a button there (MOUSEEVENTF_LEFTDOWN, ...) or 0.
void SendMouseAt(DWORD flags, POINT screen);

// Presses the keys in order and releases them in reverse (a chord such as
// {VK_CONTROL, 'Z'}).
void PressKeys(std::initializer_list<WORD> keys);

#endif
