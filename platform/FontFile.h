#pragma once

#include <QFont>
#include <filesystem>
#include <string_view>

namespace quarn {

// The program's terminal font file, in place of AddFontResource and RemoveFontResource: a file of bitmap
// faces ("quarn 08x12" and its sisters, BDF fonts one after another) whose faces are made available to
// this process only. Call on the GUI thread, with the application object alive.

// The program's path with the extension ".fon" (quarn -> quarn.fon beside it).
std::filesystem::path ProgramFontFileName();

// Adds every face of the file; returns the number of faces added, 0 when the file cannot be read or
// none of its faces is accepted (then nothing stays added). Adding a file that is already added counts
// it once more and returns its face count again.
int AddFontResource(const std::filesystem::path& file);

// Undoes one AddFontResource of that file; its faces go when the last one is undone. False when the
// file is not added.
bool RemoveFontResource(const std::filesystem::path& file);

// The terminal font of one size name of the configuration ("08x12"): family "quarn 08x12" at the pixel
// size of its cell, fixed pitch, without substitutes from other fonts.
QFont TerminalFont(std::string_view sizeName);

} // namespace quarn
