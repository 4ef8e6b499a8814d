#pragma once

#include <QDateTime>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// The prefix of the program's own system lines in a channel and on the air.
inline constexpr std::string_view kQuarnPrefix = "<Quarn>: ";
// System lines are wrapped so that prefix and text fit 72 columns.
inline constexpr std::size_t kPromptBreite = 72;

// The pieces a system line is written in, in order: a CR, then every line of the text with the prefix
// (blanks of the same length after the first piece) and a CR, then one more CR. A line longer than the
// room beside the prefix is broken after the last blank, ",", ".", ":" or "@" that fits; a line without
// such a place stays whole.
std::vector<std::string> PromptZeilen(std::string_view text);

// The time stamp of connect and disconnect notices: "dd.MM.yyyy hh:mm:ss".
std::string ZeitStempel(const QDateTime& time);

// The status-bar texts of a connection's link values; empty for a value not known (negative).
std::string TriesText(int tries);
std::string OutstandingText(int outstanding);
std::string FrackText(int frack);
std::string MaxframeText(int maxframe);
std::string LinkStatusText(int linkStatus);
// Bits per second with unit: "12.0bit/s", "1.50kbit/s", "250kbit/s"; empty for 0 and below.
std::string BitrateText(int bitsPerSecond);

} // namespace quarn
