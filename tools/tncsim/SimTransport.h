#pragma once

#include "platform/Clock.h"
#include "tools/tncsim/TncSimCore.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace quarn::tncsim {

// How a read that finds too few bytes ends.
enum class SimTiming {
    // At once, with what is there: the simulator answers every frame before the write returns, so
    // nothing more would come. The time-out is charged to `clock` (a test clock) when one is given.
    Instant,
    // After the host-mode time-outs of a serial line, woken early by the simulator's output.
    Real,
};

// The byte transport of a host-mode device straight on a simulator core, in-process. One adapter per core.
class SimTransport {
public:
    explicit SimTransport(TncSimCore& core, SimTiming timing = SimTiming::Instant, IClock* clock = nullptr);
    ~SimTransport();
    SimTransport(const SimTransport&) = delete;
    SimTransport& operator=(const SimTransport&) = delete;

    bool Open();
    bool Close();
    bool IsOpen() const;
    // How many opens succeeded.
    int Opens() const;
    // Feeds the core, then waits the core's exchange time for each frame completed (charged to the test
    // clock when Instant).
    bool Write(const char* data, std::size_t count, std::size_t& written);
    // Fewer bytes than asked: the time-out passed, or `stop` said so.
    bool Read(char* buffer, std::size_t count, std::size_t& read, const std::function<bool()>& stop = {});
    void Purge();
    void SetFast(bool fast);
    // The open fails while set, as a missing port would.
    void SetOpenFails(bool fails);
    // The next `count` writes fail, as on a line that went away.
    void FailNextWrites(int count);
    // Ends a waiting read now.
    void Wake();

    // The host-mode time-out of a read of `count` bytes.
    std::uint32_t ReadTimeoutMs(std::size_t count) const;

private:
    struct Signal {
        std::mutex mutex;
        std::condition_variable changed;
        std::uint64_t count = 0;
    };

    TncSimCore& core_;
    SimTiming timing_;
    IClock* clock_;
    std::shared_ptr<Signal> signal_ = std::make_shared<Signal>();
    mutable std::mutex stateMutex_;
    bool open_ = false;
    int opens_ = 0;
    bool fast_ = false;
    bool openFails_ = false;
    int failWrites_ = 0;
};

} // namespace quarn::tncsim
