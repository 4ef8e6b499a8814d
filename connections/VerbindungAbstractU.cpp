#include "connections/VerbindungAbstractU.h"

#include "connections/standard/VerbindungStandardU.h"
#include "foundation/GlobalU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "platform/ThreadTimer.h"
#include "platform/WaitForAny.h"
#include "stations/KlaengeU.h"

#include <array>
#include <utility>

namespace quarn {

namespace {

constexpr int kErsteBenutzerId = 5;
constexpr int kLetzteBenutzerId = 8;

} // namespace

TVerbindungAbstract::TVerbindungAbstract(std::shared_ptr<TVerbindungAbstract> owner,
                                         std::shared_ptr<IVerbindungFuerModul> connection)
    : owner_(std::move(owner)), connection_(std::move(connection)) {
    QUARN_ASSERT(connection_ != nullptr, "VerbindungAbstractU");
    WarteListeAufbauen();
}

TVerbindungAbstract::~TVerbindungAbstract() {
    TVerbindungAbstract::Release();
}

void TVerbindungAbstract::Release() {
    if (released_.exchange(true)) {
        return;
    }
    // Only our own entry: a nested handler's release must not clear the handler that started it.
    if (connection_ && connection_->GetModul().get() == this) {
        connection_->SetModul(nullptr);
    }
    connection_.reset();
    owner_.reset();
    waitList_.clear();
}

std::string TVerbindungAbstract::GetClassName() const {
    return "TVerbindungAbstract";
}

bool TVerbindungAbstract::GetActive() const {
    return active_;
}

void TVerbindungAbstract::SetActive(bool active) {
    if (active_.exchange(active) == active) {
        return;
    }
    if (connection_) {
        connection_->SetModulAktiv(active);
    }
}

void TVerbindungAbstract::Finish() {
    endReason_ = kBeendet;
    ownEvent_.Set();
}

void TVerbindungAbstract::AbortTransfer() {
    endReason_ = kAbgebrochen;
    ownEvent_.Set();
}

void TVerbindungAbstract::Stop() {
    if (!active_) {
        return;
    }
    endReason_ = kGestoppt;
    ownEvent_.Set();
}

void TVerbindungAbstract::Terminated(int /*reason*/) {
    connection_.reset();
    // The connection's handles may go with it.
    WarteListeAufbauen();
}

void TVerbindungAbstract::SetUseEvent(int id, bool on) {
    if (id < 0 || id > 15) {
        return;
    }
    const auto bit = static_cast<std::uint16_t>(1u << id);
    userEvents_ = on ? (userEvents_ | bit) : (userEvents_ & ~bit);
    WarteListeAufbauen();
}

void TVerbindungAbstract::WarteListeAufbauen() {
    waitList_.clear();
    waitList_.push_back({&ownEvent_, Art::Eigen, nullptr});
    if (!connection_) {
        return;
    }
    // A handle the connection does not have (yet) is left out; the others keep their order.
    const auto add = [this](const Event* event, Art art, void (TVerbindungAbstract::*callback)()) {
        if (event != nullptr) {
            waitList_.push_back({event, art, callback});
        }
    };
    add(connection_->GetHandle(3), Art::Thread, nullptr);
    add(connection_->GetHandle(4), Art::Trennung, nullptr);
    // Shutting down ends the handler just as the link going down would, ahead of any user work.
    add(&QuitEvent(), Art::Quit, nullptr);
    static constexpr std::array<void (TVerbindungAbstract::*)(), 4> kCallbacks = {
        &TVerbindungAbstract::ReceiveData, &TVerbindungAbstract::SendData,
        &TVerbindungAbstract::TransmitQueueEmpty, &TVerbindungAbstract::SendFile};
    for (int id = kErsteBenutzerId; id <= kLetzteBenutzerId; ++id) {
        if ((userEvents_ & (1u << id)) != 0) {
            add(connection_->GetHandle(id), Art::Benutzer,
                kCallbacks[static_cast<std::size_t>(id - kErsteBenutzerId)]);
        }
    }
}

bool TVerbindungAbstract::EinmalWarten() {
    std::vector<WaitHandle> handles;
    handles.reserve(waitList_.size());
    for (const Eintrag& entry : waitList_) {
        handles.emplace_back(*entry.event);
    }
    // The thread's own messages too: the timers of the transfers it runs (throughput) tick here.
    const std::shared_ptr<ThreadMessageQueue> messages = CurrentThreadMessages();
    const int index = MsgWaitForAny(handles, *messages, kInfinite);
    if (index == static_cast<int>(handles.size())) {
        NachrichtenVerteilen(*messages);
        return true;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= waitList_.size()) {
        DebOutObj(GetClassName(), "EventLoop",
                  index == kWaitTimeout ? "Error: WAIT_TIMEOUT" : "Error: Unbekannter Rückgabewert.");
        return false;
    }
    const Eintrag entry = waitList_[static_cast<std::size_t>(index)];
    switch (entry.art) {
    case Art::Eigen:
        Beende(endReason_);
        return false;
    case Art::Thread:
        Beende(kThreadEnde);
        return false;
    case Art::Trennung:
    case Art::Quit:
        Beende(kVerbindungWeg);
        return false;
    case Art::Benutzer:
        (this->*entry.callback)();
        return true;
    }
    return false;
}

void TVerbindungAbstract::Beende(int reason) {
    if (terminated_) {
        return;
    }
    terminated_ = true;
    Terminated(reason);
}

void TVerbindungAbstract::NachrichtenVerteilen(ThreadMessageQueue& messages) {
    while (const std::optional<ThreadMessage> message = messages.Peek(true)) {
        // Nothing else is posted to a connection thread yet; anything unknown is dropped.
        DispatchThreadTimer(*message);
    }
}

void TVerbindungAbstract::EventLoop() {
    DebOutObj(GetClassName(), "EventLoop", "begin...");
    QUARN_ASSERT(!waitList_.empty() && waitList_.front().event == &ownEvent_, "VerbindungAbstractU");
    try {
        while (EinmalWarten()) {
        }
    } catch (const std::exception& error) {
        DebOutObjFmt(GetClassName(), "EventLoop", "Exception: %s", error.what());
        throw;
    }
    DebOutObj(GetClassName(), "EventLoop", "end.");
}

void TVerbindungAbstract::RunNested(const std::shared_ptr<TVerbindungAbstract>& nested) {
    // Our own reference to the connection may go while the nested loop runs (Terminated on our side).
    const std::shared_ptr<IVerbindungFuerModul> connection = connection_;
    const auto restore = [&] {
        nested->Release();
        connection->SetModul(shared_from_this());
        connection->SetModulAktiv(active_);
    };
    connection->SetModul(nested);
    try {
        nested->EventLoop();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

bool TVerbindungAbstract::RunGeschuetzt(const THandlerFabrik& fabrik) {
    const std::shared_ptr<IVerbindungFuerModul> connection = connection_;
    std::shared_ptr<TVerbindungAbstract> nested;
    bool ok = true;
    try {
        nested = fabrik(shared_from_this(), connection);
        QUARN_ASSERT(nested != nullptr, "VerbindungAbstractU");
        DebOutObj(GetClassName(), "Run", "Erzeuge " + nested->GetClassName());
        connection->SetModul(nested);
        nested->EventLoop();
    } catch (const std::exception& error) {
        // The link stays up: this handler must go on moving text, whatever the transfer did.
        ok = false;
        ReportUnhandledException(&error, GetClassName(), "Run", nested ? nested->GetClassName() : "");
        connection->KanalPrompt(Utf8ToCp1252(std::string("Übertragung abgebrochen: ") + error.what()), 3);
        if (nested) {
            try {
                nested->Beende(kAbgebrochen);
            } catch (const std::exception& cleanUp) {
                DebOutObjFmt(GetClassName(), "Run", "Exception in Terminated: %s", cleanUp.what());
            }
        }
    }
    if (nested) {
        nested->Release();
    }
    connection->SetModul(shared_from_this());
    connection->SetModulAktiv(active_);
    return ok;
}

void RunStandard(const std::shared_ptr<IVerbindungFuerModul>& connection) {
    DebOut("TVerbindungAbstract.RunStandard: Erzeuge TVerbindungStandard");
    const std::shared_ptr<TVerbindungAbstract> handler =
        TVerbindungAbstract::Erzeuge<TVerbindungStandard>(nullptr, connection);
    connection->SetModul(handler);
    // The handler and the connection point at each other until this: also when the loop throws.
    const auto finish = [&] {
        connection->SetModul(nullptr);
        handler->Release();
    };
    try {
        handler->EventLoop();
    } catch (...) {
        finish();
        throw;
    }
    finish();
    DebOut("TVerbindungAbstract.RunStandard: end.");
}

void TVerbindungAbstract::Klang(int event) const {
    if (TKlaenge* sounds = Klaenge(); sounds != nullptr && connection_) {
        sounds->Play(event, connection_.get());
    }
}

} // namespace quarn
