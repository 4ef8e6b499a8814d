#pragma once

#include <QEvent>
#include <cstdint>
#include <functional>

class QObject;

namespace quarn {

class Event;

// Runs `method` on the GUI thread and returns when it has run there. On the GUI thread itself it is a
// direct call whose exceptions reach the caller. From a worker the call is handed to the hidden
// "QuarnSyncWindow" object as event 0x4411 (magic 0xD3ADB3AF) and the worker blocks until the GUI
// thread has run it; an exception of the method is reported there and not passed back. After the
// GUI loop has ended (or before the window exists) a worker's call returns at once without running it.
//
// This is the one blocking hand-off onto the GUI thread: GUI-side waits for a worker (WaitPumping in
// GlobalU) run these calls while they wait, so a worker inside Synchronize never deadlocks them.
void Synchronize(const std::function<void()>& method);

// Hands `method` to the GUI thread without waiting for it: it runs when the loop next turns, queued
// even when posted there. The same event and hand-over as Synchronize, so what the method reads of the
// poster's writes is ordered for the thread checker too. Without the sync object (before start-up,
// after the loop ended) it is dropped.
void PostToGuiThread(std::function<void()> method);

// True on the thread that runs the Qt GUI loop (the thread that created the QApplication).
bool IsGuiThread();

// The unit's initialisation and finalisation, on the GUI thread: create and destroy the sync object.
// The end of the application's loop (aboutToQuit) or of the application itself closes it as well; a
// later InitializeSynchronize opens it again.
void InitializeSynchronize();
void FinalizeSynchronize();

// The sync object "QuarnSyncWindow", or nullptr while there is none. GUI thread only.
QObject* SyncWindow();

// The event a worker posts to the sync object. One with another magic value does nothing; one
// without a method is a programming error, reported like an exception of the method.
class TSynchronizeEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = QEvent::Type(0x4411);
    static constexpr std::uint32_t kMagic = 0xD3ADB3AF;

    TSynchronizeEvent(std::uint32_t magic, std::function<void()> method);

    std::uint32_t magic() const { return magic_; }
    const std::function<void()>& method() const { return method_; }

private:
    std::uint32_t magic_;
    std::function<void()> method_;
};

// For GUI-side waits: set while workers may have posted calls since the last dispatch, and the
// dispatch itself (runs the posted calls, nothing else). GUI thread only.
const Event& PendingSynchronizeCallsEvent();
void DispatchPendingSynchronizeCalls();

} // namespace quarn
