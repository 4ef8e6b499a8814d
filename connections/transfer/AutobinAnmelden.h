#pragma once

namespace quarn {

// Registers the AutoBIN receive and send handlers in the transfer table.
void AutobinAnmelden();

} // namespace quarn
