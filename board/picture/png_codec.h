// A board's picture as PNG bytes, through the imaging library Windows
// ships (imaging_library.h).
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

#endif
