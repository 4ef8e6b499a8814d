#pragma once

#include "platform/Event.h"
#include "platform/WaitForAny.h"

#include <cstdint>
#include <initializer_list>
#include <span>

namespace quarn {

// ---- Shut-down signal ------------------------------------------------------------------------------

// The process-wide manual-reset event, set once at shut-down and never reset. Every blocking point of a
// worker waits on it (WaitForAny) beside its own handles. It exists from the first call on, which the
// start-up makes before any worker thread is started.
Event& QuitEvent();

// ---- GUI-thread waits ------------------------------------------------------------------------------

// Keeps the windows painted during long work on the GUI thread: paints what is due now. It handles
// nothing else, so a quit request or user input waits for the loop.
void ProcessPaintMessages();

// The wait of GUI-thread code that waits for a worker: like WaitForAny, but while it waits it runs the
// workers' Synchronize calls as they come and keeps the windows painted, so a worker that is inside
// Synchronize can finish. On another thread it is a plain WaitForAny.
int WaitPumping(std::span<const WaitHandle> handles, std::uint32_t timeoutMs);
inline int WaitPumping(std::initializer_list<WaitHandle> handles, std::uint32_t timeoutMs) {
    return WaitPumping(std::span<const WaitHandle>(handles.begin(), handles.size()), timeoutMs);
}

} // namespace quarn
