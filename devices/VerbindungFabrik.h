#pragma once

#include "foundation/InterfacesU.h"

#include <functional>
#include <memory>
#include <string_view>

namespace quarn {

class TGeraet;

// Devices make their connections through this: the connections subsystem, built on top of the devices,
// puts its maker in place at start. The device is not owned by the connection.
using TVerbindungFabrik = std::function<std::shared_ptr<IVerbindung>(const std::shared_ptr<TGeraet>& device)>;

void SetVerbindungFabrik(TVerbindungFabrik factory);
// A new connection of the device; throws QuarnException when no maker is in place.
std::shared_ptr<IVerbindung> VerbindungErzeugen(const std::shared_ptr<TGeraet>& device);

// The links the device saved under its registry key (numbered sub-keys), each restored into a new
// connection of the device and handed to `uebernehmen`. One that cannot be restored is traced under
// `klasse` and released.
void GespeicherteVerbindungen(const std::shared_ptr<TGeraet>& device, std::string_view klasse,
                              const std::function<void(const std::shared_ptr<IVerbindung>&)>& uebernehmen);

} // namespace quarn
