#pragma once

#include <chrono>

namespace quarn::test {

// Wall-clock milliseconds since `start`, for tests that bound how long a wait may take.
inline long long msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace quarn::test
