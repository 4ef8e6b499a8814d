#pragma once

// The state the database shares with the entries it hands out: the open file, the cache and the lock.
// Each handed-out entry keeps it alive through its deleter, so an entry released after the database
// has gone still finds its cache slot.

#include "platform/CompoundStorage.h"
#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "stations/StationenDatenbankU.h"

#include <map>
#include <memory>
#include <string>

namespace quarn {

struct TStationenDatenbankCore {
    struct Slot {
        std::unique_ptr<TStationenDatenbankEintrag> entry;
        // The current counted handle; expired once its last reference went (its deleter may still be
        // waiting for the lock).
        std::weak_ptr<TStationenDatenbankEintrag> handle;
    };

    CriticalSection lock;
    // Set by every change of the tree; declared before `file`, which calls it.
    Event changed{EventReset::Auto};
    std::unique_ptr<CompoundFile> file;
    std::shared_ptr<IStorage> root;
    std::map<std::string, Slot> cache; // by upper-case call sign
    bool open = false;
    std::unique_ptr<Thread> flusher;
};

// Under the core's lock: a new counted handle on the slot's entry.
std::shared_ptr<IStationenDatenbankEintrag> HandOut(const std::shared_ptr<TStationenDatenbankCore>& core,
                                                    const std::string& call,
                                                    TStationenDatenbankCore::Slot& slot);

// Opening steps, in StationenDatenbankOpen.cpp.
std::filesystem::path DefaultLegacyFile();
[[noreturn]] void ThrowOpenFailure(StgError error);

} // namespace quarn
