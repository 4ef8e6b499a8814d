// Our own compound-file writer (format version 3: 512-byte sectors, 64-byte mini sectors for streams
// below 4096 bytes). It lays out one image in a single pass, every chain contiguous, and gives each
// storage's children a balanced red-black tree, so that readers that walk the tree recursively cope
// with thousands of stations.

#include "platform/CompoundStorageTree.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace quarn {
namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint32_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kIdsPerSector = kSectorSize / 4;
constexpr std::uint32_t kHeaderDifatEntries = 109;
constexpr std::uint32_t kDirentSize = 128;

constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

constexpr std::uint8_t kTypeStorage = 1;
constexpr std::uint8_t kTypeStream = 2;
constexpr std::uint8_t kTypeRoot = 5;
constexpr std::uint8_t kRed = 0;
constexpr std::uint8_t kBlack = 1;

struct Dirent {
    const std::u16string* name = nullptr;
    std::uint8_t type = 0;
    std::uint8_t colour = kBlack;
    std::uint32_t left = kNoStream;
    std::uint32_t right = kNoStream;
    std::uint32_t child = kNoStream;
    std::uint32_t start = kEndOfChain;
    std::uint64_t size = 0;
    const std::string* bytes = nullptr;
    bool mini = false;
};

std::uint32_t CeilDiv(std::uint64_t value, std::uint32_t divisor) {
    return static_cast<std::uint32_t>((value + divisor - 1) / divisor);
}

void Put16(std::string& image, std::size_t at, std::uint16_t value) {
    image[at] = static_cast<char>(value & 0xFF);
    image[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& image, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        image[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void Put64(std::string& image, std::size_t at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        image[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// Links the sibling entries first .. first+count-1 (already in the format's order) into a balanced
// binary tree and returns its root. All null links of such a tree lie on two adjacent levels, so it is
// a valid red-black tree when the nodes of an incomplete deepest level are red and all others black.
class SiblingTree {
public:
    SiblingTree(std::vector<Dirent>& entries, std::uint32_t first, std::uint32_t count)
        : entries_(entries), first_(first), count_(count) {
        while ((std::uint64_t{1} << (deepest_ + 1)) - 1 < count) {
            ++deepest_;
        }
        perfect_ = (std::uint64_t{1} << (deepest_ + 1)) - 1 == count;
    }

    std::uint32_t Build() { return count_ == 0 ? kNoStream : Link(0, count_, 0); }

private:
    std::uint32_t Link(std::uint32_t low, std::uint32_t high, std::uint32_t depth) {
        if (low >= high) {
            return kNoStream;
        }
        const std::uint32_t middle = low + (high - low) / 2;
        Dirent& node = entries_[first_ + middle];
        node.left = Link(low, middle, depth + 1);
        node.right = Link(middle + 1, high, depth + 1);
        node.colour = !perfect_ && depth == deepest_ ? kRed : kBlack;
        return first_ + middle;
    }

    std::vector<Dirent>& entries_;
    std::uint32_t first_;
    std::uint32_t count_;
    std::uint32_t deepest_ = 0;
    bool perfect_ = true;
};

const std::u16string& RootName() {
    static const std::u16string name = u"Root Entry";
    return name;
}

std::vector<Dirent> CollectEntries(const StorageNode& root) {
    std::vector<Dirent> entries;
    entries.push_back(Dirent{&RootName(), kTypeRoot});
    std::deque<std::pair<const StorageNode*, std::uint32_t>> pending{{&root, 0}};
    while (!pending.empty()) {
        const auto [storage, index] = pending.front();
        pending.pop_front();
        const auto first = static_cast<std::uint32_t>(entries.size());
        for (const auto& [key, element] : storage->children) {
            Dirent entry;
            if (element.storage) {
                entry.name = &element.storage->name;
                entry.type = kTypeStorage;
                entry.start = 0;
                pending.emplace_back(element.storage.get(), static_cast<std::uint32_t>(entries.size()));
            } else {
                entry.name = &element.stream->name;
                entry.type = kTypeStream;
                entry.bytes = &element.stream->bytes;
                entry.size = element.stream->bytes.size();
                entry.mini = entry.size < kMiniStreamCutoff;
            }
            entries.push_back(entry);
        }
        const auto count = static_cast<std::uint32_t>(entries.size()) - first;
        entries[index].child = SiblingTree(entries, first, count).Build();
    }
    return entries;
}

void WriteDirent(std::string& image, std::size_t at, const Dirent& entry) {
    const std::u16string& name = *entry.name;
    for (std::size_t i = 0; i < name.size() && i < 31; ++i) {
        Put16(image, at + 2 * i, name[i]);
    }
    Put16(image, at + 0x40, static_cast<std::uint16_t>(2 * (std::min<std::size_t>(name.size(), 31) + 1)));
    image[at + 0x42] = static_cast<char>(entry.type);
    image[at + 0x43] = static_cast<char>(entry.colour);
    Put32(image, at + 0x44, entry.left);
    Put32(image, at + 0x48, entry.right);
    Put32(image, at + 0x4C, entry.child);
    Put32(image, at + 0x74, entry.start);
    Put64(image, at + 0x78, entry.size);
}

void WriteUnusedDirent(std::string& image, std::size_t at) {
    Put32(image, at + 0x44, kNoStream);
    Put32(image, at + 0x48, kNoStream);
    Put32(image, at + 0x4C, kNoStream);
}

} // namespace

std::string WriteCompoundImageLocked(const StorageNode& root) {
    std::vector<Dirent> entries = CollectEntries(root);

    // Places in the mini stream and sector counts of the big streams.
    std::uint32_t miniSectors = 0;
    std::uint32_t bigSectors = 0;
    for (Dirent& entry : entries) {
        if (entry.type != kTypeStream || entry.size == 0) {
            continue;
        }
        if (entry.mini) {
            entry.start = miniSectors;
            miniSectors += CeilDiv(entry.size, kMiniSectorSize);
        } else {
            bigSectors += CeilDiv(entry.size, kSectorSize);
        }
    }
    const std::uint32_t dirSectors = CeilDiv(entries.size() * kDirentSize, kSectorSize);
    const std::uint32_t miniFatSectors = CeilDiv(std::uint64_t{miniSectors} * 4, kSectorSize);
    const std::uint32_t miniStreamSectors =
        CeilDiv(std::uint64_t{miniSectors} * kMiniSectorSize, kSectorSize);
    const std::uint32_t dataSectors = dirSectors + miniFatSectors + miniStreamSectors + bigSectors;

    std::uint32_t fatSectors = 1;
    std::uint32_t difatSectors = 0;
    for (;;) {
        difatSectors = fatSectors > kHeaderDifatEntries
                           ? CeilDiv(fatSectors - kHeaderDifatEntries, kIdsPerSector - 1)
                           : 0;
        if (std::uint64_t{fatSectors} * kIdsPerSector >=
            std::uint64_t{fatSectors} + difatSectors + dataSectors) {
            break;
        }
        ++fatSectors;
    }
    const std::uint32_t totalSectors = fatSectors + difatSectors + dataSectors;
    const std::uint32_t firstDifat = fatSectors;
    const std::uint32_t firstDir = firstDifat + difatSectors;
    const std::uint32_t firstMiniFat = firstDir + dirSectors;
    const std::uint32_t firstMiniStream = firstMiniFat + miniFatSectors;
    std::uint32_t nextBig = firstMiniStream + miniStreamSectors;

    std::string image(std::size_t{kSectorSize} * (1 + totalSectors), '\0');
    const auto sectorAt = [](std::uint32_t sector) { return std::size_t{kSectorSize} * (1 + sector); };

    // FAT: every chain is contiguous.
    const auto fatAt = [&](std::uint32_t sector) { return sectorAt(0) + std::size_t{4} * sector; };
    for (std::uint32_t i = 0; i < fatSectors * kIdsPerSector; ++i) {
        Put32(image, fatAt(i), kFreeSect);
    }
    const auto chain = [&](std::uint32_t first, std::uint32_t count) {
        for (std::uint32_t i = 0; i < count; ++i) {
            Put32(image, fatAt(first + i), i + 1 == count ? kEndOfChain : first + i + 1);
        }
    };
    for (std::uint32_t i = 0; i < fatSectors; ++i) {
        Put32(image, fatAt(i), kFatSect);
    }
    for (std::uint32_t i = 0; i < difatSectors; ++i) {
        Put32(image, fatAt(firstDifat + i), kDifSect);
    }
    chain(firstDir, dirSectors);
    chain(firstMiniFat, miniFatSectors);
    chain(firstMiniStream, miniStreamSectors);

    // Stream data, mini FAT and the mini stream.
    const std::size_t miniFatAt = sectorAt(firstMiniFat);
    for (std::uint32_t i = 0; i < miniFatSectors * kIdsPerSector; ++i) {
        Put32(image, miniFatAt + std::size_t{4} * i, kFreeSect);
    }
    for (Dirent& entry : entries) {
        if (entry.type != kTypeStream || entry.size == 0) {
            continue;
        }
        if (entry.mini) {
            const std::uint32_t count = CeilDiv(entry.size, kMiniSectorSize);
            for (std::uint32_t i = 0; i < count; ++i) {
                Put32(image, miniFatAt + std::size_t{4} * (entry.start + i),
                      i + 1 == count ? kEndOfChain : entry.start + i + 1);
            }
            std::memcpy(&image[sectorAt(firstMiniStream) + std::size_t{kMiniSectorSize} * entry.start],
                        entry.bytes->data(), entry.bytes->size());
        } else {
            const std::uint32_t count = CeilDiv(entry.size, kSectorSize);
            entry.start = nextBig;
            chain(nextBig, count);
            std::memcpy(&image[sectorAt(nextBig)], entry.bytes->data(), entry.bytes->size());
            nextBig += count;
        }
    }

    // Directory.
    Dirent& rootEntry = entries.front();
    rootEntry.start = miniStreamSectors > 0 ? firstMiniStream : kEndOfChain;
    rootEntry.size = std::uint64_t{miniSectors} * kMiniSectorSize;
    const std::size_t dirAt = sectorAt(firstDir);
    for (std::size_t i = 0; i < std::size_t{dirSectors} * (kSectorSize / kDirentSize); ++i) {
        if (i < entries.size()) {
            WriteDirent(image, dirAt + kDirentSize * i, entries[i]);
        } else {
            WriteUnusedDirent(image, dirAt + kDirentSize * i);
        }
    }

    // Header and DIFAT.
    static constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(image.data(), kSignature, sizeof kSignature);
    Put16(image, 0x18, 0x003E);
    Put16(image, 0x1A, 0x0003);
    Put16(image, 0x1C, 0xFFFE);
    Put16(image, 0x1E, 9);
    Put16(image, 0x20, 6);
    Put32(image, 0x2C, fatSectors);
    Put32(image, 0x30, firstDir);
    Put32(image, 0x38, kMiniStreamCutoff);
    Put32(image, 0x3C, miniFatSectors > 0 ? firstMiniFat : kEndOfChain);
    Put32(image, 0x40, miniFatSectors);
    Put32(image, 0x44, difatSectors > 0 ? firstDifat : kEndOfChain);
    Put32(image, 0x48, difatSectors);
    for (std::uint32_t i = 0; i < kHeaderDifatEntries; ++i) {
        Put32(image, 0x4C + std::size_t{4} * i, i < fatSectors ? i : kFreeSect);
    }
    std::uint32_t fatIndex = kHeaderDifatEntries;
    for (std::uint32_t d = 0; d < difatSectors; ++d) {
        const std::size_t at = sectorAt(firstDifat + d);
        for (std::uint32_t i = 0; i < kIdsPerSector - 1; ++i, ++fatIndex) {
            Put32(image, at + std::size_t{4} * i, fatIndex < fatSectors ? fatIndex : kFreeSect);
        }
        Put32(image, at + std::size_t{4} * (kIdsPerSector - 1),
              d + 1 == difatSectors ? kEndOfChain : firstDifat + d + 1);
    }
    return image;
}

} // namespace quarn
