#include "ui/editoren/KlaengeModell.h"

#include "platform/Exception.h"
#include "stations/KlaengeU.h"

namespace quarn {
namespace {

constexpr const char* kUnit = "KlaengeModell";
constexpr auto kKeiner = static_cast<std::uint8_t>(TSignalArt::Keiner);
constexpr auto kKeine = static_cast<std::uint8_t>(TAnsageArt::Keine);

} // namespace

TKlaengeModell::TKlaengeModell(TKlaenge& klaenge) : klaenge_(klaenge) {}

void TKlaengeModell::Init(bool global) {
    global_ = global;
    call_.clear();
    eintraege_.clear();
    for (int event = 0; event < kSoundEventCount; ++event) {
        if (global || !SoundEventInfo(event).NurGlobal) {
            TKlangEintrag eintrag;
            eintrag.event = event;
            eintraege_.push_back(std::move(eintrag));
        }
    }
}

void TKlaengeModell::SetRufzeichen(std::string_view call) {
    call_ = std::string(call);
    for (TKlangEintrag& eintrag : eintraege_) {
        eintrag.geladen = false;
    }
}

TKlangEintrag& TKlaengeModell::Geladen(int index) {
    QUARN_ASSERT(index >= 0 && index < Anzahl(), kUnit);
    TKlangEintrag& eintrag = eintraege_[static_cast<std::size_t>(index)];
    // Without a station yet there is nothing of its own to read; an empty call would mean the global one.
    if (!eintrag.geladen && (global_ || !call_.empty())) {
        klaenge_.Load(global_ ? std::string_view() : std::string_view(call_), eintrag.event, eintrag.ansage,
                      eintrag.waveFile, eintrag.signal);
        eintrag.eigenerKlang = eintrag.signal != 0;
        eintrag.eigeneAnsage = eintrag.ansage != 0;
        eintrag.geladen = true;
    }
    return eintrag;
}

const TKlangEintrag& TKlaengeModell::Eintrag(int index) {
    return Geladen(index);
}

void TKlaengeModell::GlobalLesen(int event, std::uint8_t& signal, std::string& waveFile,
                                 std::uint8_t& ansage) {
    klaenge_.Load(std::string_view(), event, ansage, waveFile, signal);
}

TKlangAnzeige TKlaengeModell::Anzeige(int index) {
    const TKlangEintrag& eintrag = Geladen(index);
    TKlangAnzeige anzeige;
    anzeige.eigenerKlang = global_ || eintrag.eigenerKlang;
    anzeige.eigeneAnsage = global_ || eintrag.eigeneAnsage;
    anzeige.eigeneAnsageMoeglich = SoundEventInfo(eintrag.event).HatAnsage;
    anzeige.klangWaehlbar = anzeige.eigenerKlang;
    anzeige.ansageWaehlbar = anzeige.eigeneAnsage && anzeige.eigeneAnsageMoeglich;

    std::uint8_t globalSignal = 0;
    std::string globalWave;
    std::uint8_t globalAnsage = 0;
    const bool globalNoetig =
        !anzeige.eigenerKlang || eintrag.signal == 0 || !anzeige.eigeneAnsage || eintrag.ansage == 0;
    if (globalNoetig) {
        GlobalLesen(eintrag.event, globalSignal, globalWave, globalAnsage);
    }
    if (anzeige.eigenerKlang && eintrag.signal != 0) {
        anzeige.signal = eintrag.signal;
        anzeige.waveFile = eintrag.waveFile;
    } else {
        anzeige.signal = globalSignal;
        anzeige.waveFile = globalWave;
    }
    anzeige.ansage = anzeige.eigeneAnsage && eintrag.ansage != 0 ? eintrag.ansage : globalAnsage;
    return anzeige;
}

void TKlaengeModell::KlangUebernehmen(int index, std::uint8_t signal, std::string_view waveFile) {
    TKlangEintrag& eintrag = Geladen(index);
    if (global_ || eintrag.eigenerKlang) {
        eintrag.signal = signal;
        eintrag.waveFile = std::string(waveFile);
    }
}

void TKlaengeModell::AnsageUebernehmen(int index, std::uint8_t ansage) {
    TKlangEintrag& eintrag = Geladen(index);
    if (global_ || eintrag.eigeneAnsage) {
        eintrag.ansage = ansage;
    }
}

void TKlaengeModell::SetEigenerKlang(int index, bool eigen) {
    Geladen(index).eigenerKlang = eigen;
}

void TKlaengeModell::SetEigeneAnsage(int index, bool eigen) {
    Geladen(index).eigeneAnsage = eigen;
}

void TKlaengeModell::Apply() {
    if (!global_ && call_.empty()) {
        return;
    }
    const std::string_view call = global_ ? std::string_view() : std::string_view(call_);
    for (const TKlangEintrag& eintrag : eintraege_) {
        if (!eintrag.geladen) {
            continue;
        }
        std::uint8_t signal = 0;
        std::string waveFile;
        if (global_ || eintrag.eigenerKlang) {
            signal = global_ && eintrag.signal == 0 ? kKeiner : eintrag.signal;
            waveFile = eintrag.waveFile;
        }
        std::uint8_t ansage = 0;
        if (global_ || eintrag.eigeneAnsage) {
            ansage = global_ && eintrag.ansage == 0 ? kKeine : eintrag.ansage;
        }
        if (signal != 0 || ansage != 0) {
            klaenge_.Save(call, eintrag.event, ansage, waveFile, signal);
        } else {
            klaenge_.DeleteStation(call, eintrag.event);
        }
    }
}

std::vector<TKlangSchemaEintrag> TKlaengeModell::SchemaEintraege() {
    std::vector<TKlangSchemaEintrag> schema;
    for (int index = 0; index < Anzahl(); ++index) {
        const TKlangEintrag& eintrag = Geladen(index);
        if (global_ || eintrag.eigenerKlang) {
            schema.push_back(TKlangSchemaEintrag{eintrag.event, eintrag.signal, eintrag.waveFile});
        }
    }
    return schema;
}

void TKlaengeModell::SchemaUebernehmen(const std::map<std::string, std::string>& keys,
                                       const std::filesystem::path& folder) {
    for (TKlangEintrag& eintrag : eintraege_) {
        const TKlangSchemaWert wert = KlangSchemaWert(keys, eintrag.event, folder);
        eintrag.signal = wert.signal;
        eintrag.waveFile = wert.waveFile;
        if (!eintrag.geladen) {
            // The announcement is no part of a scheme: keep what is stored.
            std::uint8_t signal = 0;
            std::string waveFile;
            klaenge_.Load(global_ ? std::string_view() : std::string_view(call_), eintrag.event,
                          eintrag.ansage, waveFile, signal);
            eintrag.eigeneAnsage = eintrag.ansage != 0;
        }
        eintrag.eigenerKlang = wert.vorhanden;
        eintrag.geladen = true;
    }
}

} // namespace quarn
