#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// Comma text, the form of every stored list of values (registry values, station database streams,
// sound schemes): items separated by commas; an item is put in double quotes only when it holds a
// blank, a control character, a double quote (written twice inside the quotes) or a comma. Items are
// bytes (Windows-1252 text); NUL counts as a control character.
//
// A list of exactly one empty item is written as two double quotes, so that it differs from the empty
// list (an empty text).
std::string FormatCommaText(std::span<const std::string> items);

// The inverse of FormatCommaText, tolerant of what hand-edited or older stored lists hold:
// - blanks and control characters around an item are ignored; blanks inside an unquoted item stay;
// - an empty item between commas, at the start or after a trailing comma is an empty item;
// - text between a closing quote and the next comma is appended to the quoted item (blanks before
//   that comma dropped), so nothing of the input is lost;
// - a quote that is never closed runs to the end of the text: the item is everything after it, with
//   doubled quotes undone.
// An empty or all-blank text gives the empty list. Any input yields a result; nothing is refused.
std::vector<std::string> ParseCommaText(std::string_view text);

} // namespace quarn
