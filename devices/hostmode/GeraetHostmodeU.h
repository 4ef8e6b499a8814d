#pragma once

#include "devices/GeraetU.h"
#include "devices/MonitorFrameU.h"
#include "platform/CriticalSection.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

struct ThreadMessage;
struct TLinkZaehler;

// Thread messages of a host-mode device thread.
inline constexpr std::uint32_t msg_verbinden = 0x4441;
inline constexpr std::uint32_t msg_trennen = 0x4442;
inline constexpr std::uint32_t msg_eigenerufzeichen = 0x4443;
inline constexpr std::uint32_t msg_init = 0x4444;
inline constexpr std::uint32_t msg_uiframe = 0x4445;
inline constexpr std::uint32_t msg_pactorbreakin = 0x4446;
inline constexpr std::uint32_t msg_pactorchangeover = 0x4447;

// Monitor flags of the setting "Monitor" the host-mode device reads.
inline constexpr std::int32_t kMonitorSUFrames = 0x2;
inline constexpr std::int32_t kMonitorIFrames = 0x4;
inline constexpr std::int32_t kMonitorIInformation = 0x8;
inline constexpr std::int32_t kMonitorUIFrames = 0x10;
inline constexpr std::int32_t kMonitorNotices = 0x40;

// The exact text a TNC answers for a channel it does not have.
inline constexpr std::string_view kInvalidChannelNumber = "INVALID CHANNEL NUMBER";

// Where a host-mode check finds the TNC.
enum class THostmodeBefund {
    Gleichschritt, // in host mode at a frame boundary: the check's own frame was answered
    AusserTritt,   // in host mode, but what was answered is a frame begun before the check
    Still,         // no answer: terminal mode, or host mode in the middle of a longer frame
    Terminalmode,  // an answer that is no host-mode reply
};

// Settings of a host-mode device that every transport has.
class TGeraetHostmodeParameter {
public:
    virtual ~TGeraetHostmodeParameter() = default;
    virtual std::unique_ptr<TGeraetHostmodeParameter> Kopie() const;

    int portNummer = 0; // used in radio-port names "HM%d%d"
    std::vector<std::string> initListe;
    std::vector<std::string> deinitListe;
};

// What the start-up found out about one radio port of the TNC.
struct TFunkKanalEintrag {
    std::string bezeichnung;
    int nummer = -1; // -1 the only port, 255 the Pactor port
    std::string name;
};

// An own call sign with the SSIDs it may use, as the own-call list holds it.
struct TEigenesRufzeichen {
    std::string call;
    std::vector<int> ssids;
};

// A TNC speaking the binary host mode: every exchange is one frame from the program answered by
// exactly one frame from the TNC. Abstract over its transport: the kinds supply the Comm* slots.
// Everything that talks to the TNC runs on the device thread.
class TGeraetHostmode : public TGeraet {
public:
    static constexpr int kKanaele = 256;
    static constexpr int kFunkKanaele = 8;
    // The most a frame carries, either way: 256 data bytes.
    static constexpr std::size_t kMaxText = 256;

    TGeraetHostmode();
    ~TGeraetHostmode() override;

    // ---- device operations ----
    void Run() override;
    void Init() override;
    void DeInit() override;
    void Save() override;
    int GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>& ports, int capacity) override;
    TConnectResult Verbinde(const std::shared_ptr<IFunkKanal>& port, std::string& path,
                            std::shared_ptr<IVerbindung>& connection, const std::shared_ptr<IKanal>& channel,
                            std::string& myCall) override;
    void Trenne(const std::shared_ptr<IVerbindung>& connection) override;
    void Restore() override;
    bool SendUI(const std::shared_ptr<IFunkKanal>& port, std::string_view destination,
                std::string_view myCall, std::string_view text) override;

    // ---- transport slots ----
    // On failure CommOpen sets status 2 with the reason and returns false.
    virtual bool CommOpen() = 0;
    virtual bool CommClose() = 0;
    virtual bool CommWrite(const char* data, std::size_t count, std::size_t& written) = 0;
    // Fewer bytes than asked means the time-out passed (or the stop request came).
    virtual bool CommRead(char* buffer, std::size_t count, std::size_t& read) = 0;
    // Waits at most the time-out for the first byte, then takes what else has come, up to count; the
    // kinds that can read what the line holds at once do so (the default takes one byte).
    virtual bool CommReadVorhanden(char* buffer, std::size_t count, std::size_t& read);
    virtual void CommPurge() = 0;
    virtual bool CommIsOpen() const = 0;
    virtual std::unique_ptr<TGeraetHostmodeParameter> ParameterErzeugen() const = 0;
    virtual bool SetTimeouts(bool fast) = 0;
    virtual void StatusDetailZeigen() = 0;

    // ---- protocol, device thread only ----
    // One transaction; false when any step failed (code and text keep what was read).
    bool Befehl(int channel, bool command, int& code, std::string& text, std::string_view data);
    // The retry idiom: Befehl until it succeeds, Resync after each failure; false only on the stop request.
    bool Sende(int channel, bool command, int& code, std::string& text, std::string_view data);
    // The five check bytes at once; true when a reply 01 02 came. In step only at a known frame boundary.
    bool PruefeHostmode();
    // The check bytes one at a time, each given time for an answer: only the fifth may be answered.
    THostmodeBefund PruefeGleichschritt();
    // A TNC of unknown state, as a previous client may have left it: never Still.
    THostmodeBefund HostmodeErkennen();
    // Not while the TNC answers in host mode out of step: the switch would go into a frame.
    bool SchalteInHostmode();
    // False only when the device is told to stop.
    bool Resync();
    // The start-up before the loop; false when the transport did not open or the stop request came.
    bool Hochfahren();
    // Leaves host mode and closes the transport. Runs after the stop request, perhaps after the quit
    // event: the exchange still reads every reply within the time-outs, and is left out for a TNC that
    // is not in step.
    void Herunterfahren();
    void SetMonitor();
    // Sends "U0" and the INIT list (msg_init).
    void InitSenden();
    int EigeneRufzeichenSetzen(bool all);

    // ---- own calls ----
    // Takes a fresh copy of the own calls, first SSIDs of every call first.
    void EigeneRufzeichenGeaendert();
    void EigeneRufzeichenNotify();
    std::vector<std::string> EigeneRufzeichen() const;

    bool MonitorKopfLesen(std::string_view text);

    // ---- state, for the loop and for tests ----
    std::string GetGeraeteKlasse() const;
    int GetKanalAnzahl() const { return kanalAnzahl_; }
    bool GetExtended() const { return extended_; }
    int GetPactorKanal() const { return pactorKanal_; }
    int GetPollZaehler() const { return pollZaehler_; }
    int GetFehlerZaehler() const;
    bool GetFrackSkaliert() const { return frackSkaliert_; }
    // The radio ports found at start-up, entry 7 the Pactor port.
    std::array<std::optional<TFunkKanalEintrag>, kFunkKanaele> GetFunkKanalEintraege() const;
    const TMonitorFrame& GetMonitorFrame() const { return monitorFrame_; }
    std::int32_t GetMonitorFlags() const { return monitorFlags_; }
    // The parameters in force; the GUI thread replaces them, so the device thread reads a copy.
    const TGeraetHostmodeParameter& Parameter() const { return *parameter_; }
    TGeraetHostmodeParameter& Parameter() { return *parameter_; }
    std::unique_ptr<TGeraetHostmodeParameter> ParameterKopie() const;

protected:
    void NachAusnahme() override;
    // The radio port object of an entry found at start-up.
    virtual std::shared_ptr<IFunkKanal> FunkKanalErzeugen(const TFunkKanalEintrag& eintrag);
    // True for the dynamic-library kind, whose device class is "TFWin".
    virtual bool IstTFWin() const { return false; }
    // The own calls to give to the TNC channels; the kinds' tests supply their own.
    virtual std::vector<TEigenesRufzeichen> EigeneRufzeichenHolen() const;
    // The loop between start-up and shut-down: thread messages and the 50 ms cycle.
    virtual void Schleife();
    void NachrichtBehandeln(const ThreadMessage& message);
    // Output to the monitor channel (INIT report, Pactor notices).
    virtual void MonitorMeldung(std::string_view header, std::string_view text);
    // Puts the edited parameters in force (under the device's lock, as its thread copies them).
    void EditedParameterUebernehmen();
    // Shows the error count: status 0, with "%d Fehler" after resynchronisations.
    void FehlerZeigen();

    std::unique_ptr<TGeraetHostmodeParameter> parameter_;
    std::unique_ptr<TGeraetHostmodeParameter> editedParameter_;

private:
    void EigeneRufzeichenAbonnieren();
    void FunkKanaeleErzeugen();
    std::string ModemName();
    void FunkKanalSetzen(int index, std::string description, int number, std::string name);
    bool WriteAll(std::string_view bytes);
    bool ReadByte(std::uint8_t& byte, bool& failed);
    // Reads until the input holds `count` bytes; false on a time-out or (with `failed`) a line error.
    bool Vorrat(std::size_t count, bool& failed);
    // Takes `count` bytes from the front of the input.
    std::string Entnehmen(std::size_t count);
    // The line went away under the device: says so, then opens it again now and then until that works
    // or the device is told to stop (false then).
    bool SchnittstelleWiederOeffnen();
    // Reads away the rest of a reply the stop request cut short.
    void AntwortrestLesen();
    void BefehlFehlgeschlagen();
    // A check was answered in step: frames may be sent, and no reply is outstanding.
    void MarkInStep();
    // Reads until the line is quiet; the number of bytes read.
    std::size_t Leeren();
    // The rest of an answer after its first byte: true when it is one host-mode reply; `allein` when
    // nothing followed it.
    bool AntwortLesen(std::uint8_t& code, bool& allein);
    // Check frames until one is answered or no frame can still be open; true for a host-mode reply.
    bool RahmenFuellen();

    mutable CriticalSection funkLock_;
    std::array<std::optional<TFunkKanalEintrag>, kFunkKanaele> funkEintraege_;
    std::array<std::shared_ptr<IFunkKanal>, kFunkKanaele> funkKanaele_;
    mutable CriticalSection kanalLock_;
    std::array<std::shared_ptr<IVerbindung>, kKanaele> kanaele_;
    TMonitorFrame monitorFrame_;
    int kanalAnzahl_ = 0;
    bool extended_ = false;
    std::int32_t monitorFlags_ = 350;
    bool headerPending_ = false;
    std::string geraeteKlasse_ = "Hostmode";
    mutable CriticalSection rufLock_;
    std::vector<std::string> eigeneRufzeichen_;
    // Subscribed to the own-call list from the first Init on.
    std::shared_ptr<ISubscriber> rufSubscriber_;
    mutable CriticalSection fehlerLock_;
    int fehlerZaehler_ = 0;
    std::atomic<int> pollZaehler_{0};
    int pactorKanal_ = -1;
    bool frackSkaliert_ = false;
    bool ptc_ = false;
    // Device thread only: the TNC is in host mode and the byte stream in step with it; a reply that the
    // stop request cut short may still be on its way.
    bool imTakt_ = false;
    bool antwortOffen_ = false;
    // Bytes read from the line and not yet taken: replies are read in whole pieces, not byte by byte.
    std::string eingang_;

    // ---- connects ----
public:
    void PactorBreakIn(const std::shared_ptr<IVerbindung>& connection) override;
    void PactorChangeOver(const std::shared_ptr<IVerbindung>& connection) override;

protected:
    // Once a cycle, before the thread messages are taken: the connects that found their TNC channel
    // free but its entry still taken go back into the queue, to be tried again this cycle.
    void WiedervorlagePosten();

private:
    struct TVerbindenAuftrag;
    struct TUIFrame;
    // What a connect's walk over the TNC channels came to.
    struct TVerbindenErgebnis {
        TConnectResult result = TConnectResult::DeviceError;
        int linked = -1;       // the TNC channel that accepted "C", -1 none
        bool zurueck = false;  // the channel's entry was taken: try again next cycle
        bool gestoppt = false; // the stop request came
    };
    void VerbindenBehandeln(const ThreadMessage& message);
    TVerbindenErgebnis PactorVerbinden(TVerbindenAuftrag& auftrag);
    TVerbindenErgebnis PacketVerbinden(TVerbindenAuftrag& auftrag, int portNummer);
    // Sends "I" and "C" on one channel; false when the walk must go on with the next own call.
    bool VerbindenAufKanal(TVerbindenAuftrag& auftrag, int channel, const std::string& path,
                           TVerbindenErgebnis& ergebnis);
    void VerbindenAbschliessen(const std::shared_ptr<TVerbindenAuftrag>& auftrag,
                               const TVerbindenErgebnis& ergebnis);
    void UIFrameSenden(const ThreadMessage& message);
    void PactorBefehl(const ThreadMessage& message, std::string_view command, std::string_view name);

    // Device thread only.
    std::vector<std::shared_ptr<TVerbindenAuftrag>> wiedervorlage_;

    // ---- run loop ----
public:
    // How often "G" is asked per cycle at most; "O" and "F" are refreshed at this interval at most.
    static constexpr int kPollsKanal0 = 20;
    static constexpr int kPollsKanal = 7;
    // At most this many "G" read a link's pending frames before its data goes out.
    static constexpr int kPollsEntleeren = 20;
    static constexpr std::uint64_t kStatusIntervallMs = 334;
    static constexpr std::uint32_t kZyklusMs = 50;
    // How often a connect being set up is asked for its report between the channels of a round.
    static constexpr std::uint64_t kVerbindetFrageMs = 200;
    // Thread messages handled at one look between two channels.
    static constexpr int kNachrichtenJeBlick = 16;
    // At most this many frames are kept unsent or unacknowledged in the TNC per link.
    static constexpr int kFensterFrames = 14;

    // The connection entry of TNC channel c (none outside 0..255). Any thread.
    std::shared_ptr<IVerbindung> GetKanalVerbindung(int c) const;
    // Stores a connection in c's entry; false when c is outside 0..255 or the entry is occupied.
    bool KanalEintragen(int c, std::shared_ptr<IVerbindung> connection);
    // Clears c's entry and returns what it held.
    std::shared_ptr<IVerbindung> KanalFreigeben(int c);
    // True after a kill until the TNC reports the channel disconnected or free.
    bool IstGetoetet(int c) const;

    // One cycle of the loop without its pause (device thread): polls, status pass, thread messages.
    void Zyklus();
    // The last cycle left work behind (data or reports pending in the TNC, frames just sent): the
    // loop goes on without its pause.
    bool GetMehrArbeit() const { return mehrArbeit_; }
    // The "C" query: the path the TNC has channel c connected to, or nothing for a free channel.
    // `known` is false when the answer was an error, from which nothing may be concluded.
    std::optional<std::string> TNCKanalConnectedTo(int c, bool& known);
    std::string GetConnectPath(std::string_view text) const;
    // A link on TNC channel c came up: an outgoing connect completed, or a station connected to us.
    void Verbunden(int c, const std::string& path, bool sendConnectText);
    // The status pass of a cycle over the channels with a connection: "L", "O", "F", "@B" and data out.
    void StatusDurchlauf();

protected:
    // Shows one monitored frame on the monitor channel.
    virtual void MonitorFrameZeigen(const TMonitorFrame& frame);

private:
    // The TNC channels the loop serves as links: 1..N, and the Pactor channel wherever it lies.
    bool IstLinkKanal(int c) const;
    std::vector<int> PollListe(bool fullCheck);
    // Polls channel c; true when every poll brought something, so that more may wait there.
    bool KanalAbfragen(int c, bool fullCheck);
    // Up to `polls` "G" on channel c, each reply handled; true when none of them said "nothing more".
    // `zwischendurch`: the poll round's reading, which serves what waits between two polls.
    bool KanalLesen(int c, int polls, bool& check, const std::optional<std::string>& connectedTo,
                    bool zwischendurch);
    // Whether link c has data queued since its last status visit found its queue empty: a reply or a
    // typed line, not the rest of a transfer that waits for its window.
    bool FrischeDaten(int c) const;
    // Between two exchanges of the round: the thread messages, then the links with fresh data (not
    // channel `aktiv`, being polled). Not nested.
    void Zwischendurch(int aktiv);
    // The thread messages waiting now (a bounded number): between channels, so none waits for a round.
    void NachrichtenBehandeln();
    // The pause of an idle cycle by the program clock: ended early by a thread message or a line put
    // into an idle link's queue; false on the stop request.
    bool Pause();
    // Handles one "G" reply; false when polling the channel ends for this cycle.
    bool AntwortBehandeln(int c, int code, const std::string& text, bool& fullCheck,
                          const std::optional<std::string>& connectedTo);
    void FullCheckAbschliessen(int c, const std::optional<std::string>& connectedTo);
    void LinkStatusBehandeln(int c, const std::string& text);
    void DatenEmpfangen(int c, const std::string& text);
    void MonitorAnzeigen(std::string_view information);
    // Ends the connection of channel c (if any) with the reason, releases it and clears the entry.
    void VerbindungBeenden(int c, int reason, bool ownCalls);
    void LinkResetBehandeln(int c, const std::string& path);
    void EingehendeVerbindung(int c, const std::shared_ptr<IVerbindung>& connection);
    // "<Quarn>: Alle Kanäle sind belegt." and "D" on channel c.
    void VerbindungAbweisen(int c);
    void KanalStatus(int c, const std::shared_ptr<IVerbindung>& connection, bool refresh);
    // The gate, "@B" and the frames of one link after its "L": the frames sent, -1 when the link went
    // meanwhile or the stop request came.
    int KanalSenden(int c, const std::shared_ptr<IVerbindung>& connection, TLinkZaehler zaehler);
    // The frames sent. `imTnc`: the frames the TNC holds unsent or unacknowledged before the first of these.
    int DatenSenden(int c, const std::shared_ptr<IVerbindung>& connection, int window, int imTnc);
    // One information frame, sent again after a failed exchange only when the TNC's counts show it
    // did not take it; `imTnc` follows the counts. False only on the stop request.
    bool InformationSenden(int c, std::string_view data, int& imTnc, int& code, std::string& reply);
    void TrennenNachricht(int c);
    void GetoetetSetzen(int c, bool killed);
    // The shut-down save of the live links under the device key.
    void VerbindungenSpeichern();

    std::array<bool, kKanaele> getoetet_{};
    bool mehrArbeit_ = false;
    bool zwischendurch_ = false;
    // The last status visit of the channel left data queued.
    std::array<bool, kKanaele> sendetSchon_{};
    // When the report of a connect being set up on the channel was last asked for between channels.
    std::array<std::uint64_t, kKanaele> verbindetGefragt_{};
    // "O" and "F": 1 due on the channel, 2 put off once already (after frames went out).
    std::array<int, kKanaele> ofFaellig_{};
    std::uint64_t statusZeitMs_ = 0;
    bool statusZeitGesetzt_ = false;
};

} // namespace quarn
