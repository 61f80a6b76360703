// Finds a global variable of a loaded module by its name in the module's
// COFF symbol table (the DLL is linked unstripped). Lets tests look at the
// plugin's process-wide state without the plugin exporting anything but its
// entry point.
#ifndef TESTS_BOARD_MODULE_SYMBOLS_H
#define TESTS_BOARD_MODULE_SYMBOLS_H

#include <windows.h>

#include <string>

// The address of symbol `name` (C linkage spelling, without the leading
// underscore) in `module`, loaded from `path`; null when it is not found.
void* FindModuleSymbol(HMODULE module, const std::string& path, const std::string& name);

template <typename T> T* ModuleGlobal(HMODULE module, const std::string& path, const std::string& name)
{
    return static_cast<T*>(FindModuleSymbol(module, path, name));
}

#endif
