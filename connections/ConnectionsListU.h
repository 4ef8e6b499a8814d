#pragma once

#include "platform/CriticalSection.h"

#include <memory>
#include <vector>

namespace quarn {

class IVerbindung;

// The single registry of open connections, through which devices, the main window and the automation
// objects find a connection. It records membership only: its lock is never held across TNC traffic or
// a call onto the GUI thread, so any thread may take it without waiting on either.
//
// Every operation takes the lock itself. A caller that walks the list holds it around its Count/Get
// loop (a ScopedLock); the lock is re-entrant on the same thread.
class TConnectionsList final {
public:
    // Only one list may exist at a time.
    TConnectionsList();
    ~TConnectionsList();
    TConnectionsList(const TConnectionsList&) = delete;
    TConnectionsList& operator=(const TConnectionsList&) = delete;

    // The list while it exists; null before and after.
    static TConnectionsList* Instance();

    // Nothing when the connection is listed already; a null connection is a programming error.
    void Add(std::shared_ptr<IVerbindung> connection);
    // Nothing when the connection is not listed.
    void Remove(const std::shared_ptr<IVerbindung>& connection);
    int Count() const;
    // 0 <= index < Count().
    std::shared_ptr<IVerbindung> Get(int index) const;

    void Lock() const;
    void Unlock() const;

    class ScopedLock {
    public:
        explicit ScopedLock(const TConnectionsList& list) : list_(list) { list_.Lock(); }
        ~ScopedLock() { list_.Unlock(); }
        ScopedLock(const ScopedLock&) = delete;
        ScopedLock& operator=(const ScopedLock&) = delete;

    private:
        const TConnectionsList& list_;
    };

private:
    mutable CriticalSection lock_;
    std::vector<std::shared_ptr<IVerbindung>> connections_;
};

} // namespace quarn
