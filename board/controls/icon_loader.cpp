#include "controls/icon_loader.h"

#include <shlwapi.h>

#include <cstdint>
#include <cstring>

namespace {

// The directory of an icon group resource (RT_GROUP_ICON): a header, then
// one entry per image, both packed. Read with memcpy, as a resource need
// not be aligned.
#pragma pack(push, 1)
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct IconGroupEntry {
    BYTE width;  // 0 for 256
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD imageId;  // the RT_ICON resource of this image
};
#pragma pack(pop)
static_assert(sizeof(IconGroupHeader) == 6, "icon group header");
static_assert(sizeof(IconGroupEntry) == 14, "icon group entry");

// An entry's width of 0 stands for this.
const unsigned LargestIconWidth = 256;
// The format version CreateIconFromResourceEx takes.
const DWORD IconResourceVersion = 0x00030000;
// Images with alpha need comctl32 6.0; older ones get images of this depth.
const int AlphaDepth = 32;
const unsigned DepthWithoutAlpha = 24;
const unsigned AlphaComctlMajor = 6, AlphaComctlMinor = 0;

uint32_t ComctlVersion(unsigned major, unsigned minor)
{
    return (major << 16) | (minor & 0xFFFF);
}

// 0 until comctl32's version is known.
uint32_t gCachedComctlVersion = 0;

uint32_t QueryComctlVersion()
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
        info.cbSize = sizeof info;
        if (getVersion(&info) >= 0)
            version = ComctlVersion(info.dwMajorVersion, info.dwMinorVersion);
    }
    FreeLibrary(library);
    return version;
}

// The bytes of resource `id` of `type` in `instance` and their number, or
// null when it cannot be found, loaded or locked.
const BYTE* ResourceBytes(HINSTANCE instance, unsigned id, LPCSTR type, DWORD* size)
{
    HRSRC info = FindResourceA(instance, MAKEINTRESOURCEA(id), type);
    if (!info)
        return nullptr;
    HGLOBAL data = LoadResource(instance, info);
    if (!data)
        return nullptr;
    *size = SizeofResource(instance, info);
    return static_cast<const BYTE*>(LockResource(data));
}

}  // namespace

bool ComctlVersionAtLeast(unsigned major, unsigned minor)
{
    if (gCachedComctlVersion == 0)
        gCachedComctlVersion = QueryComctlVersion();
    return gCachedComctlVersion >= ComctlVersion(major, minor);
}

HICON LoadIconImage(HINSTANCE instance, int group, int size, int depth)
{
    unsigned target = static_cast<unsigned>(depth);
    if (depth >= AlphaDepth && !ComctlVersionAtLeast(AlphaComctlMajor, AlphaComctlMinor))
        target = DepthWithoutAlpha;

    DWORD directorySize = 0;
    const BYTE* directory = ResourceBytes(instance, static_cast<unsigned>(group), RT_GROUP_ICON, &directorySize);
    if (!directory || directorySize < sizeof(IconGroupHeader))
        return nullptr;

    IconGroupHeader header;
    std::memcpy(&header, directory, sizeof header);
    unsigned count = header.count;
    // Never walk past the resource, whatever its count says.
    if (sizeof header + count * sizeof(IconGroupEntry) > directorySize)
        count = (directorySize - sizeof header) / sizeof(IconGroupEntry);

    bool chosen = false;
    unsigned chosenId = 0;
    for (unsigned i = 0; i < count; ++i) {
        IconGroupEntry entry;
        std::memcpy(&entry, directory + sizeof header + i * sizeof entry, sizeof entry);
        const unsigned width = entry.width ? entry.width : LargestIconWidth;
        const bool rightWidth = width == static_cast<unsigned>(size);
        if (!rightWidth && chosen)
            continue;
        if (entry.bitCount <= target || !chosen) {
            chosenId = entry.imageId;
            chosen = true;
        }
        if (rightWidth && entry.bitCount == target)
            break;
    }
    if (!chosen)
        return nullptr;

    DWORD imageSize = 0;
    const BYTE* bits = ResourceBytes(instance, chosenId, RT_ICON, &imageSize);
    if (!bits || imageSize == 0)
        return nullptr;
    return CreateIconFromResourceEx(const_cast<BYTE*>(bits), imageSize, TRUE, IconResourceVersion, size, size,
                                    LR_DEFAULTCOLOR);
}
