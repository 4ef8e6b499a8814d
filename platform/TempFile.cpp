#include "platform/TempFile.h"

#include "platform/FileDescriptor.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <random>
#include <string>
#include <system_error>
#include <unistd.h>

namespace quarn {
namespace {

std::string RandomPart() {
    static std::atomic<std::uint32_t> counter{0};
    thread_local std::mt19937 engine{std::random_device{}()};
    const std::uint32_t value = engine() ^ (counter.fetch_add(1) * 0x9E3779B9U);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(8, '0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = kDigits[(value >> (28 - 4 * i)) & 0xF];
    }
    return text;
}

} // namespace

std::filesystem::path TempFolder() {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error || !std::filesystem::is_directory(folder, error)) {
        return {};
    }
    return folder;
}

std::filesystem::path CreateTempFile(const std::filesystem::path& folder, std::string_view prefix) {
    if (folder.empty()) {
        return {};
    }
    std::string lowerPrefix(prefix);
    for (char& c : lowerPrefix) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    // A name another process took between our choice and the create is simply tried again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path name = folder / (lowerPrefix + RandomPart() + ".tmp");
        const FileDescriptor file(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (file) {
            return name;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}

} // namespace quarn
