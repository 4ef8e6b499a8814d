#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarn {

// The one code-page converter of the program. Text inside the program is bytes in Windows-1252; it is
// turned into Unicode only where it meets Qt (widgets, D-Bus) or becomes a file name.
//
// Windows-1252 <-> Unicode is exact in both directions for all 256 bytes (the five bytes Windows leaves
// undefined map to the C1 controls of the same value, as Windows itself does). Unicode characters
// outside Windows-1252 become `replacement`.
char16_t Cp1252ToUnicode(std::uint8_t byte);
bool UnicodeToCp1252(char32_t code, std::uint8_t& byte);

QString Cp1252ToQString(std::string_view bytes);
std::string QStringToCp1252(const QString& text, char replacement = '?');
std::string Cp1252ToUtf8(std::string_view bytes);
std::string Utf8ToCp1252(std::string_view utf8, char replacement = '?');

// The DOS code page (CP850) and Windows-1252 as a pair of inverse byte tables: a character both pages
// have keeps its identity; CP850's box and block characters, which Windows-1252 lacks, take the bytes
// Windows-1252 leaves over, so that every byte survives a round trip in either direction. The 31
// CP850 bytes without a Windows-1252 character (B0-B4, B9-BC, BF-C5, C8-CE, D5, D9-DC, DF, F2, FE) take,
// in this ascending order, the Windows-1252 bytes 80-82 and 84-9F (all of 80-9F but ƒ, which CP850 has).
std::uint8_t Cp850ToCp1252(std::uint8_t byte);
std::uint8_t Cp1252ToCp850(std::uint8_t byte);
std::string Cp850ToCp1252(std::string_view bytes);
std::string Cp1252ToCp850(std::string_view bytes);
// CP850 as Unicode, for drawing text of the "DOS" display (box characters included).
char16_t Cp850ToUnicode(std::uint8_t byte);

// Case mapping of Windows-1252 letters (ASCII, accented Latin letters, Š/š, Œ/œ, Ž/ž, Ÿ/ÿ).
std::uint8_t Cp1252Upper(std::uint8_t byte);
std::uint8_t Cp1252Lower(std::uint8_t byte);
std::string Cp1252UpperCase(std::string_view bytes);
std::string Cp1252LowerCase(std::string_view bytes);

} // namespace quarn
