#pragma once

#include "connections/VerbindungAbstractU.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

class IDateiSenden;
class TStream;

// The header line that announces a file: "#BIN#" length "#|" crc "#$" date "#" name CR.
std::string AutobinKopf(std::int64_t length, std::uint16_t crc, std::uint32_t date, std::string_view name);

// Sends the connection's current send item of protocol 2 as AutoBIN: the header, then, once the remote
// station answered "#OK#", the raw bytes, at most 5 x 256 of them each time the transmit queue ran empty.
class TVerbindungAutobinSend : public TVerbindungAbstract {
public:
    TVerbindungAutobinSend(std::shared_ptr<TVerbindungAbstract> owner,
                           std::shared_ptr<IVerbindungFuerModul> connection);

    std::string GetClassName() const override;

    static constexpr std::string_view kOkMeldung = "Autobin-Senden ok.";
    static constexpr std::string_view kAbbruchMeldung = "Autobin-Senden abgebrochen.";

protected:
    void Init() override;
    void ReceiveData() override;
    void SendData() override;
    void TransmitQueueEmpty() override;
    void Terminated(int reason) override;

private:
    void Zeile(std::string_view line);

    std::shared_ptr<IDateiSenden> item_;
    TStream* stream_ = nullptr;
    bool warten_ = false;
    std::string antwort_;
};

} // namespace quarn
