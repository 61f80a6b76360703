// Replaces one imported function of a loaded module by patching its import
// address table, so a test can see exactly what the module asked of the
// system (Wine shows no taskbar flashing, for instance). Restored on
// destruction.
#ifndef TESTS_BOARD_IMPORT_PATCH_H
#define TESTS_BOARD_IMPORT_PATCH_H

#include <windows.h>

class ImportPatch {
public:
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Applied() const { return slot_ != nullptr; }
    void* Original() const { return original_; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

#endif
