// Keeps account of the heap blocks the plugin takes, by patching its imports
// of the C runtime's allocation functions (operator new of its own static
// runtime comes through malloc too): how many bytes it holds that it took
// since the ledger was opened.
#ifndef TESTS_BOARD_HEAP_LEDGER_H
#define TESTS_BOARD_HEAP_LEDGER_H

#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

class ImportPatch;

class HeapLedger {
public:
    explicit HeapLedger(HMODULE plugin);
    ~HeapLedger();
    HeapLedger(const HeapLedger&) = delete;
    HeapLedger& operator=(const HeapLedger&) = delete;

    bool Applied() const;
    // Bytes of the blocks taken since the ledger was opened and not freed.
    size_t LiveBytes() const;
    // The most LiveBytes was at any moment.
    size_t PeakBytes() const;

private:
    std::vector<std::unique_ptr<ImportPatch>> patches_;
};

#endif
