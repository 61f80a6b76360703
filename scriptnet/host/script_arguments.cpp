#include "host/script_arguments.h"

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "common/kept_quirks.h"

namespace {

// The length of text of `size` bytes up to its first zero byte, sixteen
// bytes at a time where the processor has SSE2: the C library's scan of a
// text of megabytes costs more than sending it.
__attribute__((target("sse2"))) size_t ZeroFreeLengthSse2(const char* text, size_t size)
{
    size_t offset = 0;
    // Aligned loads never cross into an unmapped page, so the scan may look
    // at the bytes of a block beyond `size`; a zero found there does not count.
    size_t misalignment = reinterpret_cast<uintptr_t>(text) & 15u;
    const __m128i zero = _mm_setzero_si128();
    if (misalignment != 0) {
        const __m128i* block = reinterpret_cast<const __m128i*>(text - misalignment);
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(block), zero)));
        mask >>= misalignment;
        if (mask != 0) {
            size_t found = static_cast<size_t>(__builtin_ctz(mask));
            return found < size ? found : size;
        }
        offset = 16 - misalignment;
    }
    for (; offset < size; offset += 16) {
        const __m128i* block = reinterpret_cast<const __m128i*>(text + offset);
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(block), zero)));
        if (mask != 0) {
            size_t found = offset + static_cast<size_t>(__builtin_ctz(mask));
            return found < size ? found : size;
        }
    }
    return size;
}

size_t ZeroFreeLength(const char* text, size_t size)
{
    static const bool hasSse2 = __builtin_cpu_supports("sse2");
    if (hasSse2)
        return ZeroFreeLengthSse2(text, size);
    const void* zero = std::memchr(text, 0, size);
    return zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - text) : size;
}

}  // namespace

int TruncateNumber(float value)
{
    if (value != value)
        return 0;
    if (value >= 2147483647.0f)
        return 2147483647;
    if (value <= -2147483648.0f)
        return -2147483647 - 1;
    return static_cast<int>(value);
}

unsigned short PortArgument(const LuaPlus::LuaStackObject& argument)
{
    unsigned int port = static_cast<unsigned int>(TruncateNumber(argument.GetNumber()));
    return static_cast<unsigned short>(port & PortBits);
}

int HandleArgument(const LuaPlus::LuaStackObject& argument)
{
    return argument.IsNumber() ? argument.GetInteger() : 0;
}

bool IntegerArgument(const LuaPlus::LuaStackObject& argument, int* value)
{
    if (!argument.IsNumber())
        return false;
    *value = argument.GetInteger();
    return true;
}

const char* TextArgument(const LuaPlus::LuaStackObject& argument)
{
    if (!argument.IsString())
        return nullptr;
    return argument.GetString();
}

const char* TextArgument(const LuaPlus::LuaStackObject& argument, int* length)
{
    const char* text = TextArgument(argument);
    if (text != nullptr) {
        // Lua knows the string's length, zero bytes included; the text ends
        // at the first of them.
        size_t size = ZeroFreeLength(text, argument.GetStringLength());
        *length = size > 2147483647u ? 2147483647 : static_cast<int>(size);
    }
    return text;
}

int NumberResult(LuaPlus::LuaState* state, double value)
{
    state->PushNumber(value);
    return 1;
}

int OutcomeResult(LuaPlus::LuaState* state, bool succeeded)
{
    return NumberResult(state, succeeded ? 1 : FailedNumber);
}

int TextResult(LuaPlus::LuaState* state, const char* text)
{
    state->PushString(text);
    return 1;
}
