#include "foundation/SynchronizeU.h"

#include "foundation/DebOutU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Event.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <utility>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace quarn {
namespace {

// Qt hands a posted event to the receiving thread under a lock that ThreadSanitizer does not see (Qt
// is not built with it), so the hand-over of our events is told to it: released by the poster before
// posting, acquired by the receiver before it reads the event.
void HandOverRelease([[maybe_unused]] void* event) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(event);
#endif
}

void HandOverAcquire([[maybe_unused]] void* event) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(event);
#endif
}

// A worker's call from posting to its end. The worker waits until the state is Finished or Cancelled;
// whoever moves it out of Pending first decides: the GUI thread runs it, the end of the loop cancels it.
// The method is the worker's own object, which lives while the worker waits.
enum CallState : int { kPending, kRunning, kFinished, kCancelled };

struct SyncCall {
    explicit SyncCall(const std::function<void()>& callerMethod) : method(callerMethod) {}

    const std::function<void()>& method;
    std::atomic<int> state{kPending};
    std::list<std::shared_ptr<SyncCall>>::iterator position;

    void End(int endState) {
        state.store(endState, std::memory_order_release);
        state.notify_all();
    }
};

class SyncObject final : public QObject {
public:
    SyncObject() { setObjectName(QStringLiteral("QuarnSyncWindow")); }
    ~SyncObject() override;

protected:
    bool event(QEvent* event) override;
};

// Every worker call that has been posted and not yet waited out, so that the end of the loop can
// release them all. `open` and the list change only under `mutex`, and a worker posts only under it,
// so a call is either posted before the close (and cancelled by it) or sees the close and returns.
struct SyncState {
    std::mutex mutex;
    bool open = false;
    bool postRoutineAdded = false;
    std::unique_ptr<SyncObject> object;
    std::list<std::shared_ptr<SyncCall>> outstanding;
    Event pending{EventReset::Manual};
};

SyncState& State() {
    static SyncState state;
    return state;
}

void CloseLocked(SyncState& state) {
    state.open = false;
    for (const auto& call : state.outstanding) {
        int expected = kPending;
        if (call->state.compare_exchange_strong(expected, kCancelled, std::memory_order_acq_rel)) {
            call->state.notify_all();
        }
        // A call that is running now ends by itself when it returns.
    }
}

void Close() {
    SyncState& state = State();
    const std::lock_guard lock(state.mutex);
    CloseLocked(state);
}

void CloseAndDestroy() {
    SyncState& state = State();
    std::unique_ptr<SyncObject> doomed;
    {
        const std::lock_guard lock(state.mutex);
        CloseLocked(state);
        doomed = std::move(state.object);
    }
    // Destroyed outside the lock: its destructor closes once more.
}

// Runs from the QCoreApplication destructor: no loop will ever run the calls again.
void ApplicationGone() {
    {
        const std::lock_guard lock(State().mutex);
        State().postRoutineAdded = false;
    }
    CloseAndDestroy();
}

// Nothing a synchronised method raises may reach Qt's loop or the worker.
void RunReported(const std::function<void()>& method) noexcept {
    try {
        method();
    } catch (...) {
        ReportUnhandledException(std::current_exception(), "SYNCHRONIZE", "SyncWndProc", "");
    }
}

void RunClaimed(SyncCall& call) {
    int expected = kPending;
    if (!call.state.compare_exchange_strong(expected, kRunning, std::memory_order_acq_rel)) {
        return; // cancelled at the end of the loop; the worker has gone on
    }
    RunReported(call.method);
    call.End(kFinished);
}

void WaitEnded(const SyncCall& call) {
    for (;;) {
        const int now = call.state.load(std::memory_order_acquire);
        if (now == kFinished || now == kCancelled) {
            return;
        }
        call.state.wait(now, std::memory_order_acquire);
    }
}

SyncObject::~SyncObject() {
    Close();
}

bool SyncObject::event(QEvent* event) {
    HandOverAcquire(event);
    if (event->type() != TSynchronizeEvent::kType) {
        return QObject::event(event);
    }
    const auto* sync = dynamic_cast<const TSynchronizeEvent*>(event);
    if (sync == nullptr || sync->magic() != TSynchronizeEvent::kMagic) {
        return true;
    }
    RunReported([sync] {
        QUARN_ASSERT(static_cast<bool>(sync->method()), "SynchronizeU");
        sync->method()();
    });
    return true;
}

} // namespace

TSynchronizeEvent::TSynchronizeEvent(std::uint32_t magic, std::function<void()> method)
    : QEvent(kType), magic_(magic), method_(std::move(method)) {}

bool IsGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

void Synchronize(const std::function<void()>& method) {
    if (IsGuiThread()) {
        method();
        return;
    }
    SyncState& state = State();
    const auto call = std::make_shared<SyncCall>(method);
    {
        const std::lock_guard lock(state.mutex);
        if (!state.open || !state.object) {
            return;
        }
        call->position = state.outstanding.insert(state.outstanding.end(), call);
        auto event =
            std::make_unique<TSynchronizeEvent>(TSynchronizeEvent::kMagic, [call] { RunClaimed(*call); });
        HandOverRelease(event.get());
        QCoreApplication::postEvent(state.object.get(), event.release()); // Qt owns the event now
    }
    state.pending.Set();
    WaitEnded(*call);
    const std::lock_guard lock(state.mutex);
    state.outstanding.erase(call->position);
}

void PostToGuiThread(std::function<void()> method) {
    SyncState& state = State();
    const std::lock_guard lock(state.mutex);
    if (!state.open || !state.object) {
        return;
    }
    auto event = std::make_unique<TSynchronizeEvent>(TSynchronizeEvent::kMagic, std::move(method));
    HandOverRelease(event.get());
    QCoreApplication::postEvent(state.object.get(), event.release()); // Qt owns the event now
}

void InitializeSynchronize() {
    DebOutObj("SynchronizeU", "initialization", "begin...");
    QCoreApplication* application = QCoreApplication::instance();
    QUARN_ASSERT(application != nullptr && IsGuiThread(), "SynchronizeU");
    // Reserves the number, so that no other part of the program is handed it by Qt.
    static const int registered = QEvent::registerEventType(TSynchronizeEvent::kType);
    static_cast<void>(registered);

    SyncState& state = State();
    bool addPostRoutine = false;
    {
        const std::lock_guard lock(state.mutex);
        if (!state.object) {
            state.object = std::make_unique<SyncObject>();
            QObject::connect(application, &QCoreApplication::aboutToQuit, state.object.get(), &Close);
        }
        addPostRoutine = !std::exchange(state.postRoutineAdded, true);
        state.open = true;
    }
    if (addPostRoutine) {
        qAddPostRoutine(&ApplicationGone);
    }
    DebOutObj("SynchronizeU", "initialization", "end.");
}

void FinalizeSynchronize() {
    DebOutObj("SynchronizeU", "finalization", "begin...");
    QUARN_ASSERT(IsGuiThread(), "SynchronizeU");
    CloseAndDestroy();
    DebOutObj("SynchronizeU", "finalization", "end.");
}

QObject* SyncWindow() {
    SyncState& state = State();
    const std::lock_guard lock(state.mutex);
    return state.object.get();
}

const Event& PendingSynchronizeCallsEvent() {
    return State().pending;
}

void DispatchPendingSynchronizeCalls() {
    if (!IsGuiThread()) {
        return;
    }
    SyncState& state = State();
    // Reset before dispatching: a call posted from now on sets the event again after it is queued.
    state.pending.Reset();
    QObject* target = SyncWindow();
    if (target != nullptr) {
        QCoreApplication::sendPostedEvents(target, TSynchronizeEvent::kType);
    }
}

} // namespace quarn
