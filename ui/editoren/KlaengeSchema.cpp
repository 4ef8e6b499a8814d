#include "ui/editoren/KlaengeSchema.h"

#include "foundation/CommaText.h"
#include "foundation/ProgramGlobals.h"
#include "platform/Codepage.h"
#include "platform/FileDescriptor.h"
#include "platform/TempFile.h"
#include "stations/KlaengeU.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace quarn {
namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return Cp1252UpperCase(a) == Cp1252UpperCase(b);
}

// The profile reader drops one pair of quotes around a whole value.
std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::filesystem::path AsFileName(std::string_view cp1252Path) {
    std::string utf8 = Cp1252ToUtf8(cp1252Path);
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return std::filesystem::path(utf8);
}

std::string AbsoluteInFolder(std::string_view cp1252Path, const std::filesystem::path& folder) {
    std::filesystem::path name = AsFileName(cp1252Path);
    if (name.is_relative()) {
        name = folder / name;
    }
    return Utf8ToCp1252(name.lexically_normal().generic_string());
}

std::string RelativeToFolder(std::string_view cp1252Path, const std::filesystem::path& folder) {
    const std::filesystem::path name = AsFileName(cp1252Path);
    if (name.is_relative()) {
        return Utf8ToCp1252(name.generic_string());
    }
    const std::filesystem::path relative =
        name.lexically_normal().lexically_relative(folder.lexically_normal());
    return Utf8ToCp1252((relative.empty() ? name : relative).generic_string());
}

char SignalCode(std::uint8_t signal) {
    switch (static_cast<TSignalArt>(signal)) {
    case TSignalArt::PCLautsprecher:
        return '2';
    case TSignalArt::WaveDatei:
        return '1';
    default:
        return '0';
    }
}

} // namespace

std::string KlangSchemaKey(int event) {
    char key[8];
    std::snprintf(key, sizeof key, "%2.2d", event);
    return key;
}

std::optional<std::map<std::string, std::string>> LeseKlangSchemaDatei(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kKlangSchemaMaxBytes) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        return std::nullopt;
    }
    std::map<std::string, std::string> keys;
    bool found = false;
    bool inSection = false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        const std::string_view line = Trimmed(std::string_view(bytes).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            inSection = close != std::string_view::npos &&
                        SameIgnoringCase(Trimmed(line.substr(1, close - 1)), kKlangSchemaSection);
            found = found || inSection;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) {
            continue;
        }
        const std::string key = Cp1252UpperCase(Trimmed(line.substr(0, equals)));
        keys.emplace(key, std::string(Unquoted(Trimmed(line.substr(equals + 1)))));
    }
    if (!found) {
        return std::nullopt;
    }
    return keys;
}

TKlangSchemaWert KlangSchemaWert(const std::map<std::string, std::string>& keys, int event,
                                 const std::filesystem::path& folder) {
    TKlangSchemaWert wert;
    const auto it = keys.find(KlangSchemaKey(event));
    const std::string_view value = it == keys.end() ? std::string_view() : Trimmed(it->second);
    if (value.empty()) {
        return wert;
    }
    wert.vorhanden = true;
    if (value.size() >= 2 && value[0] >= '0' && value[0] <= '9' && value[1] == ',') {
        std::vector<std::string> items = ParseCommaText(value);
        items.resize(std::max<std::size_t>(items.size(), 2));
        wert.mitCode = true;
        wert.signal = items[0] == "1"   ? static_cast<std::uint8_t>(TSignalArt::WaveDatei)
                      : items[0] == "2" ? static_cast<std::uint8_t>(TSignalArt::PCLautsprecher)
                                        : static_cast<std::uint8_t>(TSignalArt::Keiner);
        if (!items[1].empty()) {
            wert.waveFile = AbsoluteInFolder(items[1], folder);
        }
        return wert;
    }
    wert.signal = static_cast<std::uint8_t>(TSignalArt::WaveDatei);
    wert.waveFile = AbsoluteInFolder(value, folder);
    return wert;
}

std::string FormatKlangSchema(const std::vector<TKlangSchemaEintrag>& eintraege,
                              const std::filesystem::path& folder) {
    std::string bytes = "[" + std::string(kKlangSchemaSection) + "]\r\n";
    for (const TKlangSchemaEintrag& eintrag : eintraege) {
        const std::string items[] = {std::string(1, SignalCode(eintrag.signal)),
                                     eintrag.waveFile.empty() ? std::string()
                                                              : RelativeToFolder(eintrag.waveFile, folder)};
        bytes += KlangSchemaKey(eintrag.event) + "=" + FormatCommaText(items) + "\r\n";
    }
    return bytes;
}

QString SchreibeKlangSchema(const std::filesystem::path& file,
                            const std::vector<TKlangSchemaEintrag>& eintraege) {
    const std::string bytes = FormatKlangSchema(eintraege, file.parent_path());
    const std::filesystem::path temporary = CreateTempFile(file.parent_path(), "qvs");
    if (temporary.empty()) {
        return QString::fromStdString(SysErrorText(errno));
    }
    const auto fail = [&temporary](int error) {
        ::unlink(temporary.c_str());
        return QString::fromStdString(SysErrorText(error));
    };
    FileDescriptor out(::open(temporary.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    // A scheme is a file to pass on, not a private one like the temporary file.
    if (!out || ::fchmod(out.get(), 0644) != 0) {
        return fail(errno);
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(out.get(), bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return fail(n < 0 ? errno : EIO);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(out.get()) != 0) {
        return fail(errno);
    }
    out.reset();
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        return fail(errno);
    }
    return {};
}

} // namespace quarn
