#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quarn::test {

// Whole-file helpers for tests that set up or inspect files byte for byte.
inline void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace quarn::test
