#include "connections/StatusU.h"

#include "foundation/DebOutU.h"
#include "foundation/SynchronizeU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/CriticalSection.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <array>
#include <exception>
#include <utility>

namespace quarn {

namespace {

enum ValueIndex : int { kOutstanding, kTries, kFrack, kMaxframe, kLinkStatus, kBitrate, kValueCount };

constexpr std::array<int, kValueCount> kInitialValues = {-1, -1, -1, -1, -1, 0};

} // namespace

// What the status shares with the calls it hands to the GUI thread.
class TStatusState {
public:
    mutable CriticalSection lock;
    std::array<int, kValueCount> values = kInitialValues;
    std::array<bool, kValueCount> changed{};
    std::weak_ptr<IKanal> listener;
    bool released = false;
    // A refresh is on its way (request posted or timer running); cleared by the tick before the
    // listener is told, so that a change during the telling schedules the next one.
    bool refreshScheduled = false;

    // GUI thread only. Owned by the application object as well, so that a timer whose release never
    // reached the GUI thread goes with the application.
    QPointer<QTimer> timer;
};

namespace {

void TellListener(const std::weak_ptr<TStatusState>& weakState) {
    const std::shared_ptr<TStatusState> state = weakState.lock();
    if (!state) {
        return;
    }
    std::shared_ptr<IKanal> listener;
    {
        const Locker locker(state->lock);
        if (state->released) {
            return;
        }
        state->refreshScheduled = false;
        listener = state->listener.lock();
    }
    if (!listener) {
        return;
    }
    // Told outside the lock: the listener reads the values back, and writers must not wait on a
    // status-bar refresh.
    try {
        listener->StatusbarAktualisieren(false);
    } catch (...) {
        ReportUnhandledException(std::current_exception(), "STATUS", "TimerProc", "");
    }
}

// GUI thread.
void ArmTimer(const std::shared_ptr<TStatusState>& state) {
    {
        const Locker locker(state->lock);
        if (state->released || !state->refreshScheduled) {
            return;
        }
    }
    if (!state->timer) {
        auto* timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        timer->setInterval(TStatus::kRefreshDelayMs);
        QObject::connect(timer, &QTimer::timeout, timer,
                         [weakState = std::weak_ptr<TStatusState>(state)] { TellListener(weakState); });
        state->timer = timer;
    }
    if (!state->timer->isActive()) {
        state->timer->start();
    }
}

// GUI thread. Deleted later, as the release may come from inside the timer's own tick.
void DropTimer(TStatusState& state) {
    if (QTimer* timer = state.timer) {
        timer->stop();
        timer->deleteLater();
    }
    state.timer.clear();
}

} // namespace

TStatus::TStatus() : state_(std::make_shared<TStatusState>()) {}

TStatus::~TStatus() {
    Release();
}

void TStatus::Release() {
    {
        const Locker locker(state_->lock);
        if (state_->released) {
            return;
        }
        state_->released = true;
        state_->listener.reset();
        state_->refreshScheduled = false;
    }
    if (IsGuiThread()) {
        DropTimer(*state_);
        return;
    }
    // The posted call keeps the shared state, and with it the timer's pointer, until it has run.
    PostToGuiThread([state = state_] { DropTimer(*state); });
}

std::shared_ptr<IKanal> TStatus::GetListener() const {
    const Locker locker(state_->lock);
    return state_->listener.lock();
}

void TStatus::SetListener(std::shared_ptr<IKanal> listener) {
    const Locker locker(state_->lock);
    state_->listener = listener;
}

int TStatus::Get(int index) const {
    const Locker locker(state_->lock);
    return state_->values[index];
}

bool TStatus::Changed(int index) const {
    const Locker locker(state_->lock);
    return state_->changed[index];
}

void TStatus::Set(int index, int value) {
    {
        const Locker locker(state_->lock);
        if (state_->released) {
            // The link went while its device thread or transfer was still reporting: nobody listens.
            DebOutObjFmt("TStatus", "Set", "Wert %d verworfen: Status freigegeben.", value);
            return;
        }
        if (state_->values[index] == value) {
            return;
        }
        state_->values[index] = value;
        state_->changed[index] = true;
        if (state_->refreshScheduled || state_->listener.expired()) {
            return;
        }
        state_->refreshScheduled = true;
    }
    if (IsGuiThread()) {
        ArmTimer(state_);
        return;
    }
    PostToGuiThread([weakState = std::weak_ptr<TStatusState>(state_)] {
        if (const std::shared_ptr<TStatusState> state = weakState.lock()) {
            ArmTimer(state);
        }
    });
}

int TStatus::GetOutstanding() const {
    return Get(kOutstanding);
}
void TStatus::SetOutstanding(int value) {
    Set(kOutstanding, value);
}
bool TStatus::OutstandingChanged() const {
    return Changed(kOutstanding);
}

int TStatus::GetTries() const {
    return Get(kTries);
}
void TStatus::SetTries(int value) {
    Set(kTries, value);
}
bool TStatus::TriesChanged() const {
    return Changed(kTries);
}

int TStatus::GetFrack() const {
    return Get(kFrack);
}
void TStatus::SetFrack(int value) {
    Set(kFrack, value);
}
bool TStatus::FrackChanged() const {
    return Changed(kFrack);
}

int TStatus::GetMaxframe() const {
    return Get(kMaxframe);
}
void TStatus::SetMaxframe(int value) {
    Set(kMaxframe, value);
}
bool TStatus::MaxframeChanged() const {
    return Changed(kMaxframe);
}

int TStatus::GetLinkStatus() const {
    return Get(kLinkStatus);
}
void TStatus::SetLinkStatus(int value) {
    Set(kLinkStatus, value);
}
bool TStatus::LinkStatusChanged() const {
    return Changed(kLinkStatus);
}

int TStatus::GetBitrate() const {
    return Get(kBitrate);
}
void TStatus::SetBitrate(int value) {
    Set(kBitrate, value);
}
bool TStatus::BitrateChanged() const {
    return Changed(kBitrate);
}

} // namespace quarn
