// A board's picture as PNG bytes, and pictures read from PNG bytes that
// another program left, through the imaging library Windows ships
// (imaging_library.h).
#ifndef OBOARD_PICTURE_PNG_CODEC_H
#define OBOARD_PICTURE_PNG_CODEC_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

enum class PngOutcome {
    Done,
    NoEncoder,  // the system has no imaging library, or it has no PNG encoder
    Failed,
};

// The 640x480 `picture`, which is not selected into any context, as a
// 24-bit PNG file's bytes.
PngOutcome EncodePicturePng(HBITMAP picture, std::vector<uint8_t>& png);

// The same from the picture's DIB (picture_dib.h) already read.
PngOutcome EncodePictureDibPng(const void* dib, std::vector<uint8_t>& png);

// A picture read from PNG bytes: its top left part, rows top-down, 32 bits
// a pixel (blue, green, red, 0), each pixel laid over white as far as the
// PNG's own is transparent.
struct DecodedPicture {
    LONG width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

// Reads the PNG of `size` bytes at `bytes` (read only within them), keeping
// at most `widest` x `tallest` of its top left. False when they are no PNG
// the library reads, or one of more than 16 million pixels or beyond GDI's
// coordinates, or the library cannot be had.
bool DecodePng(const void* bytes, size_t size, LONG widest, LONG tallest, DecodedPicture& picture);

#endif
