// Keeps account of the GDI objects and device contexts the plugin asks the
// system for, by patching the plugin's imports of the creating and releasing
// functions. Wine reports no per-process GDI count, so this is how the tests
// see a leak: an object the plugin created and never deleted, or a device
// context it got and never released.
#ifndef TESTS_BOARD_GDI_LEDGER_H
#define TESTS_BOARD_GDI_LEDGER_H

#include <windows.h>

#include <memory>
#include <set>
#include <vector>

class ImportPatch;

class GdiLedger {
public:
    explicit GdiLedger(HMODULE plugin);
    ~GdiLedger();
    GdiLedger(const GdiLedger&) = delete;
    GdiLedger& operator=(const GdiLedger&) = delete;

    // Objects created since the ledger was opened and not deleted yet
    // (pens, brushes, compatible bitmaps).
    size_t LiveObjects() const;
    // DIB sections created and not deleted yet, counted apart from the
    // objects above (the plugin needs none).
    size_t LiveDibSections() const;
    // Window device contexts got and not released; memory contexts not deleted.
    int OpenWindowContexts() const;
    size_t LiveMemoryContexts() const;
    // How many objects were created in all (proves the ledger saw the work).
    size_t CreatedObjects() const;
    // Deletions of objects that were selected into a context at the time.
    size_t DeletedWhileSelected() const;

private:
    std::vector<std::unique_ptr<ImportPatch>> patches_;
};

#endif
