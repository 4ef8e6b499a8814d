#pragma once

#include "devices/flexnet/AgwFrame.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace quarn::test {

// Collects the messages an AGW client receives, so a test can wait for the one it expects.
class AgwFrameLog {
public:
    void Add(const AgwFrame& frame) {
        const std::lock_guard lock(mutex_);
        frames_.push_back(frame);
        changed_.notify_all();
    }

    // The first message that matches, waiting up to the time-out for it.
    std::optional<AgwFrame> WaitFor(const std::function<bool(const AgwFrame&)>& match,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
        std::unique_lock lock(mutex_);
        std::optional<AgwFrame> found;
        changed_.wait_for(lock, timeout, [&] {
            for (const AgwFrame& frame : frames_) {
                if (match(frame)) {
                    found = frame;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    // The data of every message of that kind, joined, once it reached `length` bytes (or what came).
    std::string WaitForData(char kind, std::size_t length,
                            std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex_);
        std::string joined;
        changed_.wait_for(lock, timeout, [&] {
            joined.clear();
            for (const AgwFrame& frame : frames_) {
                if (frame.kind == kind) {
                    joined += frame.data;
                }
            }
            return joined.size() >= length;
        });
        return joined;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<AgwFrame> frames_;
};

} // namespace quarn::test
