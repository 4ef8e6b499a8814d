#include "connections/ZeilenEmpfangU.h"

#include "foundation/DebOutU.h"
#include "foundation/FileUtilsU.h"
#include "foundation/OrdnerU.h"
#include "foundation/QueueU.h"
#include "foundation/SharedEnums.h"
#include "platform/Codepage.h"
#include "platform/FileDescriptor.h"
#include "stations/KlaengeU.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quarn {

namespace {

// Enough tries for a folder where others keep taking the names we find free.
constexpr int kAnlegeVersuche = 100;
// The end sounds: finished, stopped, aborted.

} // namespace

TZeilenEmpfang::TZeilenEmpfang(std::shared_ptr<TVerbindungAbstract> owner,
                               std::shared_ptr<IVerbindungFuerModul> connection, std::string_view art)
    : TVerbindungAbstract(std::move(owner), std::move(connection)), art_(art) {}

std::filesystem::path TZeilenEmpfang::EmpfangsOrdner() {
    return TOrdner().GetEmpfang();
}

std::string TZeilenEmpfang::Gegenstelle() const {
    return Verbindung() ? Verbindung()->Get_Call() : std::string();
}

bool TZeilenEmpfang::DateiAnlegen(const std::filesystem::path& wanted) {
    for (int versuch = 0; versuch < kAnlegeVersuche; ++versuch) {
        const std::filesystem::path name = MakeUniqueFileName(wanted);
        // Created exclusively: a file that took the name since it was found free stays as it is.
        FileDescriptor created(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!created) {
            if (errno == EEXIST) {
                continue;
            }
            DebOutObj(GetClassName(), "DateiAnlegen", "Fehler: " + name.string());
            return false;
        }
        created.reset();
        datei_.SetFileName(name);
        datei_.SetMode(fmOpenWrite | fmShareExclusive);
        datei_.Open();
        if (!datei_.IsOpen()) {
            ::unlink(name.c_str());
            return false;
        }
        angelegt_ = true;
        return true;
    }
    return false;
}

void TZeilenEmpfang::SchreibeZeile(std::string_view line) {
    if (!datei_.IsOpen()) {
        return;
    }
    std::string data(line);
    data += "\r\n";
    if (datei_.Write(data.data(), data.size()) != data.size()) {
        // A full disk must not end in "gespeichert" for half a file.
        DebOutObj(GetClassName(), "ReceiveData", "Schreibfehler: " + datei_.FileName().string());
        Ende(kAbgebrochen);
    }
}

void TZeilenEmpfang::Ende(int reason) {
    beendet_ = true;
    if (reason == kBeendet) {
        Finish();
    } else {
        AbortTransfer();
    }
}

void TZeilenEmpfang::SendData() {
    const auto& connection = Verbindung();
    TStringQueue& typed = connection->GetTypedTextQueue();
    if (!typed.IsEmpty()) {
        connection->GetTransmitQueue().PushString(typed.PopString());
    }
}

void TZeilenEmpfang::Terminated(int reason) {
    const bool offen = datei_.IsOpen();
    datei_.Close();
    if (reason >= kBeendet && reason <= kAbgebrochen) {
        Klang(kKlangErfolg + reason);
    }
    if (const auto& connection = Verbindung()) {
        if (reason == kAbgebrochen) {
            connection->KanalPrompt(kNichtGespeichert, 3);
        } else if (reason == kBeendet) {
            if (connection->GetStationTyp() == TStationType::st_terminal) {
                const std::string answer =
                    "\r<Quarn>: " + art_ + (offen ? "-Empfang ok." : "-Empfang Fehler.") + "\r";
                connection->SendeText(answer, true, false, false, false);
            }
            if (offen) {
                connection->KanalPrompt(std::string(kGespeichert) + "\r" + Utf8ToCp1252(DateiName().string()),
                                        3);
            } else {
                // Whatever the station kind, the operator learns that nothing was stored.
                connection->KanalPrompt(kNichtGespeichert, 3);
            }
        }
    }
    FortschrittBeenden();
    if (reason != kBeendet && angelegt_) {
        try {
            datei_.Recycle();
        } catch (const EStreamError& error) {
            DebOutObj(GetClassName(), "Terminated", std::string("Papierkorb: ") + error.what());
        }
    }
    TVerbindungAbstract::Terminated(reason);
}

} // namespace quarn
