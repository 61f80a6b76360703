// Bytes placed at the very end of readable memory, right before a page that
// cannot be read: code that reads one byte past them faults at once instead
// of reading whatever happens to follow.
#ifndef TESTS_BOARD_GUARDED_MEMORY_H
#define TESTS_BOARD_GUARDED_MEMORY_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "oboard/plugin_messages.h"

class GuardedBytes {
public:
    // `size` bytes (at most a page), filled with `fill`.
    explicit GuardedBytes(size_t size, uint8_t fill = 0);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    uint8_t* Bytes() const { return bytes_; }
    size_t Size() const { return size_; }
    // The bytes as a 32-bit address word of a host record.
    int32_t Word() const { return AddressWord(bytes_); }

private:
    uint8_t* base_ = nullptr;
    uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
};

#endif
