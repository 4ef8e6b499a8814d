#include "connections/VerbindungenAnmelden.h"

#include "connections/VerbindungU.h"
#include "devices/VerbindungFabrik.h"

namespace quarn {

void VerbindungenAnmelden() {
    SetVerbindungFabrik([](const std::shared_ptr<TGeraet>& device) -> std::shared_ptr<IVerbindung> {
        return TVerbindung::Create(device);
    });
}

} // namespace quarn
