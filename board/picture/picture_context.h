// A board's picture selected into a memory device context, for one step of
// drawing into it or reading it.
#ifndef OBOARD_PICTURE_PICTURE_CONTEXT_H
#define OBOARD_PICTURE_PICTURE_CONTEXT_H

#include <windows.h>

// A picture selected into a memory context compatible with `window`'s, for
// one drawing step. The picture goes into the context when Dc() is first
// asked for, so that what is read of it before (ReadScanLines) needs no
// second selection. Everything is released when it goes out of scope.
class PictureContext {
public:
    PictureContext(HWND window, HBITMAP picture);
    ~PictureContext();
    PictureContext(const PictureContext&) = delete;
    PictureContext& operator=(const PictureContext&) = delete;

    // The context with the picture in it; null when there is no picture or
    // no context could be made.
    HDC Dc();
    // A picture and a context to hold it.
    bool HasPicture() const { return memory_ && picture_; }

    // Reads `count` scan lines of the picture from `first` on, counted from
    // its bottom, in the form `format` gives (a bottom-up DIB of the
    // picture's size), into `bits`. GetDIBits reads only a bitmap that no
    // context holds: a picture already in the context leaves it meanwhile.
    // False when nothing was read.
    bool ReadScanLines(UINT first, UINT count, void* bits, BITMAPINFO& format);

private:
    HWND window_;
    HDC windowDc_;
    HDC memory_;
    HBITMAP picture_;
    HGDIOBJ previous_;  // what the context held before the picture, once it holds it
    bool selectTried_;
};

#endif
