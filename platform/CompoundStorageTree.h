#pragma once

// The in-memory tree behind CompoundFile, shared by its reader, writer and handles. Not for other
// users: they work through IStorage and IStream.

#include "platform/CompoundStorage.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace quarn {

// One lock for the whole tree: handles of one file are used from many threads, and a commit reads all
// of it at once.
struct CompoundTree {
    mutable std::mutex mutex;
    std::uint64_t generation = 0; // bumped by every change
    std::uint64_t committed = 0;  // the generation that is in the file
    std::function<void()> listener;

    // Under `mutex`.
    void Changed() {
        ++generation;
        if (listener) {
            listener();
        }
    }
};

// Names as the format stores them (UTF-16), ordered as it requires: shorter names first, then by the
// upper-case form of each character.
struct CfbNameLess {
    bool operator()(const std::u16string& a, const std::u16string& b) const {
        if (a.size() != b.size()) {
            return a.size() < b.size();
        }
        return a < b;
    }
};

std::u16string CfbUpperKey(std::u16string_view name);
std::u16string Cp1252ToUtf16(std::string_view name);
std::string Utf16ToCp1252(std::u16string_view name);

struct StreamNode {
    std::u16string name;
    std::string bytes;
};

struct StorageNode;

struct ElementNode {
    std::shared_ptr<StorageNode> storage; // one of the two is set
    std::shared_ptr<StreamNode> stream;
};

struct StorageNode {
    std::u16string name;
    std::map<std::u16string, ElementNode, CfbNameLess> children; // keyed by CfbUpperKey
};

// A handle on a storage node of a tree (the tree may be a detached one, e.g. while reading an image).
std::shared_ptr<IStorage> MakeStorageHandle(std::shared_ptr<CompoundTree> tree,
                                            std::shared_ptr<StorageNode> node);
// The tree and node behind a handle made here; assertion for any other IStorage.
std::pair<std::shared_ptr<CompoundTree>, std::shared_ptr<StorageNode>>
StorageHandleParts(const IStorage& storage);

// The image of a root node; the caller holds the tree's lock.
std::string WriteCompoundImageLocked(const StorageNode& root);
// The tree of an image, and how many of its streams were unreadable (given empty; Salvage only).
struct ImageTree {
    std::shared_ptr<StorageNode> root;
    std::size_t unreadableStreams = 0;
};
// Raises EStorageError: FileAlreadyExists for an image without the signature, DocfileCorrupt for a
// damaged one (in Salvage mode only when not even its directory can be read).
ImageTree ReadCompoundImageNode(std::string_view image, CompoundReadMode mode);

} // namespace quarn
