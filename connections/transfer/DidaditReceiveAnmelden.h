#pragma once

namespace quarn {

// Registers the DIDADIT receive handler in the transfer table.
void DidaditReceiveAnmelden();

} // namespace quarn
