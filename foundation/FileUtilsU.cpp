#include "foundation/FileUtilsU.h"

#include "foundation/DebOutU.h"
#include "foundation/MD5U.h"
#include "foundation/ProgramGlobals.h"
#include "platform/Codepage.h"
#include "platform/FileDescriptor.h"
#include "platform/FileSystem.h"

#include <QByteArray>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <system_error>

namespace quarn {
namespace {

// A name taken on every try would otherwise spin for ever; a real race is lost a few times at most.
constexpr int kMaxMoveTries = 100;
constexpr int kMaxIncompleteTries = 10;

std::string Text(const std::filesystem::path& path) {
    return path.string();
}

// A name for a file inside the incomplete-files folder: one plain component, nothing that climbs out.
bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool IsBreakChar(char c, std::string_view breakChars) {
    return breakChars.find(c) != std::string_view::npos;
}

// At most `bytes` bytes of UTF-8 text, ending before a sequence rather than inside it.
std::string Cut(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes) {
        return std::string(text);
    }
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) {
        --bytes;
    }
    return std::string(text.substr(0, bytes));
}

struct NameParts {
    std::string stem;
    std::string extension;
};

// Split as std::filesystem splits a file name: the extension from the last dot, none for a leading dot.
NameParts Split(const std::string& name) {
    const std::filesystem::path plain(name);
    return {plain.stem().string(), plain.extension().string()};
}

NameParts Fit(NameParts parts, std::size_t maxBytes) {
    if (parts.stem.size() + parts.extension.size() <= maxBytes) {
        return parts;
    }
    if (parts.extension.size() < maxBytes) {
        std::string stem = Cut(parts.stem, maxBytes - parts.extension.size());
        if (!stem.empty()) {
            return {std::move(stem), std::move(parts.extension)};
        }
    }
    // No room for a stem beside the extension: a name made of the extension alone would be hidden.
    return {Cut(parts.stem + parts.extension, maxBytes), {}};
}

} // namespace

std::filesystem::path MakeUniqueFileName(const std::filesystem::path& name) {
    if (!NameTaken(name)) {
        return name;
    }
    const std::filesystem::path plain = name.has_filename() ? name : name.parent_path();
    const std::filesystem::path folder = plain.parent_path();
    const NameParts parts{plain.stem().string(), plain.extension().string()};
    for (unsigned number = 1;; ++number) {
        const std::string suffix = " (" + std::to_string(number) + ")";
        const NameParts fitted = Fit(parts, kMaxFileNameBytes - suffix.size());
        std::filesystem::path candidate = folder / (fitted.stem + suffix + fitted.extension);
        if (!NameTaken(candidate)) {
            return candidate;
        }
    }
}

std::string FitFileName(std::string_view name, std::size_t maxBytes) {
    const NameParts fitted = Fit(Split(std::string(name)), maxBytes);
    return fitted.stem + fitted.extension;
}

std::int64_t FreeBytes(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path existing = folder;
    while (!existing.empty() && !std::filesystem::exists(existing, error)) {
        if (existing == existing.parent_path()) {
            return -1;
        }
        existing = existing.parent_path();
    }
    const std::filesystem::space_info space = std::filesystem::space(existing, error);
    if (error || space.available == static_cast<std::uintmax_t>(-1)) {
        return -1;
    }
    return static_cast<std::int64_t>(
        std::min<std::uintmax_t>(space.available, static_cast<std::uintmax_t>(INT64_MAX)));
}

bool MoveFileKio(const std::filesystem::path& source, std::filesystem::path& destination, bool unique) {
    DebOut("MoveFileKio: begin...");
    DebOut("MoveFileKio: Quelle: " + Text(source));
    DebOut("MoveFileKio: Ziel (ursprünglich): " + Text(destination));
    bool moved = false;
    if (source.empty() || destination.empty()) {
        DebOut("MoveFileKio: Quell- oder Zieldateiname leer...");
    } else {
        for (int tries = 0; tries < kMaxMoveTries; ++tries) {
            const std::filesystem::path target = unique ? MakeUniqueFileName(destination) : destination;
            const int error = MoveNoReplace(source, target);
            if (error == 0) {
                destination = target;
                DebOut("MoveFileKio: Ziel (endgültig): " + Text(destination));
                moved = true;
                break;
            }
            DebOutFmt("MoveFileKio: Fehler: %d, %s", error, SysErrorText(error).c_str());
            if (error != EEXIST) {
                DebOut("MoveFileKio: Unbekannter Fehler, Exit...");
                break;
            }
            if (!unique) {
                break;
            }
        }
    }
    DebOut("MoveFileKio: end.");
    return moved;
}

bool RecycleFile(const std::filesystem::path& name) {
    return MoveToTrash(name);
}

std::filesystem::path IncompleteFilesFolder() {
    return AppDataFolder() / "Incomplete Files";
}

std::filesystem::path CreateIncompleteFile(std::string_view name) {
    DebOut("CreateIncompleteFile: begin...");
    std::filesystem::path created;
    const std::string plainName = Cp1252ToUtf8(name);
    if (IsPlainFileName(plainName)) {
        const std::string fileName = plainName + ".qvf";
        const std::filesystem::path folder = IncompleteFilesFolder();
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        const std::filesystem::path path = folder / fileName;
        DebOut("CreateIncompleteFile: " + Text(path));
        if (FileDescriptor file(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666)); file) {
            created = path;
        }
    }
    DebOut("CreateIncompleteFile: end.");
    return created;
}

std::filesystem::path CreateIncompleteFileUnique() {
    for (int tries = 0; tries < kMaxIncompleteTries; ++tries) {
        const QByteArray guid = QUuid::createUuid().toRfc4122();
        if (auto path =
                CreateIncompleteFile(MD5Buffer(guid.constData(), static_cast<std::size_t>(guid.size())));
            !path.empty()) {
            return path;
        }
    }
    return {};
}

std::string WrapText(std::string_view text, std::string_view breakString, std::string_view breakChars,
                     int width) {
    constexpr std::string_view kDefaultBreakChars("\n\r ,-.");
    if (breakChars.empty()) {
        breakChars = kDefaultBreakChars;
    }
    // Windows-1252 has no double-byte characters: every byte is one column.
    constexpr std::size_t kNone = std::string_view::npos;
    std::string result;
    std::size_t lineStart = 0;
    std::size_t breakPos = kNone;
    int column = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            // The text's own line end: the next line counts from column 0 again.
            ++i;
            result.append(text.substr(lineStart, i - lineStart));
            lineStart = i;
            breakPos = kNone;
            column = 0;
            continue;
        }
        if (IsBreakChar(c, breakChars)) {
            breakPos = i;
        }
        ++i;
        ++column;
        if (column > width && breakPos != kNone && breakPos > lineStart) {
            result.append(text.substr(lineStart, breakPos + 1 - lineStart));
            while (i < text.size() && text[i] != '\r' && text[i] != '\n' &&
                   IsBreakChar(text[i], breakChars)) {
                ++i;
            }
            if (i < text.size()) {
                result.append(breakString);
            }
            lineStart = breakPos + 1;
            breakPos = kNone;
            column = static_cast<int>(i - lineStart);
        }
    }
    result.append(text.substr(lineStart));
    return result;
}

} // namespace quarn
