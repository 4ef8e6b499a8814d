#pragma once

#include "connections/VerbindungAbstractU.h"
#include "foundation/FileStreamKioU.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quarn {

// What the two line receivers (7plus and GoText) share: the receive file, created at a free name without
// replacing anything that appears there meanwhile, typed text passed through while they run, and the end
// of a reception: the sound, the lines for the operator and the remote station, and a failed reception's
// file sent to the trash, so it never stays in the receive folder.
class TZeilenEmpfang : public TVerbindungAbstract {
public:
    static constexpr std::string_view kNichtGespeichert = "Empfangene Datei NICHT gespeichert.";
    static constexpr std::string_view kGespeichert = "Empfangene Datei gespeichert:";

protected:
    // `art` names the transfer in the remote station's answer ("7Plus", "GoText").
    TZeilenEmpfang(std::shared_ptr<TVerbindungAbstract> owner,
                   std::shared_ptr<IVerbindungFuerModul> connection, std::string_view art);

    // Creates the file at `wanted`, or at the next free " (n)" name when that is taken, and holds it
    // locked; false when no file could be created.
    bool DateiAnlegen(const std::filesystem::path& wanted);
    bool DateiOffen() const { return datei_.IsOpen(); }
    const std::filesystem::path& DateiName() const { return datei_.FileName(); }
    // The line and CR LF; a file that takes it only in part ends the reception as failed.
    void SchreibeZeile(std::string_view line);
    // Set by Finish and AbortTransfer: what is left in the receive queue belongs to the handler after us.
    bool Beendet() const { return beendet_; }
    // Finish (reason 0) or AbortTransfer (reason 2), and no more lines are taken.
    void Ende(int reason);

    static std::filesystem::path EmpfangsOrdner();
    // The remote station's call, for the fallback name of an unusable received name.
    std::string Gegenstelle() const;

    void SendData() override;
    void Terminated(int reason) override;
    // The step between the answers and the trash: a receiver's progress item ends here.
    virtual void FortschrittBeenden() {}

private:
    std::string art_;
    TFileStreamKio datei_;
    bool angelegt_ = false;
    bool beendet_ = false;
};

} // namespace quarn
