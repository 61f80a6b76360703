// LuaPlus: a C++ object binding of the Lua 5.1 runtime, built into
// LuaPlus.dll together with the runtime itself.
//
// Threads: every Lua universe (a state created by LuaState::Create and all
// its threads) has one recursive lock. The runtime holds it while Lua code
// runs and releases it around every C function it calls, so a script
// function that blocks lets other OS threads into the state. Other OS
// threads must never use the script's own LuaState; they make their own Lua
// thread with NewThread and call through it.
#ifndef LUAPLUS_LUAPLUS_H
#define LUAPLUS_LUAPLUS_H

#include <stddef.h>

#ifdef LUAPLUS_BUILDING_DLL
#define LUAPLUS_CLASS __declspec(dllexport)
#else
#define LUAPLUS_CLASS __declspec(dllimport)
#endif

struct lua_State;

namespace LuaPlus {

class LuaState;
class LuaObject;
class LuaStackObject;
class LuaCall;

// The shape of a script function written in C++: args[n] is argument n of
// the script call (stack index n, from 1; args[0] is unused). It pushes its
// results on the state and returns how many it pushed. The array belongs to
// the binding: read it, do not write into it.
typedef int (*LuaStateCFunction)(LuaState* state, LuaStackObject* args);

// The runtime's own shape of a C function, called with no argument array
// (LuaState::CastState gives its state).
typedef int (*LuaCFunction)(lua_State* L);

// Type codes, the same as Lua's.
enum LuaType {
    TypeNone = -1,
    TypeNil = 0,
    TypeBoolean = 1,
    TypeLightUserData = 2,
    TypeNumber = 3,
    TypeString = 4,
    TypeTable = 5,
    TypeFunction = 6,
    TypeUserData = 7,
    TypeThread = 8
};

// One slot of a state's stack. Type tests are strict: a numeric string is
// not a number and a number is not a string.
class LUAPLUS_CLASS LuaStackObject {
public:
    LuaStackObject();
    LuaStackObject(LuaState* state, int index);

    LuaState* GetState() const { return state_; }
    int GetIndex() const { return index_; }

    int GetType() const;
    bool IsNone() const;
    bool IsNil() const;
    bool IsNumber() const;
    bool IsString() const;
    bool IsBoolean() const;
    bool IsFunction() const;
    bool IsTable() const;

    // The number with its fraction dropped, clamped to the int range; 0 for
    // anything that is not a number.
    int GetInteger() const;
    // The number in single precision; 0 for anything that is not a number.
    float GetNumber() const;
    // The number in full precision.
    double GetDouble() const;
    // Zero-terminated text (valid while the value stays on the stack), or
    // null if the value is neither a string nor a number.
    const char* GetString() const;
    // Length in bytes of a string value, zero bytes included.
    size_t GetStringLength() const;
    bool GetBoolean() const;

private:
    LuaState* state_;
    int index_;
};

// A Lua thread (the main one, a coroutine or a worker's thread) seen from
// C++. The object of a lua_State lives as long as that Lua thread.
class LUAPLUS_CLASS LuaState {
public:
    // A new universe, with the standard libraries opened when asked.
    static LuaState* Create(bool initStandardLibrary = true);
    // Closes a universe made by Create. Every other thread of it must have
    // stopped calling into it.
    static void Destroy(LuaState* state);
    // The object bound to a lua_State (made on first use).
    static LuaState* CastState(lua_State* L);

    lua_State* GetCState() const { return L_; }
    // The main thread of this universe.
    LuaState* GetMainState() const;

    // --- globals and objects
    LuaObject GetGlobals();
    LuaObject GetGlobal(const char* name);
    LuaObject GetRegistry();
    LuaObject CreateTable();

    // --- the stack
    int GetTop();
    void SetTop(int index);
    void Pop(int count = 1);
    void RemoveStack(int index);  // removes one slot, shifting those above it
    LuaStackObject Stack(int index);
    void PushNil();
    void PushNumber(double value);
    void PushInteger(int value);
    void PushBoolean(bool value);
    void PushString(const char* text);
    void PushLString(const char* data, size_t length);

    // --- running code
    // Protected call of the function below `argumentCount` arguments on top
    // of the stack. 0 on success with `resultCount` results pushed; otherwise
    // a non-zero code with the error message pushed. Nothing escapes.
    int PCall(int argumentCount, int resultCount, int errorFunction = 0);
    // Loads a file or text as a function pushed on the stack; 0 on success,
    // else a non-zero code with the error message pushed.
    int LoadFile(const char* path);
    int LoadText(const char* text);  // (not LoadString: a windows.h macro)

    // --- threads of other OS threads
    // A new Lua thread of this universe, kept from collection until
    // DestroyThread. Meant for one other OS thread, which calls through it
    // (GetGlobal, a LuaCall, PCall) and so never touches this state's stack.
    LuaState* NewThread();
    // Lets the thread be collected; the object must not be used afterwards.
    static void DestroyThread(LuaState* thread);

    // Makes the Lua code running on this thread raise the error
    // "interrupted" at its next step, and any it runs later, as an
    // interpreter interrupts a running chunk. Meant for another OS thread:
    // it needs no lock, so it reaches code that holds the lock for good.
    // It does not reach a coroutine that this thread resumed: see
    // InterruptOsThread.
    void Interrupt();

    // Marks an OS thread (its id) in this universe: whatever Lua code it runs
    // here raises the error "interrupted", in the Lua thread it runs now and
    // in any coroutine it resumes, at the next loop step (a jump) or resume,
    // also code that catches the error, until EndOsThreadInterrupt. Lua code
    // of other OS threads runs on, even in the same Lua threads. Needs no
    // lock, like Interrupt. False when 64 marks are held in the process
    // already (all universes together).
    bool InterruptOsThread(unsigned long osThreadId);
    // Lifts the mark: that OS thread's Lua code runs normally again, also in
    // the Lua threads the mark reached. Call it before the OS thread ends,
    // whose id may be given to a new one. Not for the same id at once with
    // InterruptOsThread on another OS thread.
    void EndOsThreadInterrupt(unsigned long osThreadId);

    // The universe's recursive lock. The runtime takes it by itself for each
    // operation; hold it to make several operations one step for other
    // threads. Never hold it across a call into a blocking script function:
    // the runtime releases it only once around C functions.
    void Lock();
    void Unlock();

private:
    explicit LuaState(lua_State* L);
    ~LuaState();
    LuaState(const LuaState&);
    LuaState& operator=(const LuaState&);
    friend void ReleaseStateObject(void* binding, int isMainThread);
    friend class ScriptFunctionDispatch;

    // Script functions called with fewer arguments get this many entries,
    // so that reading a few past the last one given sees "none".
    static const int FixedArgumentCount = 16;

    lua_State* L_;
    int threadReference_;  // registry reference anchoring a NewThread thread
    // The argument array of every script function called on this thread
    // with fewer than FixedArgumentCount arguments: entry n names stack slot
    // n. Its entries never change, so it is made once, with the object, and
    // nested calls share it.
    LuaStackObject arguments_[FixedArgumentCount];
};

// Holds the universe's lock for a scope.
class LuaAutoLock {
public:
    explicit LuaAutoLock(LuaState* state) : state_(state) { state_->Lock(); }
    ~LuaAutoLock() { state_->Unlock(); }

private:
    LuaAutoLock(const LuaAutoLock&);
    LuaAutoLock& operator=(const LuaAutoLock&);
    LuaState* state_;
};

// A reference to a Lua value, held in the registry. Its stack operations go
// to the state it was obtained from.
class LUAPLUS_CLASS LuaObject {
public:
    LuaObject();
    explicit LuaObject(LuaState* state);  // nil in a state
    LuaObject(const LuaStackObject& stackObject);
    LuaObject(const LuaObject& other);
    ~LuaObject();
    LuaObject& operator=(const LuaObject& other);
    LuaObject& operator=(const LuaStackObject& stackObject);

    LuaState* GetState() const { return state_; }
    void Reset();
    // Pushes the value on its state's stack, or on another thread's stack of
    // the same universe.
    void Push() const;
    void Push(LuaState* onto) const;

    int GetType() const;
    bool IsNil() const;
    bool IsNumber() const;
    bool IsString() const;
    bool IsBoolean() const;
    bool IsFunction() const;  // true only for a callable function
    bool IsTable() const;

    bool GetBoolean() const;
    double GetNumber() const;
    int GetInteger() const;
    // Text that stays valid while this object holds the string.
    const char* GetString() const;

    // Table access.
    LuaObject GetByName(const char* key) const;
    LuaObject GetByIndex(int key) const;
    void SetNumber(const char* key, double value);
    void SetString(const char* key, const char* value);
    void SetString(int key, const char* value);
    void SetBoolean(const char* key, bool value);
    void SetObject(const char* key, const LuaObject& value);
    // Makes `name` a field of this table holding a script function.
    void Register(const char* name, LuaStateCFunction function);
    // The same for a function of the runtime's shape, which the runtime
    // calls directly.
    void RegisterCFunction(const char* name, LuaCFunction function);

    // Starts a call of this function: pushes it; arguments follow with <<.
    LuaCall operator()() const;

private:
    void Assign(LuaState* state, int stackIndex);
    LuaState* state_;
    int reference_;
};

// A call being set up: the function is pushed, each << pushes one argument
// and counts it; PCall or LuaState::PCall runs it.
class LUAPLUS_CLASS LuaCall {
public:
    explicit LuaCall(const LuaObject& function);

    LuaCall& operator<<(double value);
    LuaCall& operator<<(int value);
    LuaCall& operator<<(bool value);
    LuaCall& operator<<(const char* text);
    LuaCall& operator<<(const LuaObject& value);

    int ArgumentCount() const { return argumentCount_; }
    LuaState* GetState() const { return state_; }
    // Protected call with the counted arguments (see LuaState::PCall).
    int PCall(int resultCount);

private:
    LuaState* state_;
    int argumentCount_;
};

}  // namespace LuaPlus

#endif
