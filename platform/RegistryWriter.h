#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace quarn {
class Thread;
}

namespace quarn::registry {

// Puts a store's changes on disk away from the threads that make them, mostly the GUI thread. The first
// change after a quiet spell is written at once; the changes that follow it are gathered and written at
// most every kWriteIntervalMs, so a crash loses no more than the changes of that last interval. The
// worker starts with the first change, so a store that is only read never has one. A write that fails is
// tried again after the interval.
class BackgroundWriter {
public:
    static constexpr std::uint32_t kWriteIntervalMs = 200;

    // `writeChanges` puts everything changed so far on disk, false when some of it did not get there; it
    // runs on the worker.
    explicit BackgroundWriter(std::function<bool()> writeChanges);
    // Stops the worker, letting a write under way end first; what is still unwritten then is the
    // owner's to flush.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Tells the worker that there is something to write; cheap, and safe from any thread.
    void Changed();

private:
    void StartWorker();

    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::once_flag started_;
    std::unique_ptr<Thread> thread_;
};

} // namespace quarn::registry
