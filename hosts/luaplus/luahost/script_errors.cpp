#include "script_errors.h"

#include <cstdio>

namespace {

using LuaPlus::LuaState;

// Called with the script's path; gives the handler, which a loading error
// reaches as (message, true).
const char kErrorHandlerSource[] = "local script = ...\n"
                                   "local traceback, getinfo = debug.traceback, debug.getinfo\n"
                                   "local function name_whole(text, short, file)\n"
                                   "  if short == file then return text end\n"
                                   "  return (text:gsub(short:gsub('%p', '%%%0'), (file:gsub('%%', '%%%%'))))\n"
                                   "end\n"
                                   "-- the name Lua gives the script in its messages\n"
                                   "local short = select(2, loadstring('?', '@' .. script)):match('^(.-):1:')\n"
                                   "return function(message, loading)\n"
                                   "  if type(message) ~= 'string' then return message end\n"
                                   "  if loading then return name_whole(message, short, script) end\n"
                                   "  local text = traceback(message, 2)\n"
                                   "  for level = 2, math.huge do\n"
                                   "    local info = getinfo(level, 'S')\n"
                                   "    if not info then break end\n"
                                   "    local file = info.source:match('^@(.*)')\n"
                                   "    if file then text = name_whole(text, info.short_src, file) end\n"
                                   "  end\n"
                                   "  return text\n"
                                   "end\n";

}  // namespace

int PushScriptErrorHandler(LuaState* state, const char* script)
{
    int top = state->GetTop();
    if (state->LoadText(kErrorHandlerSource) == 0) {
        state->PushString(script);
        if (state->PCall(1, 1) == 0 && state->Stack(-1).IsFunction())
            return state->GetTop();
    }
    state->SetTop(top);
    return 0;
}

void ReportScriptError(LuaState* state, int handler, bool loading)
{
    if (loading && handler != 0) {
        // The message becomes handler(message, true).
        LuaPlus::LuaObject message = state->Stack(-1);
        state->Pop();
        LuaPlus::LuaCall call = LuaPlus::LuaObject(state->Stack(handler))();
        call << message << true;
        if (call.PCall(1) != 0) {
            state->Pop();
            message.Push();
        }
    }
    const char* message = state->Stack(-1).GetString();
    std::fprintf(stderr, "luahost: %s\n", message != nullptr ? message : "(error object is not a string)");
}
