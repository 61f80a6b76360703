#include "common/this_module.h"

namespace {

// Any address inside the module names it.
LPCSTR AddressInThisModule()
{
    return reinterpret_cast<LPCSTR>(&PinThisModule);
}

}  // namespace

HMODULE PinThisModule()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, AddressInThisModule(), &module))
        return nullptr;
    return module;
}

HMODULE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       AddressInThisModule(), &module);
    return module;
}

HANDLE DuplicateOwnHandle(HANDLE handle)
{
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

void CloseOwnedHandle(HANDLE handle)
{
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}
