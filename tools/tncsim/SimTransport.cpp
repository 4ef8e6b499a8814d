#include "tools/tncsim/SimTransport.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace quarn::tncsim {

namespace {

constexpr std::uint32_t kByteGapMs = 500;

} // namespace

SimTransport::SimTransport(TncSimCore& core, SimTiming timing, IClock* clock)
    : core_(core), timing_(timing), clock_(clock) {
    // The signal is shared so that a late call of the listener finds it alive.
    core_.SetOutputListener([signal = signal_] {
        {
            const std::lock_guard lock(signal->mutex);
            ++signal->count;
        }
        signal->changed.notify_all();
    });
}

SimTransport::~SimTransport() {
    core_.SetOutputListener({});
}

bool SimTransport::Open() {
    const std::lock_guard lock(stateMutex_);
    if (openFails_) {
        return false;
    }
    open_ = true;
    ++opens_;
    return true;
}

int SimTransport::Opens() const {
    const std::lock_guard lock(stateMutex_);
    return opens_;
}

bool SimTransport::Close() {
    const std::lock_guard lock(stateMutex_);
    return std::exchange(open_, false);
}

bool SimTransport::IsOpen() const {
    const std::lock_guard lock(stateMutex_);
    return open_;
}

void SimTransport::SetFast(bool fast) {
    const std::lock_guard lock(stateMutex_);
    fast_ = fast;
}

void SimTransport::FailNextWrites(int count) {
    const std::lock_guard lock(stateMutex_);
    failWrites_ = count;
}

void SimTransport::SetOpenFails(bool fails) {
    const std::lock_guard lock(stateMutex_);
    openFails_ = fails;
}

std::uint32_t SimTransport::ReadTimeoutMs(std::size_t count) const {
    const std::lock_guard lock(stateMutex_);
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(count, 100000));
    return fast_ ? 50 + 5 * n : 500 + 50 * n;
}

bool SimTransport::Write(const char* data, std::size_t count, std::size_t& written) {
    written = 0;
    {
        const std::lock_guard lock(stateMutex_);
        if (!open_) {
            return false;
        }
        if (failWrites_ > 0) {
            --failWrites_;
            return false;
        }
    }
    const int frames = core_.Feed(std::string_view(data, count));
    written = count;
    if (const std::uint32_t delayMs = core_.ExchangeDelayMs() * static_cast<std::uint32_t>(frames);
        delayMs > 0) {
        if (timing_ == SimTiming::Real) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        } else if (clock_ != nullptr) {
            clock_->SleepMs(delayMs);
        }
    }
    return true;
}

void SimTransport::Purge() {
    core_.DropOutput();
}

void SimTransport::Wake() {
    {
        const std::lock_guard lock(signal_->mutex);
        ++signal_->count;
    }
    signal_->changed.notify_all();
}

bool SimTransport::Read(char* buffer, std::size_t count, std::size_t& read,
                        const std::function<bool()>& stop) {
    read = 0;
    if (!IsOpen()) {
        return false;
    }
    const auto pull = [&] {
        const std::string bytes = core_.Take(count - read);
        std::copy(bytes.begin(), bytes.end(), buffer + read);
        read += bytes.size();
        return !bytes.empty();
    };
    pull();
    if (read == count) {
        return true;
    }
    const std::uint32_t timeoutMs = ReadTimeoutMs(count);
    if (timing_ == SimTiming::Instant) {
        if (clock_ != nullptr) {
            clock_->SleepMs(timeoutMs);
            pull();
        }
        return true;
    }
    bool fast = false;
    {
        const std::lock_guard lock(stateMutex_);
        fast = fast_;
    }
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    auto gapDeadline = steady_clock::now() + milliseconds(kByteGapMs);
    while (read < count) {
        if (stop && stop()) {
            break;
        }
        const auto now = steady_clock::now();
        if (now >= deadline || (!fast && read > 0 && now >= gapDeadline)) {
            break;
        }
        {
            std::unique_lock lock(signal_->mutex);
            const std::uint64_t seen = signal_->count;
            // Short slices: the stop request is polled, and timed events of the core come due.
            signal_->changed.wait_for(lock, milliseconds(5), [&] { return signal_->count != seen; });
        }
        if (pull()) {
            gapDeadline = steady_clock::now() + milliseconds(kByteGapMs);
        }
    }
    return true;
}

} // namespace quarn::tncsim
