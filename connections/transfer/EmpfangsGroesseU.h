#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quarn {

// The largest file a receiver takes: the transfer formats count offsets and lengths in signed 32 bits.
inline constexpr std::int64_t kEmpfangMaxGroesse = 0x7FFFFFFF;

// Whether an announced file can be held in the folder of incomplete files.
enum class TEmpfangsGroesse {
    Passt,
    Leer,      // an announced length of 0, which a format may refuse
    ZuGross,   // beyond kEmpfangMaxGroesse
    KeinPlatz, // more than the folder has free
};

// `groesse` bytes announced (0 or more), of which `vorhanden` are already on the disk (a resumed file);
// `frei` the free bytes of the folder, -1 when unknown (then only the formats' limit applies).
TEmpfangsGroesse PruefeEmpfangsGroesse(std::int64_t groesse, std::int64_t vorhanden, std::int64_t frei);

// The channel line that tells the operator why the reception of `art` ("Autobin", "Didadit") of a file
// of `groesse` bytes (decimal text as announced) was refused; Windows-1252.
std::string GroessenMeldung(std::string_view art, TEmpfangsGroesse pruefung, std::string_view groesse,
                            std::int64_t frei, const std::filesystem::path& ordner);

} // namespace quarn
