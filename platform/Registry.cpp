#include "platform/Registry.h"

#include "platform/Exception.h"
#include "platform/RegistryDisk.h"
#include "platform/RegistryFormat.h"
#include "platform/RegistryTree.h"
#include "platform/RegistryWriter.h"
#include "platform/XdgPaths.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>
#include <utility>

namespace quarn {
namespace {

using registry::Key;
using registry::Value;

struct HiveInfo {
    const char* fileName;
    const char* rootName;
};

constexpr std::array<HiveInfo, 3> kHives = {{
    {"HKCU.reg", "HKEY_CURRENT_USER"},
    {"HKLM.reg", "HKEY_LOCAL_MACHINE"},
    {"HKCR.reg", "HKEY_CLASSES_ROOT"},
}};

std::size_t IndexOf(Hive hive) {
    const auto index = static_cast<std::size_t>(hive);
    QUARN_ASSERT(index < kHives.size(), "Registry");
    return index;
}

const HiveInfo& InfoOf(Hive hive) {
    return kHives[IndexOf(hive)];
}

struct HiveState {
    bool loaded = false;
    bool unwritten = false; // memory holds changes that its file has not got yet
    Key root;
};

} // namespace

struct RegistryStore::Impl {
    explicit Impl(std::filesystem::path where) : folder(std::move(where)) {}

    std::filesystem::path File(Hive hive) const { return folder / InfoOf(hive).fileName; }

    // The hive in memory, read at its first use. Nothing when its file exists but cannot be read, or is
    // damaged and cannot be moved aside: then it must not be overwritten, and the next call tries again.
    Key* Load(Hive hive) {
        HiveState& state = hives[IndexOf(hive)];
        if (state.loaded) {
            return &state.root;
        }
        const std::filesystem::path file = File(hive);
        std::string content;
        switch (registry::ReadWholeFile(file, content)) {
        case registry::ReadResult::Failed:
            return nullptr;
        case registry::ReadResult::Missing:
            state.root = Key();
            break;
        case registry::ReadResult::Read:
            if (auto parsed = registry::ParseHive(content, InfoOf(hive).rootName)) {
                state.root = std::move(*parsed);
            } else if (registry::MoveAside(file)) {
                state.root = Key();
            } else {
                return nullptr;
            }
            break;
        }
        registry::RemoveTornTemporaries(file);
        state.loaded = true;
        return &state.root;
    }

    const Key* FindKey(Hive hive, std::string_view key) {
        const Key* root = Load(hive);
        return root == nullptr ? nullptr : registry::FindKey(*root, key);
    }

    const Value* FindValue(Hive hive, std::string_view key, std::string_view name, RegType type) {
        const Key* found = FindKey(hive, key);
        const Value* value = found == nullptr ? nullptr : found->FindValue(name);
        return value != nullptr && value->type == type ? value : nullptr;
    }

    // Applies `change` to the hive in memory; the background writer takes it to the disk. Nothing
    // changes when the folder cannot take the file right now (a look at the folder, not a write), so
    // callers learn of a lost folder at once. `change` returns false, having changed nothing, when
    // there is nothing to do (a missing key or value).
    template <typename Change> bool Modify(Hive hive, Change&& change) {
        Key* root = Load(hive);
        if (root == nullptr || !registry::PrepareFolder(folder)) {
            return false;
        }
        if (!change(*root)) {
            return false;
        }
        hives[IndexOf(hive)].unwritten = true;
        writerToWake = true;
        return true;
    }

    // Puts a copy of each changed hive on disk. The copies are taken under the lock, the files written
    // outside it, so readers and writers wait only for the copy; one write at a time keeps a later
    // copy from being overtaken by an earlier one.
    bool WriteChanges() {
        const std::lock_guard writing(diskMutex);
        std::array<std::optional<Key>, kHives.size()> copies;
        {
            const std::lock_guard lock(mutex);
            for (std::size_t index = 0; index < hives.size(); ++index) {
                if (hives[index].unwritten) {
                    copies[index] = hives[index].root;
                    hives[index].unwritten = false;
                }
            }
        }
        bool stored = true;
        for (std::size_t index = 0; index < copies.size(); ++index) {
            if (!copies[index] ||
                registry::WriteFileDurably(folder / kHives[index].fileName,
                                           registry::FormatHive(*copies[index], kHives[index].rootName))) {
                continue;
            }
            stored = false;
            const std::lock_guard lock(mutex);
            hives[index].unwritten = true;
        }
        return stored;
    }

    bool WriteValue(Hive hive, std::string_view key, Value value, bool create) {
        // Writing what is there already changes nothing: the file is left alone.
        if (const Key* found = FindKey(hive, key)) {
            const Value* existing = found->FindValue(value.name);
            if (existing != nullptr && existing->type == value.type && existing->bytes == value.bytes &&
                existing->number == value.number) {
                return true;
            }
        }
        return Modify(hive, [&](Key& root) {
            Key* target = create ? &registry::MakeKey(root, key) : registry::FindKey(root, key);
            if (target == nullptr) {
                return false;
            }
            target->SetValue(std::move(value));
            return true;
        });
    }

    const std::filesystem::path folder;
    std::mutex diskMutex; // taken before `mutex`
    std::mutex mutex;
    bool writerToWake = false; // a change since the writer was last told
    std::array<HiveState, kHives.size()> hives;
};

RegistryStore::RegistryStore(std::filesystem::path folder)
    : impl_(std::make_shared<Impl>(std::move(folder))),
      writer_(std::make_unique<registry::BackgroundWriter>([impl = impl_] { return impl->WriteChanges(); })) {
}

RegistryStore::~RegistryStore() {
    writer_.reset();
    impl_->WriteChanges();
}

RegistryStore& RegistryStore::Instance() {
    static RegistryStore store(QuarnFolderBelow(XdgConfigHome()));
    return store;
}

bool RegistryStore::Flush() {
    return impl_->WriteChanges();
}

bool RegistryStore::Noted(bool result) {
    if (std::exchange(impl_->writerToWake, false)) {
        writer_->Changed();
    }
    return result;
}

const std::filesystem::path& RegistryStore::folder() const {
    return impl_->folder;
}

bool RegistryStore::KeyExists(Hive hive, std::string_view key) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->FindKey(hive, key) != nullptr;
}

bool RegistryStore::CreateKey(Hive hive, std::string_view key) {
    std::lock_guard lock(impl_->mutex);
    if (impl_->FindKey(hive, key) != nullptr) {
        return true;
    }
    return Noted(impl_->Modify(hive, [key](Key& root) {
        registry::MakeKey(root, key);
        return true;
    }));
}

bool RegistryStore::DeleteKey(Hive hive, std::string_view key) {
    const std::vector<std::string_view> names = registry::SplitKeyPath(key);
    if (names.empty()) {
        return false; // the root of a hive stays
    }
    std::lock_guard lock(impl_->mutex);
    return Noted(impl_->Modify(hive, [&](Key& root) {
        Key* parent = &root;
        for (std::size_t index = 0; index + 1 < names.size() && parent != nullptr; ++index) {
            parent = parent->FindSubKey(names[index]);
        }
        return parent != nullptr && parent->RemoveSubKey(names.back());
    }));
}

bool RegistryStore::MoveKey(Hive hive, std::string_view from, std::string_view to) {
    const std::vector<std::string_view> source = registry::SplitKeyPath(from);
    const std::vector<std::string_view> target = registry::SplitKeyPath(to);
    if (source.empty() || target.empty()) {
        return false; // the root of a hive stays
    }
    if (target.size() >= source.size() &&
        std::equal(source.begin(), source.end(), target.begin(), registry::NamesEqual)) {
        return false; // a key cannot go inside itself
    }
    std::string targetParent;
    for (std::size_t index = 0; index + 1 < target.size(); ++index) {
        targetParent += std::string(target[index]) + "\\";
    }
    std::lock_guard lock(impl_->mutex);
    return impl_->Modify(hive, [&](Key& root) {
        if (registry::FindKey(root, to) != nullptr) {
            return false;
        }
        Key* parent = &root;
        for (std::size_t index = 0; index + 1 < source.size() && parent != nullptr; ++index) {
            parent = parent->FindSubKey(source[index]);
        }
        const Key* found = parent == nullptr ? nullptr : parent->FindSubKey(source.back());
        if (found == nullptr) {
            return false;
        }
        Key moved = *found;
        parent->RemoveSubKey(source.back());
        moved.name = std::string(target.back());
        registry::MakeKey(root, targetParent).subKeys.push_back(std::move(moved));
        return true;
    });
}

std::vector<std::string> RegistryStore::SubKeyNames(Hive hive, std::string_view key) const {
    std::lock_guard lock(impl_->mutex);
    std::vector<std::string> names;
    if (const Key* found = impl_->FindKey(hive, key)) {
        for (const Key& subKey : found->subKeys) {
            names.push_back(subKey.name);
        }
    }
    return names;
}

std::vector<std::string> RegistryStore::ValueNames(Hive hive, std::string_view key) const {
    std::lock_guard lock(impl_->mutex);
    std::vector<std::string> names;
    if (const Key* found = impl_->FindKey(hive, key)) {
        for (const Value& value : found->values) {
            names.push_back(value.name);
        }
    }
    return names;
}

std::optional<RegType> RegistryStore::ValueType(Hive hive, std::string_view key,
                                                std::string_view name) const {
    std::lock_guard lock(impl_->mutex);
    const Key* found = impl_->FindKey(hive, key);
    const Value* value = found == nullptr ? nullptr : found->FindValue(name);
    return value == nullptr ? std::nullopt : std::optional<RegType>(value->type);
}

std::optional<std::string> RegistryStore::ReadString(Hive hive, std::string_view key,
                                                     std::string_view name) const {
    std::lock_guard lock(impl_->mutex);
    const Value* value = impl_->FindValue(hive, key, name, RegType::String);
    return value == nullptr ? std::nullopt : std::optional<std::string>(value->bytes);
}

std::optional<std::uint32_t> RegistryStore::ReadDWord(Hive hive, std::string_view key,
                                                      std::string_view name) const {
    std::lock_guard lock(impl_->mutex);
    const Value* value = impl_->FindValue(hive, key, name, RegType::DWord);
    return value == nullptr ? std::nullopt : std::optional<std::uint32_t>(value->number);
}

std::optional<std::string> RegistryStore::ReadBinary(Hive hive, std::string_view key,
                                                     std::string_view name) const {
    std::lock_guard lock(impl_->mutex);
    const Value* value = impl_->FindValue(hive, key, name, RegType::Binary);
    return value == nullptr ? std::nullopt : std::optional<std::string>(value->bytes);
}

bool RegistryStore::WriteString(Hive hive, std::string_view key, std::string_view name,
                                std::string_view value, bool create) {
    std::lock_guard lock(impl_->mutex);
    return Noted(impl_->WriteValue(hive, key,
                                   Value{std::string(name), RegType::String, std::string(value), 0}, create));
}

bool RegistryStore::WriteDWord(Hive hive, std::string_view key, std::string_view name, std::uint32_t value,
                               bool create) {
    std::lock_guard lock(impl_->mutex);
    return Noted(impl_->WriteValue(hive, key, Value{std::string(name), RegType::DWord, {}, value}, create));
}

bool RegistryStore::WriteBinary(Hive hive, std::string_view key, std::string_view name,
                                std::string_view bytes, bool create) {
    std::lock_guard lock(impl_->mutex);
    return Noted(impl_->WriteValue(hive, key,
                                   Value{std::string(name), RegType::Binary, std::string(bytes), 0}, create));
}

bool RegistryStore::DeleteValue(Hive hive, std::string_view key, std::string_view name) {
    std::lock_guard lock(impl_->mutex);
    return Noted(impl_->Modify(hive, [&](Key& root) {
        Key* found = registry::FindKey(root, key);
        return found != nullptr && found->RemoveValue(name);
    }));
}

} // namespace quarn
