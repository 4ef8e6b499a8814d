#pragma once

#include <string>
#include <string_view>

namespace quarn::tncsim {

std::string Upper(std::string_view text);
std::string Trim(std::string_view text);
// A connect path with single blanks and calls in capitals: "DL1AAA via DB0XYZ".
std::string NormalPath(std::string_view path);
// The path without a radio port "p:" in front.
std::string WithoutPort(std::string_view path);
// The station a path leads to, its first call.
std::string FirstCall(std::string_view path);
// Which "M" item a monitor header belongs to: 'I' information, 'U' UI, 'S' supervisory and others.
char FrameKind(std::string_view header);
// "JHOST" and the mode digit, in any case, with or without blanks before the digit ("JHOST 1"), as the
// firmware takes the command in both modes.
bool IsJhost(std::string_view command, char digit);

} // namespace quarn::tncsim
