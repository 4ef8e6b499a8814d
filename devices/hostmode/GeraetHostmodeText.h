#pragma once

#include <string>
#include <string_view>

namespace quarn {

// Small text helpers of the host-mode device; texts are Windows-1252 bytes.

// Without leading and trailing blanks and control characters.
std::string TrimText(std::string_view text);
// Upper case of Windows-1252 letters.
std::string UpperText(std::string_view text);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// The format with its first "%d" replaced by the number (a translated format is never handed to printf).
std::string FormatText(std::string_view format, int number);

} // namespace quarn
