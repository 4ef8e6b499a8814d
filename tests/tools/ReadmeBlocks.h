#pragma once

// The indented blocks of README.md as a reader copies them: command lines for a shell, or sections of a
// hive file.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quarn::test {

struct ReadmeBlock {
    std::string section;            // the "## " heading above it, without the marks
    int line = 0;                   // its first line in README.md
    std::vector<std::string> lines; // without the four blanks of the indent; blank lines inside kept

    bool IsRegistry() const {
        return !lines.empty() && (lines.front() == "QUARN REGISTRY 1" || lines.front().starts_with("[HKEY_"));
    }

    // One entry a shell command; a line ending in "\" goes on in the next one, and both stay as they are
    // written, so that the shell reads them as the reader's shell would.
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        bool goesOn = false;
        for (const std::string& line : lines) {
            if (line.empty()) {
                continue;
            }
            if (goesOn) {
                commands.back() += "\n" + line;
            } else {
                commands.push_back(line);
            }
            goesOn = line.ends_with('\\');
        }
        return commands;
    }

    std::string Text() const {
        std::string text;
        for (const std::string& line : lines) {
            text += line + "\n";
        }
        return text;
    }
};

// Every block of four-blank lines that follows a blank line; a blank line between two such lines does
// not end the block.
inline std::vector<ReadmeBlock> ReadmeBlocks(const std::filesystem::path& readme) {
    std::ifstream in(readme);
    std::vector<std::string> all;
    for (std::string line; std::getline(in, line);) {
        all.push_back(line);
    }
    const auto indented = [&](std::size_t i) { return i < all.size() && all[i].starts_with("    "); };
    std::vector<ReadmeBlock> blocks;
    std::string section;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].starts_with("## ")) {
            section = all[i].substr(3);
            continue;
        }
        if (!indented(i) || i == 0 || !all[i - 1].empty()) {
            continue;
        }
        ReadmeBlock block{section, static_cast<int>(i + 1), {}};
        for (; indented(i) || (i < all.size() && all[i].empty() && indented(i + 1)); ++i) {
            block.lines.push_back(all[i].empty() ? std::string() : all[i].substr(4));
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

} // namespace quarn::test
