#include "foundation/ApartmentU.h"

#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/ProgramGlobals.h"
#include "platform/WaitForAny.h"

namespace quarn {
namespace {

constexpr std::uint32_t kApartmentCall = 0x0401; // WM_USER + 1: a task for the apartment
// How long the destructor waits for the loop to end before letting it run out by itself.
constexpr std::uint32_t kEndTimeoutMs = 5000;

std::atomic<int> runningApartments{0};

enum class CallState { Pending, Running, Done, Cancelled };

struct CallRecord {
    explicit CallRecord(std::function<void()> work) : task(std::move(work)) {}

    std::function<void()> task;
    std::atomic<CallState> state{CallState::Pending};
    std::exception_ptr error;
    HRESULT failure = S_OK;
    Event done{EventReset::Manual};
};

using CallPointer = std::shared_ptr<CallRecord>;

CallPointer RecordOf(const ThreadMessage& message) {
    if (message.message != kApartmentCall) {
        return nullptr;
    }
    const auto* record = std::any_cast<CallPointer>(&message.payload);
    return record != nullptr ? *record : nullptr;
}

void Run(CallRecord& record) {
    CallState expected = CallState::Pending;
    if (record.state.compare_exchange_strong(expected, CallState::Running)) {
        try {
            record.task();
        } catch (...) {
            record.error = std::current_exception();
        }
        record.state.store(CallState::Done);
    }
    // What the task holds goes here, on the apartment.
    record.task = nullptr;
    record.done.Set();
}

void Refuse(CallRecord& record) {
    CallState expected = CallState::Pending;
    if (record.state.compare_exchange_strong(expected, CallState::Cancelled)) {
        record.failure = RPC_E_DISCONNECTED;
    }
    record.task = nullptr;
    record.done.Set();
}

// On the GUI thread the wait serves the workers' Synchronize calls meanwhile, so an apartment's call
// back onto the GUI thread can run while the GUI waits for the apartment.
bool WaitForCall(const Event& done, std::uint32_t timeoutMs) {
    return WaitPumping({done}, timeoutMs) == 0;
}

} // namespace

EComError::EComError(std::string_view className, std::string_view method, HRESULT code,
                     std::string_view message)
    : QuarnException(className, method, message), code_(code) {}

struct TApartmentThread::Loop {
    std::mutex mutex;
    bool ended = false; // under mutex: no task is queued any more
};

TApartmentThread::TApartmentThread(std::string name)
    : loop_(std::make_shared<Loop>()), thread_(std::move(name), [loop = loop_](Thread& self) {
          const WaitHandle handles[] = {self.StopEvent(), QuitEvent()};
          bool quit = false;
          while (!quit && !self.StopEvent().IsSet()) {
              if (MsgWaitForAny(handles, self.Messages(), kInfinite) !=
                  static_cast<int>(std::size(handles))) {
                  break;
              }
              while (!quit && !self.StopEvent().IsSet()) {
                  std::optional<ThreadMessage> message = self.Messages().Peek(true);
                  if (!message) {
                      break;
                  }
                  if (message->message == WM_QUIT) {
                      quit = true;
                  } else if (CallPointer record = RecordOf(*message)) {
                      Run(*record);
                  }
              }
          }
          {
              std::lock_guard lock(loop->mutex);
              loop->ended = true;
          }
          while (std::optional<ThreadMessage> message = self.Messages().Peek(true)) {
              if (CallPointer record = RecordOf(*message)) {
                  Refuse(*record);
              }
          }
          runningApartments.fetch_sub(1);
      }) {
    runningApartments.fetch_add(1);
    try {
        thread_.Start();
    } catch (...) {
        runningApartments.fetch_sub(1);
        throw;
    }
}

TApartmentThread::~TApartmentThread() {
    thread_.RequestStop();
    if (thread_.IsCurrent()) {
        // Released from inside one of its own calls: the loop ends when that call returns.
        thread_.Detach();
        return;
    }
    if (!thread_.Join(kEndTimeoutMs)) {
        DebOutObj("TApartmentThread", "Destroy", "FEHLER: " + thread_.name() + " endet nicht.");
        thread_.Detach();
    }
}

bool TApartmentThread::IsRunning() const {
    std::lock_guard lock(loop_->mutex);
    return !loop_->ended;
}

bool TApartmentThread::Post(std::function<void()> task) {
    auto record = std::make_shared<CallRecord>(std::move(task));
    std::lock_guard lock(loop_->mutex);
    if (loop_->ended) {
        return false;
    }
    thread_.Messages().Post({kApartmentCall, 0, 0, std::move(record)});
    return true;
}

void TApartmentThread::Invoke(std::function<void()> task, std::uint32_t timeoutMs) {
    if (thread_.IsCurrent()) {
        task();
        return;
    }
    auto record = std::make_shared<CallRecord>(std::move(task));
    {
        std::lock_guard lock(loop_->mutex);
        if (loop_->ended) {
            throw EComError("TApartmentThread", "Invoke", RPC_E_DISCONNECTED, thread_.name());
        }
        thread_.Messages().Post({kApartmentCall, 0, 0, record});
    }
    if (!WaitForCall(record->done, timeoutMs)) {
        CallState expected = CallState::Pending;
        record->state.compare_exchange_strong(expected, CallState::Cancelled);
        if (expected != CallState::Done) {
            throw EComError("TApartmentThread", "Invoke", RPC_E_TIMEOUT, thread_.name());
        }
        record->done.Wait(kInfinite); // finished just now: its result is there
    }
    if (record->failure != S_OK) {
        throw EComError("TApartmentThread", "Invoke", record->failure, thread_.name());
    }
    if (record->error) {
        std::rethrow_exception(record->error);
    }
}

void TApartmentThread::Quit() {
    std::lock_guard lock(loop_->mutex);
    if (!loop_->ended) {
        thread_.Messages().Post({WM_QUIT, 0, 0, {}});
    }
}

int TApartmentThread::RunningCount() {
    return runningApartments.load();
}

void TServerLifetime::LockServer(bool lock) {
    std::unique_lock guard(mutex_);
    locks_ += lock ? 1 : -1;
    QUARN_ASSERT(locks_ >= 0, "ApartmentU");
    Changed(guard);
}

void TServerLifetime::ObjectCreated() {
    std::lock_guard guard(mutex_);
    ++objects_;
}

void TServerLifetime::ObjectReleased() {
    std::unique_lock guard(mutex_);
    --objects_;
    QUARN_ASSERT(objects_ >= 0, "ApartmentU");
    Changed(guard);
}

int TServerLifetime::LockCount() const {
    std::lock_guard guard(mutex_);
    return locks_;
}

int TServerLifetime::ObjectCount() const {
    std::lock_guard guard(mutex_);
    return objects_;
}

void TServerLifetime::SetReleaseHandler(std::function<void()> handler) {
    std::lock_guard guard(mutex_);
    onRelease_ = std::move(handler);
}

void TServerLifetime::Changed(std::unique_lock<std::mutex>& lock) {
    if (locks_ != 0 || objects_ != 0 || !onRelease_) {
        return;
    }
    const std::function<void()> handler = onRelease_;
    lock.unlock();
    handler();
}

namespace apartment_detail {

ObjectHome::ObjectHome(std::shared_ptr<void> created, TServerLifetime& owner)
    : object(std::move(created)), lifetime(owner) {
    lifetime.ObjectCreated();
}

ObjectHome::~ObjectHome() {
    object.reset();
    lifetime.ObjectReleased();
}

namespace {

HRESULT RunCreator(const std::function<std::shared_ptr<void>()>& creator, std::shared_ptr<void>& object) {
    try {
        object = creator();
        return object ? S_OK : E_NOINTERFACE;
    } catch (const EComError& error) {
        return Failed(error.code()) ? error.code() : E_FAIL;
    } catch (...) {
        return E_FAIL;
    }
}

// What the creating thread and the apartment share while the object is made.
struct Handover {
    std::mutex mutex;
    bool abandoned = false; // the creating thread gave up waiting
    HRESULT result = E_FAIL;
    std::shared_ptr<void> object;
    Event done{EventReset::Manual};
};

// Releases the creating thread on every way out of the creation task.
class DoneOnExit {
public:
    explicit DoneOnExit(Event& done) : done_(done) {}
    ~DoneOnExit() { done_.Set(); }
    DoneOnExit(const DoneOnExit&) = delete;
    DoneOnExit& operator=(const DoneOnExit&) = delete;

private:
    Event& done_;
};

} // namespace

Creation Create(const std::string& className, ThreadingModel model,
                const std::function<std::shared_ptr<void>()>& creator, TServerLifetime& lifetime,
                std::uint32_t timeoutMs) {
    lifetime.LockServer(true);
    struct Unlock {
        TServerLifetime& lifetime;
        ~Unlock() { lifetime.LockServer(false); }
    } unlock{lifetime};

    Creation creation;
    if (model != ThreadingModel::Apartment) {
        std::shared_ptr<void> object;
        creation.result = RunCreator(creator, object);
        if (!Failed(creation.result)) {
            creation.home = std::make_shared<ObjectHome>(std::move(object), lifetime);
        }
        return creation;
    }

    auto apartment = std::make_shared<TApartmentThread>(className);
    auto handover = std::make_shared<Handover>();
    const bool posted = apartment->Post([handover, creator] {
        const DoneOnExit release(handover->done);
        std::shared_ptr<void> object;
        const HRESULT result = RunCreator(creator, object);
        std::lock_guard lock(handover->mutex);
        if (!handover->abandoned) {
            handover->result = result;
            handover->object = std::move(object);
        }
        // An abandoned object goes with `object` here, on its apartment.
    });
    const bool finished = posted && WaitForCall(handover->done, timeoutMs);

    std::lock_guard lock(handover->mutex);
    if (!finished) {
        handover->abandoned = true;
        DebOutObj(className, "CreateInstance", "FEHLER: Erzeugung dauert zu lange.");
        // The apartment is stuck in the creator: it keeps itself until it gets out and then ends by
        // itself, instead of holding up this caller in its destructor.
        apartment->Post([keep = apartment] {});
        apartment->Quit();
        creation.result = E_FAIL;
        return creation;
    }
    creation.result = handover->result;
    if (Failed(creation.result)) {
        DebOutObjFmt(className, "CreateInstance", "FEHLER: $%8.8X", static_cast<unsigned>(creation.result));
        apartment->Quit();
        return creation;
    }
    creation.home = std::make_shared<ObjectHome>(std::move(handover->object), lifetime);
    creation.apartment = std::move(apartment);
    return creation;
}

} // namespace apartment_detail

bool IsDCOMInstalled() {
    return GetWindowsVersion() >= 3;
}

} // namespace quarn
