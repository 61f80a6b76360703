#include "heap_ledger.h"

#include "pe_image.h"

#include <cstdlib>
#include <map>

namespace {

struct Blocks {
    std::map<void*, size_t> sizes;
    size_t live = 0;
    size_t peak = 0;
};

Blocks* gBlocks = nullptr;

void Taken(void* block, size_t size)
{
    if (!gBlocks || !block)
        return;
    gBlocks->sizes[block] = size;
    gBlocks->live += size;
    if (gBlocks->live > gBlocks->peak)
        gBlocks->peak = gBlocks->live;
}

// Blocks taken before the ledger was opened are not in it.
void Given(void* block)
{
    if (!gBlocks || !block)
        return;
    auto found = gBlocks->sizes.find(block);
    if (found == gBlocks->sizes.end())
        return;
    gBlocks->live -= found->second;
    gBlocks->sizes.erase(found);
}

void* __cdecl LedgerMalloc(size_t size)
{
    void* block = std::malloc(size);
    Taken(block, size);
    return block;
}

void* __cdecl LedgerCalloc(size_t count, size_t size)
{
    void* block = std::calloc(count, size);
    Taken(block, count * size);
    return block;
}

void* __cdecl LedgerRealloc(void* old, size_t size)
{
    // Counted as given back first: `old` is not to be looked at once it has
    // gone. A realloc that fails keeps the old block, which is then counted
    // again.
    const bool known = old && gBlocks && gBlocks->sizes.count(old);
    const size_t oldSize = known ? gBlocks->sizes[old] : 0;
    Given(old);
    void* block = std::realloc(old, size);
    if (block)
        Taken(block, size);
    else if (known && size != 0)
        Taken(old, oldSize);
    return block;
}

void __cdecl LedgerFree(void* block)
{
    Given(block);
    std::free(block);
}

}  // namespace

HeapLedger::HeapLedger(HMODULE plugin)
{
    delete gBlocks;
    gBlocks = new Blocks;
    const struct {
        const char* name;
        void* replacement;
    } entries[] = {
        {"malloc", reinterpret_cast<void*>(&LedgerMalloc)},
        {"calloc", reinterpret_cast<void*>(&LedgerCalloc)},
        {"realloc", reinterpret_cast<void*>(&LedgerRealloc)},
        {"free", reinterpret_cast<void*>(&LedgerFree)},
    };
    for (const auto& e : entries)
        patches_.emplace_back(new ImportPatch(plugin, "msvcrt.dll", e.name, e.replacement));
}

HeapLedger::~HeapLedger()
{
    patches_.clear();
    delete gBlocks;
    gBlocks = nullptr;
}

bool HeapLedger::Applied() const
{
    for (const auto& patch : patches_)
        if (!patch->Applied())
            return false;
    return true;
}

size_t HeapLedger::LiveBytes() const
{
    return gBlocks->live;
}

size_t HeapLedger::PeakBytes() const
{
    return gBlocks->peak;
}
