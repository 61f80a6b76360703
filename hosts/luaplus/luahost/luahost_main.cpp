// luahost.exe: runs a Lua script with the tolva extension; see
// host_arguments.cpp for its command line and exit codes.
#include "script_host.h"

int main(int argc, char** argv)
{
    return RunScriptHost(argc, argv, nullptr);
}
