#include "platform/RegistryTree.h"

#include "platform/Codepage.h"

#include <algorithm>

namespace quarn::registry {
namespace {

template <typename Items> auto FindNamed(Items& items, std::string_view name) {
    return std::find_if(items.begin(), items.end(),
                        [name](const auto& item) { return NamesEqual(item.name, name); });
}

} // namespace

bool NamesEqual(std::string_view left, std::string_view right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        return Cp1252Upper(static_cast<std::uint8_t>(a)) == Cp1252Upper(static_cast<std::uint8_t>(b));
    });
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
    std::vector<std::string_view> names;
    while (!path.empty()) {
        const std::size_t separator = path.find('\\');
        const std::string_view name = path.substr(0, separator);
        if (!name.empty()) {
            names.push_back(name);
        }
        if (separator == std::string_view::npos) {
            break;
        }
        path.remove_prefix(separator + 1);
    }
    return names;
}

const Key* Key::FindSubKey(std::string_view subName) const {
    const auto found = FindNamed(subKeys, subName);
    return found == subKeys.end() ? nullptr : &*found;
}

Key* Key::FindSubKey(std::string_view subName) {
    const auto found = FindNamed(subKeys, subName);
    return found == subKeys.end() ? nullptr : &*found;
}

Key& Key::SubKey(std::string_view subName) {
    if (Key* existing = FindSubKey(subName)) {
        return *existing;
    }
    Key& added = subKeys.emplace_back();
    added.name = subName;
    return added;
}

bool Key::RemoveSubKey(std::string_view subName) {
    const auto found = FindNamed(subKeys, subName);
    if (found == subKeys.end()) {
        return false;
    }
    subKeys.erase(found);
    return true;
}

const Value* Key::FindValue(std::string_view valueName) const {
    const auto found = FindNamed(values, valueName);
    return found == values.end() ? nullptr : &*found;
}

void Key::SetValue(Value value) {
    const auto found = FindNamed(values, value.name);
    if (found == values.end()) {
        values.push_back(std::move(value));
        return;
    }
    // The name keeps the case it was created with.
    value.name = std::move(found->name);
    *found = std::move(value);
}

bool Key::RemoveValue(std::string_view valueName) {
    const auto found = FindNamed(values, valueName);
    if (found == values.end()) {
        return false;
    }
    values.erase(found);
    return true;
}

const Key* FindKey(const Key& root, std::string_view path) {
    const Key* key = &root;
    for (const std::string_view name : SplitKeyPath(path)) {
        key = key->FindSubKey(name);
        if (key == nullptr) {
            return nullptr;
        }
    }
    return key;
}

Key* FindKey(Key& root, std::string_view path) {
    return const_cast<Key*>(FindKey(static_cast<const Key&>(root), path));
}

Key& MakeKey(Key& root, std::string_view path) {
    Key* key = &root;
    for (const std::string_view name : SplitKeyPath(path)) {
        key = &key->SubKey(name);
    }
    return *key;
}

} // namespace quarn::registry
