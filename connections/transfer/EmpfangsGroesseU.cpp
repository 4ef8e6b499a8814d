#include "connections/transfer/EmpfangsGroesseU.h"

#include "platform/Codepage.h"

namespace quarn {

TEmpfangsGroesse PruefeEmpfangsGroesse(std::int64_t groesse, std::int64_t vorhanden, std::int64_t frei) {
    if (groesse == 0) {
        return TEmpfangsGroesse::Leer;
    }
    if (groesse > kEmpfangMaxGroesse) {
        return TEmpfangsGroesse::ZuGross;
    }
    if (frei >= 0 && groesse - vorhanden > frei) {
        return TEmpfangsGroesse::KeinPlatz;
    }
    return TEmpfangsGroesse::Passt;
}

std::string GroessenMeldung(std::string_view art, TEmpfangsGroesse pruefung, std::string_view groesse,
                            std::int64_t frei, const std::filesystem::path& ordner) {
    const std::string kopf = std::string(art) + "-Empfang abgelehnt: ";
    const std::string bytes = std::string(groesse) + " Bytes";
    switch (pruefung) {
    case TEmpfangsGroesse::Passt:
        break;
    case TEmpfangsGroesse::Leer:
        return kopf + "leere Datei (0 Bytes).";
    case TEmpfangsGroesse::ZuGross:
        return kopf + bytes + Utf8ToCp1252(" sind zu groß (höchstens ") + std::to_string(kEmpfangMaxGroesse) +
               " Bytes).";
    case TEmpfangsGroesse::KeinPlatz:
        return kopf + bytes + ", aber nur " + std::to_string(frei) + " Bytes frei in:\r" +
               Utf8ToCp1252(ordner.string());
    }
    return {};
}

} // namespace quarn
