// tolva_test_host.exe: luahost with a few extra globals through which the
// test scripts observe what the module does to the desktop. The module runs
// unchanged; the observers sit outside it.
//
//   TestScrollLockEvents() -> presses, releases, malformed, order ("PRPR...")
//                             (since last call)
//   TestMessageBoxes()     -> count, last text, information icon, buttons,
//                             owned (the last one had an owner window)
//   TestModuleInt(name)    -> a 32-bit global of tolva.dll, or nil
//   TestModuleExports()    -> the names tolva.dll exports, in a table
//   TestModuleVersion()    -> file and product version of tolva.dll
//   TestSleep(ms)
//   TestInSecondState(text) -> what the chunk returned (a string), or
//                              "error: " and the message; run in a new state
//                              in which the module was registered as well
//   TestWinsockCleanup()   -> WSACleanup's result (one start-up undone)
//   TestSocketCalls()      -> the module's host-name lookups, connection
//                             attempts, readiness waits, overlapped
//                             receives and looks for a peer since the last
//                             call (nothing if they cannot be counted)
//   TestShortenWorkerWait(ms) -> true once the workers' wait is shortened
//   TestUnregisterAtFlash() -> true once a thread waits for the next Scroll
//                             Lock press and then unregisters the module, as
//                             a host that unloads it while the script runs
//   TestRegisterAgain()    -> registers the module in this state again
//   TestNewGlobals         -> names of the globals set since the state was
//                             made, in order (the module's come first)
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "key_event_counter.h"
#include "message_box_closer.h"
#include "pe_image.h"
#include "script_host.h"
#include "socket_call_counter.h"
#include "worker_wait_seam.h"

namespace {

using LuaPlus::LuaStackObject;
using LuaPlus::LuaState;

typedef void (*RegisterModuleFunction)(LuaState* state);
typedef void (*UnregisterModuleFunction)();

// An entry point of the loaded module, or null.
template <typename Function> Function ModuleEntry(const char* name)
{
    HMODULE module = GetModuleHandleA("tolva.dll");
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

int TestScrollLockEvents(LuaState* state, LuaStackObject*)
{
    ScrollLockEvents events;
    if (!TakeScrollLockEvents(&events))
        return 0;
    state->PushNumber(events.presses);
    state->PushNumber(events.releases);
    state->PushNumber(events.malformed);
    state->PushString(events.order.c_str());
    return 4;
}

int TestMessageBoxes(LuaState* state, LuaStackObject*)
{
    SeenMessageBoxes boxes = TakeSeenMessageBoxes();
    state->PushNumber(boxes.count);
    state->PushString(boxes.lastText.c_str());
    state->PushBoolean(boxes.informationIcon);
    state->PushNumber(boxes.buttons);
    state->PushBoolean(boxes.owned);
    return 5;
}

int TestModuleInt(LuaState* state, LuaStackObject* args)
{
    HMODULE module = GetModuleHandleA("tolva.dll");
    if (module == nullptr || !args[1].IsString())
        return 0;
    const int* value = ModuleGlobal<const int>(module, args[1].GetString());
    if (value == nullptr)
        return 0;
    state->PushNumber(*value);
    return 1;
}

// The export directory of the loaded module.
int TestModuleExports(LuaState* state, LuaStackObject*)
{
    HMODULE module = GetModuleHandleA("tolva.dll");
    if (module == nullptr)
        return 0;
    const char* base = reinterpret_cast<const char*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS32* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    LuaPlus::LuaObject names = state->CreateTable();
    if (entry.VirtualAddress != 0) {
        const IMAGE_EXPORT_DIRECTORY* exports =
            reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
        const DWORD* nameTable = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
            names.SetString(static_cast<int>(i + 1), base + nameTable[i]);
        }
    }
    names.Push();
    return 1;
}

std::string VersionText(DWORD high, DWORD low)
{
    char text[64];
    wsprintfA(text, "%u.%u.%u.%u", HIWORD(high), LOWORD(high), HIWORD(low), LOWORD(low));
    return text;
}

int TestModuleVersion(LuaState* state, LuaStackObject*)
{
    char path[MAX_PATH];
    HMODULE module = GetModuleHandleA("tolva.dll");
    if (module == nullptr || GetModuleFileNameA(module, path, MAX_PATH) == 0)
        return 0;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return 0;
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!GetFileVersionInfoA(path, 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) || info == nullptr) {
        return 0;
    }
    state->PushString(VersionText(info->dwFileVersionMS, info->dwFileVersionLS).c_str());
    state->PushString(VersionText(info->dwProductVersionMS, info->dwProductVersionLS).c_str());
    return 2;
}

int TestSleep(LuaState*, LuaStackObject* args)
{
    if (args[1].IsNumber())
        Sleep(static_cast<DWORD>(args[1].GetInteger()));
    return 0;
}

int TestInSecondState(LuaState* state, LuaStackObject* args)
{
    RegisterModuleFunction registerModule = ModuleEntry<RegisterModuleFunction>("LuaPlus_RegisterModule");
    if (registerModule == nullptr || !args[1].IsString())
        return 0;
    LuaState* second = LuaState::Create(true);
    if (second == nullptr)
        return 0;
    registerModule(second);
    std::string answer;
    if (second->LoadText(args[1].GetString()) != 0 || second->PCall(0, 1) != 0) {
        const char* message = second->Stack(-1).GetString();
        answer = std::string("error: ") + (message != nullptr ? message : "?");
    } else {
        const char* text = second->Stack(-1).GetString();
        answer = text != nullptr ? text : "(no text)";
    }
    // Not unregistered: that would release the first state's slots too.
    LuaState::Destroy(second);
    state->PushString(answer.c_str());
    return 1;
}

DWORD WINAPI UnregisterAtFlash(LPVOID)
{
    if (WaitForScrollLockPress())
        ModuleEntry<UnregisterModuleFunction>("LuaPlus_UnregisterModule")();
    return 0;
}

int TestUnregisterAtFlash(LuaState* state, LuaStackObject*)
{
    if (ModuleEntry<UnregisterModuleFunction>("LuaPlus_UnregisterModule") == nullptr)
        return 0;
    HANDLE thread = CreateThread(nullptr, 0, UnregisterAtFlash, nullptr, 0, nullptr);
    if (thread == nullptr)
        return 0;
    CloseHandle(thread);
    state->PushBoolean(true);
    return 1;
}

int TestRegisterAgain(LuaState* state, LuaStackObject*)
{
    RegisterModuleFunction registerModule = ModuleEntry<RegisterModuleFunction>("LuaPlus_RegisterModule");
    if (registerModule != nullptr)
        registerModule(state);
    return 0;
}

bool countingSocketCalls = false;

int TestSocketCalls(LuaState* state, LuaStackObject*)
{
    if (!countingSocketCalls)
        return 0;
    SocketCalls calls = TakeSocketCalls();
    state->PushNumber(calls.lookups);
    state->PushNumber(calls.connects);
    state->PushNumber(calls.readinessWaits);
    state->PushNumber(calls.overlappedReceives);
    state->PushNumber(calls.peerLooks);
    return 5;
}

int TestWinsockCleanup(LuaState* state, LuaStackObject*)
{
    state->PushNumber(WSACleanup());
    return 1;
}

void PrepareTestGlobals(LuaState* state)
{
    LuaPlus::LuaObject globals = state->GetGlobals();
    globals.Register("TestScrollLockEvents", TestScrollLockEvents);
    globals.Register("TestMessageBoxes", TestMessageBoxes);
    globals.Register("TestModuleInt", TestModuleInt);
    globals.Register("TestModuleExports", TestModuleExports);
    globals.Register("TestModuleVersion", TestModuleVersion);
    globals.Register("TestSleep", TestSleep);
    globals.Register("TestInSecondState", TestInSecondState);
    globals.Register("TestWinsockCleanup", TestWinsockCleanup);
    globals.Register("TestSocketCalls", TestSocketCalls);
    globals.Register("TestShortenWorkerWait", TestShortenWorkerWait);
    globals.Register("TestUnregisterAtFlash", TestUnregisterAtFlash);
    globals.Register("TestRegisterAgain", TestRegisterAgain);
    countingSocketCalls = StartSocketCallCounter(GetModuleHandleA("tolva.dll"));
    // Notes each new global as it is set, so the scripts can see in which
    // order the module registered its functions (TestNewGlobals, a table).
    const char kRecordNewGlobals[] = "TestNewGlobals = {}\n"
                                     "setmetatable(_G, { __newindex = function(t, k, v)\n"
                                     "  TestNewGlobals[#TestNewGlobals + 1] = k\n"
                                     "  rawset(t, k, v)\n"
                                     "end })\n";
    if (state->LoadText(kRecordNewGlobals) != 0 || state->PCall(0, 0) != 0)
        state->SetTop(0);
}

}  // namespace

int main(int argc, char** argv)
{
    StartMessageBoxCloser();
    if (!StartKeyEventCounter()) {
        OutputDebugStringA("tolva_test_host: the keyboard hook could not be installed\n");
    }
    return RunScriptHost(argc, argv, PrepareTestGlobals);
}
