#include "foundation/GlobalU.h"

#include "foundation/SynchronizeU.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <vector>

namespace quarn {

// ---- Shut-down signal ------------------------------------------------------------------------------

Event& QuitEvent() {
    static Event quit(EventReset::Manual, false);
    return quit;
}

// ---- GUI-thread waits ------------------------------------------------------------------------------

namespace {

// A GUI thread that waits repaints at least this often.
constexpr std::uint32_t kPumpStepMs = 50;

} // namespace

void ProcessPaintMessages() {
    if (!IsGuiThread()) {
        return;
    }
    // Widgets ask for a repaint with a posted UpdateRequest to their window; sending just those paints
    // the dirty regions now and leaves every other posted event where it is.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

int WaitPumping(std::span<const WaitHandle> handles, std::uint32_t timeoutMs) {
    if (!IsGuiThread()) {
        return WaitForAny(handles, timeoutMs);
    }
    std::vector<WaitHandle> all(handles.begin(), handles.end());
    all.emplace_back(PendingSynchronizeCallsEvent());
    const auto callsIndex = static_cast<int>(handles.size());

    using SteadyClock = std::chrono::steady_clock;
    const auto start = SteadyClock::now();
    for (;;) {
        DispatchPendingSynchronizeCalls();
        ProcessPaintMessages();
        std::uint32_t step = kPumpStepMs;
        if (timeoutMs != kInfinite) {
            const auto elapsed =
                std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start);
            if (elapsed.count() >= timeoutMs) {
                return WaitForAny(handles, 0);
            }
            step = std::min<std::uint32_t>(step, timeoutMs - static_cast<std::uint32_t>(elapsed.count()));
        }
        const int result = WaitForAny(all, step);
        if (result != kWaitTimeout && result != callsIndex) {
            return result;
        }
    }
}

} // namespace quarn
