#pragma once

#include "connections/transfer/AutobinKopfU.h"
#include "connections/VerbindungAbstractU.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

class IDateiSenden;
class TFileStreamKio;

// Receives one AutoBIN file after a line "#BIN#...": the raw bytes go into a new incomplete file, and a
// complete file with a matching CRC goes to the received-file post-processing with the header's date.
class TVerbindungAutobinReceive : public TVerbindungAbstract {
public:
    TVerbindungAutobinReceive(std::shared_ptr<TVerbindungAbstract> owner,
                              std::shared_ptr<IVerbindungFuerModul> connection);

    std::string GetClassName() const override;

    static constexpr std::string_view kOkMeldung = "Autobin-Empfang ok.";
    static constexpr std::string_view kCrcFehler = "Autobin-Empfang CRC-Fehler.";
    static constexpr std::string_view kAbbruchMeldung = "Autobin-Empfang abgebrochen.";
    // Windows-1252, as the channel carries it.
    static std::string OhneCrc();

protected:
    void Init() override;
    void ReceiveData() override;
    void SendData() override;
    void Terminated(int reason) override;

private:
    void Antwort(std::string_view text, bool local);
    // Throws away what the remote station still sends of the file after a local Stop.
    void RestVerwerfen();
    void DateiAufraeumen(bool behalten);

    TAutobinKopf kopf_;
    bool fehler_ = false;
    bool ende_ = false;
    bool geschrieben_ = false;
    std::uint16_t crc_ = 0;
    std::int64_t rest_ = 0;
    std::shared_ptr<IDateiSenden> item_;
    TFileStreamKio* datei_ = nullptr;
};

} // namespace quarn
