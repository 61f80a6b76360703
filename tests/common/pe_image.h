// Looking into a loaded 32-bit module's image, for tests: finding a global of
// the module by its name in the COFF symbol table of its (unstripped) file,
// and replacing one of its imported functions by patching its import
// address table. Tests see the module's process-wide state and what it asks
// of the system this way, without the module exporting anything for them.
// Plain Win32, for any test program.
#ifndef TESTS_COMMON_PE_IMAGE_H
#define TESTS_COMMON_PE_IMAGE_H

#include <windows.h>

// The address of the global `name` of `module` (its C spelling, or a C++
// mangled name, without the leading underscore of the symbol table), read
// from the module's file; null when the file has no such symbol.
void* FindModuleSymbol(HMODULE module, const char* name);

template <typename T> T* ModuleGlobal(HMODULE module, const char* name)
{
    return static_cast<T*>(FindModuleSymbol(module, name));
}

// The import address table slot through which `module` calls `function`
// of `dll` (imported by name), or null.
void** FindImportSlot(HMODULE module, const char* dll, const char* function);

// Writes `replacement` into an import slot; the address it held, or null
// when the slot could not be written.
void* ReplaceImport(void** slot, void* replacement);

// Routes one imported function of a module to `replacement` while it
// lives; the original is restored on destruction.
class ImportPatch {
public:
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Applied() const { return slot_ != nullptr; }
    // The function the module called before (callable from the replacement).
    void* Original() const { return original_; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

#endif
