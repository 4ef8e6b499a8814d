#pragma once

#include "ui/editoren/KlaengeSchema.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

class TKlaenge;

// One event as the sound editor holds it until Apply.
struct TKlangEintrag {
    int event = 0;
    bool geladen = false;
    bool eigenerKlang = false;
    std::uint8_t signal = 0; // TSignalArt
    std::string waveFile;    // Windows-1252
    bool eigeneAnsage = false;
    std::uint8_t ansage = 0; // TAnsageArt
};

// What the editor shows for an event: the event's own setting, or the global one greyed when the
// station has none of its own.
struct TKlangAnzeige {
    bool eigenerKlang = false;
    bool klangWaehlbar = false;
    std::uint8_t signal = 0;
    std::string waveFile;
    bool eigeneAnsage = false;
    bool eigeneAnsageMoeglich = false; // the event has an announcement
    bool ansageWaehlbar = false;
    std::uint8_t ansage = 0;
};

// The sound settings of the editor, global (every event is "own") or one station's overrides (only the
// events a station may override). Entries are read from the sounds object on first use and written by
// Apply alone.
class TKlaengeModell {
public:
    explicit TKlaengeModell(TKlaenge& klaenge);

    void Init(bool global);
    bool Global() const { return global_; }
    // Forgets everything read so far; the next use reads the station's settings.
    void SetRufzeichen(std::string_view call);
    const std::string& Rufzeichen() const { return call_; }

    int Anzahl() const { return static_cast<int>(eintraege_.size()); }
    // The event of an entry, without reading its settings.
    int Ereignis(int index) const { return eintraege_.at(static_cast<std::size_t>(index)).event; }
    const TKlangEintrag& Eintrag(int index);
    TKlangAnzeige Anzeige(int index);

    // The shown sound is kept only while it is the event's own (always in global mode).
    void KlangUebernehmen(int index, std::uint8_t signal, std::string_view waveFile);
    void AnsageUebernehmen(int index, std::uint8_t ansage);
    void SetEigenerKlang(int index, bool eigen);
    void SetEigeneAnsage(int index, bool eigen);

    // Stores every entry read: global kinds "inherit" become "none"; a station event without an own
    // sound or announcement loses its override.
    void Apply();

    // The events a scheme holds: every event in global mode, else those with an own sound.
    std::vector<TKlangSchemaEintrag> SchemaEintraege();
    // Takes the scheme's values for every event. For a station an event with a value gets its own sound,
    // one without loses it.
    void SchemaUebernehmen(const std::map<std::string, std::string>& keys,
                           const std::filesystem::path& folder);

private:
    TKlangEintrag& Geladen(int index);
    void GlobalLesen(int event, std::uint8_t& signal, std::string& waveFile, std::uint8_t& ansage);

    TKlaenge& klaenge_;
    bool global_ = true;
    std::string call_;
    std::vector<TKlangEintrag> eintraege_;
};

} // namespace quarn
