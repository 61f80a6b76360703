#include "picture/picture_file_name.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "common/ui_texts.h"

namespace {

const char* Extension(PictureFileType type)
{
    return type == PictureFileType::Bmp ? ".bmp" : ".png";
}

// The type whose extension `name` ends in; false for another.
bool TypeOfExtension(const std::string& name, PictureFileType& type)
{
    for (PictureFileType candidate : {PictureFileType::Png, PictureFileType::Bmp}) {
        const size_t length = std::strlen(Extension(candidate));
        if (name.size() > length && !lstrcmpiA(name.c_str() + name.size() - length, Extension(candidate))) {
            type = candidate;
            return true;
        }
    }
    return false;
}

// Bytes of a name before its extension: with the extension and a folder
// of 190 characters, the dialog's path still fits its MAX_PATH buffer.
const size_t LongestOfferedName = 64;

// The first `bytes` bytes of `name` or fewer, ending between characters
// of the code page.
std::string CutToBytes(const std::string& name, size_t bytes)
{
    const char* start = name.c_str();
    const char* end = start;
    while (*end) {
        const char* next = CharNextA(end);
        if (static_cast<size_t>(next - start) > bytes)
            break;
        end = next;
    }
    return std::string(start, end);
}

// Windows drops trailing dots and spaces from a name.
void DropTrailingDotsAndSpaces(std::string& name)
{
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
}

// The length of the part of a file name that names a device, or 0: the
// part before its extension (or a colon), without trailing spaces, read as
// the system reads it, in the code page of the process.
size_t DevicePartLength(const std::string& fileName)
{
    const size_t partEnd = std::min(fileName.find('.'), fileName.find(':'));
    std::string part = fileName.substr(0, partEnd);
    while (!part.empty() && part.back() == ' ')
        part.pop_back();
    wchar_t wide[16] = {};
    if (part.empty() || part.size() >= 8 ||
        !MultiByteToWideChar(CP_ACP, 0, part.c_str(), static_cast<int>(part.size()), wide, 15))
        return 0;
    for (wchar_t& c : wide)
        c = static_cast<wchar_t>(std::towupper(c));
    static const wchar_t* const Devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : Devices)
        if (!std::wcscmp(wide, device))
            return part.size();
    // COM and LPT with a digit, superscripts included.
    const bool port = !std::wcsncmp(wide, L"COM", 3) || !std::wcsncmp(wide, L"LPT", 3);
    const wchar_t number = wide[3];
    const bool digit =
        (number >= L'0' && number <= L'9') || number == L'\x00B9' || number == L'\x00B2' || number == L'\x00B3';
    return port && digit && wide[4] == 0 ? part.size() : 0;
}

}  // namespace

std::string OfferedPictureFileName(const std::string& boardName, PictureFileType type)
{
    std::string name = boardName;
    for (char& c : name)
        if (static_cast<unsigned char>(c) < ' ' || std::strchr("\\/:*?\"<>|", c))
            c = '_';
    name = CutToBytes(name, LongestOfferedName);
    DropTrailingDotsAndSpaces(name);
    if (const size_t device = DevicePartLength(name))
        name.insert(device, "_");
    if (name.empty())
        name = TextUnnamedPicture;
    return name + Extension(type);
}

PictureFileType FileTypeOfPath(const std::string& path, PictureFileType chosen)
{
    PictureFileType type = chosen;
    TypeOfExtension(path, type);
    return type;
}

std::string WithTypeExtension(const std::string& name, PictureFileType type)
{
    PictureFileType had;
    if (!TypeOfExtension(name, had))
        return name;
    return name.substr(0, name.size() - std::strlen(Extension(had))) + Extension(type);
}

bool NamesDevice(const std::string& path)
{
    const size_t separator = path.find_last_of("\\/");
    return DevicePartLength(separator == std::string::npos ? path : path.substr(separator + 1)) != 0;
}
