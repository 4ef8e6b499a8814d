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

// A path "[port] destination [via] digi ...", blanks or commas between the parts. The leading port is
// taken only when a destination follows it.
struct AgwPfad {
    std::optional<int> port;
    std::string ziel;
    std::vector<std::string> digis;
};
AgwPfad AgwPfadLesen(std::string_view text);

} // namespace quarn
