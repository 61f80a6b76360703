// luahost.exe [--module PATH] SCRIPT [ARGS...]: runs a Lua script with the
// tolva extension (tolva.dll beside the program unless named).
#include "script_host.h"

int main(int argc, char** argv)
{
    return RunScriptHost(argc, argv, nullptr);
}
