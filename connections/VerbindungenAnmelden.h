#pragma once

namespace quarn {

// Puts the connections' maker in place for the devices (VerbindungErzeugen) and the line transfers'
// handlers (7plus and GoText receiving, text sending) in the standard handler's table. Called once at start.
void VerbindungenAnmelden();

} // namespace quarn
