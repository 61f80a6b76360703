#include "picture/bitmap_file.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "picture/picture_dib.h"
#include "picture/whole_file.h"

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

    return WriteWholeFile(path, file.get(), fileBytes);
}
