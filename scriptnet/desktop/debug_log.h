// The debug log file: opened and closed by scripts, never written.
#ifndef SCRIPTNET_DESKTOP_DEBUG_LOG_H
#define SCRIPTNET_DESKTOP_DEBUG_LOG_H

#include <cstdio>

// The open log, or null. Shared by every state that registered the module.
extern std::FILE* gDebugLog;

// Opens "tolva_debug.txt" in the current directory (append and read,
// untranslated, created when absent) unless the log is already open.
void OpenDebugLog();
// Flushes and closes the log if it is open.
void CloseDebugLog();

#endif
