#include "common/unloading_signal.h"

namespace {

// Owns the event for the module's lifetime: every thread that waits on it
// holds a reference on the module (workers, flash threads) or runs inside a
// call of the host, which unloads the module only after its last call.
struct UnloadingSignal {
    HANDLE event;
    UnloadingSignal() : event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~UnloadingSignal()
    {
        if (event != nullptr)
            CloseHandle(event);
    }
    UnloadingSignal(const UnloadingSignal&) = delete;
    UnloadingSignal& operator=(const UnloadingSignal&) = delete;
};

UnloadingSignal gUnloadingSignal;

}  // namespace

HANDLE UnloadingEvent()
{
    return gUnloadingSignal.event;
}

bool ModuleUnloading()
{
    return gUnloadingSignal.event != nullptr && WaitForSingleObject(gUnloadingSignal.event, 0) == WAIT_OBJECT_0;
}

bool PauseUnlessUnloading(DWORD milliseconds)
{
    if (gUnloadingSignal.event == nullptr) {
        Sleep(milliseconds);
        return true;
    }
    return WaitForSingleObject(gUnloadingSignal.event, milliseconds) != WAIT_OBJECT_0;
}

void SignalUnloading()
{
    if (gUnloadingSignal.event != nullptr)
        SetEvent(gUnloadingSignal.event);
}

void ClearUnloading()
{
    if (gUnloadingSignal.event != nullptr)
        ResetEvent(gUnloadingSignal.event);
}
