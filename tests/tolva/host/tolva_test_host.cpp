// tolva_test_host.exe: luahost with a few extra globals through which the
// test scripts observe what the module does to the desktop. The module runs
// unchanged; the observers sit outside it.
//
//   TestScrollLockEvents() -> presses, releases, malformed (since last call)
//   TestMessageBoxes()     -> count, last text, information icon, buttons
//   TestModuleInt(name)    -> a 32-bit global of tolva.dll, or nil
//   TestModuleExports()    -> the names tolva.dll exports, in a table
//   TestModuleVersion()    -> file and product version of tolva.dll
//   TestSleep(ms)
#include <windows.h>

#include <string>
#include <vector>

#include "key_event_counter.h"
#include "message_box_closer.h"
#include "module_symbol.h"
#include "script_host.h"

namespace {

using LuaPlus::LuaStackObject;
using LuaPlus::LuaState;

int TestScrollLockEvents(LuaState* state, LuaStackObject*) {
  ScrollLockEvents events;
  if (!TakeScrollLockEvents(&events)) return 0;
  state->PushNumber(events.presses);
  state->PushNumber(events.releases);
  state->PushNumber(events.malformed);
  return 3;
}

int TestMessageBoxes(LuaState* state, LuaStackObject*) {
  SeenMessageBoxes boxes = TakeSeenMessageBoxes();
  state->PushNumber(boxes.count);
  state->PushString(boxes.lastText.c_str());
  state->PushBoolean(boxes.informationIcon);
  state->PushNumber(boxes.buttons);
  return 4;
}

int TestModuleInt(LuaState* state, LuaStackObject* args) {
  HMODULE module = GetModuleHandleA("tolva.dll");
  if (module == nullptr || !args[1].IsString()) return 0;
  const int* value = static_cast<const int*>(FindModuleSymbol(module, args[1].GetString()));
  if (value == nullptr) return 0;
  state->PushNumber(*value);
  return 1;
}

// The export directory of the loaded module.
int TestModuleExports(LuaState* state, LuaStackObject*) {
  HMODULE module = GetModuleHandleA("tolva.dll");
  if (module == nullptr) return 0;
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

std::string VersionText(DWORD high, DWORD low) {
  char text[64];
  wsprintfA(text, "%u.%u.%u.%u", HIWORD(high), LOWORD(high), HIWORD(low), LOWORD(low));
  return text;
}

int TestModuleVersion(LuaState* state, LuaStackObject*) {
  char path[MAX_PATH];
  HMODULE module = GetModuleHandleA("tolva.dll");
  if (module == nullptr || GetModuleFileNameA(module, path, MAX_PATH) == 0) return 0;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return 0;
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

int TestSleep(LuaState*, LuaStackObject* args) {
  if (args[1].IsNumber()) Sleep(static_cast<DWORD>(args[1].GetInteger()));
  return 0;
}

void PrepareTestGlobals(LuaState* state) {
  LuaPlus::LuaObject globals = state->GetGlobals();
  globals.Register("TestScrollLockEvents", TestScrollLockEvents);
  globals.Register("TestMessageBoxes", TestMessageBoxes);
  globals.Register("TestModuleInt", TestModuleInt);
  globals.Register("TestModuleExports", TestModuleExports);
  globals.Register("TestModuleVersion", TestModuleVersion);
  globals.Register("TestSleep", TestSleep);
}

}  // namespace

int main(int argc, char** argv) {
  StartMessageBoxCloser();
  if (!StartKeyEventCounter()) {
    OutputDebugStringA("tolva_test_host: the keyboard hook could not be installed\n");
  }
  return RunScriptHost(argc, argv, PrepareTestGlobals);
}
