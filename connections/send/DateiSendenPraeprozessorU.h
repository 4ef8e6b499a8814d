#pragma once

#include "foundation/FileStreamKioU.h"
#include "foundation/InterfacesU.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// Turns one file or one typed text from the send dialog into send items on the connection's send queue:
// a text job (clear-signed when asked), a whole file, or BinSplit part files of which the operator may
// pick a subset. Texts are Windows-1252; file names are local (UTF-8) paths.
class TDateiSendenPraeprozessor {
public:
    // `dateiname` is the source's path, "???" for typed text; `protokoll` 1 text, 2 AutoBIN, 5 DIDADIT.
    TDateiSendenPraeprozessor(std::unique_ptr<TStream> quelle, std::filesystem::path dateiname,
                              std::shared_ptr<IVerbindung> verbindung, std::uint8_t protokoll);
    ~TDateiSendenPraeprozessor();
    TDateiSendenPraeprozessor(const TDateiSendenPraeprozessor&) = delete;
    TDateiSendenPraeprozessor& operator=(const TDateiSendenPraeprozessor&) = delete;

    // Clear-sign a text job with this key (fingerprint), passphrase and armour comment.
    void SetSignieren(std::string_view key, std::string_view passphrase, std::string_view comment);
    // Part size in KiB for AutoBIN and DIDADIT; 0 or less sends the file whole.
    void SetTeilGroesse(std::int64_t kib) { teilGroesseKib_ = kib; }

    void SetTextNachher(std::string_view text) { textNachher_ = text; }
    void SetTextVorher(std::string_view text) { textVorher_ = text; }
    // The number of parts the dialog offers; the selection gets one entry per part unless all are wanted.
    void SetTeileAnzahl(int anzahl);
    void SetAlleTeile(bool alle);
    // Index 0 is part 1; the index must lie below the part count.
    void SetTeil(int index, bool selected);

    // Makes and queues the items; the source goes to an item or is freed. Runs once.
    void Execute();

    // The template with "%%", "%N" (name without folder), "%O" (source file without folder), "%P"
    // (number) and "%Q" (count) filled in, any other "%x" dropped, LF dropped, and CR at the end of a
    // non-empty result.
    static std::string ExpandText(std::string_view vorlage, std::string_view name, std::string_view quelle,
                                  std::int64_t anzahl, std::int64_t nummer);

    // "<name without extension>.bNN": the part number in hexadecimal, at least two digits, lower case.
    static std::string TeilDateiname(std::string_view dateiname, std::int64_t nummer);

private:
    void TextJob();
    void GanzeDateiJob();
    void BinSplit();
    bool TeilGewuenscht(std::int64_t nummer) const;
    std::shared_ptr<IDateiSendenQueue> Queue() const;
    std::string QuellName() const;
    std::string Expand(std::string_view vorlage, std::string_view name, std::int64_t anzahl,
                       std::int64_t nummer) const;
    void Melde(std::string_view text) const;

    std::unique_ptr<TStream> quelle_;
    std::filesystem::path dateiname_;
    std::shared_ptr<IVerbindung> verbindung_;
    std::uint8_t protokoll_;
    bool signieren_ = false;
    std::string key_;
    std::string passphrase_;
    std::string comment_;
    std::int64_t teilGroesseKib_ = 0;
    std::string textNachher_;
    std::string textVorher_;
    int teileAnzahl_ = 0;
    bool alleTeile_ = false;
    std::vector<bool> auswahl_;
};

} // namespace quarn
