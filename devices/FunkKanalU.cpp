#include "devices/FunkKanalU.h"

#include "devices/GeraetU.h"
#include "devices/RufzeichenU.h"
#include "foundation/DebOutU.h"

#include <mutex>

namespace quarn {

namespace {

constexpr const char* kClass = "TFunkKanal";

std::mutex sourceLock;
TFreierKanalQuelle freeChannelSource;

} // namespace

std::shared_ptr<IKanal> FreienKanalHolen() {
    TFreierKanalQuelle source;
    {
        const std::lock_guard lock(sourceLock);
        source = freeChannelSource;
    }
    return source ? source() : nullptr;
}

void SetFreierKanalQuelle(TFreierKanalQuelle source) {
    const std::lock_guard lock(sourceLock);
    freeChannelSource = std::move(source);
}

TFunkKanal::TFunkKanal(std::weak_ptr<TGeraet> device, bool flexnet)
    : device_(std::move(device)), flexnet_(flexnet) {}

std::string TFunkKanal::GetBezeichnung() const {
    return bezeichnung_;
}

void TFunkKanal::SetBezeichnung(std::string_view description) {
    bezeichnung_ = std::string(description);
}

void TFunkKanal::SetNummer(int number) {
    nummer_ = number;
}

int TFunkKanal::GetNummer() const {
    return nummer_;
}

TConnectResult TFunkKanal::VerbindeKurz(std::string& path, std::string& myCall,
                                        std::shared_ptr<IKanal>& channel) {
    std::shared_ptr<IVerbindung> connection;
    return Verbinde(path, myCall, connection, channel);
}

TConnectResult TFunkKanal::Verbinde(std::string& path, std::string& myCall,
                                    std::shared_ptr<IVerbindung>& connection,
                                    std::shared_ptr<IKanal>& channel) {
    DebOutObj(kClass, "Verbinde", path);
    connection.reset();
    const std::shared_ptr<TGeraet> device = device_.lock();
    if (!device) {
        return TConnectResult::NoDevice;
    }
    // An SSID that cannot go on the air must not be cut down to another station's SSID.
    if (!TRufzeichen(myCall).IsValid()) {
        return TConnectResult::NoFreeSsid;
    }
    bool reservedHere = false;
    if (!channel || !channel->IsUnbelegt()) {
        channel = FreienKanalHolen();
        if (!channel) {
            return TConnectResult::NoFreeChannel;
        }
        reservedHere = true;
    }
    const TConnectResult result = device->Verbinde(shared_from_this(), path, connection, channel, myCall);
    if (result != TConnectResult::Connected && reservedHere) {
        channel->SetReserviert(false);
    }
    return result;
}

bool TFunkKanal::IsFlexnet() const {
    return flexnet_;
}

std::string TFunkKanal::GetName() const {
    return name_;
}

void TFunkKanal::SetName(std::string_view name) {
    name_ = std::string(name);
}

bool TFunkKanal::SendUI(std::string_view destination, std::string_view myCall, std::string_view text) {
    DebOutObj(kClass, "SendUI", destination);
    const std::shared_ptr<TGeraet> device = device_.lock();
    if (!device) {
        return false;
    }
    // A refused piece is reported; the rest would make no sense without it.
    for (std::size_t start = 0; start < text.size(); start += kUiPiece) {
        if (!device->SendUI(shared_from_this(), destination, myCall, text.substr(start, kUiPiece))) {
            return false;
        }
    }
    return true;
}

} // namespace quarn
