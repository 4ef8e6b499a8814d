#pragma once

#include <functional>

namespace quarn {

// Work that must reach the disk even when the process ends at once, as "Quarn &beenden" in the exception
// report ends it: the batched writes of a part that lives above the foundation (the station database).
// A hook is registered for as long as its object lives; its owner keeps it while there is work to save.
class TImmediateExitHook {
public:
    explicit TImmediateExitHook(std::function<void()> action);
    ~TImmediateExitHook();
    TImmediateExitHook(const TImmediateExitHook&) = delete;
    TImmediateExitHook& operator=(const TImmediateExitHook&) = delete;

private:
    unsigned long id_;
};

// Runs every registered hook (in the order they came; one that fails does not stop the others), writes
// the settings not yet on disk, then ends the process with `exitCode` at once: no shut-down step runs,
// so "Dirty" stays set for the next start.
[[noreturn]] void ImmediateExit(int exitCode);

} // namespace quarn
