#include "connections/VerbindungThreadU.h"
#include "connections/VerbindungU.h"

#include "devices/GeraetU.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/QuarnException.h"
#include "foundation/SynchronizeU.h"
#include "platform/Clock.h"
#include "platform/WaitForAny.h"

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace quarn {

namespace {

constexpr std::string_view kClass = "TVerbindung";
constexpr std::uint32_t kWaitSliceMs = 50;

struct DiscStep {
    std::uint8_t after;
    const char* trace;
};

DiscStep NextDiscLevel(std::uint8_t before) {
    switch (before) {
    case 0:
        return {1, "None > End"};
    case 1:
        return {3, "End > Cancel"};
    case 2:
        return {3, "Ended > Cancel"};
    case 3:
        return {5, "Cancel > Kill"};
    case 4:
        return {5, "Canceled > Kill"};
    case 5:
        return {5, "Kill"};
    case 6:
        return {6, "Killed"};
    default:
        throw QuarnException(kClass, "Disconnect", "DiscLevel ungültig.");
    }
}

} // namespace

template <typename Done> bool TVerbindung::WaitUntil(const Event& wake, std::uint32_t limitMs, Done done) {
    const std::uint64_t start = Clock().NowMs();
    for (;;) {
        if (done()) {
            return true;
        }
        if (QuitEvent().IsSet()) {
            return false;
        }
        const bool gui = IsGuiThread();
        if (gui) {
            // A connection thread blocked in Synchronize must be able to finish.
            DispatchPendingSynchronizeCalls();
        }
        const std::uint64_t elapsed = Clock().NowMs() - start;
        if (elapsed >= limitMs) {
            return false;
        }
        const auto slice =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kWaitSliceMs, limitMs - elapsed));
        if (gui) {
            WaitForAny({wake, threadEnded_, QuitEvent(), PendingSynchronizeCallsEvent()}, slice);
        } else {
            WaitForAny({wake, threadEnded_, QuitEvent()}, slice);
        }
    }
}

void TVerbindung::Disconnect() {
    DebOutObj(kClass, "Disconnect", "");
    const std::shared_ptr<TGeraet> device = Device();
    StopTimer();
    std::uint8_t after = 0;
    {
        const Locker locker(lock_);
        if (!device) {
            discLevel_.store(5);
        }
        const DiscStep step = NextDiscLevel(discLevel_.load());
        DebOutObj(kClass, "Disconnect", step.trace);
        after = step.after;
        discLevel_.store(after);
    }
    if (after == 1) {
        StartTimer();
    }
    if (after < 5) {
        PlaySound(3);
    }
    // Without a device there is nobody to carry the step out: the level alone records it.
    if (after > 1 && device) {
        device->Trenne(shared_from_this());
    }
}

std::uint8_t TVerbindung::GetDiscLevel() const {
    return discLevel_.load();
}

void TVerbindung::DiscLevelDone() {
    {
        const Locker locker(lock_);
        switch (discLevel_.load()) {
        case 1:
            DebOutObj(kClass, "DiscLevelDone", "war End, wird Ended.");
            discLevel_.store(2);
            break;
        case 3:
            DebOutObj(kClass, "DiscLevelDone", "war Cancel, wird Canceled.");
            discLevel_.store(4);
            break;
        case 5:
            DebOutObj(kClass, "DiscLevelDone", "war Kill, wird Killed.");
            discLevel_.store(6);
            break;
        default:
            DebOutObj(kClass, "DiscLevelDone", "Keine Änderung.");
            break;
        }
    }
    SetState(1);
}

void TVerbindung::StartTimer() {
    timerArmed_.store(true);
    const std::weak_ptr<TVerbindung> weak = weak_from_this();
    Synchronize([this, weak] {
        delete timer_.data();
        // Parented to the sync object, so a timer outliving the GUI loop goes with it.
        timer_ = new QTimer(SyncWindow());
        timer_->setInterval(kTimerMs);
        QObject::connect(timer_.data(), &QTimer::timeout, [weak] {
            if (const auto connection = weak.lock()) {
                connection->NotifyTimer();
            }
        });
        timer_->start();
    });
}

void TVerbindung::StopTimer() {
    if (!timerArmed_.exchange(false)) {
        return;
    }
    Synchronize([this] {
        delete timer_.data();
        timer_ = nullptr;
    });
}

bool TVerbindung::TimerActive() const {
    return timer_ && timer_->isActive();
}

void TVerbindung::NotifyTimer() {
    if (released_.load()) {
        StopTimer();
        return;
    }
    const std::shared_ptr<IStatus> status = GetStatus();
    // An Outstanding never reported (negative) has nothing to wait for.
    const bool drained = transmit_.IsEmpty() && receive_.IsEmpty() && typed_.IsEmpty() &&
                         (!status || status->GetOutstanding() <= 0);
    if (!drained) {
        return;
    }
    StopTimer();
    if (const auto device = Device()) {
        device->Trenne(shared_from_this());
    }
}

void TVerbindung::Getrennt(int reason) {
    QUARN_ASSERT(hadDevice_, "VerbindungU");
    bool waitForThread = false;
    {
        const Locker locker(threadLock_);
        waitForThread = thread_ && !thread_->IsCurrent();
    }
    // The handler gets to show what came in last. The device's own messages are left alone, and a
    // thread that has ended (or will not drain) cannot hold the device up for longer than the limit.
    if (waitForThread) {
        const bool drained = WaitUntil(receive_.EmptyEvent(), kEndWaitMs,
                                       [this] { return receive_.IsEmpty() || threadEnded_.IsSet(); });
        DebOutObj(kClass, "Getrennt", drained ? "ReceiveQueue leer..." : "ReceiveQueue nicht leer...");
    }
    EndThread();

    trennGrund_.store(reason);
    state_.store(0);
    PlaySound(reason != 0 ? 5 : 4);
    std::shared_ptr<IKanalFuerVerbindung> channel;
    {
        const Locker locker(lock_);
        channel = std::move(channel_);
        entry_.reset();
    }
    if (channel) {
        channel->Getrennt(reason);
        channel->SetVerbindung(nullptr);
    }
}

void TVerbindung::EndThread() {
    const Locker locker(threadLock_);
    if (!thread_) {
        return;
    }
    disconnect_.Set();
    if (thread_->IsCurrent()) {
        thread_->Abandon();
    } else if (WaitUntil(threadEnded_, kEndWaitMs, [this] { return threadEnded_.IsSet(); })) {
        thread_->Join();
    } else {
        // Never killed: it keeps the connection (and so everything it uses) until it ends by itself.
        DebOutObj(kClass, "Getrennt",
                  "ENDTHREAD: Thread endet nicht rechtzeitig, wird sich selbst überlassen...");
        thread_->Abandon();
    }
    thread_.reset();
}

} // namespace quarn
