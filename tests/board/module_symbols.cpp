#include "module_symbols.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

void* FindModuleSymbol(HMODULE module, const std::string& path, const std::string& name)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < sizeof(IMAGE_DOS_HEADER))
        return nullptr;
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
    if (static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32) > file.size())
        return nullptr;
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(file.data() + dos->e_lfanew);
    const IMAGE_FILE_HEADER& header = nt->FileHeader;
    auto sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        reinterpret_cast<const uint8_t*>(&nt->OptionalHeader) + header.SizeOfOptionalHeader);

    size_t symbols = header.PointerToSymbolTable;
    size_t count = header.NumberOfSymbols;
    if (!symbols || symbols + count * 18 > file.size())
        return nullptr;
    const char* strings = reinterpret_cast<const char*>(file.data() + symbols + count * 18);
    const std::string wanted = "_" + name;

    for (size_t i = 0; i < count; ++i) {
        const uint8_t* symbol = file.data() + symbols + i * 18;
        std::string symbolName;
        uint32_t zeroes, offset;
        std::memcpy(&zeroes, symbol, 4);
        std::memcpy(&offset, symbol + 4, 4);
        if (zeroes == 0)
            symbolName = strings + offset;
        else
            symbolName.assign(reinterpret_cast<const char*>(symbol), strnlen(reinterpret_cast<const char*>(symbol), 8));
        uint32_t value;
        int16_t section;
        std::memcpy(&value, symbol + 8, 4);
        std::memcpy(&section, symbol + 12, 2);
        uint8_t auxiliary = symbol[17];
        if (symbolName == wanted && section > 0 && section <= header.NumberOfSections)
            return reinterpret_cast<uint8_t*>(module) + sections[section - 1].VirtualAddress + value;
        i += auxiliary;
    }
    return nullptr;
}
