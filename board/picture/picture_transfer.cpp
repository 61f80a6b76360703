#include "picture/picture_transfer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/board_window_state.h"
#include "oboard/board_ui.h"
#include "picture/picture_change.h"
#include "picture/picture_clipping.h"
#include "picture/picture_dib.h"
#include "picture/png_codec.h"

namespace {

// The parts of a clipboard DIB, once its record is found to hold together:
// the header (with the masks and colours GDI reads after it) and the rows.
struct ClipboardDib {
    const BITMAPINFO* info;
    const void* bits;
    LONG width;
    LONG height;  // rows, whatever their order
    bool bottomUp;
};

// A plain header and the masks of a bit-field picture.
const uint64_t BitFieldHeaderBytes = sizeof(BITMAPINFOHEADER) + 3 * sizeof(DWORD);

// The colours that follow the header: a table for up to 8 bits a pixel,
// else only what biClrUsed announces.
uint64_t ColourTableBytes(const BITMAPINFOHEADER& header)
{
    uint64_t colours = header.biClrUsed;
    if (header.biBitCount <= 8 && (colours == 0 || colours > (1u << header.biBitCount)))
        colours = 1u << header.biBitCount;
    return colours * sizeof(RGBQUAD);
}

// A DIB another program put on the clipboard is read only within the
// block's size, and only in the forms GDI draws uncompressed.
bool ReadClipboardDib(const void* block, SIZE_T blockBytes, ClipboardDib& dib)
{
    if (!block || blockBytes < sizeof(BITMAPINFOHEADER))
        return false;
    const BITMAPINFOHEADER& header = *static_cast<const BITMAPINFOHEADER*>(block);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > blockBytes)
        return false;
    const bool bitfields = header.biCompression == BI_BITFIELDS;
    if (header.biCompression != BI_RGB && !bitfields)
        return false;
    switch (header.biBitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (bitfields)
            return false;
        break;
    case 16:
    case 32:
        break;
    default:
        return false;
    }
    // Sizes GDI takes as coordinates everywhere.
    const int64_t height = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    if (header.biWidth <= 0 || height == 0 || !IsGdiCoordinate(header.biWidth) || !IsGdiCoordinate(height))
        return false;
    // GDI reads the three masks of a bit-field picture from the 12 bytes
    // after a plain header, whatever the header's size says: a plain header
    // is followed by them, a longer one holds them, and one of a size
    // between holds only part of them. The rows come after both.
    const uint64_t headerBytes = bitfields ? std::max<uint64_t>(header.biSize, BitFieldHeaderBytes) : header.biSize;
    const uint64_t offset = headerBytes + ColourTableBytes(header);
    const uint64_t rowBytes = ((static_cast<uint64_t>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    if (offset + rowBytes * static_cast<uint64_t>(height) > blockBytes)
        return false;
    dib.info = static_cast<const BITMAPINFO*>(block);
    dib.bits = static_cast<const uint8_t*>(block) + offset;
    dib.width = header.biWidth;
    dib.height = static_cast<LONG>(height);
    dib.bottomUp = header.biHeight > 0;
    return true;
}

// The part of the clipboard's picture that lands on the board: its top
// left, as much as fits right of and below `at`.
void DrawPastedPart(HDC pictureDc, const ClipboardDib& dib, POINT at, const RECT& area)
{
    const LONG width = area.right - area.left;
    const LONG height = area.bottom - area.top;
    // The source rectangle of a bottom-up DIB is counted from its last row.
    const LONG sourceY = dib.bottomUp ? dib.height - height : 0;
    StretchDIBits(pictureDc, at.x, at.y, width, height, 0, sourceY, width, height, dib.bits, dib.info, DIB_RGB_COLORS,
                  SRCCOPY);
}

// The clipboard format of PNG files' bytes that many programs exchange.
UINT PngClipboardFormat()
{
    return RegisterClipboardFormatA("PNG");
}

// The picture's DIB as PNG bytes in a new global block; null when the
// system cannot encode it or the block cannot be had.
HGLOBAL PngBlock(const void* dib)
{
    std::vector<uint8_t> png;
    if (EncodePictureDibPng(dib, png) != PngOutcome::Done)
        return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, png.size());
    void* bytes = block ? GlobalLock(block) : nullptr;
    if (!bytes) {
        if (block)
            GlobalFree(block);
        return nullptr;
    }
    std::memcpy(bytes, png.data(), png.size());
    GlobalUnlock(block);
    return block;
}

// Lands the part of `dib` that fits at `at` on the board as one step.
bool LandPicture(HWND canvas, const BoardWindowState& board, POINT at, const ClipboardDib& dib)
{
    const RECT landing = {at.x, at.y, at.x + dib.width, at.y + dib.height};
    const RECT picture = {0, 0, PictureWidth, PictureHeight};
    RECT area;
    // The scroll position keeps `at` within the picture.
    if (at.x < 0 || at.y < 0 || !IntersectRect(&area, &landing, &picture))
        return false;
    PictureChange change(board, canvas, RegionOfRect(area), PictureStepKind::OwnStep);
    if (!change.Dc())
        return false;
    DrawPastedPart(change.Dc(), dib, at, area);
    return true;
}

// The clipboard's CF_DIB, read only within its block, landed at `at`.
bool PasteDib(HWND canvas, const BoardWindowState& board, POINT at)
{
    HANDLE data = GetClipboardData(CF_DIB);
    const void* block = data ? GlobalLock(data) : nullptr;
    ClipboardDib dib = {};
    const bool pasted = block && ReadClipboardDib(block, GlobalSize(data), dib) && LandPicture(canvas, board, at, dib);
    if (block)
        GlobalUnlock(data);
    return pasted;
}

// The clipboard's PNG bytes, decoded as far as they land at `at`.
bool PastePng(HWND canvas, const BoardWindowState& board, POINT at)
{
    if (at.x < 0 || at.y < 0 || at.x >= PictureWidth || at.y >= PictureHeight)
        return false;
    HANDLE data = GetClipboardData(PngClipboardFormat());
    const void* block = data ? GlobalLock(data) : nullptr;
    DecodedPicture decoded;
    const bool read = block && DecodePng(block, GlobalSize(data), PictureWidth - at.x, PictureHeight - at.y, decoded);
    if (block)
        GlobalUnlock(data);
    if (!read)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = decoded.width;
    info.bmiHeader.biHeight = -decoded.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const ClipboardDib dib = {&info, decoded.pixels.data(), decoded.width, decoded.height, false};
    return LandPicture(canvas, board, at, dib);
}

}  // namespace

bool CopyPictureToClipboard(HWND owner, HBITMAP picture)
{
    const size_t bytes = PictureDibBytes();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block)
        return false;
    void* dib = GlobalLock(block);
    const bool read = dib && ReadPictureDib(picture, dib);
    // Encoded from the DIB just read, before the clipboard is opened, which
    // others wait for; a system without the encoder still copies the DIB.
    HGLOBAL png = read ? PngBlock(dib) : nullptr;
    if (dib)
        GlobalUnlock(block);
    if (!read || !OpenClipboard(owner)) {
        GlobalFree(block);
        if (png)
            GlobalFree(png);
        return false;
    }
    // Once set, a block is the clipboard's.
    const bool set = EmptyClipboard() && SetClipboardData(CF_DIB, block);
    if (!set)
        GlobalFree(block);
    if (png && !(set && SetClipboardData(PngClipboardFormat(), png)))
        GlobalFree(png);
    CloseClipboard();
    return set;
}

bool ClipboardHasPicture()
{
    return IsClipboardFormatAvailable(CF_DIB) || IsClipboardFormatAvailable(PngClipboardFormat());
}

bool PastePicture(HWND canvas, const BoardWindowState& board, POINT at)
{
    if (!board.canvasBitmap || !ClipboardHasPicture() || !OpenClipboard(canvas))
        return false;
    // The DIB first: any program that offers PNG offers it too.
    const bool pasted = IsClipboardFormatAvailable(CF_DIB) ? PasteDib(canvas, board, at) : PastePng(canvas, board, at);
    CloseClipboard();
    return pasted;
}
