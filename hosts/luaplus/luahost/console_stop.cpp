#include "console_stop.h"

#include <windows.h>

namespace {

// Windows ends a process 5 seconds after its console closed; the host
// closes down in the time left or is ended a little before.
const DWORD CloseDownLimit = 4500;

struct ConsoleStop {
    // Held while a stop calls into the state and the module, and to end
    // stops: the state and the module outlive every such call.
    CRITICAL_SECTION section;
    LuaPlus::LuaState* state;
    DWORD scriptThread;  // the OS thread that runs the script
    StopModuleFunction stopModule;
    const char* stoppedBy;
    volatile LONG events;
    bool handlerSet;
    ConsoleStop()
        : state(nullptr), scriptThread(0), stopModule(nullptr), stoppedBy(nullptr), events(0), handlerSet(false)
    {
        InitializeCriticalSection(&section);
    }
};

// Made with the first script and kept until the process ends: a console
// event may come at any time.
ConsoleStop& TheConsoleStop()
{
    static ConsoleStop stop;
    return stop;
}

const char* EventName(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
        return "Ctrl+C";
    case CTRL_BREAK_EVENT:
        return "Ctrl+Break";
    case CTRL_CLOSE_EVENT:
        return "the console closing";
    case CTRL_LOGOFF_EVENT:
        return "logging off";
    case CTRL_SHUTDOWN_EVENT:
        return "shutting down";
    default:
        return nullptr;
    }
}

// Runs on a new thread for each event.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    DWORD start = GetTickCount();
    const char* name = EventName(event);
    if (name == nullptr)
        return FALSE;
    ConsoleStop& stop = TheConsoleStop();
    // Asked twice: the first stop hangs or is too slow for the user. Nothing
    // is flushed or unloaded; the system closes the sockets.
    if (InterlockedIncrement(&stop.events) > 1)
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(ConsoleStopExitCode));
    EnterCriticalSection(&stop.section);
    if (stop.state != nullptr) {
        stop.stoppedBy = name;
        // The script's own code first, so that it does not go on once the
        // module's calls it waits in have ended: in its main thread and in
        // any coroutine it runs.
        stop.state->Interrupt();
        stop.state->InterruptOsThread(stop.scriptThread);
        stop.stopModule();
    }
    LeaveCriticalSection(&stop.section);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    // The process ends when this returns: the host's own exit ends it before
    // then if it can.
    DWORD spent = GetTickCount() - start;
    if (spent < CloseDownLimit)
        Sleep(CloseDownLimit - spent);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(ConsoleStopExitCode));
    return TRUE;
}

}  // namespace

void BeginConsoleStops(LuaPlus::LuaState* state, StopModuleFunction stopModule)
{
    ConsoleStop& stop = TheConsoleStop();
    EnterCriticalSection(&stop.section);
    stop.state = state;
    stop.scriptThread = GetCurrentThreadId();
    stop.stopModule = stopModule;
    stop.stoppedBy = nullptr;
    LeaveCriticalSection(&stop.section);
    if (stop.handlerSet)
        return;
    stop.handlerSet = true;
    // A program started in a new process group ignores Ctrl+C until told.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

const char* EndConsoleStops()
{
    ConsoleStop& stop = TheConsoleStop();
    EnterCriticalSection(&stop.section);
    if (stop.state != nullptr && stop.stoppedBy != nullptr)
        stop.state->EndOsThreadInterrupt(stop.scriptThread);
    stop.state = nullptr;
    stop.stopModule = nullptr;
    const char* stoppedBy = stop.stoppedBy;
    LeaveCriticalSection(&stop.section);
    return stoppedBy;
}
