#pragma once

#include "platform/RegistryTree.h"

#include <optional>
#include <string>
#include <string_view>

namespace quarn::registry {

// The text of a hive file, regedit-like and plain ASCII so that a person can read and edit it:
//
//   QUARN REGISTRY 1
//   [HKEY_CURRENT_USER\Software\Velmoor\Quarn]
//   @="default value"
//   "Font"="08x12"
//   "Channels"=dword:00000008
//   "Settings"=hex:02,01,00,00
//
// Every key has a section of its own, parents before children, in creation order, so empty keys and
// the order survive. In quoted names and strings \\, \" and \xHH (two hex digits) stand for a byte;
// control bytes, DEL and bytes from 0x80 up are always written as \xHH. In a section's key names, where
// "\" separates, %HH stands for a byte and "%", "[" and "]" are escaped besides. "@" is the default value
// (the empty name). Lines starting with ";" are comments; blank lines and CR line ends are ignored.
std::string FormatHive(const Key& root, std::string_view rootName);

// The hive a file's text describes; nothing when the text is not such a file or its sections name
// another root. `error` receives the reason with its line number. An empty text is an empty hive.
std::optional<Key> ParseHive(std::string_view text, std::string_view rootName, std::string* error = nullptr);

} // namespace quarn::registry
