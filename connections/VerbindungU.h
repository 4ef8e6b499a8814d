#pragma once

#include "foundation/InterfacesU.h"
#include "foundation/QueueU.h"
#include "platform/CriticalSection.h"
#include "platform/Event.h"

#include <QPointer>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class QTimer;

namespace quarn {

class RegistryStore;
class TGeraet;
class TVerbindungThread;

// One link of a device channel to a remote station. The device makes it (VerbindungErzeugen), attaches
// the channel, sets call and direction and starts it; the connection then runs its handlers on a
// thread of its own (TVerbindungThread) and exchanges text with the device thread through three
// queues. It is also what automation clients send on and wait for text on (16 client slots).
//
// Ownership: the device is held weakly (it owns its connections, never the other way round). The
// channel and the connection hold each other until `Getrennt` or `Release` detach them. The running
// thread holds the connection, so a thread that is given up on keeps everything it uses alive.
class TVerbindung final : public IVerbindungFuerModul, public std::enable_shared_from_this<TVerbindung> {
public:
    // What one automation client may have waiting before the oldest text is dropped.
    static constexpr std::size_t kClientLimitBytes = 1024 * 1024;
    static constexpr int kClientSlots = 16;
    // Time the thread gets to end after the disconnect event, and the receive queue to drain before.
    static constexpr std::uint32_t kEndWaitMs = 4000;
    static constexpr int kTimerMs = 500;
    static constexpr std::size_t kPieceBytes = 256;
    static constexpr int kWrapColumn = 78;

    // `store` is where links are saved (the program's store when null).
    static std::shared_ptr<TVerbindung> Create(const std::shared_ptr<TGeraet>& device,
                                               RegistryStore* store = nullptr);
    ~TVerbindung() override;
    TVerbindung(const TVerbindung&) = delete;
    TVerbindung& operator=(const TVerbindung&) = delete;

    // ---- IConnection ----
    std::string Get_Call() const override;
    void Set_Call(std::string_view call) override;
    std::string Get_MyCall() const override;
    // Raises QuarnException once the link is up.
    void Set_MyCall(std::string_view myCall) override;
    std::string Get_Digis() const override;
    void Set_Digis(std::string_view digis) override;
    std::string Get_Path() const override;
    void Set_Path(std::string_view path) override;
    std::string Get_RealPath() const override;
    void Set_RealPath(std::string_view path) override;
    std::int32_t Get_Handle() const override;
    void Set_Handle(std::int32_t handle) override;
    void Disconnect() override;
    void SendText(std::string_view text) override;
    void SendTextLine(std::string_view text) override;
    // For the automation client of the calling thread (CurrentAutomationClient).
    void WaitForText(std::string_view text) override;
    std::string ReceiveText() override;

    // The same for a client given explicitly. Both raise QuarnException "Connection released" once the
    // connection is released (also while waiting) and "Application not found." when the client has no
    // slot and none is free, or when `clientGone` is set while waiting (the client left). An empty text
    // is found at once.
    void WaitForText(std::string_view text, const std::shared_ptr<IApplication>& client,
                     const Event* clientGone = nullptr);
    std::string ReceiveText(const std::shared_ptr<IApplication>& client, const Event* clientGone = nullptr);

    // ---- IVerbindung ----
    std::shared_ptr<IStatus> GetStatus() const override;
    std::shared_ptr<IKanalFuerVerbindung> GetKanal() const override;
    void SetKanal(std::shared_ptr<IKanalFuerVerbindung> channel) override;
    void SetStationTyp(TStationType kind) override;
    TStationType GetStationTyp() const override;
    std::uint8_t GetState() const override;
    void SetState(std::uint8_t state) override;
    bool GetAusgehend() const override;
    void SetAusgehend(bool outgoing) override;
    bool GetConnectText() const override;
    void SetConnectText(bool send) override;
    // Null until connections have a send queue.
    std::shared_ptr<IDateiSendenQueue> GetDateiSendenQueue() const override;
    void SetDateiSenden(std::shared_ptr<IDateiSenden> job) override;
    std::shared_ptr<IDateiSenden> GetDateiSenden() const override;
    void SendeText(std::string_view text, bool echo, bool escapes, bool wrap, bool typed) override;
    TStringQueue& GetTransmitQueue() override { return transmit_; }
    bool GetFernsteuerung() const override;
    void SetFernsteuerung(bool enabled) override;
    bool GetModulAktiv() const override;
    void SetModulAktiv(bool active) override;
    std::shared_ptr<IStationenDatenbankEintrag> GetStationenDatenbankEintrag() const override;
    std::uint8_t GetBinMode() const override;
    void SetBinMode(std::uint8_t protocol) override;
    TIncomingConnects GetIncomingConnects() const override;
    void Start() override { Start(false); }
    // Device thread (or GUI thread): waits for the receive queue to drain or the thread to end, then at
    // most kEndWaitMs for the thread; a thread that misses it is given up on, never killed.
    void Getrennt(int reason) override;
    void EmpfangeText(std::string_view text) override;
    std::uint8_t GetDiscLevel() const override;
    void DiscLevelDone() override;
    void SaveToRegistry(std::string_view key) override;
    void RestoreFromRegistry(std::string_view key, std::int32_t handle) override;
    void KanalPrompt(std::string_view text, int kind) override;
    void Release() override;
    void StopModul() override;
    void SID() override;
    bool AddApplication(const std::shared_ptr<IApplication>& client) override;
    bool GetPactor() const override;
    void SetPactor(bool pactor) override;
    void PactorChangeOver() override;
    void PactorBreakIn() override;
    bool GetLocalEcho() const override;
    void SetLocalEcho(bool echo) override;

    // ---- IVerbindungFuerModul ----
    const Event* GetHandle(int id) const override;
    // The channel gives no row back yet: 0 with a channel.
    int ZeigeEmpfangen(std::string_view text) override;
    void ZeigeGesendet(std::string_view text) override;
    void KanalNotify(std::string_view text, int kind) override;
    bool InfoboxConnect(std::string_view call) override;
    bool InfoboxReconnect(std::string_view call) override;
    TStringQueue& GetReceiveQueue() override { return receive_; }
    TStringQueue& GetTypedTextQueue() override { return typed_; }
    std::shared_ptr<IRemoteCommands> GetRemoteCommands() const override;
    void SetModul(std::shared_ptr<IVerbindungAbstract> handler) override;
    std::shared_ptr<IVerbindungAbstract> GetModul() const override;

    // ---- the rest of the class ----
    void Start(bool restored);
    void RemoveApplication(const std::shared_ptr<IApplication>& client);
    // One tick of the graceful-disconnect timer (GUI thread).
    void NotifyTimer();
    bool IsReleased() const { return released_.load(); }
    bool IsRestored() const { return restored_.load(); }
    // The reason the device gave when the link went down (0 normal, 2 the remote was busy).
    int GetTrennGrund() const { return trennGrund_.load(); }
    std::vector<std::string> GetHops() const;
    // True while the graceful-disconnect timer runs. GUI thread.
    bool TimerActive() const;

    // Live connection objects in the process (for checks at the end of tests).
    static int InstanceCount();

private:
    friend class TVerbindungThread;

    struct ClientSlot {
        const IApplication* identity = nullptr; // compared only, never called
        std::shared_ptr<TStringQueue> queue;
        std::size_t bytes = 0;
    };

    TVerbindung(const std::shared_ptr<TGeraet>& device, RegistryStore* store);

    RegistryStore& Store() const;
    std::shared_ptr<TGeraet> Device() const;
    void PutCall(std::string_view call);
    void PlaySound(int event) const;
    // The slot's queue of the client, attaching it first; raises when there is none.
    std::shared_ptr<TStringQueue> ClientQueue(const std::shared_ptr<IApplication>& client);
    // Pops from a client queue under the client lock, keeping the byte count.
    std::string PopClientText(const std::shared_ptr<TStringQueue>& queue);
    void PushFrontClientText(const std::shared_ptr<TStringQueue>& queue, std::string_view text);
    // One wait of a client's call for its queue; raises at release, quit or when the client is gone.
    void WaitForClientText(const TStringQueue& queue, const Event* clientGone, const char* method);
    void CheckNotReleased() const;
    // Waits until `done` (checked after each wake) or `limitMs` of the Clock passed; false on time-out
    // or at quit. On the GUI thread the workers' Synchronize calls run meanwhile.
    template <typename Done> bool WaitUntil(const Event& wake, std::uint32_t limitMs, Done done);
    void StartTimer();
    void StopTimer();
    void EndThread();
    // The thread reached the point where the channel learns the link is up. Returns the channel to
    // tell, or null when none is attached yet: then SetKanal tells it.
    std::shared_ptr<IKanalFuerVerbindung> LinkAnnounceDue();
    void AnnounceLink(IKanalFuerVerbindung& channel) const;

    const std::weak_ptr<TGeraet> device_;
    const bool hadDevice_;
    RegistryStore* const store_;

    std::atomic<bool> released_{false};
    Event releasedEvent_{EventReset::Manual, false};

    mutable CriticalSection lock_;       // the fields below
    mutable CriticalSection threadLock_; // creating and ending the thread
    mutable CriticalSection clientLock_; // the client slots

    std::string call_;
    std::string digis_;
    std::string realPath_;
    std::string myCall_;
    std::shared_ptr<IKanalFuerVerbindung> channel_;
    // An outgoing link may come up before its caller attaches the channel; it is told exactly once.
    bool announceDue_ = false;
    bool announced_ = false;
    std::int32_t handle_ = 0;
    std::atomic<std::uint8_t> state_{2};
    std::atomic<std::uint8_t> discLevel_{0};
    std::atomic<int> trennGrund_{0};
    bool ausgehend_ = false;
    bool connectText_ = false;
    TStationType stationTyp_ = TStationType::st_unknown;
    std::vector<std::string> hops_;
    std::shared_ptr<IDateiSenden> job_;
    bool fernsteuerung_ = false;
    std::atomic<bool> restored_{false};
    std::shared_ptr<IVerbindungAbstract> handler_;
    bool modulAktiv_ = false;
    std::shared_ptr<IStationenDatenbankEintrag> entry_;
    std::uint8_t binMode_ = 0;
    bool pactor_ = false;
    bool localEcho_ = true;
    std::shared_ptr<IStatus> status_;
    // The interpreter of the peer's "//" lines; it holds the connection weakly.
    std::shared_ptr<IRemoteCommands> remoteCommands_;
    // Made with the connection and kept to its end; its event is handle 8.
    const std::shared_ptr<IDateiSendenQueue> sendQueue_;

    Event disconnect_{EventReset::Manual, true};
    Event threadEnded_{EventReset::Manual, false};
    std::atomic<bool> handlesFilled_{false};
    TStringQueue receive_;
    TStringQueue typed_;
    TStringQueue transmit_;

    std::array<ClientSlot, kClientSlots> clients_;
    std::unique_ptr<TVerbindungThread> thread_;
    // The graceful-disconnect timer; touched on the GUI thread only.
    QPointer<QTimer> timer_;
    std::atomic<bool> timerArmed_{false};
};

// The automation client on whose behalf the calling thread runs (the D-Bus layer sets it around each
// call it forwards); null when none.
std::shared_ptr<IApplication> CurrentAutomationClient();

class ScopedAutomationClient {
public:
    explicit ScopedAutomationClient(std::shared_ptr<IApplication> client);
    ~ScopedAutomationClient();
    ScopedAutomationClient(const ScopedAutomationClient&) = delete;
    ScopedAutomationClient& operator=(const ScopedAutomationClient&) = delete;

private:
    std::shared_ptr<IApplication> previous_;
};

} // namespace quarn
