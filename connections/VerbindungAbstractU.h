#pragma once

#include "connections/standard/StandardTransferU.h"
#include "foundation/DebOutU.h"
#include "foundation/InterfacesU.h"
#include "platform/Event.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace quarn {

class ThreadMessageQueue;

// The base of every protocol handler. A handler runs on the connection thread: EventLoop waits on the
// handler's own event, the connection thread's handle (id 3), the disconnect event (id 4), the program's
// quit event and the user events the handler enabled (ids 5 receive queue holds text, 6 typed text waiting,
// 7 transmit queue empty, 8 send queue holds a job) and calls the matching virtual operation. When several
// are signalled the earliest in that order wins, so ending beats the link events and those beat user work.
// The thread's own messages come last; their timers (a transfer's throughput tick) run from the wait.
//
// The loop ends with Terminated(reason): 0 Finish, 1 Stop (only while active), 2 AbortTransfer, 3 the
// connection thread's handle, 4 the link went down or the program is quitting.
//
// The connection thread has no message queue, so the wait serves handles only.
//
// Handlers are made with Erzeuge, which calls Init after construction. Stop, Finish, AbortTransfer and
// GetActive may be called from any thread; everything else belongs to the connection thread.
class TVerbindungAbstract : public IVerbindungAbstract,
                            public std::enable_shared_from_this<TVerbindungAbstract> {
public:
    // End reasons handed to Terminated.
    static constexpr int kBeendet = 0;
    static constexpr int kGestoppt = 1;
    static constexpr int kAbgebrochen = 2;
    static constexpr int kThreadEnde = 3;
    static constexpr int kVerbindungWeg = 4;

    TVerbindungAbstract(std::shared_ptr<TVerbindungAbstract> owner,
                        std::shared_ptr<IVerbindungFuerModul> connection);
    ~TVerbindungAbstract() override;
    TVerbindungAbstract(const TVerbindungAbstract&) = delete;
    TVerbindungAbstract& operator=(const TVerbindungAbstract&) = delete;

    // Makes a handler and runs its Init.
    template <typename Handler>
    static std::shared_ptr<Handler> Erzeuge(std::shared_ptr<TVerbindungAbstract> owner,
                                            std::shared_ptr<IVerbindungFuerModul> connection) {
        auto handler = std::make_shared<Handler>(std::move(owner), std::move(connection));
        static_cast<TVerbindungAbstract&>(*handler).Init();
        return handler;
    }

    // ---- IVerbindungAbstract ----
    // Once: clears the connection's current handler when it is this one, drops connection and owner.
    void Release() override;
    void EventLoop() override;
    void Stop() override;
    std::string GetClassName() const override;
    bool GetActive() const override;

    void SetActive(bool active);
    void Finish();
    void AbortTransfer();
    // Enables or disables user event `id` (5 to 8) and rebuilds the wait list; other ids change nothing.
    void SetUseEvent(int id, bool on);

    // Runs a handler of class Handler nested on this thread until its loop ends, then makes this handler
    // current again, also when the nested loop throws (the exception goes on).
    template <typename Handler> void Run() {
        const std::shared_ptr<TVerbindungAbstract> nested =
            Erzeuge<Handler>(shared_from_this(), Verbindung());
        DebOutObj(GetClassName(), "Run", "Erzeuge " + nested->GetClassName());
        RunNested(nested);
    }
    // Runs the handler `fabrik` makes like Run, but a failure inside it stays here: it is reported, the
    // handler's Terminated(2) runs when its loop had not ended yet, and false comes back.
    bool RunGeschuetzt(const THandlerFabrik& fabrik);

protected:
    virtual void Init() {}
    virtual void ReceiveData() {}
    virtual void SendData() {}
    virtual void TransmitQueueEmpty() {}
    virtual void SendFile() {}
    // Drops the handler's reference to the connection; overrides call it last.
    virtual void Terminated(int reason);

    // Null after Terminated or Release.
    const std::shared_ptr<IVerbindungFuerModul>& Verbindung() const { return connection_; }
    // Plays a sound event for the handler's connection; nothing once the handler let go of it.
    void Klang(int event) const;
    // A transfer's sound events: its start, and its end as kKlangErfolg + the end reason (11 done,
    // 12 stopped, 13 failed).
    static constexpr int kKlangStart = 10;
    static constexpr int kKlangErfolg = 11;
    static constexpr int kKlangFehler = 13;
    // The prompt kind of the system lines a handler shows on its channel.
    static constexpr int kPromptSystem = 3;
    const std::shared_ptr<TVerbindungAbstract>& Owner() const { return owner_; }

private:
    enum class Art { Eigen, Thread, Trennung, Quit, Benutzer };
    struct Eintrag {
        const Event* event;
        Art art;
        void (TVerbindungAbstract::*callback)();
    };

    void WarteListeAufbauen();
    void RunNested(const std::shared_ptr<TVerbindungAbstract>& nested);
    // One wait; false when the loop is to end.
    bool EinmalWarten();
    // Terminated at most once per handler.
    void Beende(int reason);
    // The thread's queued messages and due timers, after all handles were served.
    static void NachrichtenVerteilen(ThreadMessageQueue& messages);

    std::shared_ptr<TVerbindungAbstract> owner_;
    std::shared_ptr<IVerbindungFuerModul> connection_;
    Event ownEvent_{EventReset::Manual, false};
    std::atomic<int> endReason_{kBeendet};
    std::atomic<bool> active_{false};
    std::atomic<bool> released_{false};
    bool terminated_ = false;
    std::uint16_t userEvents_ = 0;
    std::vector<Eintrag> waitList_;
};

// The factory-table entry that makes a handler of class Handler.
template <typename Handler> THandlerFabrik FabrikFuer() {
    return [](std::shared_ptr<TVerbindungAbstract> owner, std::shared_ptr<IVerbindungFuerModul> connection) {
        return std::static_pointer_cast<TVerbindungAbstract>(
            TVerbindungAbstract::Erzeuge<Handler>(std::move(owner), std::move(connection)));
    };
}

// The connection thread's handler entry: runs the standard handler until the link ends, then releases
// it and clears the connection's current handler.
void RunStandard(const std::shared_ptr<IVerbindungFuerModul>& connection);

} // namespace quarn
