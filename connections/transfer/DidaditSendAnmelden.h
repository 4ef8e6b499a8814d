#pragma once

namespace quarn {

// Registers the DIDADIT send handler in the transfer table.
void DidaditSendAnmelden();

} // namespace quarn
