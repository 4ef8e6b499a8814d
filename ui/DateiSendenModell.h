#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

class IVerbindung;
class TStream;

// The send-file wizard's rules without widgets: part counts and their texts, the file records, the bytes
// of a typed text and the fields each file or text is handed on with. Texts on the air are Windows-1252
// bytes; memo texts are kept in bytes with CR LF between lines, as the wizard stores them.

// The part size the edit accepts, in kB, and the one it starts with.
inline constexpr int kTeilGroesseMin = 5;
inline constexpr int kTeilGroesseMax = 10240;
inline constexpr int kTeilGroesseStandard = 32;

// One listed file: its path, size, number of parts and which parts go out. The selection (one entry per
// part) counts only while not all parts are wanted.
struct TDateiSendenEintrag {
    std::filesystem::path name;
    std::int64_t groesse = 0;
    std::int64_t teile = 0;
    bool alleTeile = true;
    std::vector<bool> auswahl;
};

// The part size in the edit when it is a number from 5 to 10240, else none.
std::optional<int> TeilGroesseLesen(const QString& text);
// The size Finish uses: a number below 5 gives 5, above 10240 gives 10240, anything else 32.
int TeilGroesseKlemmen(const QString& text);

// Parts of `kib` kB a file of `bytes` is cut into; an empty file still makes one.
std::int64_t TeileAnzahl(std::int64_t bytes, int kib);
// "%d kB" with the bytes rounded up to whole kB.
QString GroesseText(std::int64_t bytes);
// The record's count for this part size; its selection follows unless all parts are wanted.
void TeileSetzen(TDateiSendenEintrag& eintrag, int kib);
// The selection column: empty for all parts, "keine Teile ausgewählt", or "nur Teil 4." and
// "nur Teile 1..3, 5." with runs of neighbours written as first..last.
QString AuswahlText(const TDateiSendenEintrag& eintrag);
// The part selection's states as the records keep them: every part selected means all parts.
void AuswahlUebernehmen(TDateiSendenEintrag& eintrag, const std::vector<bool>& zustaende);
// The selection the part dialog starts with: every part checked while all parts are wanted.
std::vector<bool> AuswahlFuerDialog(const TDateiSendenEintrag& eintrag);
// A row of the part dialog: "Teil 010 (.B0A)" for part 10.
QString TeilBeschriftung(int nummer);

// The records for the listed files in list order: a listed file keeps its record (with its part
// settings), a new one gets its size (0 when it cannot be read) and all parts.
std::vector<TDateiSendenEintrag> EintraegeAbgleichen(const std::vector<TDateiSendenEintrag>& bisher,
                                                     const std::vector<std::filesystem::path>& liste);

// The files dropped or handed in: a name that is a regular file is taken, a folder is walked at any depth
// (names beginning with "." are skipped below it, and links to folders are not walked, so a link loop
// ends). Only regular files are taken: a pipe or a device would block the reader. Names that do not
// exist are dropped.
std::vector<std::filesystem::path> DateienSammeln(const std::vector<std::filesystem::path>& namen);

// A memo's text as bytes with CR LF between lines, and back.
std::string MemoBytes(const QString& text);
QString MemoText(std::string_view bytes);

// The bytes a typed text is sent as: cut into lines at CR LF, CR or LF, each line ending in a single CR
// (the last one too); an empty line stays as its CR. With `umbruch` a line longer than 78 columns is
// broken at blanks.
std::string TextZumSenden(std::string_view bytes, bool umbruch);
// A mailbox text as handed on: lines ending in CR, CR at its end; empty when its box is not checked.
std::string MailboxText(std::string_view bytes, bool an);

// What the wizard decided at Finish, the same for every file.
struct TSendenWahl {
    std::uint8_t protokoll = 0;
    bool teilen = false; // "&Teilen" enabled and checked
    int teilGroesse = kTeilGroesseStandard;
    std::string textVorher;
    std::string textNachher;
    bool signieren = false; // a PGP context, "&Signieren" enabled and checked
    std::string key;        // fingerprint, empty for the default key
    std::string passwort;
    std::string kommentar;
};

// The fields one file or the typed text is handed to the send preprocessor with.
struct TSendenUebergabe {
    std::unique_ptr<TStream> stream;
    std::shared_ptr<IVerbindung> verbindung;
    std::filesystem::path dateiname; // "???" for typed text
    std::uint8_t protokoll = 0;
    std::string textVorher;
    std::string textNachher;
    std::int64_t teilGroesse = 0; // kB; 0 sends whole
    std::int64_t teileAnzahl = 0;
    bool alleTeile = false;
    std::vector<bool> auswahl;
    bool signieren = false;
    std::string key;
    std::string passwort;
    std::string kommentar;
};

TSendenUebergabe DateiUebergabe(const TSendenWahl& wahl, const TDateiSendenEintrag& eintrag,
                                std::unique_ptr<TStream> stream, std::shared_ptr<IVerbindung> verbindung);
TSendenUebergabe TextUebergabe(const TSendenWahl& wahl, std::string bytes,
                               std::shared_ptr<IVerbindung> verbindung);

// Where the wizard hands each file or text; the program's one runs a TDateiSendenPraeprozessor.
using TSendenWeitergabe = std::function<void(TSendenUebergabe)>;
void PraeprozessorAusfuehren(TSendenUebergabe uebergabe);

} // namespace quarn
