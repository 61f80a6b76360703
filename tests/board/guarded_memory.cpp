#include "guarded_memory.h"

#include <cstring>

GuardedBytes::GuardedBytes(size_t size, uint8_t fill) : size_(size)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    VirtualProtect(base_ + page, page, PAGE_NOACCESS, &old);
    bytes_ = base_ + page - size;
    std::memset(bytes_, fill, size);
}

GuardedBytes::~GuardedBytes()
{
    VirtualFree(base_, 0, MEM_RELEASE);
}
