#include "common/module_instance.h"

HINSTANCE gBoardModuleInstance = nullptr;

bool RegisterBoardWindowClass(WNDCLASSEXA& windowClass, HINSTANCE instance)
{
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = instance;
    const bool registered = RegisterClassExA(&windowClass) != 0;
    gBoardModuleInstance = instance;
    return registered;
}
