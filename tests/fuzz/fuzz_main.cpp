// The board plugin's fuzzer and leak soak.
//
//   oboard_fuzz --seeds 1-4 --steps 400 [--hang 120]
//       runs each seed in a child process of its own and watches it: a
//       fault, a broken invariant or a step that does not finish within the
//       hang limit (seconds) is reported with the seed and step, and the
//       command that replays it.
//   oboard_fuzz --seed 3 --steps 117 [--trace]
//       replays one seed in this process, printing every step with --trace.
//   oboard_fuzz --leak 100
//       board cycles with a census of GDI and USER objects before and after.
//
// Exits 0 when everything held.
#include "board_fuzzer.h"
#include "leak_soak.h"
#include "plugin_session.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Shared with the child running a seed: where it is and what it does. The
// parent keeps the mapping, so what the child wrote last survives it.
struct Progress {
    volatile LONG step;
    volatile LONG finished;
    volatile LONG exceptionCode;
    volatile LONG exceptionAddress;
    char doing[1024];
    char failure[1024];
};

Progress* gChildProgress = nullptr;

const int ExitInvariant = 3;
const int ExitException = 4;

void Copy(char (&target)[1024], const std::string& text)
{
    std::strncpy(target, text.c_str(), sizeof target - 1);
    target[sizeof target - 1] = 0;
}

LONG WINAPI ReportFault(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    // Which module the fault happened in, to start the search there.
    HMODULE module = nullptr;
    char path[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(record.ExceptionAddress), &module))
        GetModuleFileNameA(module, path, sizeof path);
    std::fprintf(stderr, "fuzz: exception 0x%08lX at %p (%s + 0x%lX), reading %p\n",
                 static_cast<unsigned long>(record.ExceptionCode), record.ExceptionAddress, path,
                 static_cast<unsigned long>(static_cast<const char*>(record.ExceptionAddress) -
                                            reinterpret_cast<const char*>(module)),
                 record.NumberParameters > 1 ? reinterpret_cast<void*>(record.ExceptionInformation[1]) : nullptr);
    std::fflush(stderr);
    if (gChildProgress) {
        gChildProgress->exceptionCode = static_cast<LONG>(exception->ExceptionRecord->ExceptionCode);
        gChildProgress->exceptionAddress =
            static_cast<LONG>(reinterpret_cast<intptr_t>(exception->ExceptionRecord->ExceptionAddress));
    }
    TerminateProcess(GetCurrentProcess(), ExitException);
    return EXCEPTION_EXECUTE_HANDLER;
}

struct Options {
    uint32_t firstSeed = 1, lastSeed = 1;
    int steps = 200;
    int hangSeconds = 120;
    int leakCycles = 0;
    bool supervise = false, trace = false;
    std::string child;  // mapping name of a child's progress
};

bool Parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--trace") {
            options.trace = true;
            continue;
        }
        if (!value)
            return false;
        ++i;
        if (arg == "--seeds") {
            options.supervise = true;
            options.firstSeed = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
            const char* dash = std::strchr(value, '-');
            options.lastSeed = dash ? static_cast<uint32_t>(std::strtoul(dash + 1, nullptr, 10)) : options.firstSeed;
        } else if (arg == "--seed") {
            options.firstSeed = options.lastSeed = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
        } else if (arg == "--steps") {
            options.steps = std::atoi(value);
        } else if (arg == "--hang") {
            options.hangSeconds = std::atoi(value);
        } else if (arg == "--leak") {
            options.leakCycles = std::atoi(value);
        } else if (arg == "--child") {
            options.child = value;
        } else {
            return false;
        }
    }
    return options.lastSeed >= options.firstSeed && options.steps > 0;
}

std::string Summary(uint32_t seed, int steps, const FuzzStats& s)
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "seed %u: %d steps, %d messages, %d drawing requests, %d window steps, %d re-entries, up to %d "
                  "boards",
                  seed, steps, s.messages, s.draws, s.windowSteps, s.reentries, s.mostBoards);
    return text;
}

// Runs one seed in this process. With `progress`, reports there; else
// prints. 0, or ExitInvariant.
int RunSeed(uint32_t seed, int steps, bool trace, Progress* progress)
{
    PluginSession session("fuzz" + std::to_string(seed));
    if (!session.Loaded()) {
        std::fprintf(stderr, "fuzz: cannot load a copy of oboard.dll\n");
        return 1;
    }
    BoardFuzzer fuzzer(session, seed);
    for (int step = 1; step <= steps; ++step) {
        if (progress)
            progress->step = step;
        std::string last;
        auto describe = [&](const std::string& doing) {
            last = doing;
            if (progress)
                Copy(progress->doing, doing);
            if (trace) {
                std::printf("step %d: ... %s\n", step, doing.c_str());
                std::fflush(stdout);
            }
        };
        const bool held = fuzzer.Step(describe);
        if (trace) {
            std::printf("step %d: %s\n", step, last.c_str());
            std::fflush(stdout);
        }
        if (!held) {
            if (progress) {
                Copy(progress->failure, fuzzer.Failure());
            } else {
                std::printf("seed %u step %d: %s\n", seed, step, fuzzer.Failure().c_str());
            }
            return ExitInvariant;
        }
    }
    if (progress) {
        Copy(progress->failure, Summary(seed, steps, fuzzer.Stats()));
        progress->finished = 1;
    } else {
        std::printf("%s\n", Summary(seed, steps, fuzzer.Stats()).c_str());
    }
    return 0;
}

// A seed in a child process, watched. True when it finished and held.
bool SuperviseSeed(uint32_t seed, const Options& options)
{
    const std::string name = "oboard_fuzz_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(seed);
    HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Progress), name.c_str());
    auto progress = static_cast<Progress*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Progress)));
    if (!progress) {
        std::printf("fuzz: no shared memory for seed %u\n", seed);
        return false;
    }
    std::memset(progress, 0, sizeof *progress);

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --child " + name + " --seed " + std::to_string(seed) +
        " --steps " + std::to_string(options.steps);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) {
        std::printf("fuzz: cannot start the child for seed %u (error %lu)\n", seed, GetLastError());
        return false;
    }

    // A step that does not move on within the limit is a hang.
    LONG lastStep = -1;
    DWORD since = GetTickCount();
    bool hung = false;
    while (WaitForSingleObject(child.hProcess, 500) == WAIT_TIMEOUT) {
        if (progress->step != lastStep) {
            lastStep = progress->step;
            since = GetTickCount();
        } else if (GetTickCount() - since > static_cast<DWORD>(options.hangSeconds) * 1000) {
            hung = true;
            TerminateProcess(child.hProcess, 1);
            WaitForSingleObject(child.hProcess, INFINITE);
            break;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);

    const bool passed = !hung && code == 0 && progress->finished;
    if (passed) {
        std::printf("fuzz %s\n", progress->failure);
    } else {
        std::printf("FAILED seed %u step %ld: ", seed, static_cast<long>(progress->step));
        if (hung)
            std::printf("no progress for %d s (a hang)\n", options.hangSeconds);
        else if (code == static_cast<DWORD>(ExitException))
            std::printf("exception 0x%08lX at 0x%08lX\n", static_cast<unsigned long>(progress->exceptionCode),
                        static_cast<unsigned long>(progress->exceptionAddress));
        else if (code == static_cast<DWORD>(ExitInvariant))
            std::printf("%s\n", progress->failure);
        else
            std::printf("the child ended with code 0x%08lX\n", code);
        std::printf("  the step: %s\n", progress->doing);
        std::printf("  replay:   scripts/with-wine wine build/bin/oboard_fuzz.exe --seed %u --steps %ld --trace\n",
                    seed, static_cast<long>(progress->step));
    }
    std::fflush(stdout);
    UnmapViewOfFile(progress);
    CloseHandle(mapping);
    return passed;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: oboard_fuzz --seeds A-B --steps N [--hang S] | --seed S --steps N [--trace] | "
                     "--leak CYCLES\n");
        return 2;
    }
    if (options.leakCycles > 0)
        return RunLeakSoak(options.leakCycles);

    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(ReportFault);
    if (!options.child.empty()) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, options.child.c_str());
        gChildProgress = static_cast<Progress*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Progress)));
        if (!gChildProgress)
            return 1;
        return RunSeed(options.firstSeed, options.steps, false, gChildProgress);
    }
    if (!options.supervise)
        return RunSeed(options.firstSeed, options.steps, options.trace, nullptr);

    int failed = 0, seeds = 0;
    for (uint32_t seed = options.firstSeed; seed <= options.lastSeed; ++seed, ++seeds)
        failed += !SuperviseSeed(seed, options);
    std::printf("fuzz: %d seeds of %d steps: %d passed, %d failed\n", seeds, options.steps, seeds - failed, failed);
    return failed ? 1 : 0;
}
