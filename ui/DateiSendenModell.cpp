#include "ui/DateiSendenModell.h"

#include "connections/send/DateiSendenPraeprozessorU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/FileUtilsU.h"
#include "foundation/InterfacesU.h"
#include "foundation/MemoryStreamU.h"
#include "platform/Codepage.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>
#include <system_error>

namespace quarn {
namespace {

// Texts of the wizard's columns and of the part dialog's rows, under the names of the forms that show them.
QString Tr(const char* text) {
    return QCoreApplication::translate("TDateiSendenDlg", text);
}

constexpr int kUmbruchSpalte = 78;

bool Versteckt(const std::filesystem::path& name) {
    const std::string text = name.filename().string();
    return !text.empty() && text.front() == '.';
}

// Regular files below a folder, sorted per folder so that the list reads like the folder does. Links to
// folders are not walked; names beginning with "." are skipped with all that is below them.
void OrdnerSammeln(const std::filesystem::path& ordner, std::vector<std::filesystem::path>& dateien) {
    std::error_code error;
    std::vector<std::filesystem::path> eintraege;
    for (std::filesystem::directory_iterator it(ordner, error), end; !error && it != end;
         it.increment(error)) {
        eintraege.push_back(it->path());
    }
    std::sort(eintraege.begin(), eintraege.end());
    for (const std::filesystem::path& eintrag : eintraege) {
        if (Versteckt(eintrag)) {
            continue;
        }
        const std::filesystem::file_status eigen = std::filesystem::symlink_status(eintrag, error);
        if (error) {
            continue;
        }
        if (std::filesystem::is_directory(eigen)) {
            OrdnerSammeln(eintrag, dateien);
            continue;
        }
        // A link to a file counts as that file; a link to a folder, a pipe or a device not at all.
        if (std::filesystem::is_regular_file(std::filesystem::status(eintrag, error)) && !error) {
            dateien.push_back(eintrag);
        }
    }
}

// Cuts the bytes into lines at CR LF, CR or LF; the line ends are left out. A text ending in a line end
// has no empty line after it.
std::vector<std::string_view> Zeilen(std::string_view bytes) {
    std::vector<std::string_view> zeilen;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t ende = bytes.find_first_of("\r\n", start);
        if (ende == std::string_view::npos) {
            zeilen.push_back(bytes.substr(start));
            break;
        }
        zeilen.push_back(bytes.substr(start, ende - start));
        start = ende + 1;
        if (bytes[ende] == '\r' && start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
    }
    return zeilen;
}

} // namespace

std::optional<int> TeilGroesseLesen(const QString& text) {
    bool ok = false;
    const int wert = text.trimmed().toInt(&ok);
    if (!ok || wert < kTeilGroesseMin || wert > kTeilGroesseMax) {
        return std::nullopt;
    }
    return wert;
}

int TeilGroesseKlemmen(const QString& text) {
    bool ok = false;
    const qlonglong wert = text.trimmed().toLongLong(&ok);
    if (!ok) {
        return kTeilGroesseStandard;
    }
    return static_cast<int>(std::clamp<qlonglong>(wert, kTeilGroesseMin, kTeilGroesseMax));
}

std::int64_t TeileAnzahl(std::int64_t bytes, int kib) {
    const std::int64_t teil = std::int64_t(std::max(kib, 1)) * 1024;
    return bytes <= 0 ? 1 : (bytes - 1) / teil + 1;
}

QString GroesseText(std::int64_t bytes) {
    const std::int64_t kb = bytes <= 0 ? 0 : (bytes - 1) / 1024 + 1;
    return QString::number(kb) + QStringLiteral(" kB");
}

void TeileSetzen(TDateiSendenEintrag& eintrag, int kib) {
    eintrag.teile = TeileAnzahl(eintrag.groesse, kib);
    if (!eintrag.alleTeile) {
        eintrag.auswahl.resize(static_cast<std::size_t>(eintrag.teile), false);
    }
}

QString AuswahlText(const TDateiSendenEintrag& eintrag) {
    if (eintrag.alleTeile) {
        return {};
    }
    QStringList stuecke;
    int gewaehlt = 0;
    const std::size_t anzahl = std::min(eintrag.auswahl.size(), static_cast<std::size_t>(eintrag.teile));
    for (std::size_t i = 0; i < anzahl;) {
        if (!eintrag.auswahl[i]) {
            ++i;
            continue;
        }
        std::size_t ende = i;
        while (ende + 1 < anzahl && eintrag.auswahl[ende + 1]) {
            ++ende;
        }
        gewaehlt += static_cast<int>(ende - i + 1);
        stuecke << (ende == i ? QString::number(i + 1) : QStringLiteral("%1..%2").arg(i + 1).arg(ende + 1));
        i = ende + 1;
    }
    if (gewaehlt == 0) {
        return Tr("keine Teile ausgewählt");
    }
    const QString format = gewaehlt == 1 ? Tr("nur Teil %s.") : Tr("nur Teile %s.");
    return QString(format).replace(QStringLiteral("%s"), stuecke.join(QStringLiteral(", ")));
}

void AuswahlUebernehmen(TDateiSendenEintrag& eintrag, const std::vector<bool>& zustaende) {
    if (std::all_of(zustaende.begin(), zustaende.end(), [](bool an) { return an; })) {
        eintrag.alleTeile = true;
        eintrag.auswahl.clear();
        return;
    }
    eintrag.alleTeile = false;
    eintrag.auswahl = zustaende;
    eintrag.auswahl.resize(static_cast<std::size_t>(std::max<std::int64_t>(eintrag.teile, 0)), false);
}

std::vector<bool> AuswahlFuerDialog(const TDateiSendenEintrag& eintrag) {
    const auto anzahl = static_cast<std::size_t>(std::max<std::int64_t>(eintrag.teile, 0));
    if (eintrag.alleTeile) {
        return std::vector<bool>(anzahl, true);
    }
    std::vector<bool> auswahl = eintrag.auswahl;
    auswahl.resize(anzahl, false);
    return auswahl;
}

QString TeilBeschriftung(int nummer) {
    return QCoreApplication::translate("TDateiSendenTeileAuswahlDlg", "Teil %1 (.B%2)")
        .arg(nummer, 3, 10, QLatin1Char('0'))
        .arg(QString::number(nummer, 16).toUpper().rightJustified(2, QLatin1Char('0')));
}

std::vector<TDateiSendenEintrag> EintraegeAbgleichen(const std::vector<TDateiSendenEintrag>& bisher,
                                                     const std::vector<std::filesystem::path>& liste) {
    std::vector<TDateiSendenEintrag> eintraege;
    eintraege.reserve(liste.size());
    for (const std::filesystem::path& name : liste) {
        // Linux names differ by case: only the same name keeps its record.
        const auto alt = std::find_if(bisher.begin(), bisher.end(),
                                      [&](const TDateiSendenEintrag& e) { return e.name == name; });
        if (alt != bisher.end()) {
            eintraege.push_back(*alt);
            continue;
        }
        TDateiSendenEintrag neu;
        neu.name = name;
        std::error_code error;
        const std::uintmax_t groesse = std::filesystem::file_size(name, error);
        neu.groesse = error ? 0 : static_cast<std::int64_t>(groesse);
        eintraege.push_back(std::move(neu));
    }
    return eintraege;
}

std::vector<std::filesystem::path> DateienSammeln(const std::vector<std::filesystem::path>& namen) {
    std::vector<std::filesystem::path> dateien;
    for (const std::filesystem::path& name : namen) {
        std::error_code error;
        const std::filesystem::file_status status = std::filesystem::status(name, error);
        if (error) {
            continue;
        }
        if (std::filesystem::is_directory(status)) {
            OrdnerSammeln(name, dateien);
        } else if (std::filesystem::is_regular_file(status)) {
            dateien.push_back(name);
        }
    }
    return dateien;
}

std::string MemoBytes(const QString& text) {
    const std::string bytes = QStringToCp1252(text);
    std::string result;
    result.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            result += c;
            continue;
        }
        result += "\r\n";
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
    }
    return result;
}

QString MemoText(std::string_view bytes) {
    std::string zeilen;
    zeilen.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r') {
            zeilen += c;
            continue;
        }
        zeilen += '\n';
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
    }
    return Cp1252ToQString(zeilen);
}

std::string TextZumSenden(std::string_view bytes, bool umbruch) {
    std::string text;
    for (const std::string_view zeile : Zeilen(bytes)) {
        text += umbruch ? WrapText(zeile, "\r", " ", kUmbruchSpalte) : std::string(zeile);
        text += '\r';
    }
    return text;
}

std::string MailboxText(std::string_view bytes, bool an) {
    return an ? TextZumSenden(bytes, false) : std::string();
}

TSendenUebergabe DateiUebergabe(const TSendenWahl& wahl, const TDateiSendenEintrag& eintrag,
                                std::unique_ptr<TStream> stream, std::shared_ptr<IVerbindung> verbindung) {
    TSendenUebergabe u;
    u.stream = std::move(stream);
    u.verbindung = std::move(verbindung);
    u.dateiname = eintrag.name;
    u.protokoll = wahl.protokoll;
    u.textVorher = wahl.textVorher;
    u.textNachher = wahl.textNachher;
    if (wahl.teilen) {
        u.teilGroesse = wahl.teilGroesse;
        u.teileAnzahl = eintrag.teile;
        u.alleTeile = eintrag.alleTeile;
        if (!eintrag.alleTeile) {
            u.auswahl = eintrag.auswahl;
        }
    }
    if (wahl.signieren) {
        u.signieren = true;
        u.key = wahl.key;
        u.passwort = wahl.passwort;
        u.kommentar = wahl.kommentar;
    }
    return u;
}

TSendenUebergabe TextUebergabe(const TSendenWahl& wahl, std::string bytes,
                               std::shared_ptr<IVerbindung> verbindung) {
    TDateiSendenEintrag ohne;
    ohne.name = "???";
    TSendenWahl ohneTeile = wahl;
    ohneTeile.teilen = false;
    return DateiUebergabe(ohneTeile, ohne, std::make_unique<TMemoryStream>(std::move(bytes)),
                          std::move(verbindung));
}

void PraeprozessorAusfuehren(TSendenUebergabe u) {
    TDateiSendenPraeprozessor praeprozessor(std::move(u.stream), u.dateiname, std::move(u.verbindung),
                                            u.protokoll);
    praeprozessor.SetTextVorher(u.textVorher);
    praeprozessor.SetTextNachher(u.textNachher);
    praeprozessor.SetTeilGroesse(u.teilGroesse);
    praeprozessor.SetAlleTeile(u.alleTeile);
    const int anzahl =
        static_cast<int>(std::min<std::int64_t>(u.teileAnzahl, std::numeric_limits<int>::max()));
    praeprozessor.SetTeileAnzahl(anzahl);
    for (std::size_t i = 0; !u.alleTeile && i < u.auswahl.size() && i < static_cast<std::size_t>(anzahl);
         ++i) {
        praeprozessor.SetTeil(static_cast<int>(i), u.auswahl[i]);
    }
    if (u.signieren) {
        praeprozessor.SetSignieren(u.key, u.passwort, u.kommentar);
    }
    praeprozessor.Execute();
}

} // namespace quarn
