// The module's hold on itself while its code is on the user-interface
// thread's stack. A host may end the user interface and free the plugin
// from inside one of the board's modal loops (a menu, a dialog, a message
// box, a window being moved or scrolled): the loop would then return into
// unmapped code. So each entry into the module from outside counts itself
// while it runs, an end of the user interface that arrives with module code
// below it takes a reference on the module, and that reference is dropped
// only once the thread has left the module: by a short-lived thread that
// waits until the user-interface thread takes messages again outside every
// entry and then frees it with FreeLibraryAndExitThread, which does not
// return into the module.
#ifndef OBOARD_COMMON_MODULE_HOLD_H
#define OBOARD_COMMON_MODULE_HOLD_H

// One for each call into the module from outside it, for as long as the
// call runs: IMessageProc and the window procedures.
class ModuleEntry {
public:
    ModuleEntry();
    ~ModuleEntry();
    ModuleEntry(const ModuleEntry&) = delete;
    ModuleEntry& operator=(const ModuleEntry&) = delete;
};

// Keeps the module loaded, whatever the host frees, until no entry into it
// is running any more; nothing when the caller is the only entry running.
void HoldModuleWhileEntered();

#endif
