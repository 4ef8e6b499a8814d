#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// The sound scheme file (".qvs"): Windows-1252 text with CR LF, one section "Quarn Sound Scheme", one
// key per event ("%2.2d") whose value is the comma text of a signal code ("2" PC speaker, "1" wave file,
// "0" none) and a wave file relative to the scheme's folder. Wave files are held as Windows-1252 paths,
// turned into UTF-8 where they become file names.

inline constexpr std::string_view kKlangSchemaSection = "Quarn Sound Scheme";
// Larger files are no scheme: twenty short lines never come near it.
inline constexpr std::uintmax_t kKlangSchemaMaxBytes = 64 * 1024;

// One event as it is written.
struct TKlangSchemaEintrag {
    int event = 0;
    std::uint8_t signal = 0; // the sound's kind (TSignalArt)
    std::string waveFile;    // Windows-1252, absolute or empty
};

// One key's value as the editor takes it.
struct TKlangSchemaWert {
    bool vorhanden = false;  // the key has a non-blank value
    std::uint8_t signal = 1; // TSignalArt: 1 none, 2 PC speaker, 3 wave file
    std::string waveFile;    // Windows-1252, made absolute against the scheme's folder
    bool mitCode = false;    // "code,path"; else the whole value was a bare path
};

// The keys of the scheme's section (trimmed values, the first of a repeated key), or nothing when the
// file cannot be read, is larger than kKlangSchemaMaxBytes or has no such section.
std::optional<std::map<std::string, std::string>> LeseKlangSchemaDatei(const std::filesystem::path& file);

// The value of the event's key in `keys`, interpreted against the scheme's folder.
TKlangSchemaWert KlangSchemaWert(const std::map<std::string, std::string>& keys, int event,
                                 const std::filesystem::path& folder);

// The file's bytes for the given events.
std::string FormatKlangSchema(const std::vector<TKlangSchemaEintrag>& eintraege,
                              const std::filesystem::path& folder);

// Writes the scheme through a temporary file renamed over the target, so a failed write leaves an
// older file as it was. Empty on success, else the reason.
QString SchreibeKlangSchema(const std::filesystem::path& file,
                            const std::vector<TKlangSchemaEintrag>& eintraege);

// The key of an event: two decimal digits.
std::string KlangSchemaKey(int event);

} // namespace quarn
