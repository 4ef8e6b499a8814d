#include "connections/transfer/BinSplitPartU.h"

#include "foundation/CrcU.h"
#include "foundation/DebOutU.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TBinSplitPart";
constexpr std::string_view kKennung = ">BS<";
// Header CRC line: 4 hexadecimal digits and LF; each CRC-32 line: 8 digits and LF.
constexpr std::int64_t kHeaderCrcZeile = 5;
constexpr std::size_t kCrcZeile = 9;
constexpr std::int64_t kNachDaten = 2 * kCrcZeile;
constexpr std::size_t kSuchSchritt = 256;
constexpr std::size_t kBlock = 64 * 1024;

// A whole field as a non-negative number; signs, blanks and anything after the digits are refused.
bool ReadNumber(std::string_view field, int base, std::int64_t& value) {
    std::uint64_t number = 0;
    const char* end = field.data() + field.size();
    const auto [last, error] = std::from_chars(field.data(), end, number, base);
    if (field.empty() || error != std::errc() || last != end ||
        number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return false;
    }
    value = static_cast<std::int64_t>(number);
    return true;
}

// Runs the CRC over the next `count` bytes of the stream; false when fewer could be read.
bool CrcUeber(TStream& stream, std::int64_t count, std::uint32_t& crc) {
    std::vector<char> block(static_cast<std::size_t>(std::min<std::int64_t>(count, kBlock)));
    while (count > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(count, kBlock));
        if (stream.Read(block.data(), want) != want) {
            return false;
        }
        crc = Crc32Buf(block.data(), want, crc);
        count -= static_cast<std::int64_t>(want);
    }
    return true;
}

std::string Hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%8.8x", value);
    return text;
}

} // namespace

TBinSplitPart::TBinSplitPart(const std::filesystem::path& fileName)
    : owned_(std::make_unique<TFileStreamKio>()) {
    owned_->SetFileName(fileName);
    owned_->SetMode(fmOpenRead | fmShareDenyWrite);
    owned_->Open();
    if (owned_->IsOpen()) {
        stream_ = owned_.get();
    }
}

TBinSplitPart::TBinSplitPart(TStream& stream) : stream_(&stream) {}

TBinSplitPart::~TBinSplitPart() = default;

bool TBinSplitPart::Fail(const char* method, const std::string& text) {
    DebOutObj(kClass, method, text);
    return false;
}

bool TBinSplitPart::ReadHeader() {
    datenOffset_ = -1;
    header_.clear();
    if (stream_ == nullptr) {
        return Fail("ReadHeader", "Datei nicht offen");
    }
    try {
        stream_->SetPosition(0);
        std::string text;
        bool found = false;
        char block[kSuchSchritt];
        while (!found && text.size() < kMaxHeader) {
            const std::size_t got = stream_->Read(block, std::min(kSuchSchritt, kMaxHeader - text.size()));
            if (got == 0) {
                break;
            }
            const void* nul = std::memchr(block, 0, got);
            found = nul != nullptr;
            text.append(block, found ? static_cast<const char*>(nul) - block + 1 : got);
        }
        if (!found) {
            return Fail("ReadHeader", "Keine Null gefunden");
        }
        stream_->SetPosition(static_cast<std::int64_t>(text.size()));
        char zeile[kHeaderCrcZeile];
        if (stream_->Read(zeile, sizeof zeile) != sizeof zeile) {
            return Fail("ReadHeader", "Kann Header-CRC nicht lesen");
        }
        char erwartet[kHeaderCrcZeile + 1];
        std::snprintf(erwartet, sizeof erwartet, "%4.4X\n", Crc16Str(text, 0));
        DebOutObj(kClass, "ReadHeader", std::string("Header-CRC: ").append(erwartet, 4));
        // Compared as text: the writer puts upper-case digits, and a line written otherwise is no part.
        if (std::memcmp(zeile, erwartet, sizeof zeile) != 0) {
            return Fail("ReadHeader", "Header-CRC falsch");
        }
        header_ = std::move(text);
        datenOffset_ = static_cast<std::int64_t>(header_.size()) + kHeaderCrcZeile;
        return true;
    } catch (const EStreamError& error) {
        return Fail("ReadHeader", error.what());
    }
}

bool TBinSplitPart::Parse() {
    const std::string parseFehler = "FEHLER beim Parsen des Headers.";
    if (datenOffset_ < 0) {
        return Fail("Parse", parseFehler);
    }
    teilNummer_ = teileAnzahl_ = teilGroesse_ = dateiGroesse_ = datenLaenge_ = 0;
    dateiName_.clear();
    datum_.clear();

    std::string_view text(header_);
    text.remove_suffix(1); // the NUL
    int feld = 0;
    for (std::size_t lf = text.find('\n'); lf != std::string_view::npos && feld < 8; lf = text.find('\n')) {
        const std::string_view inhalt = text.substr(0, lf);
        text.remove_prefix(lf + 1);
        ++feld;
        bool ok = true;
        switch (feld) {
        case 1:
            ok = inhalt == kKennung;
            break;
        case 2:
            ok = ReadNumber(inhalt, 16, teilNummer_);
            break;
        case 3:
            ok = ReadNumber(inhalt, 16, teileAnzahl_);
            break;
        case 4:
            ok = ReadNumber(inhalt, 10, teilGroesse_);
            break;
        case 5:
            ok = ReadNumber(inhalt, 10, dateiGroesse_);
            break;
        case 6:
            dateiName_ = inhalt;
            break;
        case 7:
            datum_ = inhalt;
            break;
        default: // the program field is not read
            break;
        }
        if (!ok) {
            return Fail("Parse", parseFehler);
        }
    }

    // Sizes and numbers that give no data length or no slot in a set, or that do not agree with one
    // another (the count follows from the sizes), describe no part a writer made.
    if (teilGroesse_ <= 0 || teileAnzahl_ <= 0 || dateiGroesse_ <= 0 || teilNummer_ < 1 ||
        teilNummer_ > teileAnzahl_ || teileAnzahl_ != (dateiGroesse_ - 1) / teilGroesse_ + 1) {
        return Fail("Parse", "FEHLER: Teilnummer, Teilanzahl oder Größen im Header ungültig.");
    }
    datenLaenge_ = teilNummer_ < teileAnzahl_ ? teilGroesse_ : (dateiGroesse_ - 1) % teilGroesse_ + 1;

    try {
        const std::int64_t groesse = stream_->Size();
        const auto kopf = static_cast<std::int64_t>(header_.size());
        if (groesse < kopf + kHeaderCrcZeile + kNachDaten ||
            groesse - kopf - kHeaderCrcZeile - kNachDaten < datenLaenge_) {
            return Fail("Parse", "FEHLER: Datei zu kurz");
        }
    } catch (const EStreamError& error) {
        return Fail("Parse", error.what());
    }
    return true;
}

bool TBinSplitPart::CheckCrcLine(const char* method, std::uint32_t crc) {
    char zeile[kCrcZeile];
    if (stream_->Read(zeile, sizeof zeile) != sizeof zeile) {
        return Fail(method, "Kann CRC nicht aus Stream lesen");
    }
    if (zeile[kCrcZeile - 1] != '\n') {
        return Fail(method, "CRC ist nicht mit LF abgeschlossen.");
    }
    const std::string_view ziffern(zeile, kCrcZeile - 1);
    std::int64_t gespeichert = 0;
    if (!ReadNumber(ziffern, 16, gespeichert)) {
        return Fail(method, "CRC in der Datei ungültig (" + std::string(ziffern) + ")");
    }
    const std::uint32_t berechnet = ~crc;
    if (static_cast<std::uint32_t>(gespeichert) != berechnet) {
        return Fail(method, "CRC falsch (" + Hex8(berechnet) + ", " +
                                Hex8(static_cast<std::uint32_t>(gespeichert)) + ")");
    }
    DebOutObj(kClass, method, "CRC ok (" + Hex8(berechnet) + ")");
    return true;
}

bool TBinSplitPart::CheckPartCRC() {
    if (datenOffset_ < 0 || datenLaenge_ <= 0) {
        return Fail("CheckPartCRC", "Header nicht gelesen");
    }
    try {
        stream_->SetPosition(datenOffset_);
        std::uint32_t crc = 0xFFFFFFFF;
        if (!CrcUeber(*stream_, datenLaenge_ + static_cast<std::int64_t>(kCrcZeile), crc)) {
            return Fail("CheckPartCRC", "Kann Daten nicht aus Stream lesen.");
        }
        return CheckCrcLine("CheckPartCRC", crc);
    } catch (const EStreamError& error) {
        return Fail("CheckPartCRC", error.what());
    }
}

bool TBinSplitPart::CheckAccumulatedCRC(std::uint32_t& crc) {
    if (datenOffset_ < 0 || datenLaenge_ <= 0) {
        return Fail("CheckAccumulatedCRC", "Header nicht gelesen");
    }
    try {
        stream_->SetPosition(datenOffset_);
        if (!CrcUeber(*stream_, datenLaenge_, crc)) {
            return Fail("CheckAccumulatedCRC", "Kann Daten nicht aus Stream lesen.");
        }
        return CheckCrcLine("CheckAccumulatedCRC", crc);
    } catch (const EStreamError& error) {
        return Fail("CheckAccumulatedCRC", error.what());
    }
}

bool TBinSplitPart::CopyData(TStream& target) {
    if (datenOffset_ < 0 || datenLaenge_ <= 0) {
        return Fail("CopyData", "Header nicht gelesen");
    }
    try {
        stream_->SetPosition(datenOffset_);
        std::vector<char> block(static_cast<std::size_t>(std::min<std::int64_t>(datenLaenge_, kBlock)));
        for (std::int64_t rest = datenLaenge_; rest > 0;) {
            const auto want = static_cast<std::size_t>(std::min<std::int64_t>(rest, kBlock));
            if (stream_->Read(block.data(), want) != want) {
                return Fail("CopyData", "Kann Daten nicht aus Stream lesen.");
            }
            if (target.Write(block.data(), want) != want) {
                return Fail("CopyData", "Kann Daten nicht schreiben.");
            }
            rest -= static_cast<std::int64_t>(want);
        }
        return true;
    } catch (const EStreamError& error) {
        return Fail("CopyData", error.what());
    }
}

} // namespace quarn
