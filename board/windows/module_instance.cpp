#include "module_instance.h"

HINSTANCE BoardModuleInstance = nullptr;
