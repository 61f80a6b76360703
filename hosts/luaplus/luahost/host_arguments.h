// The command line of luahost.exe and the usage text that describes it.
#ifndef LUAHOST_HOST_ARGUMENTS_H
#define LUAHOST_HOST_ARGUMENTS_H

#include <string>

struct HostArguments {
    enum Outcome { RunScript, ShowHelp, Wrong } outcome;
    std::string modulePath;  // empty: tolva.dll beside the program
    int scriptIndex;         // argv index of SCRIPT; its arguments follow it
};

// `[--module PATH] SCRIPT [ARGS...]`, or a request for help (--help, -h,
// /?). Options stop at the script: what follows it is the script's.
HostArguments ReadHostArguments(int argc, char** argv);

// Prints the usage: to standard output when asked for, else to standard
// error.
void PrintUsage(bool asked);

#endif
