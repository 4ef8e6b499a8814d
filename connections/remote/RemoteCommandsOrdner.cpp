#include "connections/send/DateiSendenU.h"
#include "connections/remote/RemoteCommandBefehle.h"
#include "foundation/DebOutU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/OrdnerU.h"
#include "platform/Codepage.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TRemoteCommands";

std::string MitBackslash(std::string text) {
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

// The folder below the remote folder and a name in it, as the station writes them.
std::string Verbunden(std::string_view ordner, std::string_view name) {
    return std::string(ordner) + "\\" + std::string(name);
}

// "dd.MM.yyyy hh:mm" in local time, as a German system shows it, whatever the process locale.
std::string DeutschesDatum(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min);
    return text;
}

bool IstDatei(const TRemoteDirEntry& entry) {
    return (entry.Attr & faDirectory) == 0;
}

// The folder is the station's own text and goes back verbatim.
std::string Verweigerung(std::string_view ordner) {
    return std::string(TRemoteCommands::kPrefix) + "Zugriff verweigert. Ordner: " + std::string(ordner) +
           "\r";
}

struct TListe {
    std::string muster;
    std::string ordner;
    std::vector<TRemoteDirEntry> entries;
};

// What the station's request names below its current folder; false when it leads out of the remote folder.
bool Auflisten(const TRemoteCommands& interpreter, std::string_view parameter, bool mitMuster,
               TListe& liste) {
    const std::string pfad = Verbunden(interpreter.GetOrdner(), MitBackslash(std::string(parameter)));
    return TOrdner().DirRemote(pfad, mitMuster, liste.muster, liste.ordner, liste.entries);
}

class TRemoteCommandDir final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view parameter) override {
        // Without a parameter the current folder is listed whole.
        TListe liste;
        if (!Auflisten(Interpreter(), parameter, true, liste)) {
            Send(Verweigerung(liste.ordner));
            return;
        }
        const auto& [muster, ordner, entries] = liste;
        std::string text =
            std::string(TRemoteCommands::kPrefix) + "Inhalt von " + ordner + "\\" + muster + "\r\r";
        std::uint64_t anzahl = 0;
        std::uint64_t summe = 0;
        for (const auto& entry : entries) {
            char groesse[32];
            if (IstDatei(entry)) {
                std::snprintf(groesse, sizeof groesse, "%11s", DeutscheZahl(entry.Size).c_str());
                ++anzahl;
                summe += entry.Size;
            } else {
                std::snprintf(groesse, sizeof groesse, "%-11s", "<DIR>");
            }
            text += DeutschesDatum(entry.Time) + " " + groesse + " " + entry.Name +
                    (IstDatei(entry) ? "" : "\\") + "\r";
        }
        if (!entries.empty()) {
            text += '\r';
        }
        text +=
            std::string(9, ' ') + std::to_string(anzahl) + " Dateien, " + DeutscheZahl(summe) + " Bytes\r";
        Send(text);
    }
};

class TRemoteCommandCD final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view parameter) override {
        if (!parameter.empty() && !Wechseln(MitBackslash(std::string(parameter)))) {
            Meldung("Ungültiger Parameter");
            return;
        }
        Send(std::string(TRemoteCommands::kPrefix) + "Aktueller Ordner: " + Interpreter().GetOrdner() +
             "\\\r");
    }

private:
    bool Wechseln(const std::string& parameter) const {
        std::string ziel =
            parameter.starts_with('\\') ? parameter : Verbunden(Interpreter().GetOrdner(), parameter);
        if (ziel.starts_with('\\')) {
            DebOutObj(kClass, "CD", "Call");
            ziel.erase(0, 1);
        }
        const TOrdner ordner;
        std::string neu;
        if (Ordner(ordner, ziel, neu)) {
            Interpreter().SetOrdner(neu);
            return true;
        }
        // Taken as a pattern: the first folder it matches. Its real place is checked again.
        std::string muster;
        std::string gefunden;
        std::vector<TRemoteDirEntry> entries;
        if (!ordner.DirRemote(ziel, true, muster, gefunden, entries)) {
            return false;
        }
        DebOutObj(kClass, "CD", "T: " + Cp1252ToUtf8(gefunden));
        for (const auto& entry : entries) {
            if (!IstDatei(entry)) {
                const std::string kandidat = gefunden.empty() ? entry.Name : Verbunden(gefunden, entry.Name);
                if (Ordner(ordner, kandidat, neu)) {
                    Interpreter().SetOrdner(neu);
                    return true;
                }
                return false;
            }
        }
        return false;
    }

    // An existing folder inside the remote folder, given back as the station sees it.
    static bool Ordner(const TOrdner& ordner, const std::string& pfad, std::string& relativ) {
        std::string muster;
        std::vector<TRemoteDirEntry> entries;
        return ordner.DirRemote(pfad, false, muster, relativ, entries) && entries.size() == 1 &&
               !IstDatei(entries.front());
    }
};

class TRemoteCommandRead final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view parameter) override {
        TListe liste;
        const bool gelistet = Auflisten(Interpreter(), parameter, !parameter.empty(), liste);
        if (!gelistet || std::none_of(liste.entries.begin(), liste.entries.end(), IstDatei)) {
            Send(Verweigerung(liste.ordner));
            return;
        }
        const auto queue = Connection().GetDateiSendenQueue();
        if (!queue) {
            throw std::runtime_error("keine Sendeliste");
        }
        const std::uint8_t protokoll =
            Connection().GetBinMode() == kProtokollDidadit ? kProtokollDidadit : kProtokollAutobin;
        // Up to a thousand jobs may wait: each keeps only the file's path, and its sender opens it.
        for (const auto& entry : liste.entries) {
            if (!IstDatei(entry)) {
                continue;
            }
            auto stream = std::make_unique<TFileStreamKio>();
            stream->SetFileName(entry.Path);
            stream->SetMode(fmOpenRead | fmShareDenyWrite);
            const auto item = std::make_shared<TDateiSenden>(ConnectionPtr());
            item->SetDateiname(entry.Path);
            item->SetAnzeigename(entry.Name);
            item->SetProtokoll(protokoll);
            item->SetGroesse(static_cast<std::int64_t>(entry.Size));
            item->SetStream(std::move(stream));
            queue->EnQueue(item);
        }
    }
};

} // namespace

std::unique_ptr<TRemoteCommand> MakeRemoteCommandCD(std::shared_ptr<IVerbindung> connection,
                                                    TRemoteCommands& interpreter) {
    return std::make_unique<TRemoteCommandCD>(std::move(connection), interpreter);
}

std::unique_ptr<TRemoteCommand> MakeRemoteCommandDir(std::shared_ptr<IVerbindung> connection,
                                                     TRemoteCommands& interpreter) {
    return std::make_unique<TRemoteCommandDir>(std::move(connection), interpreter);
}

std::unique_ptr<TRemoteCommand> MakeRemoteCommandRead(std::shared_ptr<IVerbindung> connection,
                                                      TRemoteCommands& interpreter) {
    return std::make_unique<TRemoteCommandRead>(std::move(connection), interpreter);
}

} // namespace quarn
