// The pen-width picker, class "sizepicker": a width bar and text over the
// board's colours, changed by an up-down control.
#ifndef OBOARD_CONTROLS_SIZE_PICKER_H
#define OBOARD_CONTROLS_SIZE_PICKER_H

#include <windows.h>

void RegisterSizePicker(HINSTANCE instance);

#endif
