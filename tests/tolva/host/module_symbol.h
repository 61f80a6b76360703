// Finds a global variable of a loaded module through the COFF symbol table
// of its (unstripped) file, so tests can read the module's process-wide
// values without the module exporting them.
#ifndef TOLVA_TESTS_MODULE_SYMBOL_H
#define TOLVA_TESTS_MODULE_SYMBOL_H

#include <windows.h>

// The address of the C-spelled global `name` in `module`, or null.
void* FindModuleSymbol(HMODULE module, const char* name);

#endif
