#pragma once

#include <functional>

namespace quarn {

// Runs `method` on the GUI thread and returns when it has run there. On the GUI thread itself it is a
// direct call whose exceptions reach the caller. From a worker the call is handed to the hidden
// "QuarnSyncWindow" object as event 0x4411 (magic 0xD3ADB3AF) and the worker blocks until the GUI
// thread has run it; an exception of the method is reported there and not passed back. After the
// GUI loop has ended (or before the window exists) a worker's call returns at once without running it.
void Synchronize(const std::function<void()>& method);

// True on the thread that runs the Qt GUI loop (the thread that created the QApplication).
bool IsGuiThread();

// The unit's initialisation and finalisation, on the GUI thread: create and destroy the sync object.
void InitializeSynchronize();
void FinalizeSynchronize();

} // namespace quarn
