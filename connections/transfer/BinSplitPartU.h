#pragma once

#include "foundation/FileStreamKioU.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace quarn {

// One BinSplit part file as a receiver reads it: the header (">BS<", part number and count in
// hexadecimal, part size and file size in decimal, the whole file's name and date, the program field,
// a NUL), the header's CRC-16 line, this part's data, the accumulated CRC-32 line of the whole file up
// to here and the part's own CRC-32 line. Every check returns false and traces why; nothing is raised.
class TBinSplitPart {
public:
    // Opens the file for reading with other writers excluded; a file that does not open (missing, not a
    // regular file, or held by a receiver's lock) leaves the part not open.
    explicit TBinSplitPart(const std::filesystem::path& fileName);
    // Reads a stream the caller keeps.
    explicit TBinSplitPart(TStream& stream);
    ~TBinSplitPart();
    TBinSplitPart(const TBinSplitPart&) = delete;
    TBinSplitPart& operator=(const TBinSplitPart&) = delete;

    bool IsOpen() const { return stream_ != nullptr; }

    // Finds the header's NUL (within kMaxHeader bytes) and checks the header CRC line after it.
    bool ReadHeader();
    // Reads the header fields; refuses numbers that give no usable part, and a file too short to hold
    // this part's data and CRC lines. Needs a successful ReadHeader.
    bool Parse();
    // The CRC-32 over data and accumulated CRC line against the part CRC line.
    bool CheckPartCRC();
    // Continues the caller's running CRC-32 (start 0xFFFFFFFF) over this part's data and checks the
    // accumulated CRC line against it.
    bool CheckAccumulatedCRC(std::uint32_t& crc);
    // Appends this part's data to `target`; false when it could not be read or written whole.
    bool CopyData(TStream& target);

    const std::string& HeaderText() const { return header_; }
    std::int64_t TeilNummer() const { return teilNummer_; }
    std::int64_t TeileAnzahl() const { return teileAnzahl_; }
    std::int64_t TeilGroesse() const { return teilGroesse_; }
    std::int64_t DateiGroesse() const { return dateiGroesse_; }
    // The whole file's name and date as the header gives them (Windows-1252 text).
    const std::string& DateiName() const { return dateiName_; }
    const std::string& Datum() const { return datum_; }
    std::int64_t DatenLaenge() const { return datenLaenge_; }
    // Where the data starts; -1 until a header was read, and after a bad one.
    std::int64_t DatenOffset() const { return datenOffset_; }

    // A header longer than this is not looked for: the folder of incomplete files also holds large
    // partial files of other kinds, and each would otherwise be read whole.
    static constexpr std::size_t kMaxHeader = 4096;

private:
    // Checks a 9-byte CRC line against the complemented running value.
    bool CheckCrcLine(const char* method, std::uint32_t crc);
    bool Fail(const char* method, const std::string& text);

    std::unique_ptr<TFileStreamKio> owned_;
    TStream* stream_ = nullptr;
    std::string header_;
    std::int64_t teilNummer_ = 0;
    std::int64_t teileAnzahl_ = 0;
    std::int64_t teilGroesse_ = 0;
    std::int64_t dateiGroesse_ = 0;
    std::string dateiName_;
    std::string datum_;
    std::int64_t datenLaenge_ = 0;
    std::int64_t datenOffset_ = -1;
};

} // namespace quarn
