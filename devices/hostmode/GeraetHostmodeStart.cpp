// The start-up of a host-mode TNC: host mode, identification, radio ports, own calls per channel.
#include "devices/hostmode/GeraetHostmodeText.h"
#include "devices/hostmode/GeraetHostmodeU.h"
#include "foundation/DebOutU.h"
#include "platform/ThreadMessageQueue.h"

namespace quarn {

namespace {

constexpr int kPactorSucheBis = 250;
constexpr int kLetzterKanal = 255;
constexpr int kPactorPort = 7;

std::string PortName(int portNummer, int number) {
    return "HM" + std::to_string(portNummer) + std::to_string(number);
}

} // namespace

bool TGeraetHostmode::Hochfahren() {
    const std::string cls = KlassenName();
    SetStatus(TGeraetStatus::Init, GeraetText("Öffnen der Schnittstelle"));
    StatusDetailZeigen();
    frackSkaliert_ = false;
    ptc_ = false;
    if (!CommOpen()) {
        return false;
    }
    // Each check byte waits for its answer: the short time-outs of the resynchronisation.
    SetTimeouts(true);
    bool inHostmode = false;
    switch (HostmodeErkennen()) {
    case THostmodeBefund::Gleichschritt:
        DebOutObj(cls, "Run", "TNC war bereits im Hostmode.");
        inHostmode = true;
        break;
    case THostmodeBefund::AusserTritt:
        DebOutObj(cls, "Run", "TNC war bereits im Hostmode, aber nicht im Gleichschritt.");
        break;
    default:
        DebOutObj(cls, "Run", "TNC war im Terminalmode.");
        inHostmode = SchalteInHostmode();
        break;
    }
    if (inHostmode) {
        SetTimeouts(false);
    } else if (!Resync()) { // it ends in step, with the normal time-outs, or on the stop request
        return false;
    }
    DebOutObj(cls, "Run", "TNC ist im Hostmode.");
    SetStatus(TGeraetStatus::Init, GeraetText("Ist im Hostmode... Sende Init."));
    DebOutObj(cls, "Run", "Frage Gerät ab...");
    int code = 0;
    std::string version;
    if (!Sende(0, true, code, version, "V")) {
        return false;
    }
    DebOutObj(cls, "Run", "Version: " + version);

    std::string klasse = "Hostmode";
    if (IstTFWin()) {
        klasse = "TFWin";
    } else {
        const std::string upper = UpperText(version);
        if (upper.find("TNC2") != std::string::npos) {
            klasse = "TNC2";
        } else if (upper.find("TURBO-FIRMWARE") != std::string::npos) {
            klasse = "TNC3";
            frackSkaliert_ = true;
        } else if (upper.find("PTC-II") != std::string::npos) {
            klasse = "PTC-II";
            frackSkaliert_ = true;
            ptc_ = true;
        }
    }
    {
        const Locker lock(Lock());
        geraeteKlasse_ = klasse;
    }
    DebOutObj(cls, "Run", "Geräteklasse: " + klasse);

    FunkKanaeleErzeugen();
    if (IsTerminated()) {
        return false;
    }
    DebOutObjFmt(cls.c_str(), "Run", "Pactor-Channel: %d", pactorKanal_);
    if (pactorKanal_ >= 0) {
        const Locker lock(kanalLock_);
        if (kanaele_[static_cast<std::size_t>(pactorKanal_)]) {
            kanaele_[static_cast<std::size_t>(pactorKanal_)]->SetPactor(true);
        }
    }

    std::string reply;
    if (!Sende(kLetzterKanal, true, code, reply, "G")) {
        return false;
    }
    extended_ = code == 1;
    DebOutObj(cls, "Run", extended_ ? "Extended Hostmode." : "Standard Hostmode.");

    DebOutObj(cls, "Run", "Initialisiere TNC...");
    Messages().Post(ThreadMessage{msg_init, 0, 0, {}});
    SetMonitor();
    FehlerZeigen();
    DebOutObj(cls, "Run", "Frage Kanäle ab und setze Rufzeichen...");
    EigeneRufzeichenGeaendert();
    kanalAnzahl_ = EigeneRufzeichenSetzen(true);
    DebOutObjFmt(cls.c_str(), "Run", "TNC hat %d Kanäle.", kanalAnzahl_);
    return !IsTerminated();
}

void TGeraetHostmode::FunkKanalSetzen(int index, std::string description, int number, std::string name) {
    const Locker lock(funkLock_);
    funkEintraege_[static_cast<std::size_t>(index)] =
        TFunkKanalEintrag{std::move(description), number, std::move(name)};
    funkKanaele_[static_cast<std::size_t>(index)] =
        FunkKanalErzeugen(*funkEintraege_[static_cast<std::size_t>(index)]);
}

std::string TGeraetHostmode::ModemName() {
    int code = 0;
    std::string text;
    if (!Sende(0, true, code, text, "%B")) {
        return {};
    }
    std::string name;
    for (const char c : text) {
        if (c != '\r') {
            name += c;
        }
    }
    const std::size_t settings = name.find("settings: ");
    if (settings != std::string::npos) {
        name = name.substr(settings + 10);
        if (StartsWithNoCase(name, "SCS - ")) {
            name = name.substr(6);
        }
    }
    if (StartsWithNoCase(name, "NO MODEM")) {
        name.clear();
    }
    return name;
}

void TGeraetHostmode::FunkKanaeleErzeugen() {
    const std::string cls = KlassenName();
    DebOutObj(cls, "Run", "Erzeuge Funkkanäle...");
    {
        const Locker lock(funkLock_);
        funkKanaele_ = {};
        funkEintraege_ = {};
    }
    pactorKanal_ = -1;
    const int portNummer = ParameterKopie()->portNummer;
    const std::string klasse = GetGeraeteKlasse();
    bool made = false;
    int code = 0;
    std::string text;
    if (ptc_) {
        if (!Sende(0, true, code, text, "%P9")) {
            return;
        }
        if (code == 2 && StartsWithNoCase(text, "INVALID")) {
            DebOutObj(cls, "Run", "Gerätetyp: PTC-II oder PTC-IIpro");
            for (int n = 1; n <= 5; ++n) {
                if (!Sende(0, true, code, text, "%P" + std::to_string(n))) {
                    return;
                }
                if (code != 0) {
                    break;
                }
                const std::string modem = ModemName();
                if (!modem.empty()) {
                    FunkKanalSetzen(n - 1, klasse + " " + modem, n, PortName(portNummer, n));
                    made = true;
                }
            }
        } else {
            DebOutObj(cls, "Run", "Gerätetyp: PTC-IIe");
            {
                const Locker lock(Lock());
                geraeteKlasse_ = "PTC-IIe";
            }
            const std::string modem = ModemName();
            FunkKanalSetzen(0, "PTC-IIe " + modem, -1, PortName(portNummer, 0));
            made = true;
        }
        for (int i = 1; i <= kPactorSucheBis; ++i) {
            if (!Sende(i, true, code, text, "%T")) {
                return;
            }
            if (code == 1) {
                pactorKanal_ = i;
                break;
            }
            if (code != 0) {
                break;
            }
        }
        if (pactorKanal_ >= 0) {
            FunkKanalSetzen(kPactorPort, GetGeraeteKlasse() + " PACTOR", 255, PortName(portNummer, 255));
        }
    } else {
        for (int i = 1; i <= 5; ++i) {
            const int port = i % 5;
            if (!Sende(0, true, code, text, "#PORT" + std::to_string(port))) {
                return;
            }
            if (code == 0 || code == 1) {
                FunkKanalSetzen(
                    port, klasse + " " + (port == 0 ? std::string("intern") : "Port " + std::to_string(port)),
                    port, PortName(portNummer, port));
                made = true;
            }
        }
    }
    if (!made) {
        FunkKanalSetzen(0, GetGeraeteKlasse(), -1, "HM" + std::to_string(portNummer));
    }
}

int TGeraetHostmode::EigeneRufzeichenSetzen(bool all) {
    const std::string cls = KlassenName();
    const std::vector<std::string> calls = EigeneRufzeichen();
    int code = 0;
    std::string text;
    int count = 0;
    if (calls.empty()) {
        if (all) {
            // The probe ends at the last channel a TNC can have, whatever it answers.
            count = kLetzterKanal;
            for (int n = 1; n <= kLetzterKanal; ++n) {
                if (!Sende(n, true, code, text, "I")) {
                    return 0;
                }
                if (code == 2) {
                    DebOutObjFmt(cls.c_str(), "EigeneRufzeichenSetzen", "Kanal %2.2d: %s", n, text.c_str());
                    if (text == kInvalidChannelNumber) {
                        count = n - 1;
                        break;
                    }
                }
            }
        }
    } else {
        std::size_t index = 0;
        int channel = all ? 0 : 1;
        count = kLetzterKanal;
        // A TNC that never reports the end of its channels still ends the walk at the last channel.
        while (channel <= kLetzterKanal) {
            if (!Sende(channel, true, code, text, "I" + calls[index])) {
                return 0;
            }
            if (code == 0) {
                DebOutObjFmt(cls.c_str(), "EigeneRufzeichenSetzen", "Kanal %2.2d: %s", channel,
                             calls[index].c_str());
                ++channel;
                if (channel > 1 && ++index >= calls.size()) {
                    if (!all) {
                        break;
                    }
                    index = 0;
                }
            } else {
                DebOutObjFmt(cls.c_str(), "EigeneRufzeichenSetzen", "Kanal %2.2d: %s", channel, text.c_str());
                if (text == kInvalidChannelNumber) {
                    count = channel - 1;
                    break;
                }
                ++channel;
            }
        }
        if (pactorKanal_ >= 0 && !Sende(pactorKanal_, true, code, text, "I" + calls.front())) {
            return 0;
        }
    }
    if (!all) {
        return 0;
    }
    const int y = calls.empty() ? 0 : count;
    DebOutObjFmt(cls.c_str(), "EigeneRufzeichenSetzen", "Setze Y %d", y);
    Sende(0, true, code, text, "Y" + std::to_string(y));
    return count;
}

} // namespace quarn
