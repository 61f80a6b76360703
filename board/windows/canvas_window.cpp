#include "canvas_window.h"

#include "module_instance.h"

const char CanvasClassName[] = "oknorysowania";

static LRESULT CALLBACK CanvasProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterCanvasClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = CanvasProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32515) /* IDC_CROSS */);
    windowClass.lpszClassName = CanvasClassName;
    RegisterClassExA(&windowClass);
    BoardModuleInstance = instance;
}
