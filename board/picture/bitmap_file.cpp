#include "picture/bitmap_file.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "picture/picture_dib.h"

namespace {

const WORD BitmapFileType = 0x4D42;  // "BM"

}  // namespace

bool WriteBitmapFile(const char* path, HBITMAP picture)
{
    const size_t dibBytes = PictureDibBytes();
    const size_t fileBytes = sizeof(BITMAPFILEHEADER) + dibBytes;
    std::unique_ptr<uint8_t[]> file(new (std::nothrow) uint8_t[fileBytes]);
    if (!file || !ReadPictureDib(picture, file.get() + sizeof(BITMAPFILEHEADER)))
        return false;
    BITMAPFILEHEADER header = {};
    header.bfType = BitmapFileType;
    header.bfSize = static_cast<DWORD>(fileBytes);
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    std::memcpy(file.get(), &header, sizeof header);

    HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool complete =
        WriteFile(handle, file.get(), static_cast<DWORD>(fileBytes), &written, nullptr) && written == fileBytes;
    const bool closed = CloseHandle(handle) != 0;
    if (complete && closed)
        return true;
    DeleteFileA(path);
    return false;
}
