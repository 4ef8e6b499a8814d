#pragma once

#include <string>
#include <string_view>

namespace quarn {

// The placeholders of a stored text: "%%" a percent sign, "%N" or "%n" the peer's name; "%" with any
// other character, and a "%" at the end, give nothing. Line feeds are dropped. Texts are bytes
// (Windows-1252).
std::string ExpandTextPlaceholders(std::string_view text, std::string_view peerName);

// The text without its line-feed characters.
std::string WithoutLineFeeds(std::string_view text);

} // namespace quarn
