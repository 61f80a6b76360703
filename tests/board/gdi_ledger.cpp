#include "gdi_ledger.h"

#include "pe_image.h"

#include <map>

namespace {

struct Ledger {
    std::set<HGDIOBJ> objects;
    std::set<HGDIOBJ> dibSections;
    std::set<HDC> memoryContexts;
    std::map<HDC, std::set<HGDIOBJ>> selected;
    int windowContexts = 0;
    size_t created = 0;
    size_t deletedWhileSelected = 0;
};

Ledger* gLedger = nullptr;

template <typename T> T Created(T object)
{
    if (gLedger && object) {
        gLedger->objects.insert(object);
        ++gLedger->created;
    }
    return object;
}

HPEN WINAPI LedgerCreatePen(int style, int width, COLORREF colour)
{
    return Created(CreatePen(style, width, colour));
}

HBRUSH WINAPI LedgerCreateSolidBrush(COLORREF colour)
{
    return Created(CreateSolidBrush(colour));
}

HBITMAP WINAPI LedgerCreateCompatibleBitmap(HDC dc, int width, int height)
{
    return Created(CreateCompatibleBitmap(dc, width, height));
}

HBITMAP WINAPI LedgerCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                      DWORD offset)
{
    HBITMAP bitmap = CreateDIBSection(dc, info, usage, bits, section, offset);
    if (gLedger && bitmap) {
        gLedger->dibSections.insert(bitmap);
        ++gLedger->created;
    }
    return bitmap;
}

HDC WINAPI LedgerCreateCompatibleDC(HDC dc)
{
    HDC memory = CreateCompatibleDC(dc);
    if (gLedger && memory)
        gLedger->memoryContexts.insert(memory);
    return memory;
}

HGDIOBJ WINAPI LedgerSelectObject(HDC dc, HGDIOBJ object)
{
    HGDIOBJ previous = SelectObject(dc, object);
    if (gLedger && previous) {
        gLedger->selected[dc].erase(previous);
        gLedger->selected[dc].insert(object);
    }
    return previous;
}

BOOL WINAPI LedgerDeleteObject(HGDIOBJ object)
{
    if (gLedger) {
        for (auto& entry : gLedger->selected)
            if (entry.second.count(object))
                ++gLedger->deletedWhileSelected;
        gLedger->objects.erase(object);
        gLedger->dibSections.erase(object);
    }
    return DeleteObject(object);
}

BOOL WINAPI LedgerDeleteDC(HDC dc)
{
    if (gLedger) {
        gLedger->memoryContexts.erase(dc);
        gLedger->selected.erase(dc);
    }
    return DeleteDC(dc);
}

HDC WINAPI LedgerGetDC(HWND window)
{
    HDC dc = GetDC(window);
    if (gLedger && dc)
        ++gLedger->windowContexts;
    return dc;
}

int WINAPI LedgerReleaseDC(HWND window, HDC dc)
{
    if (gLedger) {
        --gLedger->windowContexts;
        gLedger->selected.erase(dc);
    }
    return ReleaseDC(window, dc);
}

}  // namespace

GdiLedger::GdiLedger(HMODULE plugin)
{
    delete gLedger;
    gLedger = new Ledger;
    struct Entry {
        const char* dll;
        const char* name;
        void* replacement;
    } const entries[] = {
        {"gdi32.dll", "CreatePen", reinterpret_cast<void*>(&LedgerCreatePen)},
        {"gdi32.dll", "CreateSolidBrush", reinterpret_cast<void*>(&LedgerCreateSolidBrush)},
        {"gdi32.dll", "CreateCompatibleBitmap", reinterpret_cast<void*>(&LedgerCreateCompatibleBitmap)},
        {"gdi32.dll", "CreateDIBSection", reinterpret_cast<void*>(&LedgerCreateDIBSection)},
        {"gdi32.dll", "CreateCompatibleDC", reinterpret_cast<void*>(&LedgerCreateCompatibleDC)},
        {"gdi32.dll", "SelectObject", reinterpret_cast<void*>(&LedgerSelectObject)},
        {"gdi32.dll", "DeleteObject", reinterpret_cast<void*>(&LedgerDeleteObject)},
        {"gdi32.dll", "DeleteDC", reinterpret_cast<void*>(&LedgerDeleteDC)},
        {"user32.dll", "GetDC", reinterpret_cast<void*>(&LedgerGetDC)},
        {"user32.dll", "ReleaseDC", reinterpret_cast<void*>(&LedgerReleaseDC)},
    };
    for (const Entry& e : entries)
        patches_.emplace_back(new ImportPatch(plugin, e.dll, e.name, e.replacement));
}

GdiLedger::~GdiLedger()
{
    patches_.clear();
    delete gLedger;
    gLedger = nullptr;
}

size_t GdiLedger::LiveObjects() const
{
    return gLedger->objects.size();
}

size_t GdiLedger::LiveDibSections() const
{
    return gLedger->dibSections.size();
}

int GdiLedger::OpenWindowContexts() const
{
    return gLedger->windowContexts;
}

size_t GdiLedger::LiveMemoryContexts() const
{
    return gLedger->memoryContexts.size();
}

size_t GdiLedger::CreatedObjects() const
{
    return gLedger->created;
}

size_t GdiLedger::DeletedWhileSelected() const
{
    return gLedger->deletedWhileSelected;
}
