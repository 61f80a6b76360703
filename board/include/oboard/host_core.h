// The host's controller object, handed to plugins with MsgInit.
//
// Only the table positions matter: the host calls through the object's first
// word, a pointer to its operation table, passing the object itself as
// `this` (the platform's member-function convention). Positions the plugins
// do not use are placeholders. There is deliberately no virtual destructor:
// compilers disagree on how many table slots it takes.
#ifndef OBOARD_HOST_CORE_H
#define OBOARD_HOST_CORE_H

#include <windows.h>

#include "oboard/plugin_messages.h"

class HostCore {
public:
    virtual void Unused0() {}
    virtual void Unused1() {}
    virtual void Unused2() {}
    virtual HINSTANCE HostInstance() = 0;  // 3
    virtual void Unused4() {}
    virtual void SetError(int code) = 0;  // 5
    virtual void Unused6() {}
    virtual int HostMessage(PluginMessage* message) = 0;  // 7
    virtual void Unused8() {}
    virtual void Unused9() {}
    virtual void Unused10() {}
    virtual void Unused11() {}
    virtual void Unused12() {}
    virtual void Unused13() {}
    virtual void Unused14() {}
    virtual void Unused15() {}
    virtual void Unused16() {}
    virtual void Unused17() {}
    virtual void Unused18() {}
    virtual void Unused19() {}
    virtual void Unused20() {}
    virtual int GetValue(int table, int row, int column, HostValue* value) = 0;   // 21
    virtual void SetValue(int table, int row, int column, HostValue* value) = 0;  // 22
    virtual void Unused23() {}
    virtual void Unused24() {}
    virtual void Unused25() {}
    virtual void Unused26() {}
    virtual void HostFree(void* pointer) = 0;  // 27

protected:
    ~HostCore() = default;
};

#endif
