#include "picture/png_codec.h"

#include <cstring>
#include <memory>
#include <new>

#include "picture/imaging_library.h"
#include "picture/picture_dib.h"

namespace {

const WCHAR PngMimeType[] = L"image/png";

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

}  // namespace

PngOutcome EncodePicturePng(HBITMAP picture, std::vector<uint8_t>& png)
{
    std::unique_ptr<uint8_t[]> dib(new (std::nothrow) uint8_t[PictureDibBytes()]);
    if (!dib || !ReadPictureDib(picture, dib.get()))
        return PngOutcome::Failed;
    ImagingLibrary library;
    CLSID encoder;
    if (!library.Ready() || !library.FindEncoder(PngMimeType, encoder))
        return PngOutcome::NoEncoder;
    ImagingImage image(library);
    StreamHold stream;
    HGLOBAL memory = nullptr;
    STATSTG written = {};
    if (library.CreateBitmapFromGdiDib(reinterpret_cast<const BITMAPINFO*>(dib.get()),
                                       dib.get() + sizeof(BITMAPINFOHEADER), image.Out()) != 0 ||
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
