#include "pe_image.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadModuleFile(HMODULE module)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Copies a T from `offset` of the file; false past its end.
template <typename T> bool ReadAt(const std::vector<char>& image, size_t offset, T* value)
{
    if (offset > image.size() || sizeof(T) > image.size() - offset)
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
    const size_t offset = strings + symbol.N.Name.Long;
    if (offset >= image.size())
        return std::string();
    return std::string(image.data() + offset, strnlen(image.data() + offset, image.size() - offset));
}

const IMAGE_NT_HEADERS32* LoadedHeaders(HMODULE module)
{
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
}

}  // namespace

void* FindModuleSymbol(HMODULE module, const char* name)
{
    if (!module || !name)
        return nullptr;
    const std::vector<char> image = ReadModuleFile(module);
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS32 nt;
    if (!ReadAt(image, 0, &dos) || !ReadAt(image, dos.e_lfanew, &nt))
        return nullptr;
    const IMAGE_FILE_HEADER& header = nt.FileHeader;
    if (header.PointerToSymbolTable == 0)
        return nullptr;
    const size_t sections = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + header.SizeOfOptionalHeader;
    const size_t symbols = header.PointerToSymbolTable;
    const size_t strings = symbols + header.NumberOfSymbols * sizeof(IMAGE_SYMBOL);
    const std::string wanted = std::string("_") + name;

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

void** FindImportSlot(HMODULE module, const char* dll, const char* function)
{
    if (!module)
        return nullptr;
    auto base = reinterpret_cast<BYTE*>(module);
    const IMAGE_DATA_DIRECTORY& imports =
        LoadedHeaders(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress)
        return nullptr;
    for (auto descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0 ||
            !descriptor->OriginalFirstThunk)
            continue;
        auto names = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + descriptor->OriginalFirstThunk);
        auto slots = reinterpret_cast<void**>(base + descriptor->FirstThunk);
        for (size_t i = 0; names[i].u1.AddressOfData; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL32(names[i].u1.Ordinal))
                continue;
            auto byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return &slots[i];
        }
    }
    return nullptr;
}

void* ReplaceImport(void** slot, void* replacement)
{
    DWORD protection = 0;
    if (!slot || !VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection))
        return nullptr;
    void* original = *slot;
    *slot = replacement;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return original;
}

ImportPatch::ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement)
{
    void** slot = FindImportSlot(module, dll, function);
    void* original = ReplaceImport(slot, replacement);
    if (original) {
        slot_ = slot;
        original_ = original;
    }
}

ImportPatch::~ImportPatch()
{
    if (slot_)
        ReplaceImport(slot_, original_);
}
