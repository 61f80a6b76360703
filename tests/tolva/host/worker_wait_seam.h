// TestShortenWorkerWait(ms) for the test hosts: makes every worker started
// afterwards wait `ms` milliseconds for readiness instead of an hour,
// through the module's own variable for this (nothing else sets it).
#ifndef TESTS_TOLVA_HOST_WORKER_WAIT_SEAM_H
#define TESTS_TOLVA_HOST_WORKER_WAIT_SEAM_H

namespace LuaPlus {
class LuaState;
class LuaStackObject;
}  // namespace LuaPlus

// Answers true once written, nothing when the module has no such variable
// or `ms` is not a positive number.
int TestShortenWorkerWait(LuaPlus::LuaState* state, LuaPlus::LuaStackObject* args);

#endif
