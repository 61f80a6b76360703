// Writing a file whole, or not at all.
#ifndef OBOARD_PICTURE_WHOLE_FILE_H
#define OBOARD_PICTURE_WHOLE_FILE_H

#include <cstddef>

// Writes the `size` bytes at `bytes` to `path`, replacing a file of that
// name. False when it could not; a file begun is removed again.
bool WriteWholeFile(const char* path, const void* bytes, size_t size);

#endif
