#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// Call signs and paths as the operator writes them, made fit for the AGW call fields.

// Upper case, without a "-0" SSID.
std::string AgwCall(std::string_view call);
// One to six letters and digits, optionally "-" and an SSID 0..15: what fits an AX.25 address.
bool IsAgwCall(std::string_view call);

// A path "[port] destination [port] [via] digi ...", blanks or commas between the parts. A leading
// number is the port only when a destination follows it; a number right after the destination is the
// port too (the FlexNet device writes the port in front of the digipeaters).
struct AgwPfad {
    std::optional<int> port;
    std::string ziel;
    std::vector<std::string> digis;
};
AgwPfad AgwPfadLesen(std::string_view text);

} // namespace quarn
