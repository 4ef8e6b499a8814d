#pragma once

#include "platform/Registry.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// File attributes of a listing entry, with their Windows values (remote stations see these).
constexpr std::uint32_t faReadOnly = 0x01;
constexpr std::uint32_t faHidden = 0x02;
constexpr std::uint32_t faDirectory = 0x10;
constexpr std::uint32_t faArchive = 0x20;

// One entry of the listing remote stations get.
struct TRemoteDirEntry {
    std::string Name; // Windows-1252, as it goes on the air
    std::chrono::system_clock::time_point Time;
    std::uint64_t Size = 0;
    std::uint32_t Attr = 0;
    std::filesystem::path Path; // the entry on disk, for reading it
};

// The program's folders, under the current user's "\Software\Velmoor\Quarn\Ordner": "Empfang", the
// receive folder (default: the documents folder), and "Remote", the folder remote stations may read
// (default: the documents folder and "Quarn"). The values are the folders' UTF-8 paths; the getters
// return them with a trailing "/". Safe from any thread: nothing is cached.
class TOrdner {
public:
    explicit TOrdner(RegistryStore& store = RegistryStore::Instance());
    TOrdner(const TOrdner&) = delete;
    TOrdner& operator=(const TOrdner&) = delete;

    std::filesystem::path GetEmpfang() const;
    void SetEmpfang(const std::filesystem::path& folder);
    std::filesystem::path GetRemote() const;
    void SetRemote(const std::filesystem::path& folder);
    // The user's documents folder with a trailing "/".
    std::filesystem::path GetDocumentsFolder() const;

    static constexpr std::size_t kMaxRemoteEntries = 1000;

    // The listing for a remote station. `path` is the station's request relative to the remote folder
    // (Windows-1252, "\" or "/" between names), e.g. the current folder, "\" and a parameter. With a
    // parameter an existing folder is listed with the pattern "*", anything else is taken as folder and
    // pattern; without one the entry of the path itself is given. On return `wildcard` is the pattern
    // and `folder` the listed folder relative to the remote folder ("\" between names, no trailing "\").
    // ".." takes back the name before it. False, and no entries, when the request is refused: NUL bytes,
    // drive names ("C:") or a real folder outside the remote folder (links are followed before the
    // check). Entries whose links lead outside, and special files, are left out; at most
    // kMaxRemoteEntries are returned, sorted by name.
    bool DirRemote(std::string_view path, bool hasParameter, std::string& wildcard, std::string& folder,
                   std::vector<TRemoteDirEntry>& entries) const;

private:
    std::filesystem::path Folder(std::string_view name, const std::filesystem::path& fallback) const;

    RegistryStore& store_;
};

} // namespace quarn
