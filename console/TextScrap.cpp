#include "console/TextScrap.h"

#include "platform/Codepage.h"
#include "platform/XdgPaths.h"

#include <QTemporaryDir>
#include <QUrl>
#include <fstream>
#include <system_error>

namespace quarn {

TTextScrap::TTextScrap(std::string text) : text_(std::move(text)) {}

TTextScrap::~TTextScrap() = default;

std::optional<std::filesystem::path> TTextScrap::File() const {
    if (!file_.empty()) {
        return file_;
    }
    // The runtime folder is the user's alone and is emptied when the session ends, so not even a
    // crash leaves the text lying about; each scrap gets a folder of its own (mode 0700).
    const auto base = QuarnFolderBelow(XdgRuntimeDir());
    std::error_code error;
    std::filesystem::create_directories(base, error);
    auto folder =
        std::make_unique<QTemporaryDir>(QString::fromStdString((base / "Text Scrap-XXXXXX").string()));
    if (!folder->isValid()) {
        return std::nullopt;
    }
    const std::filesystem::path name = std::filesystem::path(folder->path().toStdString()) / kFileName;
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    const std::string utf8 = Cp1252ToUtf8(text_);
    file.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
    file.close();
    if (!file) {
        return std::nullopt;
    }
    folder_ = std::move(folder);
    file_ = name;
    return file_;
}

std::optional<QByteArray> TTextScrap::UriList() const {
    const auto name = File();
    if (!name) {
        return std::nullopt;
    }
    return QUrl::fromLocalFile(QString::fromStdString(name->string())).toEncoded() + "\r\n";
}

} // namespace quarn
