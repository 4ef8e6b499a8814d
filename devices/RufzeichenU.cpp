#include "devices/RufzeichenU.h"

namespace quarn {

TRufzeichen::TRufzeichen(std::string_view text) : parts_(SplitCallSign(text)) {}

} // namespace quarn
