#pragma once

#include "platform/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarn::registry {

// True when two key or value names are the same name: Windows-1252 letters compare without case.
bool NamesEqual(std::string_view left, std::string_view right);

// The names of a key path between its "\" separators; empty names are dropped, so a leading or trailing
// "\" changes nothing and the empty path is the hive's root.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

struct Value {
    std::string name;
    RegType type = RegType::String;
    std::string bytes;        // String and Binary
    std::uint32_t number = 0; // DWord
};

// One key with its values and sub-keys, both in the order they were created; a value written again
// keeps its place.
struct Key {
    std::string name;
    std::vector<Value> values;
    std::vector<Key> subKeys;

    const Key* FindSubKey(std::string_view subName) const;
    Key* FindSubKey(std::string_view subName);
    // The sub-key of that name, appended when missing.
    Key& SubKey(std::string_view subName);
    bool RemoveSubKey(std::string_view subName);

    const Value* FindValue(std::string_view valueName) const;
    // Replaces the value of the same name in place, or appends it.
    void SetValue(Value value);
    bool RemoveValue(std::string_view valueName);
};

const Key* FindKey(const Key& root, std::string_view path);
Key* FindKey(Key& root, std::string_view path);
// The key of the path, created with its missing parents.
Key& MakeKey(Key& root, std::string_view path);

} // namespace quarn::registry
