#include "platform/FontFile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QString>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarn {
namespace {

struct AddedFile {
    std::vector<int> fontIds;
    int count = 0;
};

// GUI thread only, like the font database itself.
std::map<std::filesystem::path, AddedFile>& AddedFiles() {
    static std::map<std::filesystem::path, AddedFile> files;
    return files;
}

std::filesystem::path Key(const std::filesystem::path& file) {
    std::error_code error;
    const auto absolute = std::filesystem::weakly_canonical(file, error);
    return error ? file.lexically_normal() : absolute;
}

// The faces of the file: each runs from a "STARTFONT" line to its "ENDFONT" line.
std::vector<QByteArray> SplitFaces(const QByteArray& content) {
    std::vector<QByteArray> faces;
    qsizetype position = 0;
    while (true) {
        const qsizetype start = content.indexOf("STARTFONT ", position);
        if (start < 0 || (start > 0 && content.at(start - 1) != '\n')) {
            break;
        }
        const qsizetype end = content.indexOf("\nENDFONT", start);
        if (end < 0) {
            break;
        }
        const qsizetype lineEnd = content.indexOf('\n', end + 1);
        const qsizetype stop = lineEnd < 0 ? content.size() : lineEnd + 1;
        faces.push_back(content.mid(start, stop - start));
        position = stop;
    }
    return faces;
}

} // namespace

std::filesystem::path ProgramFontFileName() {
    std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
    return program.replace_extension(".fon");
}

int AddFontResource(const std::filesystem::path& file) {
    auto& files = AddedFiles();
    const auto key = Key(file);
    if (const auto found = files.find(key); found != files.end()) {
        ++found->second.count;
        return static_cast<int>(found->second.fontIds.size());
    }
    QFile input(QString::fromStdString(file.string()));
    if (!input.open(QIODevice::ReadOnly)) {
        return 0;
    }
    AddedFile added;
    for (const QByteArray& face : SplitFaces(input.readAll())) {
        const int id = QFontDatabase::addApplicationFontFromData(face);
        if (id >= 0) {
            added.fontIds.push_back(id);
        }
    }
    if (added.fontIds.empty()) {
        return 0;
    }
    added.count = 1;
    const int faces = static_cast<int>(added.fontIds.size());
    files.emplace(key, std::move(added));
    return faces;
}

bool RemoveFontResource(const std::filesystem::path& file) {
    auto& files = AddedFiles();
    const auto found = files.find(Key(file));
    if (found == files.end()) {
        return false;
    }
    if (--found->second.count > 0) {
        return true;
    }
    bool removed = true;
    for (const int id : found->second.fontIds) {
        removed = QFontDatabase::removeApplicationFont(id) && removed;
    }
    files.erase(found);
    return removed;
}

QFont TerminalFont(std::string_view sizeName) {
    QFont font(QString::fromLatin1("quarn ") + QString::fromLatin1(sizeName.data(), sizeName.size()));
    // "08x12": columns x rows of the cell; the pixel size is the cell height.
    const auto separator = sizeName.find('x');
    int height = 12;
    if (separator != std::string_view::npos) {
        try {
            height = std::stoi(std::string(sizeName.substr(separator + 1)));
        } catch (const std::exception&) {
            height = 12;
        }
    }
    font.setPixelSize(height > 0 ? height : 12);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

} // namespace quarn
