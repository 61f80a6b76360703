#include "script_host.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using LuaPlus::LuaObject;
using LuaPlus::LuaState;

typedef void (*RegisterModuleFunction)(LuaState* state);
typedef void (*UnregisterModuleFunction)();

const char kDefaultModule[] = "tolva.dll";

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

void PrintUsage()
{
    std::fprintf(stderr, "usage: luahost [--module PATH] SCRIPT [ARGS...]\n");
}

// Pushes debug.traceback, if there is one, as the message handler; answers
// its stack index or 0.
int PushTraceback(LuaState* state)
{
    LuaObject debug = state->GetGlobal("debug");
    LuaObject traceback = debug.GetByName("traceback");
    if (!traceback.IsFunction())
        return 0;
    traceback.Push();
    return state->GetTop();
}

// Loads and runs the script with its arguments, both as the global table
// `arg` (arg[0] the script) and as the chunk's varargs. Answers 0 on success;
// otherwise prints the error.
int RunScript(LuaState* state, const char* script, int argumentCount, char** arguments)
{
    LuaObject argTable = state->CreateTable();
    argTable.SetString(0, script);
    for (int i = 0; i < argumentCount; ++i)
        argTable.SetString(i + 1, arguments[i]);
    state->GetGlobals().SetObject("arg", argTable);

    int handler = PushTraceback(state);
    if (state->LoadFile(script) != 0) {
        std::fprintf(stderr, "luahost: %s\n", state->Stack(-1).GetString());
        state->SetTop(0);
        return 1;
    }
    for (int i = 0; i < argumentCount; ++i)
        state->PushString(arguments[i]);
    int status = state->PCall(argumentCount, 0, handler);
    if (status != 0) {
        const char* message = state->Stack(-1).GetString();
        std::fprintf(stderr, "luahost: %s\n", message != nullptr ? message : "(error object is not a string)");
    }
    state->SetTop(0);
    return status == 0 ? 0 : 1;
}

}  // namespace

int RunScriptHost(int argc, char** argv, PrepareStateFunction prepare)
{
    std::string modulePath = DefaultModulePath();
    int next = 1;
    while (next < argc && std::strncmp(argv[next], "--", 2) == 0) {
        if (std::strcmp(argv[next], "--module") == 0 && next + 1 < argc) {
            modulePath = argv[next + 1];
            next += 2;
        } else {
            PrintUsage();
            return 2;
        }
    }
    if (next >= argc) {
        PrintUsage();
        return 2;
    }
    const char* script = argv[next];

    HMODULE module = LoadLibraryA(modulePath.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "luahost: cannot load %s (error %lu)\n", modulePath.c_str(), GetLastError());
        return 1;
    }
    RegisterModuleFunction registerModule = reinterpret_cast<RegisterModuleFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "LuaPlus_RegisterModule")));
    UnregisterModuleFunction unregisterModule = reinterpret_cast<UnregisterModuleFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "LuaPlus_UnregisterModule")));
    if (registerModule == nullptr || unregisterModule == nullptr) {
        std::fprintf(stderr, "luahost: %s is not a LuaPlus module\n", modulePath.c_str());
        FreeLibrary(module);
        return 1;
    }

    LuaState* state = LuaState::Create(true);
    if (state == nullptr) {
        std::fprintf(stderr, "luahost: cannot create a Lua state\n");
        FreeLibrary(module);
        return 1;
    }
    if (prepare != nullptr)
        prepare(state);
    registerModule(state);
    int exitCode = RunScript(state, script, argc - next - 1, argv + next + 1);
    std::fflush(stdout);
    // The module lets go of the state before the state goes, and the state's
    // functions (which point into the module) go before the module.
    unregisterModule();
    LuaState::Destroy(state);
    FreeLibrary(module);
    return exitCode;
}
