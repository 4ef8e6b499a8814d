#pragma once

#include "connections/transfer/DidaditFrameU.h"
#include "connections/transfer/VerbindungDidaditU.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

class IDateiSenden;
class TStream;

// Sends the connection's current send item of protocol 5 as DIDADIT: "#DIDADIT#" and INFO at once, then,
// after "#OK#" and the receiver's START, one DATA block each time the transmit queue ran empty, FIN, the
// ranges the receiver asks for again with REQ, until FINACK.
class TVerbindungDidaditSend : public TVerbindungDidadit {
public:
    TVerbindungDidaditSend(std::shared_ptr<TVerbindungAbstract> owner,
                           std::shared_ptr<IVerbindungFuerModul> connection);

    std::string GetClassName() const override;

    static constexpr std::string_view kOkMeldung = "Didadit-Senden ok.";
    static constexpr std::string_view kAbbruchMeldung = "Didadit-Senden abgebrochen.";
    // A peer that asks for the same ranges this often in a row after the first time never takes them.
    static constexpr int kMaxWiederholteReq = 3;

protected:
    void Init() override;
    void ReceiveData() override;
    void TransmitQueueEmpty() override;
    void Terminated(int reason) override;

private:
    enum class Zustand { Leer, WartetOk, WartetStart, Sendet };
    struct Anfrage {
        std::int64_t offset;
        std::int64_t length;
    };

    // The text before "#OK#": false while neither "#OK#" nor "#ABORT#" came.
    bool Antwort();
    void Bloecke();
    void Block(const TDidaditBlock& block);
    void StartBlock(std::string_view data);
    void ReqBlock(std::string_view data);
    // SendError, remembering when it ended the transfer.
    void Fehler(int number, std::initializer_list<std::string_view> arguments = {});
    void Beenden(bool abbruch);

    std::shared_ptr<IDateiSenden> item_;
    TStream* stream_ = nullptr;
    Zustand zustand_ = Zustand::Leer;
    std::int64_t groesse_ = 0;
    std::int64_t blockgroesse_ = kDidaditBlockgroesse;
    std::int64_t naechsterOffset_ = 0;
    std::deque<Anfrage> anfragen_;
    std::vector<TDidaditRequest> letzteReq_;
    bool hatteReq_ = false;
    int wiederholteReq_ = 0;
    std::string puffer_;
    // Set once this handler asked for its end: nothing more is read from the received blocks.
    bool ende_ = false;
    // A file DIDADIT cannot carry: refused before anything went to the remote station.
    bool abgelehnt_ = false;
};

} // namespace quarn
