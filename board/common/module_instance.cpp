#include "common/module_instance.h"

HINSTANCE gBoardModuleInstance = nullptr;
