// Helpers for the tests of a board's toolbar, colour menus and pen-width
// picker: opening a board through the plugin, reading its record, reading
// back pixels, clicking controls and answering modal windows.
#ifndef TESTS_BOARD_BOARD_CONTROLS_SUPPORT_H
#define TESTS_BOARD_BOARD_CONTROLS_SUPPORT_H

#include "board_test_support.h"
#include "pe_image.h"

#include "board_record.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

// Pixels of a window's client area or of a memory bitmap, as COLORREFs.
struct PixelGrid {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The client area of `window` after a complete repaint.
PixelGrid CaptureClient(HWND window);

// A 32-bit top-down DIB section selected into a memory DC.
class MemoryCanvas {
public:
    MemoryCanvas(int width, int height, COLORREF background);
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const;

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
    int width_ = 0;
};

// What a test saw of a modal window (message box or dialog) it answered.
struct ModalSeen {
    std::string caption;
    std::string text;  // the static texts, joined with '|'
    HWND owner = nullptr;
    std::vector<int> visibleButtons;
};

// Answers modal windows of class "#32770" of the calling thread while the
// thread runs their loops: a thread timer finds each one and hands it to
// `answer`, which must end it. Destruction stops the timer.
class ModalAnswerer {
public:
    explicit ModalAnswerer(std::function<void(HWND)> answer);
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR timer_ = 0;
};

// The caption, texts, owner and visible buttons of a dialog window.
ModalSeen DescribeModal(HWND dialog);
// Presses a dialog button the way a click does.
void PressDialogButton(HWND dialog, int id);

// Refuses, while it lives, the creation of windows of one class on the
// calling thread (a WH_CBT hook).
class RefuseWindowClass {
public:
    explicit RefuseWindowClass(const char* className);
    ~RefuseWindowClass();
    RefuseWindowClass(const RefuseWindowClass&) = delete;
    RefuseWindowClass& operator=(const RefuseWindowClass&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
};

// Counts, while it lives, the erasing and painting of one window (by
// subclassing it).
class PaintWatch {
public:
    explicit PaintWatch(HWND window);
    ~PaintWatch();
    PaintWatch(const PaintWatch&) = delete;
    PaintWatch& operator=(const PaintWatch&) = delete;
    // True when the window was erased and painted since the last Reset.
    bool Repainted() const { return gErases > 0 && gPaints > 0; }
    void Reset() { gErases = gPaints = 0; }

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND window_;
    static WNDPROC gOriginal;
    static int gErases, gPaints;
};

class BoardControlsTest : public BoardTest {
protected:
    static HWND Toolbar(HWND frame) { return State(frame)->toolbarWindow; }
    static HWND Picker(HWND frame) { return State(frame)->sizePickerWindow; }
    HIMAGELIST PluginImageList();
    COLORREF* PluginCustomColors();
};

// Clicks the centre of the toolbar button with command `command`.
void ClickToolbarButton(HWND toolbar, int command);
// Clicks a client point of `window` (button down and up).
void ClickAt(HWND window, int x, int y);
// The window rectangle of `child` in the client coordinates of `parent`.
RECT RectIn(HWND parent, HWND child);

#endif
