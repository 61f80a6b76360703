// A small stand-in for the Orvane host: the HostCore a plugin talks to, with
// the configuration and contact tables, a record of every call, and the
// loading of a plugin DLL by its exported entry point.
#ifndef ORVANE_STAND_IN_HOST_H
#define ORVANE_STAND_IN_HOST_H

#include "oboard/host_core.h"
#include "message_store.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

struct HostCall {
    enum Kind { Instance, Error, Message, Get, Set, Free };
    explicit HostCall(Kind k) : kind(k) {}
    Kind kind;
    int code = 0;                 // SetError's code
    PluginMessage message = {};   // HostMessage's record
    std::vector<uint8_t> record;  // bytes of the record p1 pointed to
    std::vector<uint8_t> target;  // MsgQueueGet: the record p2 pointed to, before it was filled
    std::string text;             // a text the record pointed to (column name, action label)
    int table = 0, row = 0, column = 0;
    HostValue value = {};     // GetValue's request / SetValue's value
    void* pointer = nullptr;  // HostFree's argument
    // What the host answered: HostMessage's and GetValue's result, the value
    // GetValue handed back, and the text it handed back (a contact's uid, or
    // the body of the message MsgQueueGet copied out).
    int result = 0;
    HostValue answer = {};
    std::string answerText;
};

struct Contact {
    std::string uid;
    int32_t net = 0;
};

class StandInHost : public HostCore {
public:
    HINSTANCE HostInstance() override;
    void SetError(int code) override;
    int HostMessage(PluginMessage* message) override;
    int GetValue(int table, int row, int column, HostValue* value) override;
    void SetValue(int table, int row, int column, HostValue* value) override;
    void HostFree(void* pointer) override;

    // The plugin module, as HostInstance reports it.
    HINSTANCE pluginModule = nullptr;

    std::vector<HostCall> calls;
    // Told of every call once it is recorded and answered, while the plugin
    // still waits for the answer. The host window logs the calls from here;
    // a real host may call back into its plugins from inside any call (a
    // settings write that ends the user interface, a value read that lets
    // another plugin open a board), and tests re-enter the plugin from here
    // to do the same.
    std::function<void(const HostCall&)> duringCall;
    std::map<int, int32_t> config;    // TableConfig row 0, by column
    std::map<int, Contact> contacts;  // TableContacts, by contact number
    MessageStore store;               // messages to and from contacts

    // Texts handed out by GetValue and not yet given back with HostFree.
    size_t OutstandingTexts() const { return outstanding_.size(); }
    // Calls of one kind (and, for messages, one id).
    std::vector<HostCall> CallsOf(HostCall::Kind kind, uint32_t messageId = 0) const;

    // Configuration kept in a text file between runs: "column value" lines.
    bool LoadConfig(const std::string& path);
    bool SaveConfig(const std::string& path) const;
    // Contacts from a text file: "number net uid" lines; '#' starts a comment.
    bool LoadContacts(const std::string& path);

protected:
    // Message ids the host handles itself: columns and the message store.
    virtual int HandleMessage(const PluginMessage& message);

private:
    // GetValue's answer from the tables; `text` gets a text handed out.
    int Answer(int table, int row, int column, HostValue* value, std::string& text);
    void Record(const HostCall& call);

    std::set<void*> outstanding_;
};

// The directory of the running program, with a trailing backslash: where the
// host looks for its plugins.
std::string ProgramDirectory();

// True when `window` is the frame window of a board.
bool IsBoardFrame(HWND window);
// The board frames among the calling thread's top-level windows, in Z order.
std::vector<HWND> BoardFrames();

// A plugin DLL loaded the way the host loads one: LoadLibrary and the
// entry point found by its exported name.
class LoadedPlugin {
public:
    using EntryPoint = intptr_t(__stdcall*)(PluginMessage*);

    explicit LoadedPlugin(const char* path);
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    bool Loaded() const { return entry_ != nullptr; }
    HMODULE Module() const { return module_; }

    intptr_t Send(uint32_t id, int32_t p1 = 0, int32_t p2 = 0, int32_t boardNet = 0);
    intptr_t SendRecord(PluginMessage* record) { return entry_(record); }
    // A 44-byte DrawRequest for board (net, contact), as another plugin sends it.
    intptr_t SendDraw(uint32_t id, int32_t net, int32_t contact, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    // The host's order at start-up: MsgInit, MsgSetColumns, MsgUiPrepare,
    // MsgUiStart; and MsgUiEnd at shutdown.
    void Start(StandInHost& host);
    void Stop();

private:
    HMODULE module_ = nullptr;
    EntryPoint entry_ = nullptr;
};

#endif
