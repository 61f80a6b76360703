#include "picture/whole_file.h"

#include <windows.h>

bool WriteWholeFile(const char* path, const void* bytes, size_t size)
{
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool complete = WriteFile(handle, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
    const bool closed = CloseHandle(handle) != 0;
    if (complete && closed)
        return true;
    DeleteFileA(path);
    return false;
}
