// The pen-width picker, class "sizepicker": a width bar and text over the
// board's colours, changed by an up-down control.
#ifndef OBOARD_SIZE_PICKER_H
#define OBOARD_SIZE_PICKER_H

#include <windows.h>

extern const char SizePickerClassName[];  // "sizepicker"

const int IdSizePicker = 300;
const int IdSizeSpin = 301;

void RegisterSizePicker(HINSTANCE instance);
LRESULT CALLBACK SizePickerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
