#pragma once

#include <chrono>
#include <thread>

namespace quarn::test {

// Wall-clock milliseconds since `start`, for tests that bound how long a wait may take.
inline long long msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

// Polls `condition` every 2 ms until it holds (true) or `limitMs` have passed (false).
template <typename Condition> bool WaitFor(Condition condition, long long limitMs = 10000) {
    const auto start = std::chrono::steady_clock::now();
    while (!condition()) {
        if (msSince(start) > limitMs) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace quarn::test
