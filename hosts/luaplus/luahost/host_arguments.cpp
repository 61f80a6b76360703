#include "host_arguments.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "console_stop.h"

namespace {

bool IsHelpOption(const char* argument)
{
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "/?") == 0;
}

}  // namespace

HostArguments ReadHostArguments(int argc, char** argv)
{
    HostArguments arguments = {HostArguments::Wrong, std::string(), 0};
    int next = 1;
    while (next < argc && (argv[next][0] == '-' || IsHelpOption(argv[next]))) {
        if (IsHelpOption(argv[next])) {
            arguments.outcome = HostArguments::ShowHelp;
            return arguments;
        }
        if (std::strcmp(argv[next], "--module") != 0 || next + 1 >= argc)
            return arguments;
        arguments.modulePath = argv[next + 1];
        next += 2;
    }
    if (next < argc) {
        arguments.outcome = HostArguments::RunScript;
        arguments.scriptIndex = next;
    }
    return arguments;
}

void PrintUsage(bool asked)
{
    std::fprintf(asked ? stdout : stderr,
                 "usage: luahost [--module PATH] SCRIPT [ARGS...]\n"
                 "       luahost --help\n"
                 "\n"
                 "Runs the Lua 5.1 script SCRIPT with the tolva module: tolva.dll beside\n"
                 "luahost.exe, or the module PATH names. The script gets ARGS as the table\n"
                 "arg (arg[0] is SCRIPT) and as the chunk's ...\n"
                 "\n"
                 "Ctrl+C, Ctrl+Break or closing the console stops a running script: its Lua\n"
                 "code is interrupted and the module closes every socket and ends its\n"
                 "workers. A second one ends luahost at once.\n"
                 "\n"
                 "Exit code: 0 when the script ran to its end; n after os.exit(n); 1 after a\n"
                 "script error, printed with its file and line; 2 for a wrong command line;\n"
                 "%d (0x%08lX) after a console stop.\n",
                 ConsoleStopExitCode, static_cast<unsigned long>(ConsoleStopExitCode));
}
