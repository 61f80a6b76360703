#include "module_symbol.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadModuleFile(HMODULE module)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

template <typename T> bool ReadAt(const std::vector<char>& image, size_t offset, T* value)
{
    if (offset + sizeof(T) > image.size())
        return false;
    std::memcpy(value, image.data() + offset, sizeof(T));
    return true;
}

std::string SymbolName(const std::vector<char>& image, const IMAGE_SYMBOL& symbol, size_t strings)
{
    if (symbol.N.Name.Short != 0) {
        const char* shortName = reinterpret_cast<const char*>(symbol.N.ShortName);
        return std::string(shortName, strnlen(shortName, sizeof symbol.N.ShortName));
    }
    size_t offset = strings + symbol.N.Name.Long;
    if (offset >= image.size())
        return std::string();
    return std::string(image.data() + offset, strnlen(image.data() + offset, image.size() - offset));
}

}  // namespace

void* FindModuleSymbol(HMODULE module, const char* name)
{
    std::vector<char> image = ReadModuleFile(module);
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS32 nt;
    if (!ReadAt(image, 0, &dos) || !ReadAt(image, dos.e_lfanew, &nt))
        return nullptr;
    const IMAGE_FILE_HEADER& header = nt.FileHeader;
    if (header.PointerToSymbolTable == 0)
        return nullptr;
    size_t sections = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + header.SizeOfOptionalHeader;
    size_t symbols = header.PointerToSymbolTable;
    size_t strings = symbols + header.NumberOfSymbols * sizeof(IMAGE_SYMBOL);
    std::string wanted = std::string("_") + name;

    for (DWORD i = 0; i < header.NumberOfSymbols; ++i) {
        IMAGE_SYMBOL symbol;
        if (!ReadAt(image, symbols + i * sizeof(IMAGE_SYMBOL), &symbol))
            return nullptr;
        if (symbol.SectionNumber > 0 && symbol.SectionNumber <= header.NumberOfSections &&
            SymbolName(image, symbol, strings) == wanted) {
            IMAGE_SECTION_HEADER section;
            if (!ReadAt(image, sections + (symbol.SectionNumber - 1) * sizeof section, &section))
                return nullptr;
            return reinterpret_cast<char*>(module) + section.VirtualAddress + symbol.Value;
        }
        i += symbol.NumberOfAuxSymbols;
    }
    return nullptr;
}
