// Builds the terminal font file: six fixed-cell bitmap faces "quarn WWxHH" as BDF fonts, one after the
// other in one file. The letters come from the X11 misc-fixed fonts (public domain), padded or cropped
// to the cell; the DOS box and block characters are drawn for each cell so that lines join.
//
//   quarn_fontgen <folder of the misc-fixed .pcf.gz files> <output file>
#include "BoxGlyphs.h"
#include "PcfFont.h"
#include "platform/Codepage.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

namespace quarn::fontgen {
namespace {

struct FaceRecipe {
    const char* name; // the size name the configuration stores
    int width;
    int height;
    const char* source; // misc-fixed file without ".pcf.gz"
    int padLeft;        // columns added left of the source cell
    int padTop;         // rows added above (negative: rows cut off at the top)
};

// Sizes without a source of their own take the nearest smaller one, centred where two columns are
// missing; 08x12 drops the top row of 8x13, where only the accents of capitals reach.
constexpr FaceRecipe kFaces[] = {
    {"07x09", 7, 9, "6x9", 0, 0},   {"08x09", 8, 9, "6x9", 1, 0},   {"08x12", 8, 12, "8x13", 0, -1},
    {"08x13", 8, 13, "8x13", 0, 0}, {"08x15", 8, 15, "8x13", 0, 1}, {"10x18", 10, 18, "9x18", 0, 0},
};

// Every printable character of Windows-1252 and of the DOS code page.
std::set<char32_t> Repertoire() {
    std::set<char32_t> codes;
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
        if (byte == 0x7F) {
            continue;
        }
        const char32_t ansi = Cp1252ToUnicode(static_cast<std::uint8_t>(byte));
        if (ansi < 0x80 || ansi >= 0xA0) {
            codes.insert(ansi);
        }
        codes.insert(Cp850ToUnicode(static_cast<std::uint8_t>(byte)));
    }
    return codes;
}

CellBitmap PlaceGlyph(const PcfFont& source, const PcfGlyph& glyph, const FaceRecipe& face) {
    CellBitmap cell(face.height, std::vector<bool>(face.width, false));
    for (int row = 0; row < static_cast<int>(glyph.rows.size()); ++row) {
        const int y = source.ascent - glyph.ascent + row + face.padTop;
        for (int column = 0; column < static_cast<int>(glyph.rows[row].size()); ++column) {
            const int x = glyph.left + column + face.padLeft;
            if (glyph.rows[row][column] && y >= 0 && y < face.height && x >= 0 && x < face.width) {
                cell[y][x] = true;
            }
        }
    }
    return cell;
}

void WriteFace(std::ostream& out, const FaceRecipe& face, const std::filesystem::path& sourceFolder) {
    const PcfFont source = ReadPcfFont(sourceFolder / (std::string(face.source) + ".pcf.gz"));
    const int ascent = source.ascent + face.padTop;
    const int descent = face.height - ascent;
    const std::string family = std::string("quarn ") + face.name;
    const int pointSize = face.height * 720 / 96; // decipoints at 96 dpi

    std::ostringstream glyphs;
    int count = 0;
    for (const char32_t code : Repertoire()) {
        std::optional<CellBitmap> cell = DrawBoxGlyph(code, face.width, face.height);
        if (!cell) {
            const auto found = source.glyphs.find(code);
            if (found == source.glyphs.end()) {
                throw std::runtime_error(std::string(face.source) + " has no glyph U+" +
                                         std::to_string(static_cast<unsigned>(code)));
            }
            cell = PlaceGlyph(source, found->second, face);
        }
        char name[16];
        std::snprintf(name, sizeof name, "uni%04X", static_cast<unsigned>(code));
        glyphs << "STARTCHAR " << name << "\nENCODING " << static_cast<unsigned>(code) << "\nSWIDTH "
               << face.width * 720000 / (pointSize * 96) << " 0\nDWIDTH " << face.width << " 0\nBBX "
               << face.width << ' ' << face.height << " 0 " << -descent << "\nBITMAP\n";
        for (const auto& row : *cell) {
            unsigned bits = 0;
            const int bytes = (face.width + 7) / 8;
            for (int x = 0; x < face.width; ++x) {
                if (row[x]) {
                    bits |= 1u << (bytes * 8 - 1 - x);
                }
            }
            char hex[8];
            std::snprintf(hex, sizeof hex, "%0*X", bytes * 2, bits);
            glyphs << hex << '\n';
        }
        glyphs << "ENDCHAR\n";
        ++count;
    }

    out << "STARTFONT 2.1\n"
        << "FONT -quarn-" << family << "-medium-r-normal--" << face.height << '-' << pointSize << "-96-96-c-"
        << face.width * 10 << "-iso10646-1\n"
        << "SIZE " << pointSize / 10 << " 96 96\n"
        << "FONTBOUNDINGBOX " << face.width << ' ' << face.height << " 0 " << -descent << '\n'
        << "STARTPROPERTIES 19\n"
        << "FOUNDRY \"quarn\"\nFAMILY_NAME \"" << family << "\"\nWEIGHT_NAME \"Medium\"\nSLANT \"R\"\n"
        << "SETWIDTH_NAME \"Normal\"\nADD_STYLE_NAME \"\"\nPIXEL_SIZE " << face.height << "\nPOINT_SIZE "
        << pointSize << "\nRESOLUTION_X 96\nRESOLUTION_Y 96\nSPACING \"C\"\nAVERAGE_WIDTH " << face.width * 10
        << "\nCHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\nFONT_ASCENT " << ascent
        << "\nFONT_DESCENT " << descent << "\nDEFAULT_CHAR 32\n"
        << "COPYRIGHT \"Public domain; letters from the X11 misc-fixed font " << face.source << "\"\n"
        << "NOTICE \"Box and block characters drawn for this cell size\"\n"
        << "ENDPROPERTIES\nCHARS " << count << '\n'
        << glyphs.str() << "ENDFONT\n";
}

} // namespace
} // namespace quarn::fontgen

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: quarn_fontgen <misc-fixed folder> <output file>\n";
        return 2;
    }
    try {
        const std::filesystem::path output = argv[2];
        const std::filesystem::path partial = output.string() + ".part";
        {
            std::ofstream out(partial, std::ios::binary | std::ios::trunc);
            for (const auto& face : quarn::fontgen::kFaces) {
                quarn::fontgen::WriteFace(out, face, argv[1]);
            }
            out.close();
            if (!out) {
                throw std::runtime_error("cannot write " + partial.string());
            }
        }
        std::filesystem::rename(partial, output);
    } catch (const std::exception& error) {
        std::cerr << "quarn_fontgen: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
