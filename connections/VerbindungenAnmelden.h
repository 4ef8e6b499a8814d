#pragma once

namespace quarn {

// Puts the connections' maker in place for the devices (VerbindungErzeugen). Called once at start.
void VerbindungenAnmelden();

} // namespace quarn
