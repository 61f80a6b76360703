#include "picture/png_codec.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "picture/imaging_library.h"
#include "picture/picture_dib.h"

namespace {

const WCHAR PngMimeType[] = L"image/png";
const uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// A larger picture is refused before the library is asked to hold it.
const uint64_t MostPngPixels = 16u << 20;
const uint32_t MostPngSide = 32767;

// A stream's reference, released when it goes.
class StreamHold {
public:
    StreamHold() : stream_(nullptr) {}
    ~StreamHold()
    {
        if (stream_)
            stream_->Release();
    }
    StreamHold(const StreamHold&) = delete;
    StreamHold& operator=(const StreamHold&) = delete;

    IStream** Out() { return &stream_; }
    IStream* Get() const { return stream_; }

private:
    IStream* stream_;
};

uint32_t BigEndian32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
        static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

// The size the PNG's header chunk gives, read before any decoder sees it:
// the signature, then a 13-byte IHDR chunk with the width and the height.
bool PngSize(const uint8_t* bytes, size_t size, uint32_t& width, uint32_t& height)
{
    const size_t headerEnd = sizeof PngSignature + 8 + 13 + 4;
    if (size < headerEnd || std::memcmp(bytes, PngSignature, sizeof PngSignature) || BigEndian32(bytes + 8) != 13 ||
        std::memcmp(bytes + 12, "IHDR", 4))
        return false;
    width = BigEndian32(bytes + 16);
    height = BigEndian32(bytes + 20);
    return width && height && width <= MostPngSide && height <= MostPngSide &&
        static_cast<uint64_t>(width) * height <= MostPngPixels;
}

// A straight-alpha pixel laid over white.
uint32_t OverWhite(uint32_t argb)
{
    const uint32_t alpha = argb >> 24;
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t channel = (argb >> shift) & 0xFF;
        result |= ((channel * alpha + 255 * (255 - alpha) + 127) / 255) << shift;
    }
    return result;
}

// The top left `part` of `bitmap`, laid over white, into `picture`.
bool CopyDecodedPart(const ImagingLibrary& library, imaging::Image* bitmap, const imaging::Rect& part,
                     DecodedPicture& picture)
{
    imaging::BitmapData data = {};
    if (library.BitmapLockBits(bitmap, &part, imaging::LockRead, imaging::Format32bppArgb, &data) != 0)
        return false;
    try {
        picture.pixels.resize(static_cast<size_t>(part.width) * part.height);
    } catch (const std::bad_alloc&) {
        library.BitmapUnlockBits(bitmap, &data);
        return false;
    }
    picture.width = part.width;
    picture.height = part.height;
    for (INT y = 0; y < part.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.scan0) + y * data.stride);
        for (INT x = 0; x < part.width; ++x)
            picture.pixels[static_cast<size_t>(y) * part.width + x] = OverWhite(row[x]);
    }
    library.BitmapUnlockBits(bitmap, &data);
    return true;
}

}  // namespace

PngOutcome EncodePicturePng(HBITMAP picture, std::vector<uint8_t>& png)
{
    std::unique_ptr<uint8_t[]> dib(new (std::nothrow) uint8_t[PictureDibBytes()]);
    if (!dib || !ReadPictureDib(picture, dib.get()))
        return PngOutcome::Failed;
    return EncodePictureDibPng(dib.get(), png);
}

PngOutcome EncodePictureDibPng(const void* dib, std::vector<uint8_t>& png)
{
    ImagingLibrary library;
    CLSID encoder;
    if (!library.Ready() || !library.FindEncoder(PngMimeType, encoder))
        return PngOutcome::NoEncoder;
    ImagingImage image(library);
    StreamHold stream;
    HGLOBAL memory = nullptr;
    STATSTG written = {};
    // The library only reads the pixels it is given.
    auto* pixels = const_cast<uint8_t*>(static_cast<const uint8_t*>(dib) + sizeof(BITMAPINFOHEADER));
    if (library.CreateBitmapFromGdiDib(static_cast<const BITMAPINFO*>(dib), pixels, image.Out()) != 0 ||
        CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()) != S_OK ||
        library.SaveImageToStream(image.Get(), stream.Get(), &encoder, nullptr) != 0 ||
        stream.Get()->Stat(&written, STATFLAG_NONAME) != S_OK || GetHGlobalFromStream(stream.Get(), &memory) != S_OK)
        return PngOutcome::Failed;
    const size_t bytes = static_cast<size_t>(written.cbSize.QuadPart);
    const void* encoded = GlobalLock(memory);
    if (!encoded || bytes > GlobalSize(memory)) {
        if (encoded)
            GlobalUnlock(memory);
        return PngOutcome::Failed;
    }
    bool copied = true;
    try {
        png.assign(static_cast<const uint8_t*>(encoded), static_cast<const uint8_t*>(encoded) + bytes);
    } catch (const std::bad_alloc&) {
        copied = false;
    }
    GlobalUnlock(memory);
    return copied ? PngOutcome::Done : PngOutcome::Failed;
}

bool DecodePng(const void* bytes, size_t size, LONG widest, LONG tallest, DecodedPicture& picture)
{
    uint32_t width = 0, height = 0;
    if (!bytes || widest <= 0 || tallest <= 0 || !PngSize(static_cast<const uint8_t*>(bytes), size, width, height))
        return false;
    ImagingLibrary library;
    if (!library.Ready())
        return false;
    // The library reads through a stream of a block of its own, which the
    // stream frees.
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = copy ? GlobalLock(copy) : nullptr;
    if (!target) {
        if (copy)
            GlobalFree(copy);
        return false;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(copy);
    StreamHold stream;
    if (CreateStreamOnHGlobal(copy, TRUE, stream.Out()) != S_OK) {
        GlobalFree(copy);
        return false;
    }
    // The image goes before the stream it may still read from.
    ImagingImage image(library);
    UINT decodedWidth = 0, decodedHeight = 0;
    if (library.CreateBitmapFromStream(stream.Get(), image.Out()) != 0 || !image.Get() ||
        library.GetImageWidth(image.Get(), &decodedWidth) != 0 ||
        library.GetImageHeight(image.Get(), &decodedHeight) != 0 || decodedWidth != width || decodedHeight != height)
        return false;
    const imaging::Rect part = {0, 0, static_cast<INT>(std::min<uint32_t>(width, static_cast<uint32_t>(widest))),
                                static_cast<INT>(std::min<uint32_t>(height, static_cast<uint32_t>(tallest)))};
    return CopyDecodedPart(library, image.Get(), part, picture);
}
