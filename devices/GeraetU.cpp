#include "devices/GeraetU.h"

#include "devices/GeraeteU.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/SynchronizeU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "platform/Thread.h"
#include "platform/WaitForAny.h"

#include <QCoreApplication>

#include <algorithm>

namespace quarn {

namespace {

constexpr const char* kUnit = "GeraetU";
constexpr const char* kClass = "TGeraet";
// How long a device's wait sleeps before it looks at the clock again.
constexpr std::uint64_t kWarteScheibeMs = 50;

// A stop event that is never set, for callers that ask a device without a thread.
const Event& NeverSetEvent() {
    static const Event event(EventReset::Manual);
    return event;
}

} // namespace

std::string GeraetText(const char* sourceText) {
    return QStringToCp1252(QCoreApplication::translate("Geraet", sourceText));
}

// One run of the device thread. The body holds the device and this record, so both outlive an
// abandoned worker; `done` is set when the body has finished its clean-up.
struct TGeraet::Worker {
    const TGeraet* device = nullptr;
    std::unique_ptr<Thread> thread;
    Event done{EventReset::Manual};
};

namespace {
// The worker record of the calling device thread, so a device thread asks for its own stop request
// even after a newer thread of the same device was started.
thread_local const void* tCurrentWorker = nullptr;
// Set while the calling device thread runs its closing exchange.
thread_local bool tClosingExchange = false;
} // namespace

TGeraet::TGeraet() : statusText_(GeraetText("Inaktiv")) {}

TGeraet::~TGeraet() {
    // The last owner may be the device's own thread, when nobody stopped it: it must not join itself.
    if (worker_ && worker_->thread->IsCurrent()) {
        worker_->thread->Detach();
    }
}

void TGeraet::SetStatusDetail(std::string_view detail) {
    {
        const Locker lock(lock_);
        if (OnAbandonedThread()) {
            return;
        }
        statusDetail_ = std::string(detail);
    }
    StatusAnkuendigen();
}

int TGeraet::GetNummer() const {
    const Locker lock(lock_);
    return nummer_;
}

void TGeraet::SetNummer(int number) {
    const Locker lock(lock_);
    nummer_ = number;
}

void TGeraet::Save() {
    QUARN_ASSERT(!GetRegistryKey().empty(), kUnit);
}

void TGeraet::SetStatus(TGeraetStatus status, std::optional<std::string_view> detail) {
    std::string text = QStringToCp1252(GeraetStatusText(static_cast<int>(status)));
    if (detail) {
        text += " - ";
        text += *detail;
    }
    {
        const Locker lock(lock_);
        if (OnAbandonedThread()) {
            return; // the device may run again by now, and shows the status of its newer thread
        }
        statusText_ = std::move(text);
        status_ = status;
    }
    StatusAnkuendigen();
}

void TGeraet::StatusAnkuendigen() {
    if (!TGeraete::Instance()) {
        return;
    }
    const std::shared_ptr<TGeraet> self = weak_from_this().lock();
    if (!self) {
        return;
    }
    Synchronize([self] {
        if (TGeraete* set = TGeraete::Instance()) {
            set->Statuswechsel(self.get());
        }
    });
}

TConnectResult TGeraet::VerbindeKurz(const std::shared_ptr<IFunkKanal>& port, std::string& path,
                                     const std::shared_ptr<IKanal>& channel, std::string& myCall) {
    std::shared_ptr<IVerbindung> connection;
    return Verbinde(port, path, connection, channel, myCall);
}

void TGeraet::Init() {
    const std::shared_ptr<TGeraet> self = shared_from_this();
    std::shared_ptr<Worker> previous;
    {
        const Locker lock(lock_);
        previous = std::move(worker_);
    }
    if (previous) {
        // A thread that ended by itself (its port failed) is collected here.
        QUARN_ASSERT(previous->done.IsSet(), kUnit);
        previous->thread->Join(kInfinite);
    }
    auto worker = std::make_shared<Worker>();
    worker->device = this;
    // The body holds the record it belongs to; the thread drops the body when it ends.
    worker->thread = std::make_unique<Thread>("Geraet " + TypName(),
                                              [self, worker](Thread&) { self->ThreadBody(worker); });
    {
        const Locker lock(lock_);
        worker_ = worker;
    }
    worker->thread->Start();
}

void TGeraet::ThreadBody(const std::shared_ptr<Worker>& worker) {
    tCurrentWorker = worker.get();
    try {
        Run();
    } catch (...) {
        // An exception must neither reach std::terminate nor leave the device looking ready.
        const std::exception_ptr error = std::current_exception();
        try {
            NachAusnahme();
        } catch (...) {
            DebOutObj(kClass, "Execute", "FEHLER: Aufräumen nach Ausnahme fehlgeschlagen.");
        }
        SetStatus(TGeraetStatus::Fehler);
        ReportUnhandledException(error, "TGeraetThread", "Execute", "");
    }
    tCurrentWorker = nullptr;
    worker->done.Set();
}

void TGeraet::NachAusnahme() {}

void TGeraet::DeInit() {
    std::shared_ptr<Worker> worker;
    std::uint32_t limit = 0;
    {
        const Locker lock(lock_);
        worker = worker_;
        limit = stopLimitMs_;
    }
    if (!worker) {
        DebOutObj(kClass, "DeInit", "Kein Geräte-Thread vorhanden.");
        return;
    }
    QUARN_ASSERT(!worker->thread->IsCurrent(), kUnit);
    const bool running = !worker->done.IsSet();
    worker->thread->RequestStop();
    // Waiting pumps the workers' Synchronize calls, so a device thread inside one can finish.
    if (WaitPumping({worker->done}, limit) == 0) {
        worker->thread->Join(kInfinite);
        DebOutObj(kClass, "DeInit", "Geräte-Thread normal beendet.");
    } else {
        // No thread is ever killed: this one runs on by itself and keeps what it uses alive.
        DebOutObj(kClass, "DeInit", "Geräte-Thread wird abgebrochen...");
        worker->thread->Detach();
        DebOutObj(kClass, "DeInit", "Geräte-Thread wurde abgehängt.");
    }
    {
        const Locker lock(lock_);
        if (worker_ == worker) {
            worker_.reset();
        }
    }
    if (running) {
        SetStatus(TGeraetStatus::Inaktiv);
    }
}

bool TGeraet::OnAbandonedThread() const {
    const auto* current = static_cast<const Worker*>(tCurrentWorker);
    return current != nullptr && current->device == this && current != worker_.get();
}

std::shared_ptr<TGeraet::Worker> TGeraet::CurrentWorker() const {
    const Locker lock(lock_);
    return worker_;
}

const Event& TGeraet::StopEvent() const {
    if (tCurrentWorker) {
        return static_cast<const Worker*>(tCurrentWorker)->thread->StopEvent();
    }
    const std::shared_ptr<Worker> worker = CurrentWorker();
    // The worker record lives as long as the device holds it; callers off the device thread only
    // test the event at once.
    return worker ? worker->thread->StopEvent() : NeverSetEvent();
}

const Event& TGeraet::TransportStopEvent() const {
    return tClosingExchange ? NeverSetEvent() : StopEvent();
}

bool TGeraet::IsTransportStopped() const {
    return QuitEvent().IsSet() || TransportStopEvent().IsSet();
}

TGeraet::ClosingExchange::ClosingExchange() {
    tClosingExchange = true;
}

TGeraet::ClosingExchange::~ClosingExchange() {
    tClosingExchange = false;
}

bool TGeraet::IsTerminated() const {
    if (QuitEvent().IsSet()) {
        return true;
    }
    if (tCurrentWorker) {
        return static_cast<const Worker*>(tCurrentWorker)->thread->StopEvent().IsSet();
    }
    const std::shared_ptr<Worker> worker = CurrentWorker();
    return !worker || worker->done.IsSet() || worker->thread->StopEvent().IsSet();
}

bool TGeraet::Warte(std::uint32_t milliseconds) const {
    if (IsTerminated()) {
        return false;
    }
    // The wait ends by the program's clock, so a test clock decides when it is over; the events are
    // watched in short slices meanwhile.
    const std::uint64_t ende = Clock().NowMs() + milliseconds;
    for (std::uint64_t jetzt = Clock().NowMs(); jetzt < ende; jetzt = Clock().NowMs()) {
        const auto scheibe =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(ende - jetzt, kWarteScheibeMs));
        if (WaitForAny({StopEvent(), QuitEvent()}, scheibe) != kWaitTimeout) {
            return false;
        }
    }
    return !IsTerminated();
}

bool TGeraet::PostMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                          std::any payload) {
    const std::shared_ptr<Worker> worker = CurrentWorker();
    if (!worker || worker->done.IsSet()) {
        return false;
    }
    worker->thread->Messages().Post(ThreadMessage{message, wParam, lParam, std::move(payload)});
    return true;
}

bool TGeraet::HasThread() const {
    const std::shared_ptr<Worker> worker = CurrentWorker();
    return worker && !worker->done.IsSet();
}

ThreadMessageQueue& TGeraet::Messages() {
    QUARN_ASSERT(tCurrentWorker != nullptr, kUnit);
    return static_cast<const Worker*>(tCurrentWorker)->thread->Messages();
}

TGeraetStatus TGeraet::GetStatus() const {
    const Locker lock(lock_);
    return status_;
}

std::string TGeraet::GetStatusText() const {
    const Locker lock(lock_);
    return statusText_;
}

std::string TGeraet::GetStatusDetail() const {
    const Locker lock(lock_);
    return statusDetail_;
}

std::string TGeraet::GetRegistryKey() const {
    const Locker lock(lock_);
    return registryKey_;
}

void TGeraet::SetRegistryKey(std::string_view key) {
    const Locker lock(lock_);
    registryKey_ = std::string(key);
}

void TGeraet::SetStopLimitMs(std::uint32_t milliseconds) {
    const Locker lock(lock_);
    stopLimitMs_ = milliseconds;
}

} // namespace quarn
