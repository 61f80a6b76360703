#include "picture/imaging_library.h"

#include <cstdlib>
#include <memory>
#include <new>

namespace {

struct StartupInput {
    UINT32 version;
    void* debugEventCallback;
    BOOL suppressBackgroundThread;
    BOOL suppressExternalCodecs;
};

typedef imaging::Status(WINAPI* StartupFunction)(ULONG_PTR* token, const StartupInput* input, void* output);

template <typename Function> bool Resolve(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

}  // namespace

ImagingLibrary::ImagingLibrary()
    : CreateBitmapFromGdiDib(nullptr), CreateBitmapFromStream(nullptr), SaveImageToStream(nullptr),
      GetImageWidth(nullptr), GetImageHeight(nullptr), BitmapLockBits(nullptr), BitmapUnlockBits(nullptr),
      DisposeImage(nullptr), GetImageEncodersSize(nullptr), GetImageEncoders(nullptr), Shutdown(nullptr),
      module_(LoadLibraryA("gdiplus.dll")), token_(0), started_(false)
{
    StartupFunction startup = nullptr;
    if (!module_ || !Resolve(module_, "GdiplusStartup", startup) || !Resolve(module_, "GdiplusShutdown", Shutdown) ||
        !Resolve(module_, "GdipCreateBitmapFromGdiDib", CreateBitmapFromGdiDib) ||
        !Resolve(module_, "GdipCreateBitmapFromStream", CreateBitmapFromStream) ||
        !Resolve(module_, "GdipSaveImageToStream", SaveImageToStream) ||
        !Resolve(module_, "GdipGetImageWidth", GetImageWidth) ||
        !Resolve(module_, "GdipGetImageHeight", GetImageHeight) ||
        !Resolve(module_, "GdipBitmapLockBits", BitmapLockBits) ||
        !Resolve(module_, "GdipBitmapUnlockBits", BitmapUnlockBits) ||
        !Resolve(module_, "GdipDisposeImage", DisposeImage) ||
        !Resolve(module_, "GdipGetImageEncodersSize", GetImageEncodersSize) ||
        !Resolve(module_, "GdipGetImageEncoders", GetImageEncoders))
        return;
    // With its own background thread, which its shutdown ends again.
    const StartupInput input = {1, nullptr, FALSE, FALSE};
    started_ = startup(&token_, &input, nullptr) == 0;
}

ImagingLibrary::~ImagingLibrary()
{
    if (started_)
        Shutdown(token_);
    if (module_)
        FreeLibrary(module_);
}

bool ImagingLibrary::FindEncoder(const WCHAR* mimeType, CLSID& encoder) const
{
    UINT count = 0, bytes = 0;
    if (!started_ || GetImageEncodersSize(&count, &bytes) != 0 || !count || bytes < count * sizeof(imaging::CodecInfo))
        return false;
    // The codecs' texts follow the records in the same block.
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[bytes]);
    auto* codecs = reinterpret_cast<imaging::CodecInfo*>(block.get());
    if (!block || GetImageEncoders(count, bytes, codecs) != 0)
        return false;
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].mimeType && !lstrcmpiW(codecs[i].mimeType, mimeType)) {
            encoder = codecs[i].clsid;
            return true;
        }
    return false;
}
