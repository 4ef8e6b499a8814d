#include "connections/ConnectionsListU.h"
#include "connections/remote/RemoteCommandBefehle.h"
#include "connections/remote/RemoteCommandManagerU.h"
#include "connections/VerbindungSenden.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/VersionInfo.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "stations/KlaengeU.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteU.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace quarn {
namespace {

constexpr int kTextAbschied = 1;
constexpr int kTextInfo = 2;
constexpr int kTextNews = 3;
constexpr int kKlangRing = 6;

// An operator's stored text for the peer: the "^" escapes are the operator's, so they are resolved in
// the template only; the peer's name that %N puts in goes out as it is.
std::string Vorlage(int kind, const IVerbindung& connection) {
    std::string text;
    if (TTexte* texte = Texte()) {
        texte->ExpandText(kind, &connection, text,
                          [](std::string_view vorlage) { return CaretEscapes(vorlage); });
    }
    return text;
}

bool BeginntMit(std::string_view wort, std::string_view parameter) {
    return !parameter.empty() && parameter.size() <= wort.size() &&
           Cp1252UpperCase(wort.substr(0, parameter.size())) == Cp1252UpperCase(parameter);
}

class TRemoteCommandBinmode final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view parameter) override {
        if (BeginntMit("didadit", parameter)) {
            Connection().SetBinMode(5);
        } else if (BeginntMit("autobin", parameter)) {
            Connection().SetBinMode(2);
        }
        const std::uint8_t mode = Connection().GetBinMode();
        Meldung(std::string("Übertragungsprotokoll: ") + (mode == 2   ? "AUTOBIN"
                                                          : mode == 5 ? "DIDADIT"
                                                                      : "unbekannt"));
    }
};

class TRemoteCommandCStatus final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view) override {
        std::string text = std::string(TRemoteCommands::kPrefix) + "Verbindungs-Status:\r\r";
        if (const TConnectionsList* list = TConnectionsList::Instance()) {
            const TConnectionsList::ScopedLock lock(*list);
            for (int i = 0; i < list->Count(); ++i) {
                const auto connection = list->Get(i);
                char line[96];
                std::snprintf(line, sizeof line, "  %-9s %s %-9s\r", connection->Get_MyCall().c_str(),
                              connection->GetAusgehend() ? ">" : "<", connection->Get_Call().c_str());
                text += line;
            }
        }
        text += '\r';
        Send(text);
    }
};

class TRemoteCommandDisconnect final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view) override { Connection().Disconnect(); }
};

class TRemoteCommandEcho final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    // The peer's own bytes come back as they came: no escapes, so it cannot make us send control codes.
    void Execute(std::string_view parameter) override { Send(std::string(parameter) + "\r"); }
};

class TRemoteCommandHelp final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view) override {
        TRemoteCommandManager* manager = RemoteCommandManager();
        if (manager == nullptr) {
            return;
        }
        const auto commands = manager->Commands();
        std::vector<std::string> names;
        manager->GetDisplayNames(names);
        std::size_t breite = 0;
        for (const auto& name : names) {
            breite = std::max(breite, name.size());
        }
        const std::string call = Connection().Get_Call();
        std::string text =
            std::string(TRemoteCommands::kPrefix) + Utf8ToCp1252("Verfügbare Fernsteuerbefehle:") + "\r\r";
        std::string gesperrt;
        for (std::size_t i = 0; i < commands.size() && i < names.size(); ++i) {
            if (!manager->IsAllowedFor(call, commands[i].name)) {
                gesperrt += (gesperrt.empty() ? "" : ", ") + names[i];
                continue;
            }
            std::string zeile = "  //" + names[i] + std::string(breite - names[i].size(), ' ');
            if (!commands[i].helpText.empty()) {
                zeile += " - " + Utf8ToCp1252(commands[i].helpText);
            }
            text += zeile + "\r";
        }
        text += '\r';
        if (!gesperrt.empty()) {
            text += "Gesperrte Fernsteuerbefehle: " + gesperrt + ".\r\r";
        }
        Send(text);
    }
};

class TRemoteCommandInfo final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view) override {
        const std::string text = Vorlage(kTextInfo, Connection());
        if (text.empty()) {
            Meldung("Kein Info-Text vorhanden.");
        } else {
            Send(text);
        }
    }
};

class TRemoteCommandNews final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view) override {
        const std::string text = Vorlage(kTextNews, Connection());
        if (text.empty()) {
            Meldung("Keine Neuigkeiten.");
        } else {
            Send(text);
        }
    }
};

class TRemoteCommandName final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view parameter) override {
        TStationenDatenbank* database = StationenDatenbank();
        const std::string call = Connection().Get_Call();
        std::shared_ptr<IStationenDatenbankEintrag> entry;
        if (database != nullptr) {
            entry = database->GetEintrag(call);
            if (!entry) {
                entry = database->GetEintrag(StripSSID(call));
            }
            if (!entry) {
                entry = database->CreateEintrag(StripSSID(call));
            }
        }
        if (!entry) {
            Meldung("Fehler.");
            return;
        }
        if (!parameter.empty()) {
            entry->SetName(parameter);
        }
        const std::string name = entry->GetName();
        if (name.empty()) {
            Meldung("Name unbekannt.");
            return;
        }
        // The name is the peer's text and goes back verbatim.
        Send(std::string(TRemoteCommands::kPrefix) + "Hallo " + name + ".\r");
    }
};

class TRemoteCommandQuit final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view) override {
        const std::string text = Vorlage(kTextAbschied, Connection());
        if (!text.empty()) {
            Send(text);
        }
        // The graceful disconnect lets the queued farewell go out first.
        Connection().Disconnect();
    }
};

class TRemoteCommandRing final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view) override {
        TKlaenge* klaenge = Klaenge();
        if (klaenge != nullptr && klaenge->Play(kKlangRing, &Connection())) {
            Meldung("Es hat geklingelt.");
        } else {
            Meldung("Es hat nicht geklingelt.");
        }
    }
};

class TRemoteCommandRTT final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view parameter) override {
        const std::uint32_t jetzt = GetTickCount();
        if (parameter.empty()) {
            Send("//e //rtt " + std::to_string(static_cast<std::int32_t>(jetzt)) + "\r");
            return;
        }
        std::int32_t zahl = 0;
        const auto [end, error] =
            std::from_chars(parameter.data(), parameter.data() + parameter.size(), zahl);
        if (error != std::errc{} || end != parameter.data() + parameter.size() || zahl == 0) {
            Meldung("Fehler.");
            return;
        }
        // Tick counts wrap; the difference in 32 bits is right across the wrap.
        const std::uint32_t laufzeit = jetzt - static_cast<std::uint32_t>(zahl);
        Meldung("Laufzeit: " + std::to_string((laufzeit + 500U) / 1000U) + " sek.");
    }
};

class TRemoteCommandSID final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view) override { Connection().SID(); }
};

class TRemoteCommandVersion final : public TRemoteCommand {
public:
    using TRemoteCommand::TRemoteCommand;
    void Execute(std::string_view) override { Meldung("Version " + ProgramVersion()); }
};

template <typename Command>
std::unique_ptr<TRemoteCommand> Make(std::shared_ptr<IVerbindung> connection, TRemoteCommands& interpreter) {
    return std::make_unique<Command>(std::move(connection), interpreter);
}

} // namespace

void RegisterRemoteCommands(TRemoteCommandManager& manager) {
    manager.RegisterCommand(Make<TRemoteCommandBinmode>, "binmode", 3, false,
                            "Wählt ein Binärübertragungsprotokoll aus");
    manager.RegisterCommand(MakeRemoteCommandCD, "cd", 2, false, "Wechselt den aktuellen Ordner");
    manager.RegisterCommand(Make<TRemoteCommandCStatus>, "cstatus", 2, false,
                            "Zeigt die bestehenden Verbindungen an");
    manager.RegisterCommand(MakeRemoteCommandDir, "dir", 3, false,
                            "Zeigt den Inhalt des aktuellen Ordners an");
    manager.RegisterCommand(Make<TRemoteCommandDisconnect>, "disconnect", 3, true, "Trennt die Verbindung");
    manager.RegisterCommand(Make<TRemoteCommandEcho>, "echo", 1, true, "Sendet Text zurück");
    manager.RegisterCommand(Make<TRemoteCommandHelp>, "help", 1, true, "Zeigt diese Hilfe an");
    manager.RegisterCommand(Make<TRemoteCommandInfo>, "info", 1, true,
                            "Zeigt Informationen über diese Station");
    manager.RegisterCommand(Make<TRemoteCommandName>, "name", 1, true,
                            "Trägt den Namen in die Datenbank ein");
    manager.RegisterCommand(Make<TRemoteCommandNews>, "news", 2, true, "Zeigt aktuelle Informationen");
    manager.RegisterCommand(Make<TRemoteCommandQuit>, "quit", 1, true,
                            "Sendet Abschiedstext und trennt die Verbindung");
    manager.RegisterCommand(MakeRemoteCommandRead, "read", 1, false, "Lädt eine Datei herunter");
    manager.RegisterCommand(Make<TRemoteCommandRing>, "ring", 2, true, "Ruft den Benutzer");
    manager.RegisterCommand(Make<TRemoteCommandRTT>, "rtt", 2, true, "Misst die Laufzeit (hin und zurück)");
    manager.RegisterCommand(Make<TRemoteCommandSID>, "sid", 3, true, "Sendet die Terminal-Station-ID");
    manager.RegisterCommand(Make<TRemoteCommandVersion>, "version", 1, true,
                            "Gibt die Version von Quarn aus");
}

} // namespace quarn
