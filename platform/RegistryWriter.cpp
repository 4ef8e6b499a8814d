#include "platform/RegistryWriter.h"

#include "platform/Event.h"
#include "platform/Thread.h"
#include "platform/WaitForAny.h"

#include <exception>
#include <utility>

namespace quarn::registry {
namespace {

// A write of a large hive to a slow disk may take a while; the owner's flush waits for it anyway.
constexpr std::uint32_t kStopWaitMs = 10000;

} // namespace

// Shared with the worker, so that it stays alive for a worker that had to be left running.
struct BackgroundWriter::Shared {
    explicit Shared(std::function<bool()> write) : writeChanges(std::move(write)) {}

    Event changed{EventReset::Auto};
    const std::function<bool()> writeChanges;
};

BackgroundWriter::BackgroundWriter(std::function<bool()> writeChanges)
    : shared_(std::make_shared<Shared>(std::move(writeChanges))) {}

BackgroundWriter::~BackgroundWriter() {
    if (!thread_) {
        return;
    }
    thread_->RequestStop();
    if (!thread_->Join(kStopWaitMs)) {
        thread_->Detach();
    }
}

void BackgroundWriter::Changed() {
    try {
        std::call_once(started_, [this] { StartWorker(); });
    } catch (const std::exception&) {
        // No thread to be had just now: the next change tries again, and the owner's flush writes it.
        return;
    }
    shared_->changed.Set();
}

void BackgroundWriter::StartWorker() {
    // Settings are still written after the program's quit event, so the worker ends on its stop event
    // alone.
    auto worker = std::make_unique<Thread>("Registry", [shared = shared_](Thread& self) {
        while (WaitForAny({self.StopEvent(), shared->changed}, kInfinite) == 1) {
            if (!shared->writeChanges()) {
                shared->changed.Set();
            }
            if (self.StopEvent().Wait(kWriteIntervalMs)) {
                return;
            }
        }
    });
    worker->Start();
    thread_ = std::move(worker);
}

} // namespace quarn::registry
