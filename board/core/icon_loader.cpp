#include "icon_loader.h"

#include <shlwapi.h>

#include <cstdint>
#include <cstring>

static uint32_t CachedComctlVersion = 0;

static uint32_t QueryComctlVersion()
{
    HMODULE library = LoadLibraryA("comctl32.dll");
    if (!library)
        return 0;
    uint32_t version = 0;
    auto getVersion =
        reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetVersion")));
    if (getVersion) {
        DLLVERSIONINFO info;
        std::memset(&info, 0, sizeof info);
        info.cbSize = 20;
        if (getVersion(&info) >= 0)
            version = (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
    }
    FreeLibrary(library);
    return version;
}

bool ComctlVersionAtLeast(unsigned major, unsigned minor)
{
    if (CachedComctlVersion == 0)
        CachedComctlVersion = QueryComctlVersion();
    return CachedComctlVersion >= ((major << 16) | minor);
}

// Reads a little-endian 16-bit word from a resource directory.
static unsigned Word16(const BYTE* p)
{
    return p[0] | (p[1] << 8);
}

HICON LoadIconImage(HINSTANCE instance, int group, int size, int depth)
{
    unsigned target = static_cast<unsigned>(depth);
    if (depth >= 32 && !ComctlVersionAtLeast(6, 0))
        target = 24;

    HRSRC groupInfo = FindResourceA(instance, MAKEINTRESOURCEA(group), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    if (!groupInfo)
        return nullptr;
    HGLOBAL groupData = LoadResource(instance, groupInfo);
    if (!groupData)
        return nullptr;
    auto directory = static_cast<const BYTE*>(LockResource(groupData));
    DWORD directorySize = SizeofResource(instance, groupInfo);
    if (!directory || directorySize < 6)
        return nullptr;

    unsigned count = Word16(directory + 4);
    // Never walk past the resource, whatever its count says.
    if (6 + count * 14 > directorySize)
        count = (directorySize - 6) / 14;

    bool chosen = false;
    unsigned chosenId = 0;
    for (unsigned i = 0; i < count; ++i) {
        const BYTE* entry = directory + 6 + i * 14;
        unsigned width = entry[0] ? entry[0] : 256;
        unsigned bits = Word16(entry + 6);
        unsigned id = Word16(entry + 12);
        bool rightWidth = width == static_cast<unsigned>(size);
        if (!rightWidth && chosen)
            continue;
        if (bits <= target || !chosen) {
            chosenId = id;
            chosen = true;
        }
        if (rightWidth && bits == target)
            break;
    }
    if (!chosen)
        return nullptr;

    HRSRC imageInfo = FindResourceA(instance, MAKEINTRESOURCEA(chosenId), MAKEINTRESOURCEA(3) /* RT_ICON */);
    if (!imageInfo)
        return nullptr;
    HGLOBAL imageData = LoadResource(instance, imageInfo);
    if (!imageData)
        return nullptr;
    DWORD imageSize = SizeofResource(instance, imageInfo);
    auto bits = static_cast<BYTE*>(LockResource(imageData));
    if (!bits || imageSize == 0)
        return nullptr;
    return CreateIconFromResourceEx(bits, imageSize, TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
}
