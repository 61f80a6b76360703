#include "script_host.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "console_stop.h"
#include "host_arguments.h"
#include "script_errors.h"

namespace {

using LuaPlus::LuaObject;
using LuaPlus::LuaState;

typedef void (*RegisterModuleFunction)(LuaState* state);
typedef void (*UnregisterModuleFunction)();

const char kDefaultModule[] = "tolva.dll";
const int kScriptFailed = 1;
const int kWrongCommandLine = 2;

// The extension is looked for beside the program unless named.
std::string DefaultModulePath()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return kDefaultModule;
    std::string directory(path, length);
    size_t slash = directory.find_last_of("\\/");
    if (slash == std::string::npos)
        return kDefaultModule;
    return directory.substr(0, slash + 1) + kDefaultModule;
}

// Loads and runs the script with its arguments, both as the global table
// `arg` (arg[0] the script) and as the chunk's varargs. Answers 0 on
// success; otherwise the error is told, unless a console stop caused it.
int RunScript(LuaState* state, const char* script, int argumentCount, char** arguments)
{
    LuaObject argTable = state->CreateTable();
    argTable.SetString(0, script);
    for (int i = 0; i < argumentCount; ++i)
        argTable.SetString(i + 1, arguments[i]);
    state->GetGlobals().SetObject("arg", argTable);

    int handler = PushScriptErrorHandler(state, script);
    bool loaded = state->LoadFile(script) == 0;
    int status = 1;
    if (loaded) {
        for (int i = 0; i < argumentCount; ++i)
            state->PushString(arguments[i]);
        status = state->PCall(argumentCount, 0, handler);
    }
    const char* stoppedBy = EndConsoleStops();
    if (stoppedBy != nullptr)
        std::fprintf(stderr, "luahost: stopped by %s\n", stoppedBy);
    else if (status != 0)
        ReportScriptError(state, handler, !loaded);
    state->SetTop(0);
    if (stoppedBy != nullptr)
        return ConsoleStopExitCode;
    return status == 0 ? 0 : kScriptFailed;
}

}  // namespace

int RunScriptHost(int argc, char** argv, PrepareStateFunction prepare)
{
    HostArguments arguments = ReadHostArguments(argc, argv);
    if (arguments.outcome != HostArguments::RunScript) {
        bool asked = arguments.outcome == HostArguments::ShowHelp;
        PrintUsage(asked);
        return asked ? 0 : kWrongCommandLine;
    }
    std::string modulePath = arguments.modulePath.empty() ? DefaultModulePath() : arguments.modulePath;
    const char* script = argv[arguments.scriptIndex];

    HMODULE module = LoadLibraryA(modulePath.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "luahost: cannot load %s (error %lu)\n", modulePath.c_str(), GetLastError());
        return kScriptFailed;
    }
    RegisterModuleFunction registerModule = reinterpret_cast<RegisterModuleFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "LuaPlus_RegisterModule")));
    UnregisterModuleFunction unregisterModule = reinterpret_cast<UnregisterModuleFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "LuaPlus_UnregisterModule")));
    if (registerModule == nullptr || unregisterModule == nullptr) {
        std::fprintf(stderr, "luahost: %s is not a LuaPlus module\n", modulePath.c_str());
        FreeLibrary(module);
        return kScriptFailed;
    }

    LuaState* state = LuaState::Create(true);
    if (state == nullptr) {
        std::fprintf(stderr, "luahost: cannot create a Lua state\n");
        FreeLibrary(module);
        return kScriptFailed;
    }
    if (prepare != nullptr)
        prepare(state);
    registerModule(state);
    BeginConsoleStops(state, unregisterModule);
    int exitCode = RunScript(state, script, argc - arguments.scriptIndex - 1, argv + arguments.scriptIndex + 1);
    std::fflush(stdout);
    // The module lets go of the state before the state goes (a console stop
    // may have unregistered it already: once more does no harm), and the
    // state's functions (which point into the module) go before the module.
    unregisterModule();
    LuaState::Destroy(state);
    FreeLibrary(module);
    return exitCode;
}
