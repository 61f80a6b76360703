// Random steps against the plugin's real entry point, decided by a seed:
// host messages of every kind with records placed against an unreadable
// page (so any read past a record faults), drawing requests with any
// coordinates, invitations with any body, the host calling the plugin back
// from inside its own calls, and window steps a user makes (strokes, tool
// and colour choices, resizing, minimising, closing boards mid-drag; undo,
// redo, copy, paste of any clipboard picture, saving). After
// every step the fuzzer checks what must always hold: no board outside the
// user interface, one window per key, no GDI object or device context taken
// for good, every host text given back, no drag left on a freed board.
#ifndef TESTS_FUZZ_BOARD_FUZZER_H
#define TESTS_FUZZ_BOARD_FUZZER_H

#include "plugin_session.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>

class GdiLedger;
struct CanvasDrag;

struct FuzzStats {
    int messages = 0, draws = 0, windowSteps = 0, reentries = 0, boardsOpened = 0, mostBoards = 0;
};

class BoardFuzzer {
public:
    BoardFuzzer(PluginSession& session, uint32_t seed);
    ~BoardFuzzer();

    // Runs one step; false when something that must hold does not (see
    // Failure()). `describe` hears what the step does as it goes, each part
    // before it is done.
    bool Step(const std::function<void(const std::string&)>& describe);
    const std::string& Failure() const { return failure_; }
    const FuzzStats& Stats() const { return stats_; }

private:
    struct Key {
        int32_t net, contact;
    };

    // Randomness.
    uint32_t Below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(random_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
    int32_t Coordinate();
    int32_t AnyValue();
    Key AnyKey();
    HWND AnyFrame();

    // Steps.
    void Message(int depth);
    void Lifecycle(uint32_t id);
    void Draw();
    void Invitation();
    void Accept();
    void WindowStep(HWND frame);
    void PictureStep(HWND frame, HWND canvas);
    void PutAnyPicture(HWND owner);
    void PutAnyPng(HWND owner);
    void Nested(int depth);
    void ArmReentry();
    void OnHostCall(const HostCall& call);

    // Sends `bytes` through the entry point from memory that ends right
    // after its first `readable` bytes.
    intptr_t SendPlaced(const void* bytes, size_t size, size_t readable);
    intptr_t SendMessageRecord(uint32_t id, int32_t net, int32_t p1, int32_t p2);
    void Note(const std::string& text);

    bool Check();

    PluginSession& session_;
    std::mt19937 random_;
    std::unique_ptr<GdiLedger> ledger_;
    CanvasDrag* drag_ = nullptr;
    FuzzStats stats_;
    std::string failure_;
    std::string step_;
    std::function<void(const std::string&)> describe_;
    std::string saveFile_, saveFolder_;  // where the save dialog answers to save

    // What the plugin was told, to know what must hold.
    HostCore* modelHost_ = nullptr;
    bool uiRunning_ = false;
    Key lastKey_ = {7, 42};

    // A call back into the plugin from inside the step's host calls.
    bool armed_ = false;
    int triggerKind_ = 0;  // HostCall::Kind, or -1 for any
    int countdown_ = 0;
    int depth_ = 0;
};

#endif
