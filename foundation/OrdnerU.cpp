#include "foundation/OrdnerU.h"

#include "foundation/DebOutU.h"
#include "platform/Codepage.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <optional>
#include <sys/stat.h>
#include <system_error>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TOrdner";
constexpr std::string_view kKey = "\\Software\\Velmoor\\Quarn\\Ordner";

std::filesystem::path WithTrailingSeparator(std::filesystem::path folder) {
    if (folder.has_filename()) {
        folder += "/";
    }
    return folder;
}

std::filesystem::path WithoutTrailingSeparator(std::filesystem::path folder) {
    if (!folder.has_filename() && folder.has_relative_path()) {
        folder = folder.parent_path();
    }
    return folder;
}

// The absolute path with every link of its existing part resolved.
std::filesystem::path Resolve(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) {
        absolute = path;
    }
    std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    return WithoutTrailingSeparator(error ? absolute.lexically_normal() : resolved);
}

// Whole names compared exactly: "/x/Quarn" holds "/x/Quarn/a", but not "/x/QuarnSecret" nor "/x/quarn".
bool IsInside(const std::filesystem::path& resolved, const std::filesystem::path& root) {
    auto inner = resolved.begin();
    for (const auto& part : root) {
        if (inner == resolved.end() || *inner != part) {
            return false;
        }
        ++inner;
    }
    return true;
}

// A station's request split into names (UTF-8) and collapsed, or nothing when it must be refused.
struct RemoteRequest {
    std::vector<std::string> names;
    bool trailingSeparator = false;
};

bool IsDriveForm(const std::string& name) {
    return name.size() >= 2 && name[1] == ':' &&
           ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

std::optional<RemoteRequest> ParseRequest(std::string_view request) {
    if (request.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::string text = Cp1252ToUtf8(request);
    std::replace(text.begin(), text.end(), '\\', '/');
    RemoteRequest parsed;
    parsed.trailingSeparator = !text.empty() && text.back() == '/';
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('/', start), text.size());
        std::string name = text.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".") {
            continue;
        }
        if (IsDriveForm(name)) {
            return std::nullopt;
        }
        // ".." takes back the name before it, as the station wrote it; one that climbs above the start
        // is kept, and the check of the real folder against the remote folder decides.
        if (name == ".." && !parsed.names.empty() && parsed.names.back() != "..") {
            parsed.names.pop_back();
            continue;
        }
        parsed.names.push_back(std::move(name));
    }
    return parsed;
}

std::filesystem::path Join(const std::vector<std::string>& names, std::size_t count) {
    std::filesystem::path joined;
    for (std::size_t i = 0; i < count; ++i) {
        joined /= names[i];
    }
    return joined;
}

// The folder as the station sees it: relative to the remote folder, "\" between names.
std::string RemoteFolderText(const std::filesystem::path& relative) {
    std::string text;
    for (const auto& part : relative) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (!text.empty()) {
            text.push_back('\\');
        }
        text.append(Utf8ToCp1252(part.string()));
    }
    return text;
}

// Windows pattern matching: "*" any run, "?" any one character, letters without regard to case.
bool WildcardMatches(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") {
        pattern = "*";
    }
    const std::string upperPattern = Cp1252UpperCase(pattern);
    const std::string upperName = Cp1252UpperCase(name);
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::string::npos;
    std::size_t starName = 0;
    while (n < upperName.size()) {
        if (p < upperPattern.size() && (upperPattern[p] == '?' || upperPattern[p] == upperName[n])) {
            ++p;
            ++n;
        } else if (p < upperPattern.size() && upperPattern[p] == '*') {
            starAt = p++;
            starName = n;
        } else if (starAt != std::string::npos) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < upperPattern.size() && upperPattern[p] == '*') {
        ++p;
    }
    return p == upperPattern.size();
}

// The entry for a name on disk; nothing for special files (a FIFO would hang the reader) or names that
// cannot be examined.
std::optional<TRemoteDirEntry> MakeEntry(const std::filesystem::path& path, const std::string& name) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    TRemoteDirEntry entry;
    if (S_ISDIR(info.st_mode)) {
        entry.Attr = faDirectory;
    } else if (S_ISREG(info.st_mode)) {
        entry.Attr = faArchive;
        entry.Size = static_cast<std::uint64_t>(info.st_size);
    } else {
        return std::nullopt;
    }
    if ((info.st_mode & S_IWUSR) == 0) {
        entry.Attr |= faReadOnly;
    }
    if (name.starts_with('.')) {
        entry.Attr |= faHidden;
    }
    entry.Name = Utf8ToCp1252(name);
    entry.Time =
        std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
    entry.Path = path;
    return entry;
}

void ListFolder(const std::filesystem::path& folder, const std::filesystem::path& root,
                const std::string& wildcard, std::vector<TRemoteDirEntry>& entries) {
    std::error_code error;
    std::filesystem::directory_iterator it(folder, std::filesystem::directory_options::skip_permission_denied,
                                           error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!WildcardMatches(wildcard, Utf8ToCp1252(name))) {
            continue;
        }
        // A link may point anywhere; only what it resolves to inside the remote folder is offered.
        std::error_code linkError;
        if (it->is_symlink(linkError) && !IsInside(Resolve(it->path()), root)) {
            continue;
        }
        if (auto entry = MakeEntry(it->path(), name)) {
            entries.push_back(std::move(*entry));
            if (entries.size() >= TOrdner::kMaxRemoteEntries) {
                break;
            }
        }
    }
    std::sort(entries.begin(), entries.end(), [](const TRemoteDirEntry& a, const TRemoteDirEntry& b) {
        const std::string upperA = Cp1252UpperCase(a.Name);
        const std::string upperB = Cp1252UpperCase(b.Name);
        return upperA != upperB ? upperA < upperB : a.Name < b.Name;
    });
}

} // namespace

TOrdner::TOrdner(RegistryStore& store) : store_(store) {
    store_.CreateKey(Hive::CurrentUser, kKey);
}

std::filesystem::path TOrdner::Folder(std::string_view name, const std::filesystem::path& fallback) const {
    const auto value = store_.ReadString(Hive::CurrentUser, kKey, name);
    if (!value || value->empty()) {
        return WithTrailingSeparator(fallback);
    }
    return WithTrailingSeparator(std::filesystem::path(*value));
}

std::filesystem::path TOrdner::GetEmpfang() const {
    return Folder("Empfang", DocumentsFolder());
}

void TOrdner::SetEmpfang(const std::filesystem::path& folder) {
    store_.WriteString(Hive::CurrentUser, kKey, "Empfang", folder.string());
}

std::filesystem::path TOrdner::GetRemote() const {
    return Folder("Remote", DocumentsFolder() / "Quarn");
}

void TOrdner::SetRemote(const std::filesystem::path& folder) {
    store_.WriteString(Hive::CurrentUser, kKey, "Remote", folder.string());
}

std::filesystem::path TOrdner::GetDocumentsFolder() const {
    return WithTrailingSeparator(DocumentsFolder());
}

bool TOrdner::DirRemote(std::string_view path, bool hasParameter, std::string& wildcard, std::string& folder,
                        std::vector<TRemoteDirEntry>& entries) const {
    entries.clear();
    entries.reserve(kMaxRemoteEntries);
    const std::filesystem::path root = Resolve(GetRemote());
    const auto request = ParseRequest(path);
    if (!request) {
        DebOutObj(kClass, "DirRemote", "Zugriff verweigert: " + Cp1252ToUtf8(path));
        wildcard.clear();
        folder.assign(path);
        return false;
    }
    const auto& names = request->names;
    std::filesystem::path requested;
    if (!hasParameter) {
        requested = Join(names, names.size());
        wildcard.clear();
    } else if (FolderExists(root / Join(names, names.size())) || request->trailingSeparator ||
               names.empty()) {
        requested = Join(names, names.size());
        wildcard = "*";
    } else {
        requested = Join(names, names.size() - 1);
        wildcard = Utf8ToCp1252(names.back());
    }
    DebOutObjFmt(kClass, "DirRemote", "Wildcard: %s", Cp1252ToUtf8(wildcard).c_str());
    DebOutObjFmt(kClass, "DirRemote", "Folder (Parameter): %s", requested.c_str());

    const std::filesystem::path real = Resolve(root / requested);
    DebOutObjFmt(kClass, "DirRemote", "Folder (wirklich): %s", real.c_str());
    if (!IsInside(real, root)) {
        folder = RemoteFolderText(requested);
        return false;
    }
    folder = RemoteFolderText(real.lexically_relative(root));
    if (!hasParameter) {
        if (auto entry = MakeEntry(real, real.filename().string())) {
            entries.push_back(std::move(*entry));
        }
    } else {
        ListFolder(real, root, wildcard, entries);
    }
    entries.shrink_to_fit();
    return true;
}

} // namespace quarn
