#pragma once

#include "devices/channel/KanalBoxListe.h"
#include "foundation/InterfacesU.h"
#include "foundation/StartupU.h"
#include "platform/CriticalSection.h"

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class QMenu;
class QWidget;

namespace quarn {

class IKanalFenster;
class IKanalKnopf;
class TConsole;
class TFileStreamKio;
class TRichEditQuarn;
struct TKanalAktionen;
struct TSendenVorgabe;

// A console buffer that cannot be opened. The operator has been told already; the start-up ends the
// program with exit code 5 (kExitConsoleBuffer).
class EKonsolenpuffer : public EProgrammEnde {
public:
    EKonsolenpuffer(std::string_view className, std::string_view method, std::string_view message = {})
        : EProgrammEnde(kExitConsoleBuffer, className, method, message) {}
    std::string className() const override { return "EKonsolenpuffer"; }
};

// Console palette indices of the channel's output.
namespace kanalfarbe {
inline constexpr int kHinweis = 15;   // prompt kind 0 and notices on a new line
inline constexpr int kEmpfangen = 10; // received text, prompt kind 1, monitor header
inline constexpr int kGesendet = 1;   // sent text, prompt kind 2, flagged monitor header
inline constexpr int kPrompt3 = 8;
inline constexpr int kPromptSonst = 9;
inline constexpr int kMonitorInfo = 5;
inline constexpr int kMonitorMeldung = 6;
} // namespace kanalfarbe

// The scroll-back file of a channel's console: "<folder>Buffer%2.2x.qvn".
std::filesystem::path KanalPufferDatei(const std::filesystem::path& bufferFolder, int number);

// One of the operator's conversation places: channel 0 is the monitor of all frames heard, channels 1..n
// each carry at most one connection. It owns its console, its input editor and its button on the window
// it lives in (reached only through IKanalFenster), and an optional capture file.
//
// Widgets belong to the GUI thread. Connections and devices call from their own threads: every such
// operation is handed to the GUI thread with Synchronize and does nothing once the channel is released,
// so a late call from a worker never reaches a destroyed widget. Whether a channel is free is answered
// on the caller's thread from atomic flags, because the free-channel search runs under the channel set's
// lock, which the GUI thread takes as well.
class TKanal final : public IKanal,
                     public IKanalFuerVerbindung,
                     public IKanalForBoxlist,
                     public IPublisher,
                     public std::enable_shared_from_this<TKanal> {
public:
    // Where the channel keeps its buffer file, its fonts and its place; the channel set hands these in.
    struct TUmgebung {
        IKanalFenster* fenster = nullptr;
        std::filesystem::path pufferOrdner;
        // The operator pressed the channel's button.
        std::function<void(int number)> knopfGedrueckt;
        // The channel became the context channel (activated).
        std::function<void(const std::shared_ptr<IKanal>&)> kontextKanal;
        // Makes the mailbox list; empty: the real one.
        TKanalBoxListeFabrik boxListe;
    };

    // GUI thread. Makes console, editor and button; a console buffer that cannot be opened shows the
    // message and raises EKonsolenpuffer. Use Erzeugen: the object must be owned by a shared_ptr.
    static std::shared_ptr<TKanal> Erzeugen(int number, TUmgebung umgebung);
    ~TKanal() override;
    TKanal(const TKanal&) = delete;
    TKanal& operator=(const TKanal&) = delete;

    // ---- IKanal ----
    bool IsFrei() const override;
    bool IsUnbelegt() const override;
    bool IsVerbunden() const override;
    void SetAktiv(bool active) override;
    std::shared_ptr<IVerbindung> GetVerbindung() const override;
    void SetFont(const QFont& font) override;
    void KeyPress(int& key, unsigned shift) override;
    void MonitorAusgabe(std::string_view header, std::string_view information, bool flag) override;
    int Ausgabe(int colour, std::string_view text) override;
    void Senden() override;
    void SendenDateien(const std::vector<std::filesystem::path>& files) override;
    void SendenText(std::string_view text) override;
    void SendenDialogGeschlossen() override;
    bool GetReserviert() const override;
    void SetReserviert(bool reserved) override;
    void Release() override;
    void Speichern() override;
    void SetShowDOS(bool show) override;
    bool GetShowDOS() const override;
    void SetDosUmlaute(bool convert) override;
    bool GetDosUmlaute() const override;
    int GetNummer() const override { return number_; }
    void EditCut() override;
    void EditCopy() override;
    void EditPaste() override;
    void EditDelete() override;
    void EditSelectAll() override;
    void BoxRead(bool toggle, bool refresh) override;
    void BoxErase(bool toggle, bool refresh) override;
    void BoxUncheck(bool refresh) override;
    void BoxRun() override;
    void StatusbarAktualisieren(bool all) override;
    void FarbenUebernehmen() override;
    void ClearConsole() override;
    std::string GetHint() const override;
    void HintZeigen() override;
    void PactorChangeOver() override;
    void PactorBreakIn() override;
    void SetZeilen(int rows) override;

    // ---- IKanalFuerVerbindung ----
    void Notify(void* data) override;
    std::uint8_t GetStatus() const override;
    void StatusAktualisieren() override;
    void PromptAusgabe(std::string_view text, int kind) override;
    void Prompt(std::string_view text, int kind) override;
    int TextEmpfangen(std::string_view text) override;
    void TextGesendet(std::string_view text) override;
    void Verbunden() override;
    void SetVerbindung(std::shared_ptr<IVerbindung> connection) override;
    void Getrennt(int reason) override;
    void VerbindungGeaendert() override;
    void CallChange() override;
    void StopAktualisieren() override;
    void MarkiereZeile(int row) override;

    // ---- IKanalForBoxlist ----
    TConsole* GetConsole() const override;

    // ---- IPublisher ----
    void Subscribe(const std::shared_ptr<ISubscriber>& subscriber) override;
    void Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) override;

    // A line the operator typed (the input editor's OnSendText). GUI thread.
    void TextEingegeben(const std::string& line);

    // GUI thread; for the window and tests.
    bool IsAktiv() const { return active_; }
    bool IsReleased() const { return released_; }
    TRichEditQuarn* GetEingabe() const { return editor_.get(); }
    IKanalKnopf* GetKnopf() const { return button_.get(); }
    // The open capture file's path, empty when none.
    std::filesystem::path GetMitschriebDatei() const;
    // Opens a capture file that receives all further output. False when it cannot be opened for writing.
    bool MitschreibenStarten(const std::filesystem::path& file, bool append);
    // The save after the operator chose a file: asks overwrite or append for an existing one, writes the
    // console's selection and keeps the file open as capture file unless a selection ending before the
    // newest line was saved. False when cancelled or the file cannot be written (the operator is told).
    bool SpeichernNach(const std::filesystem::path& file);
    // The name the save dialog proposes: the peer's call, or "KanalNN" without a connection, with ".txt".
    QString SpeichernVorschlag() const;

    // The console's hint: kind 0 the station under a call sign at (row, column), kind 1 the age of the
    // row's line. `jetzt` is the local time now.
    std::string ConsoleHint(int kind, int row, int column, const QDateTime& jetzt);
    // The context menu of the console or the input editor; the caller shows and deletes it.
    std::unique_ptr<QMenu> KontextMenue(bool konsole);
    // The mailbox list, made on first use; null when no maker is set.
    IKanalBoxListe* BoxListe();
    bool HatBoxListe() const { return static_cast<bool>(boxListe_); }

private:
    TKanal(int number, TUmgebung umgebung);
    void Erstellen();

    // Runs `work` on the GUI thread unless the channel is released by then.
    void AufGui(const std::function<void()>& work);

    // GUI-thread bodies of the output operations.
    int AusgabeGui(int colour, std::string_view text);
    void NeueZeile(std::string_view text, int image);
    void PromptAusgabeGui(std::string_view text, int kind);
    void Mitschreiben(std::string_view text);
    void KnopfBild();
    void Statuszeile();
    void StatusbarAktualisierenGui(bool all);
    void StopAktualisierenGui();
    void EditAktionen();
    void CallChangeGui();
    void UIFrameSenden(const std::string& line);
    // Brings the channel's send-file wizard forward, or opens one with the preset.
    void SendenOeffnen(const TSendenVorgabe& vorgabe);
    // On activation: a visible wizard that is not the active window floats on top and takes the focus
    // (true); an active one stops floating (false, the input editor takes the focus as usual).
    bool SendenDialogNachVorn();
    // On deactivation: a visible wizard stops floating on top.
    void SendenDialogZurueck();
    void StatusListener(bool listen, const std::shared_ptr<IVerbindung>& connection);
    void BedienungVerbinden();
    void BoxZeilen(int& first, int& last) const;
    void TextMakro(int kind, bool insert);
    void KontextMenueZeigen(bool konsole, const QPoint& globalPos);
    std::filesystem::path SpeichernDialog();

    const int number_;
    const TUmgebung umgebung_;

    // GUI thread only.
    bool released_ = false;
    bool active_ = false;
    bool unseen_ = false;
    bool dosUmlaute_ = false;
    std::unique_ptr<TConsole> console_;
    std::unique_ptr<TRichEditQuarn> editor_;
    std::unique_ptr<IKanalKnopf> button_;
    std::unique_ptr<IKanalBoxListe> boxListe_;
    // The send-file wizard while it is open; it frees itself.
    QPointer<QWidget> sendenDialog_;

    // The running transfer as last told: identity, state, name, size and percentage.
    struct TTransfer {
        const void* id = nullptr;
        std::uint8_t state = 0;
        std::string name;
        std::int64_t size = 0;
        float progress = 0.0F;
    };
    TTransfer transfer_;
    QString shownProgress_;

    // Read from any thread.
    std::atomic<bool> reserved_{false};
    mutable std::mutex connectionLock_;
    std::shared_ptr<IVerbindung> connection_;

    mutable CriticalSection captureLock_;
    std::unique_ptr<TFileStreamKio> capture_;
    CriticalSection outputLock_;

    std::shared_ptr<TPublisher> publisher_;
};

} // namespace quarn
