#pragma once

#include "devices/flexnet/FlexnetKernel.h"
#include "devices/GeraetU.h"
#include "devices/MonitorFrameU.h"
#include "platform/CriticalSection.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

class TMonitorThread;

// Which kernel a FlexNet device speaks to.
enum class TFlexnetKernelArt : std::uint32_t {
    Bibliothek = 0, // the kernel's interface library
    Modem = 1,      // a sound-card modem on the network (host and port)
};

struct TFlexnetEinstellungen {
    TFlexnetKernelArt art = TFlexnetKernelArt::Bibliothek;
    std::string modemHost = "127.0.0.1";
    int modemPort = 8000;

    bool operator==(const TFlexnetEinstellungen&) const = default;
};

// Makes the kernel that reaches a sound-card modem at host and port; null when it cannot be made. The
// modem's AGW port unless a test sets another; an empty factory sets that back.
using TFlexnetModemKernelFabrik =
    std::function<std::unique_ptr<IFlexnetKernel>(const std::string& host, int port)>;
void SetFlexnetModemKernelFabrik(TFlexnetModemKernelFabrik factory);

// A device whose AX.25 links are run by a network kernel outside the program. The device thread turns
// the kernel's QSOs into connections, moves their data and answers connect requests; a second thread
// feeds monitored frames to the monitor channel. The GUI thread connects, disconnects and sends UI
// frames directly. Every kernel call, from any thread, is made under the device's kernel lock, and only
// while the kernel is available; only the start (ax_init) runs before that, without the lock.
class TGeraetFlexnet : public TGeraet {
public:
    static constexpr int kFunkKanaele = 17;
    static constexpr int kDigiPort = 16;
    static constexpr int kKernelKanaele = 16;
    static constexpr int kMaxEmpfang = 28; // received frames per link and round
    static constexpr int kFenster = 14;    // frames a link may have outstanding
    static constexpr int kSabmRunden = 8;  // connect requests are looked for every 8th round
    static constexpr std::uint32_t kRundeMs = 20;
    static constexpr std::size_t kMaxFrame = 256;
    static constexpr std::uint8_t kPid = 0xF0;

    TGeraetFlexnet();
    ~TGeraetFlexnet() override;

    // ---- device operations ----
    void Run() override;
    std::string TypName() const override { return "PC/FlexNet"; }
    std::string KlassenName() const override { return "TGeraetFlexnet"; }
    void Init() override;
    void Save() override;
    int EinstellungenSeite(QWidget* parent) override;
    void EinstellungenSchliessen() override;
    void EinstellungenUebernehmen() override;
    int GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>& ports, int capacity) override;
    TConnectResult Verbinde(const std::shared_ptr<IFunkKanal>& port, std::string& path,
                            std::shared_ptr<IVerbindung>& connection, const std::shared_ptr<IKanal>& channel,
                            std::string& myCall) override;
    void Trenne(const std::shared_ptr<IVerbindung>& connection) override;
    void Restore() override;
    bool SendUI(const std::shared_ptr<IFunkKanal>& port, std::string_view destination,
                std::string_view myCall, std::string_view text) override;

    // Drops the restored connections whose QSO the kernel does not have (any more), from the last on.
    void CheckRestored();

    // ---- state ----
    bool KernelVerfuegbar() const;
    bool DigiModul() const;
    std::vector<std::shared_ptr<IVerbindung>> Verbindungen() const;
    TFlexnetEinstellungen Einstellungen() const;
    // The settings to use from the next start on (written by Save).
    void SetEinstellungen(const TFlexnetEinstellungen& settings);
    // What the settings page shows: its heading and one line per active kernel channel.
    std::string KopfText();
    std::vector<std::string> KanalZeilen();

    // ---- the device thread's round, for the loop ----
    // One pass over the links and, every 8th round, the connect requests; false on the stop request.
    bool Runde(unsigned zaehler);

protected:
    // The kernel the settings name, or null with the failure text.
    virtual std::unique_ptr<IFlexnetKernel> KernelLaden(std::string& fehler);
    virtual void MonitorFrameZeigen(const TMonitorFrame& frame);
    // The monitor flags of the program's settings.
    virtual std::int32_t MonitorFlags() const;
    void NachAusnahme() override;

private:
    // Holds the kernel lock for a scope; false (no kernel) once the kernel is not available.
    class Kern {
    public:
        explicit Kern(const TGeraetFlexnet& device);
        explicit operator bool() const { return kernel_ != nullptr; }
        IFlexnetKernel* operator->() const { return kernel_; }
        IFlexnetKernel& operator*() const { return *kernel_; }

    private:
        Locker lock_;
        IFlexnetKernel* kernel_;
    };
    friend class Kern;
    friend class TMonitorThread;

    void FunkKanaeleAufbauen();
    void VerbindungHinzufuegen(const std::shared_ptr<IVerbindung>& connection);
    void VerbindungEntfernen(const std::shared_ptr<IVerbindung>& connection);
    // Handles one link; false when the pass over the list ends for this round.
    bool LinkBehandeln(const std::shared_ptr<IVerbindung>& connection, bool& stop);
    void DatenSenden(const std::shared_ptr<IVerbindung>& connection, FlexnetQso qso);
    void Verbindungswuensche();
    void Verbindungswunsch(const std::string& call);
    void VerbindungenSpeichern();
    // Ends the monitor thread, the kernel and the library; idempotent.
    void Herunterfahren();

    mutable CriticalSection kernLock_; // the kernel, its availability and the ports
    std::unique_ptr<IFlexnetKernel> kernel_;
    bool verfuegbar_ = false;
    bool digiModul_ = false;
    std::array<std::shared_ptr<IFunkKanal>, kFunkKanaele> funkKanaele_;
    mutable CriticalSection listLock_;
    std::vector<std::shared_ptr<IVerbindung>> verbindungen_;
    std::unique_ptr<TMonitorThread> monitor_;
    TFlexnetEinstellungen einstellungen_;
    std::optional<TFlexnetEinstellungen> bearbeitet_; // from the settings page, until applied
};

} // namespace quarn
