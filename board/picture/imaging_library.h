// The imaging library that Windows ships (GDI+, gdiplus.dll), loaded while a
// picture is encoded or decoded and let go afterwards: the plugin imports
// only the system's own DLLs, and a system without the library still runs
// the board, which then says that it cannot write PNG.
#ifndef OBOARD_PICTURE_IMAGING_LIBRARY_H
#define OBOARD_PICTURE_IMAGING_LIBRARY_H

#include <windows.h>

#include <objidl.h>

#include <cstdint>

// The few parts of the library's flat interface the board uses.
namespace imaging {

struct Image;  // GpImage, and GpBitmap, which is one

typedef int Status;  // 0: Ok
typedef int PixelFormat;
const PixelFormat Format24bppRgb = 0x00021808;
const PixelFormat Format32bppArgb = 0x0026200A;
const UINT LockRead = 1;

struct Rect {
    INT x, y, width, height;
};

struct BitmapData {
    UINT width;
    UINT height;
    INT stride;
    PixelFormat format;
    void* scan0;
    UINT_PTR reserved;
};

struct CodecInfo {
    CLSID clsid;
    GUID formatId;
    const WCHAR* codecName;
    const WCHAR* dllName;
    const WCHAR* formatDescription;
    const WCHAR* filenameExtension;
    const WCHAR* mimeType;
    DWORD flags;
    DWORD version;
    DWORD signatureCount;
    DWORD signatureSize;
    const BYTE* signaturePattern;
    const BYTE* signatureMask;
};

}  // namespace imaging

// The library loaded and started for as long as this is in scope; Ready()
// when every function below could be had.
class ImagingLibrary {
public:
    ImagingLibrary();
    ~ImagingLibrary();
    ImagingLibrary(const ImagingLibrary&) = delete;
    ImagingLibrary& operator=(const ImagingLibrary&) = delete;

    bool Ready() const { return started_; }

    // The class of the library's encoder for `mimeType` ("image/png");
    // false when it has none.
    bool FindEncoder(const WCHAR* mimeType, CLSID& encoder) const;

    imaging::Status(WINAPI* CreateBitmapFromGdiDib)(const BITMAPINFO* info, void* bits, imaging::Image** bitmap);
    imaging::Status(WINAPI* CreateBitmapFromStream)(IStream* stream, imaging::Image** bitmap);
    imaging::Status(WINAPI* SaveImageToStream)(imaging::Image* image, IStream* stream, const CLSID* encoder,
                                               const void* parameters);
    imaging::Status(WINAPI* GetImageWidth)(imaging::Image* image, UINT* width);
    imaging::Status(WINAPI* GetImageHeight)(imaging::Image* image, UINT* height);
    imaging::Status(WINAPI* BitmapLockBits)(imaging::Image* bitmap, const imaging::Rect* rect, UINT flags,
                                            imaging::PixelFormat format, imaging::BitmapData* data);
    imaging::Status(WINAPI* BitmapUnlockBits)(imaging::Image* bitmap, imaging::BitmapData* data);
    imaging::Status(WINAPI* DisposeImage)(imaging::Image* image);

private:
    imaging::Status(WINAPI* GetImageEncodersSize)(UINT* count, UINT* bytes);
    imaging::Status(WINAPI* GetImageEncoders)(UINT count, UINT bytes, imaging::CodecInfo* encoders);
    void(WINAPI* Shutdown)(ULONG_PTR token);

    HMODULE module_;
    ULONG_PTR token_;
    bool started_;
};

// An image of the library, disposed of when it goes out of scope.
class ImagingImage {
public:
    explicit ImagingImage(const ImagingLibrary& library) : library_(library), image_(nullptr) {}
    ~ImagingImage()
    {
        if (image_)
            library_.DisposeImage(image_);
    }
    ImagingImage(const ImagingImage&) = delete;
    ImagingImage& operator=(const ImagingImage&) = delete;

    imaging::Image** Out() { return &image_; }
    imaging::Image* Get() const { return image_; }

private:
    const ImagingLibrary& library_;
    imaging::Image* image_;
};

#endif
