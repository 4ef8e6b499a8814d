#pragma once

#include "connections/transfer/DidaditReceiveBlockListU.h"
#include "connections/transfer/VerbindungDidaditU.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

class IDateiSenden;
class TFileStreamKio;

// Receives one DIDADIT file after a line "#DIDADIT#". The bytes go to an incomplete file named after the
// file's digest, with an index of the ranges held, so a broken transfer resumes where it stopped the next
// time the same file is offered. Gaps are requested after the sender's FIN; a complete file whose digest
// matches the announced one goes to the received-file post-processing before the FINACK.
class TVerbindungDidaditReceive : public TVerbindungDidadit {
public:
    TVerbindungDidaditReceive(std::shared_ptr<TVerbindungAbstract> owner,
                              std::shared_ptr<IVerbindungFuerModul> connection);

    std::string GetClassName() const override;

    static constexpr std::string_view kOkMeldung = "Didadit-Empfang ok.";
    static constexpr std::string_view kAbbruchMeldung = "Didadit-Empfang abgebrochen.";
    static constexpr std::string_view kMd5Meldung = "Didadit-Empfang MD5-Fehler.";

protected:
    void Init() override;
    void ReceiveData() override;
    void Terminated(int reason) override;

private:
    enum class Zustand { Leer, WarteAufInfo, Empfang };

    void Block(const TDidaditBlock& block);
    void InfoBlock(std::string_view data);
    void DataBlock(std::string_view data);
    void FinBlock();
    // Refuses a file whose size cannot be held, telling the operator why; true when it did.
    bool GroesseAbgelehnt(const TDidaditInfo& info);
    // The post-processing of the whole file; false when it could not be stored.
    bool Speichern();
    // Sends the ERR; a fatal one ends the handling of further blocks.
    void Fehler(int number, std::initializer_list<std::string_view> arguments = {});
    bool DigestStimmt();
    void Antwort(std::string_view text);
    void DateienAufraeumen(bool behalten);

    Zustand zustand_ = Zustand::Leer;
    bool ende_ = false;
    bool md5Fehler_ = false;
    // FINACK went out: the file is whole, checked and stored.
    bool komplett_ = false;
    // The post-processing took the file.
    bool genommen_ = false;
    // The post-processing failed and told the operator where the file is: it stays there.
    bool aufbewahren_ = false;
    // The file was opened (and is held locked) by this reception; only then are its files ours to touch.
    bool offen_ = false;
    // With a readable digest the file is named after it and indexed; without, it is a unique one-off.
    bool mitIndex_ = false;
    bool geschrieben_ = false;
    std::string digestText_;
    std::int64_t blockgroesse_ = kDidaditBlockgroesse;
    TDidaditReceiveBlockList liste_;
    std::shared_ptr<IDateiSenden> item_;
    TFileStreamKio* datei_ = nullptr;
};

} // namespace quarn
