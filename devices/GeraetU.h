#pragma once

#include "foundation/InterfacesU.h"
#include "foundation/SharedEnums.h"
#include "platform/CriticalSection.h"
#include "platform/Event.h"

#include <any>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace quarn {

class Thread;
class ThreadMessageQueue;
class TGeraete;

// A translated resource text of the devices as Windows-1252 bytes (status words and details).
std::string GeraetText(const char* sourceText);

// One TNC or network kernel through which the program reaches the radio. Every kind derives from
// TGeraet and supplies the protocol loop (`Run`) that runs on the device's own worker thread, its
// settings dialog, its radio ports and the connect operations.
//
// Devices are shared objects: the worker holds its device while it runs, so a worker that misses its
// time limit at `DeInit` is left to run on by itself and everything it uses stays alive.
class TGeraet : public std::enable_shared_from_this<TGeraet> {
public:
    // How long `DeInit` waits for the worker before it abandons it.
    static constexpr std::uint32_t kStopLimitMs = 8000;

    TGeraet();
    virtual ~TGeraet();
    TGeraet(const TGeraet&) = delete;
    TGeraet& operator=(const TGeraet&) = delete;

    // The device thread's body.
    virtual void Run() = 0;
    virtual void SetStatusDetail(std::string_view detail);
    virtual int GetNummer() const;
    virtual void SetNummer(int number);
    // The kind's display name ("Hostmode", "TFWin", "PC/FlexNet").
    virtual std::string TypName() const = 0;
    // The class name stored as the default value of the device's registry key.
    virtual std::string KlassenName() const = 0;
    // Starts the device thread; kinds read their settings first.
    virtual void Init();
    // Ends the device thread (see the stop sequence in GeraetU.cpp); a device whose thread was
    // running is "Inaktiv" afterwards, one whose thread had ended by itself keeps its status.
    virtual void DeInit();
    virtual void Save();
    virtual int EinstellungenSeite(QWidget* parent) = 0;
    virtual void EinstellungenSchliessen() = 0;
    virtual void EinstellungenUebernehmen() = 0;
    // No detail: the status word alone.
    virtual void SetStatus(TGeraetStatus status, std::optional<std::string_view> detail = std::nullopt);
    // Appends the device's radio ports, at most `capacity`; returns how many were appended.
    virtual int GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>& ports, int capacity) = 0;
    TConnectResult VerbindeKurz(const std::shared_ptr<IFunkKanal>& port, std::string& path,
                                const std::shared_ptr<IKanal>& channel, std::string& myCall);
    virtual TConnectResult Verbinde(const std::shared_ptr<IFunkKanal>& port, std::string& path,
                                    std::shared_ptr<IVerbindung>& connection,
                                    const std::shared_ptr<IKanal>& channel, std::string& myCall) = 0;
    virtual void Trenne(const std::shared_ptr<IVerbindung>& connection) = 0;
    virtual void Restore() = 0;
    virtual bool SendUI(const std::shared_ptr<IFunkKanal>& port, std::string_view destination,
                        std::string_view myCall, std::string_view text) = 0;
    virtual void PactorBreakIn(const std::shared_ptr<IVerbindung>& connection) {}
    virtual void PactorChangeOver(const std::shared_ptr<IVerbindung>& connection) {}

    // True when the device has no running thread, or its thread was asked to stop, or the program is
    // quitting. On the device thread it answers for that thread, even after it was abandoned.
    bool IsTerminated() const;
    // Waits `milliseconds` by Clock(), or less when the stop request or the quit event comes; false then.
    bool Warte(std::uint32_t milliseconds) const;
    // The stop event of the calling device thread (of the current thread when called elsewhere).
    const Event& StopEvent() const;
    // What a transport's waits end on besides the quit event: the stop event, except while the calling
    // device thread runs a closing exchange, whose replies are still read after the stop request.
    const Event& TransportStopEvent() const;
    // For transports that poll: the quit event or TransportStopEvent is set.
    bool IsTransportStopped() const;
    // Posts a thread message to the running device thread; false without one. Any thread may post.
    bool PostMessage(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0,
                     std::any payload = {});
    bool HasThread() const;

    TGeraetStatus GetStatus() const;
    std::string GetStatusText() const;
    std::string GetStatusDetail() const;
    std::string GetRegistryKey() const;
    void SetRegistryKey(std::string_view key);

    // For tests of the stop sequence: the time `DeInit` gives the worker.
    void SetStopLimitMs(std::uint32_t milliseconds);

protected:
    // Marks the closing exchange of the calling device thread (leaving the peer in order) for as long
    // as it lives: only the quit event cuts the exchange's transport waits short.
    class ClosingExchange {
    public:
        ClosingExchange();
        ~ClosingExchange();
        ClosingExchange(const ClosingExchange&) = delete;
        ClosingExchange& operator=(const ClosingExchange&) = delete;
    };

    // The calling device thread's message queue; only on a device thread.
    ThreadMessageQueue& Messages();
    CriticalSection& Lock() const { return lock_; }
    // Tells the device set (on the GUI thread) that the status changed.
    void StatusAnkuendigen();
    // Runs on the device thread after an exception left `Run`, before the status becomes "Fehler":
    // the kind closes its transport here.
    virtual void NachAusnahme();
    // True on a thread of this device that `DeInit` abandoned; it no longer speaks for the device.
    bool OnAbandonedThread() const;

private:
    struct Worker;
    void ThreadBody(const std::shared_ptr<Worker>& worker);
    std::shared_ptr<Worker> CurrentWorker() const;

    mutable CriticalSection lock_;
    std::shared_ptr<Worker> worker_; // the running thread, none when stopped
    TGeraetStatus status_ = TGeraetStatus::Inaktiv;
    std::string statusText_;
    std::string statusDetail_;
    std::string registryKey_;
    int nummer_ = 0;
    std::uint32_t stopLimitMs_ = kStopLimitMs;
};

} // namespace quarn
