#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// The "^" escapes of typed text: "^^" is a caret, "^" with "@" or a letter the control code of it,
// "^$" with one or two hexadecimal digits that byte; any other caret stays as it is.
std::string CaretEscapes(std::string_view text);

// The text cut into pieces of at most `pieceBytes`; none for an empty text.
std::vector<std::string> SendePakete(std::string_view text, std::size_t pieceBytes);

// The station identification line "{Quarn-<version>-<features>}" with CR; the version is the program
// version up to its first blank or "-", the features "D", and "?" for a station not in the database.
std::string SidZeile(std::string_view programVersion, bool knownStation);

} // namespace quarn
