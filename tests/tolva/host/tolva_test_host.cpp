// tolva_test_host.exe: luahost with a few extra globals through which the
// test scripts observe what the module does to the desktop. The module runs
// unchanged; the observers sit outside it.
//
//   TestScrollLockEvents() -> presses, releases, malformed (since last call)
//   TestMessageBoxes()     -> count, last text, information icon, buttons
//   TestModuleInt(name)    -> a 32-bit global of tolva.dll, or nil
//   TestSleep(ms)
#include <windows.h>

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

int TestSleep(LuaState*, LuaStackObject* args) {
  if (args[1].IsNumber()) Sleep(static_cast<DWORD>(args[1].GetInteger()));
  return 0;
}

void PrepareTestGlobals(LuaState* state) {
  LuaPlus::LuaObject globals = state->GetGlobals();
  globals.Register("TestScrollLockEvents", TestScrollLockEvents);
  globals.Register("TestMessageBoxes", TestMessageBoxes);
  globals.Register("TestModuleInt", TestModuleInt);
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
