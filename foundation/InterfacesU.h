#pragma once

#include "foundation/PublisherU.h"
#include "foundation/SharedEnums.h"

#include <any>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QFont;

namespace quarn {

// The internal interfaces through which devices, channels, connections, handlers and the station
// database reach one another across the order in which they are built. Each is an abstract class;
// objects behind them are counted (std::shared_ptr) and one object may implement several of them
// (cast with std::dynamic_pointer_cast). Operations keep the order of the design's interface slots.
// `kGuid` is the interface's identity where an outside program sees it (automation over D-Bus).
//
// Texts are bytes (Windows-1252), paths of local files are std::filesystem::path.

class Event;
class TConsole;
class TStream;
class TStringQueue;
class IStorage;
class IApplication;
class IKanal;
class IKanalFuerVerbindung;
class IVerbindung;
class IVerbindungFuerModul;
class IVerbindungAbstract;
class IDateiSenden;
class IDateiSendenQueue;
class IRemoteCommands;
class IStationenDatenbankEintrag;
class IStatus;

// ---- Automation interfaces of the type library "Quarn" 1.0 -----------------------------------------

// An enumerator over the items of an automation collection; each item is the collection's object
// interface (a std::shared_ptr of it) in a std::any.
class IEnumVARIANT {
public:
    virtual ~IEnumVARIANT() = default;

    // Appends up to `count` items; true when all `count` were delivered.
    virtual bool Next(int count, std::vector<std::any>& items) = 0;
    // True when the position moved on by `count` and items remain; else it is at the end.
    virtual bool Skip(int count) = 0;
    virtual void Reset() = 0;
    // A new enumerator on the same collection at the same position.
    virtual std::shared_ptr<IEnumVARIANT> Clone() const = 0;
};

class IMyCall {
public:
    static constexpr std::string_view kGuid = "{B1D97062-F1A6-4C76-ABD2-8943BB9997BE}";
    virtual ~IMyCall() = default;

    virtual std::string Get_Call() const = 0;
};

// A snapshot of the own call signs handed to an automation client.
class IMyCalls {
public:
    static constexpr std::string_view kGuid = "{9F2DEACE-7257-425D-A0C1-7BDB0B242C1F}";
    virtual ~IMyCalls() = default;

    virtual std::shared_ptr<IEnumVARIANT> NewEnum() = 0;
    // Throws for an index outside 0 .. Count-1.
    virtual std::shared_ptr<IMyCall> Item(int index) const = 0;
    virtual std::shared_ptr<IApplication> Get_Application() const = 0;
    virtual int Get_Count() const = 0;
};

// A connection as automation clients see it. WaitForText and ReceiveText act for the client of the
// calling apartment thread.
class IConnection {
public:
    static constexpr std::string_view kGuid = "{A27C567D-3FD1-479B-90AD-2CD3FD2906AE}";
    virtual ~IConnection() = default;

    virtual std::string Get_Call() const = 0;
    virtual void Set_Call(std::string_view call) = 0;
    virtual std::string Get_MyCall() const = 0;
    virtual void Set_MyCall(std::string_view myCall) = 0;
    virtual std::string Get_Digis() const = 0;
    virtual void Set_Digis(std::string_view digis) = 0;
    virtual std::string Get_Path() const = 0;
    virtual void Set_Path(std::string_view path) = 0;
    virtual std::string Get_RealPath() const = 0;
    virtual void Set_RealPath(std::string_view path) = 0;
    virtual std::int32_t Get_Handle() const = 0;
    virtual void Set_Handle(std::int32_t handle) = 0;
    virtual void Disconnect() = 0;
    virtual void SendText(std::string_view text) = 0;
    virtual void SendTextLine(std::string_view text) = 0;
    virtual void WaitForText(std::string_view text) = 0;
    virtual std::string ReceiveText() = 0;
};

// ---- Channels --------------------------------------------------------------------------------------

// A channel as the main window, the channel set, the send-file wizard and the drop target use it.
class IKanal {
public:
    static constexpr std::string_view kGuid = "{4E73C222-11F3-11D2-8BDC-00A0243DC10A}";
    virtual ~IKanal() = default;

    virtual bool IsFrei() const = 0;     // not reserved, no connection, not the monitor
    virtual bool IsUnbelegt() const = 0; // no connection, not the monitor
    virtual bool IsVerbunden() const = 0;
    virtual void SetAktiv(bool active) = 0;
    virtual std::shared_ptr<IVerbindung> GetVerbindung() const = 0;
    virtual void SetFont(const QFont& font) = 0;
    // Keys routed to the active channel; shift bits 1 Shift, 2 Alt, 4 Ctrl. A handled key becomes 0.
    virtual void KeyPress(int& key, unsigned shift) = 0;
    virtual void MonitorAusgabe(std::string_view header, std::string_view information, bool flag) = 0;
    // Returns the console row the text went to.
    virtual int Ausgabe(int colour, std::string_view text) = 0;
    virtual void Senden() = 0;
    virtual void SendenDateien(const std::vector<std::filesystem::path>& files) = 0;
    // Opens the send-file wizard preset with this text.
    virtual void SendenText(std::string_view text) = 0;
    virtual void SendenDialogGeschlossen() = 0;
    virtual bool GetReserviert() const = 0;
    virtual void SetReserviert(bool reserved) = 0;
    virtual void Release() = 0;
    virtual void Speichern() = 0;
    virtual void SetShowDOS(bool show) = 0;
    virtual bool GetShowDOS() const = 0;
    virtual void SetDosUmlaute(bool convert) = 0;
    virtual bool GetDosUmlaute() const = 0;
    virtual int GetNummer() const = 0;
    virtual void EditCut() = 0;
    virtual void EditCopy() = 0;
    virtual void EditPaste() = 0;
    virtual void EditDelete() = 0;
    virtual void EditSelectAll() = 0;
    virtual void BoxRead(bool toggle, bool refresh) = 0;
    virtual void BoxErase(bool toggle, bool refresh) = 0;
    virtual void BoxUncheck(bool refresh) = 0;
    virtual void BoxRun() = 0;
    virtual void StatusbarAktualisieren(bool all) = 0;
    virtual void FarbenUebernehmen() = 0;
    virtual void ClearConsole() = 0;
    virtual std::string GetHint() const = 0;
    virtual void HintZeigen() = 0;
    virtual void PactorChangeOver() = 0;
    virtual void PactorBreakIn() = 0;
    virtual void SetZeilen(int rows) = 0;
};

// A channel as its connection and the devices use it, from any thread. As a subscriber it is told of
// transfer progress: Notify receives the running IDateiSenden.
class IKanalFuerVerbindung : public ISubscriber {
public:
    static constexpr std::string_view kGuid = "{4E73C223-11F3-11D2-8BDC-00A0243DC10A}";

    virtual void Release() = 0;
    // The connection's state: 0 Getrennt, 1 Trenne..., 2 Verbinde..., 3 Verbunden; 0 without one.
    virtual std::uint8_t GetStatus() const = 0;
    virtual void StatusAktualisieren() = 0;
    // Text in the colour of a prompt kind (0 to 3), without the system-line prefix.
    virtual void PromptAusgabe(std::string_view text, int kind) = 0;
    // A system line: prefixed, wrapped, in the colour of the prompt kind.
    virtual void Prompt(std::string_view text, int kind) = 0;
    // Received text; returns the console row it was written at (-1 when the channel is gone).
    virtual int TextEmpfangen(std::string_view text) = 0;
    virtual void TextGesendet(std::string_view text) = 0;
    virtual void Verbunden() = 0;
    virtual void SetVerbindung(std::shared_ptr<IVerbindung> connection) = 0;
    // 0 normal, 1 link failure, 2 busy.
    virtual void Getrennt(int reason) = 0;
    virtual void VerbindungGeaendert() = 0;
    virtual void CallChange() = 0;
    virtual void StopAktualisieren() = 0;
    // The design's second Notify slot is ISubscriber::Notify itself.
    virtual int GetNummer() const = 0;
    virtual void MarkiereZeile(int row) = 0;
};

// The channel as its mailbox list sees it.
class IKanalForBoxlist {
public:
    static constexpr std::string_view kGuid = "{8A6427F4-93D6-4AFC-B828-19F8762C7069}";
    virtual ~IKanalForBoxlist() = default;

    // The channel's own console; it lives as long as the channel.
    virtual TConsole* GetConsole() const = 0;
    virtual std::shared_ptr<IVerbindung> GetVerbindung() const = 0;
};

// One radio port of a device.
class IFunkKanal {
public:
    static constexpr std::string_view kGuid = "{4E73C224-11F3-11D2-8BDC-00A0243DC10A}";
    virtual ~IFunkKanal() = default;

    virtual std::string GetBezeichnung() const = 0;
    virtual void SetBezeichnung(std::string_view description) = 0;
    virtual void SetNummer(int number) = 0;
    virtual int GetNummer() const = 0;
    virtual TConnectResult VerbindeKurz(std::string& path, std::string& myCall,
                                        std::shared_ptr<IKanal>& channel) = 0;
    // On success path holds the connected call and myCall the own call actually used; without a
    // usable channel one is taken from the channel set.
    virtual TConnectResult Verbinde(std::string& path, std::string& myCall,
                                    std::shared_ptr<IVerbindung>& connection,
                                    std::shared_ptr<IKanal>& channel) = 0;
    virtual bool IsFlexnet() const = 0;
    virtual std::string GetName() const = 0;
    virtual void SetName(std::string_view name) = 0;
    virtual bool SendUI(std::string_view destination, std::string_view myCall, std::string_view text) = 0;
};

// ---- Connections -----------------------------------------------------------------------------------

// A connection as devices, channels, the main window and the send-file wizard use it.
class IVerbindung : public IConnection {
public:
    static constexpr std::string_view kGuid = "{4E73C225-11F3-11D2-8BDC-00A0243DC10A}";

    virtual std::shared_ptr<IStatus> GetStatus() const = 0;
    virtual std::shared_ptr<IKanalFuerVerbindung> GetKanal() const = 0;
    virtual void SetKanal(std::shared_ptr<IKanalFuerVerbindung> channel) = 0;
    virtual void SetStationTyp(TStationType kind) = 0;
    virtual TStationType GetStationTyp() const = 0;
    // 0 Getrennt, 1 Trenne..., 2 Verbinde..., 3 Verbunden.
    virtual std::uint8_t GetState() const = 0;
    virtual void SetState(std::uint8_t state) = 0;
    virtual bool GetAusgehend() const = 0;
    virtual void SetAusgehend(bool outgoing) = 0;
    virtual bool GetConnectText() const = 0;
    virtual void SetConnectText(bool send) = 0;
    virtual std::shared_ptr<IDateiSendenQueue> GetDateiSendenQueue() const = 0;
    virtual void SetDateiSenden(std::shared_ptr<IDateiSenden> job) = 0;
    virtual std::shared_ptr<IDateiSenden> GetDateiSenden() const = 0;
    // The one way to put text on the connection: "^" escapes, word wrap at 78 columns, pieces of at
    // most 256 bytes onto the typed-text queue (typed) or else the transmit queue.
    virtual void SendeText(std::string_view text, bool echo, bool escapes, bool wrap, bool typed) = 0;
    virtual TStringQueue& GetTransmitQueue() = 0;
    virtual bool GetFernsteuerung() const = 0;
    virtual void SetFernsteuerung(bool enabled) = 0;
    virtual bool GetModulAktiv() const = 0;
    virtual void SetModulAktiv(bool active) = 0;
    virtual std::shared_ptr<IStationenDatenbankEintrag> GetStationenDatenbankEintrag() const = 0;
    // Preferred binary protocol of the remote station: 0 not known, 2 AutoBIN, 5 DIDADIT.
    virtual std::uint8_t GetBinMode() const = 0;
    virtual void SetBinMode(std::uint8_t protocol) = 0;
    // The station's own rule when it has one, else the global setting.
    virtual TIncomingConnects GetIncomingConnects() const = 0;
    virtual void Start() = 0;
    // The device reports the link down: reason 0 normal, other values a failure.
    virtual void Getrennt(int reason) = 0;
    virtual void EmpfangeText(std::string_view text) = 0;
    // Disconnect escalation: 0 None, 1 End, 2 Ended, 3 Cancel, 4 Canceled, 5 Kill, 6 Killed.
    virtual std::uint8_t GetDiscLevel() const = 0;
    virtual void DiscLevelDone() = 0;
    virtual void SaveToRegistry(std::string_view key) = 0;
    virtual void RestoreFromRegistry(std::string_view key, std::int32_t handle) = 0;
    virtual void KanalPrompt(std::string_view text, int kind) = 0;
    virtual void Release() = 0;
    virtual void StopModul() = 0;
    // Sends the station identification line.
    virtual void SID() = 0;
    // False when all client slots are taken.
    virtual bool AddApplication(const std::shared_ptr<IApplication>& client) = 0;
    virtual bool GetPactor() const = 0;
    virtual void SetPactor(bool pactor) = 0;
    virtual void PactorChangeOver() = 0;
    virtual void PactorBreakIn() = 0;
    virtual bool GetLocalEcho() const = 0;
    virtual void SetLocalEcho(bool echo) = 0;
};

// The connection as its protocol handlers see it, on the connection thread.
class IVerbindungFuerModul : public IVerbindung {
public:
    static constexpr std::string_view kGuid = "{4E73C226-11F3-11D2-8BDC-00A0243DC10A}";

    // Wait handle by id (masked to 7 bits): 3 the connection thread, 4 the disconnect event, 5 receive
    // queue holds text, 6 typed-text queue holds text, 7 transmit queue empty, 8 send queue holds
    // items; null for an id that holds nothing.
    virtual const Event* GetHandle(int id) const = 0;
    // Returns the console line the text went to, -1 without a channel.
    virtual int ZeigeEmpfangen(std::string_view text) = 0;
    virtual void ZeigeGesendet(std::string_view text) = 0;
    // Text in the colour of a prompt kind, without the system-line prefix.
    virtual void KanalNotify(std::string_view text, int kind) = 0;
    // A node reported " CONNECTED TO " / " RECONNECTED TO "; false when ignored.
    virtual bool InfoboxConnect(std::string_view call) = 0;
    virtual bool InfoboxReconnect(std::string_view call) = 0;
    virtual TStringQueue& GetReceiveQueue() = 0;
    virtual TStringQueue& GetTypedTextQueue() = 0;
    virtual std::shared_ptr<IRemoteCommands> GetRemoteCommands() const = 0;
    virtual void SetModul(std::shared_ptr<IVerbindungAbstract> handler) = 0;
    virtual std::shared_ptr<IVerbindungAbstract> GetModul() const = 0;
};

// The protocol handler attached to a connection.
class IVerbindungAbstract {
public:
    static constexpr std::string_view kGuid = "{23BE0AB9-5DE4-495C-857E-E66C38C8726A}";
    virtual ~IVerbindungAbstract() = default;

    virtual void Release() = 0;
    virtual void EventLoop() = 0;
    virtual void Stop() = 0;
    virtual std::string GetClassName() const = 0;
    virtual bool GetActive() const = 0;
};

// ---- File transfer ---------------------------------------------------------------------------------

// One file or text to send, or one being received. Its subscribers are notified with the item itself.
class IDateiSenden : public IPublisher {
public:
    static constexpr std::string_view kGuid = "{4E73C227-11F3-11D2-8BDC-00A0243DC10A}";

    virtual void Release() = 0;
    // The item owns its stream.
    virtual void SetStream(std::unique_ptr<TStream> stream) = 0;
    virtual TStream* GetStream() const = 0;
    virtual void SetDateiname(const std::filesystem::path& fileName) = 0;
    virtual std::filesystem::path GetDateiname() const = 0;
    // The name shown and sent to the peer: the name part only, characters no file name may hold
    // become "_".
    virtual void SetAnzeigename(std::string_view name) = 0;
    // Derived from the file name first when empty.
    virtual std::string GetAnzeigename() = 0;
    virtual std::string GetTextVorher() const = 0;
    virtual void SetTextVorher(std::string_view text) = 0;
    virtual std::string GetTextNachher() const = 0;
    virtual void SetTextNachher(std::string_view text) = 0;
    // 0 idle, 1 waiting, 2 running.
    virtual void SetZustand(std::uint8_t state) = 0;
    virtual std::uint8_t GetZustand() const = 0;
    // 1 text, 2 AutoBIN, 5 DIDADIT, 0 not set.
    virtual void SetProtokoll(std::uint8_t protocol) = 0;
    virtual std::uint8_t GetProtokoll() const = 0;
    virtual void SetPosition(std::int64_t bytes) = 0;
    virtual std::int64_t GetPosition() const = 0;
    virtual float GetProzent() const = 0;
    virtual void SetGroesse(std::int64_t bytes) = 0;
    virtual std::int64_t GetGroesse() const = 0;
    virtual void Warten() = 0;
    virtual void Starten() = 0;
    virtual void Beenden() = 0;
    // Throughput: the transfer handlers count every block.
    virtual void AddBytes(std::int64_t count) = 0;
};

// A connection's queue of send items. Its subscribers are notified with the queue itself.
class IDateiSendenQueue : public IPublisher {
public:
    static constexpr std::string_view kGuid = "{4E73C228-11F3-11D2-8BDC-00A0243DC10A}";

    virtual void Release() = 0;
    virtual int GetCount() const = 0;
    virtual std::shared_ptr<IDateiSenden> GetItems(int index) const = 0;
    // The item must not be queued already.
    virtual void EnQueue(std::shared_ptr<IDateiSenden> item) = 0;
    // Takes out the first item; the queue must not be empty.
    virtual std::shared_ptr<IDateiSenden> DeQueue() = 0;
    // The first item; the queue must not be empty.
    virtual std::shared_ptr<IDateiSenden> Current() const = 0;
    // Set while the queue holds items.
    virtual const Event& GetEvent() const = 0;
    // For callers that read count and items together.
    virtual void Lock() = 0;
    virtual void UnLock() = 0;
    // Returns the item's former index, -1 when it was not queued.
    virtual int Remove(const std::shared_ptr<IDateiSenden>& item) = 0;
};

// The remote-command interpreter of one connection.
class IRemoteCommands {
public:
    static constexpr std::string_view kGuid = "{4E73C229-11F3-11D2-8BDC-00A0243DC10A}";
    virtual ~IRemoteCommands() = default;

    virtual void Release() = 0;
    // One received "//" line; the reply goes back on the connection.
    virtual void Execute(std::string_view line) = 0;
};

// ---- Station database and link status --------------------------------------------------------------

// One station of the station database. Each operation runs under the entry's own lock, so any thread
// may call; the entry leaves the database's cache when the last reference goes.
class IStationenDatenbankEintrag {
public:
    static constexpr std::string_view kGuid = "{C3793260-1CF9-11D2-8BDC-00A0243DC10A}";
    virtual ~IStationenDatenbankEintrag() = default;

    virtual std::string GetRufzeichen() const = 0;
    virtual void SetName(std::string_view name) = 0;
    virtual std::string GetName() const = 0;
    virtual void SetNotizen(std::string_view notes) = 0;
    virtual std::string GetNotizen() const = 0;
    virtual void SetTyp(TStationType kind) = 0;
    virtual TStationType GetTyp() const = 0;
    // The station's incoming-connection rule.
    virtual void SetFirewall(TIncomingConnects rule) = 0;
    virtual TIncomingConnects GetFirewall() const = 0;
    virtual void SetPasswort(std::string_view myCall, TPasswortArt kind, std::string_view password,
                             TPasswortMethode method) = 0;
    virtual std::string GetPasswort(std::string_view myCall, TPasswortArt kind,
                                    TPasswortMethode method) const = 0;
    virtual std::string GetPasswortStream(std::string_view streamName) const = 0;
    virtual void DeleteStream(std::string_view streamName) = 0;
    virtual std::shared_ptr<IStorage> GetStorage() const = 0;
    virtual void SetStorage(std::shared_ptr<IStorage> storage) = 0;
    // Zero and empty outputs when the station has no sound of its own for the event.
    virtual void GetSoundEvent(int event, int& signal, int& announcement, std::string& waveFile) const = 0;
    virtual bool SetSoundEvent(int event, int signal, int announcement, std::string_view waveFile) = 0;
    virtual void DeleteSoundEvent(int event) = 0;
    virtual void GetText(int kind, std::string& text, bool& sendGlobalFirst) const = 0;
    virtual bool SetText(int kind, std::string_view text, bool sendGlobalFirst) = 0;
    virtual void DeleteText(int kind) = 0;
    // False when the station has no permission of its own for the command.
    virtual bool GetRemoteCommand(std::string_view name, bool& allowed) const = 0;
    virtual void SetRemoteCommand(std::string_view name, bool allowed) = 0;
    virtual void DeleteRemoteCommand(std::string_view name) = 0;
};

// A connection's link status: six values written by the device and the running transfer on their
// threads. A value's changed flag, once set, stays set: the value has been written at least once. The
// listener is told on the GUI thread, at most once per 100 ms burst of changes.
class IStatus {
public:
    static constexpr std::string_view kGuid = "{FCC7013F-5885-473A-A155-1A59034C8B80}";
    virtual ~IStatus() = default;

    virtual void Release() = 0;
    virtual std::shared_ptr<IKanal> GetListener() const = 0;
    virtual void SetListener(std::shared_ptr<IKanal> listener) = 0;
    // Frames not yet sent or acknowledged.
    virtual int GetOutstanding() const = 0;
    virtual void SetOutstanding(int value) = 0;
    virtual bool OutstandingChanged() const = 0;
    virtual int GetTries() const = 0;
    virtual void SetTries(int value) = 0;
    virtual bool TriesChanged() const = 0;
    virtual int GetFrack() const = 0;
    virtual void SetFrack(int value) = 0;
    virtual bool FrackChanged() const = 0;
    virtual int GetMaxframe() const = 0;
    virtual void SetMaxframe(int value) = 0;
    virtual bool MaxframeChanged() const = 0;
    // Low three bits 3 frame reject, 6 reject, 7 polling; 8 own side busy; 0x10 remote side busy.
    virtual int GetLinkStatus() const = 0;
    virtual void SetLinkStatus(int value) = 0;
    virtual bool LinkStatusChanged() const = 0;
    // Bits per second of the running transfer.
    virtual int GetBitrate() const = 0;
    virtual void SetBitrate(int value) = 0;
    virtual bool BitrateChanged() const = 0;
};

} // namespace quarn
