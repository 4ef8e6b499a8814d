#pragma once

#include <QByteArray>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QTemporaryDir;

namespace quarn {

// The text of a drag as a file, for targets that take files (file managers): "Text Scrap File.txt" in a
// private folder of its own below the runtime folder. The file is written when a target first asks for
// it and removed, folder and all, with the scrap.
class TTextScrap {
public:
    static constexpr const char* kFileName = "Text Scrap File.txt";

    explicit TTextScrap(std::string text);
    ~TTextScrap();
    TTextScrap(const TTextScrap&) = delete;
    TTextScrap& operator=(const TTextScrap&) = delete;

    // Windows-1252 bytes.
    const std::string& Text() const { return text_; }

    // The file, written on the first call; nothing when it cannot be written.
    std::optional<std::filesystem::path> File() const;
    // The file as a "text/uri-list" of one entry.
    std::optional<QByteArray> UriList() const;

private:
    std::string text_;
    mutable std::unique_ptr<QTemporaryDir> folder_;
    mutable std::filesystem::path file_;
};

} // namespace quarn
