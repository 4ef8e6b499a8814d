#pragma once

#include "foundation/PublisherU.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

class IFunkKanal;
class TGeraet;

// One kind of device the program can load and offer for adding: the class name stored in the
// registry, the display name and the virtual constructor.
struct TGeraetKlasse {
    std::string klassenName;
    std::string typName;
    std::function<std::shared_ptr<TGeraet>()> erzeugen;
};

// The registry of device kinds, in registration order (the add-device chooser lists them so). The
// built-in kinds are entered at the first use.
void RegistriereGeraet(TGeraetKlasse kind);
std::vector<TGeraetKlasse> RegistrierteGeraete();
// The kind of that class name, ignoring case; null when none is registered.
const TGeraetKlasse* FindeGeraeteKlasse(std::string_view className);

// The single set of configured devices, under HKEY_LOCAL_MACHINE "\Software\Velmoor\Quarn\Geraete"
// (one sub-key "0", "1", ... per device). Used on the GUI thread only; devices announce status changes
// through Synchronize. Subscribers are notified with the device that changed, or null for "all".
class TGeraete final : public IPublisher {
public:
    static constexpr int kMaxGeraete = 32;
    static constexpr std::string_view kRegistryKey = "\\Software\\Velmoor\\Quarn\\Geraete";

    // Loads, restores and starts every configured device.
    TGeraete();
    // Stops and frees every device in order.
    ~TGeraete() override;
    TGeraete(const TGeraete&) = delete;
    TGeraete& operator=(const TGeraete&) = delete;

    // The set while it exists (GUI thread); null before and after.
    static TGeraete* Instance();

    // Devices in order as "0", "1", ..., each with the sub-keys below its key (saved connections);
    // the sub-keys it does not own follow them.
    void Save();
    static std::shared_ptr<TGeraet> GeraetErzeugen(const TGeraetKlasse& kind);
    void Statuswechsel(TGeraet* device);
    void Aktualisieren();
    // Appends the radio ports of every device in order (at most 32 per device); returns the count.
    int GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>& ports);

    // The devices in order; the settings page rearranges them, then calls Aktualisieren and Save.
    std::vector<std::shared_ptr<TGeraet>>& Geraete() { return geraete_; }
    int Count() const { return static_cast<int>(geraete_.size()); }

    void Subscribe(const std::shared_ptr<ISubscriber>& subscriber) override;
    void Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) override;
    void NotifySubscribers(TGeraet* device);

    // Where the set tells the main window whether any device is not ready (status-bar icon).
    void SetGeraeteStatusAnzeige(std::function<void(bool notReady)> display);

private:
    void Laden();

    TPublisher publisher_;
    std::vector<std::shared_ptr<TGeraet>> geraete_;
    // The sub-keys this set loaded its devices from or saved them to; any other sub-key (a kind this
    // build does not create, a device that could not be made) is kept as it is.
    std::vector<std::string> eigeneSchluessel_;
    std::function<void(bool)> statusAnzeige_;
};

} // namespace quarn
