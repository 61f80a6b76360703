#include "windows/bitmap_file.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "oboard/board_ui.h"

namespace {

const WORD BitsPerPixel = 24;
const WORD BitmapFileType = 0x4D42;  // "BM"

size_t RowBytes()
{
    return (static_cast<size_t>(PictureWidth) * BitsPerPixel / 8 + 3) & ~static_cast<size_t>(3);
}

}  // namespace

size_t PictureDibBytes()
{
    return sizeof(BITMAPINFOHEADER) + RowBytes() * PictureHeight;
}

bool ReadPictureDib(HBITMAP picture, void* dib)
{
    if (!picture || !dib)
        return false;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = PictureWidth;
    header.biHeight = PictureHeight;  // bottom-up, as most readers expect
    header.biPlanes = 1;
    header.biBitCount = BitsPerPixel;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(RowBytes() * PictureHeight);
    std::memcpy(dib, &header, sizeof header);
    uint8_t* rows = static_cast<uint8_t*>(dib) + sizeof header;
    // GetDIBits reads the format from the header it fills in: a copy, so
    // that what it writes back cannot reach past the header given.
    BITMAPINFO info = {};
    info.bmiHeader = header;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    const int lines = GetDIBits(screen, picture, 0, PictureHeight, rows, &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return lines == PictureHeight;
}

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
