#pragma once

#include "foundation/InterfacesU.h"

#include <functional>
#include <memory>

namespace quarn {

class TGeraet;

// Devices make their connections through this: the connections subsystem, built on top of the devices,
// puts its maker in place at start. The device is not owned by the connection.
using TVerbindungFabrik = std::function<std::shared_ptr<IVerbindung>(const std::shared_ptr<TGeraet>& device)>;

void SetVerbindungFabrik(TVerbindungFabrik factory);
// A new connection of the device; throws QuarnException when no maker is in place.
std::shared_ptr<IVerbindung> VerbindungErzeugen(const std::shared_ptr<TGeraet>& device);

} // namespace quarn
