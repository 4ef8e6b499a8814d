#pragma once

#include "foundation/QueueU.h"
#include "platform/AudioPlayer.h"
#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "platform/Thread.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quarn {

// One sound to play, owned by the queue until the player is done with it.
struct TPlayRequest {
    std::uint8_t event = 0;
    std::uint8_t signal = 0;
    std::string waveFile; // Windows-1252
    std::uint8_t announcement = 0;
};

// What the sounds object and its player thread share; it lives until both let go, so a player that
// missed its time limit still finds it.
struct TPlaySeqShared {
    explicit TPlaySeqShared(std::unique_ptr<IAudioSink> sink) : player(std::move(sink)) {}

    CriticalSection lock;
    TQueue<TPlayRequest> queue;
    // 0 idle, 1 playing a low-priority event, 2 playing another one; under `lock`.
    std::uint8_t state = 0;
    // Used by the player thread only.
    TAudioPlayer player;
};

// The one thread that plays the queued requests one after another. It ends on the program's quit event
// or its own stop request, also in the middle of a sound.
class TPlaySeqThread {
public:
    explicit TPlaySeqThread(std::shared_ptr<TPlaySeqShared> shared);
    // Stops the thread and waits for it (Shutdown) unless that was done already.
    ~TPlaySeqThread();
    TPlaySeqThread(const TPlaySeqThread&) = delete;
    TPlaySeqThread& operator=(const TPlaySeqThread&) = delete;

    // Asks the thread to stop and waits at most `timeoutMs` for it, running the GUI thread's hand-offs
    // meanwhile; a thread still running then is traced and left to end by itself. True when it ended.
    bool Shutdown(std::uint32_t timeoutMs = kShutdownTimeoutMs);

    static constexpr std::uint32_t kShutdownTimeoutMs = 8000;

private:
    std::shared_ptr<TPlaySeqShared> shared_;
    std::shared_ptr<Event> ended_;
    Thread thread_;
    bool shutDown_ = false;
};

} // namespace quarn
