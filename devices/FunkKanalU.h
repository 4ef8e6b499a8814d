#pragma once

#include "foundation/InterfacesU.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

class TGeraet;

// Hands out a free channel and reserves it; null when all are busy. The channel set puts itself in
// place while it exists; without one there is no free channel.
using TFreierKanalQuelle = std::function<std::shared_ptr<IKanal>()>;
void SetFreierKanalQuelle(TFreierKanalQuelle source);
// A free channel from the source in place, reserved for the caller; null without one. Any thread.
std::shared_ptr<IKanal> FreienKanalHolen();

// One way out of a device: a port of a multi-port TNC, the Pactor link of a PTC or the network kernel.
// Connects and UI frames go through it to its device. Fields are set while the device sets up and only
// read afterwards.
class TFunkKanal final : public IFunkKanal, public std::enable_shared_from_this<TFunkKanal> {
public:
    static constexpr std::size_t kUiPiece = 256;

    // The device is not owned; a port whose device is gone acts as one without device.
    TFunkKanal(std::weak_ptr<TGeraet> device, bool flexnet = false);

    std::string GetBezeichnung() const override;
    void SetBezeichnung(std::string_view description) override;
    void SetNummer(int number) override;
    int GetNummer() const override;
    TConnectResult VerbindeKurz(std::string& path, std::string& myCall,
                                std::shared_ptr<IKanal>& channel) override;
    TConnectResult Verbinde(std::string& path, std::string& myCall, std::shared_ptr<IVerbindung>& connection,
                            std::shared_ptr<IKanal>& channel) override;
    bool IsFlexnet() const override;
    std::string GetName() const override;
    void SetName(std::string_view name) override;
    // The text goes to the device in pieces of 256 characters; false without device or when the device
    // refuses a piece (the rest is not sent).
    bool SendUI(std::string_view destination, std::string_view myCall, std::string_view text) override;

private:
    std::weak_ptr<TGeraet> device_;
    bool flexnet_;
    std::string bezeichnung_;
    int nummer_ = -1;
    std::string name_;
};

} // namespace quarn
