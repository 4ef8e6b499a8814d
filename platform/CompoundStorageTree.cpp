#include "platform/CompoundStorageTree.h"

#include "platform/Codepage.h"

#include <QChar>
#include <algorithm>
#include <cerrno>

namespace quarn {

const char* StgErrorName(StgError error) {
    switch (error) {
    case StgError::InvalidFunction:
        return "STG_E_INVALIDFUNCTION";
    case StgError::FileNotFound:
        return "STG_E_FILENOTFOUND";
    case StgError::PathNotFound:
        return "STG_E_PATHNOTFOUND";
    case StgError::TooManyOpenFiles:
        return "STG_E_TOOMANYOPENFILES";
    case StgError::AccessDenied:
        return "STG_E_ACCESSDENIED";
    case StgError::InsufficientMemory:
        return "STG_E_INSUFFICIENTMEMORY";
    case StgError::InvalidPointer:
        return "STG_E_INVALIDPOINTER";
    case StgError::FileAlreadyExists:
        return "STG_E_FILEALREADYEXISTS";
    case StgError::InvalidName:
        return "STG_E_INVALIDNAME";
    case StgError::InvalidFlag:
        return "STG_E_INVALIDFLAG";
    case StgError::OldFormat:
        return "STG_E_OLDFORMAT";
    case StgError::OldDll:
        return "STG_E_OLDDLL";
    case StgError::ShareViolation:
        return "STG_E_SHAREVIOLATION";
    case StgError::MediumFull:
        return "STG_E_MEDIUMFULL";
    case StgError::WriteFault:
        return "STG_E_WRITEFAULT";
    case StgError::ReadFault:
        return "STG_E_READFAULT";
    case StgError::DocfileCorrupt:
        return "STG_E_DOCFILECORRUPT";
    case StgError::Unknown:
        break;
    }
    return "unknown error";
}

StgError StgErrorFromErrno(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        return StgError::FileNotFound;
    case ENOTDIR:
        return StgError::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return StgError::AccessDenied;
    case EMFILE:
    case ENFILE:
        return StgError::TooManyOpenFiles;
    case ENOMEM:
        return StgError::InsufficientMemory;
    case ENOSPC:
    case EDQUOT:
        return StgError::MediumFull;
    case EEXIST:
        return StgError::FileAlreadyExists;
    case EWOULDBLOCK:
        return StgError::ShareViolation;
    case EIO:
        return StgError::WriteFault;
    case ENAMETOOLONG:
        return StgError::InvalidName;
    case EISDIR:
        return StgError::InvalidFunction;
    default:
        return StgError::Unknown;
    }
}

EStorageError::EStorageError(StgError error, const std::string& detail)
    : Exception(detail.empty() ? std::string(StgErrorName(error))
                               : std::string(StgErrorName(error)) + ": " + detail),
      error_(error) {}

bool IsValidElementName(std::string_view name) {
    // The format holds 31 UTF-16 characters and a terminator; every Windows-1252 byte is one of them.
    if (name.empty() || name.size() > 31) {
        return false;
    }
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return c == '/' || c == '\\' || c == ':' || c == '!' || c == '\0'; });
}

std::u16string CfbUpperKey(std::u16string_view name) {
    std::u16string key(name);
    for (char16_t& unit : key) {
        if (!QChar::isSurrogate(unit)) {
            unit = QChar(unit).toUpper().unicode();
        }
    }
    return key;
}

std::u16string Cp1252ToUtf16(std::string_view name) {
    std::u16string result;
    result.reserve(name.size());
    for (const char c : name) {
        result.push_back(Cp1252ToUnicode(static_cast<std::uint8_t>(c)));
    }
    return result;
}

std::string Utf16ToCp1252(std::u16string_view name) {
    std::string result;
    result.reserve(name.size());
    for (const char16_t unit : name) {
        std::uint8_t byte = '?';
        if (!UnicodeToCp1252(unit, byte)) {
            byte = '?';
        }
        result.push_back(static_cast<char>(byte));
    }
    return result;
}

namespace {

class StreamHandle final : public IStream {
public:
    StreamHandle(std::shared_ptr<CompoundTree> tree, std::shared_ptr<StreamNode> node)
        : tree_(std::move(tree)), node_(std::move(node)) {}

    std::string Name() const override {
        std::lock_guard lock(tree_->mutex);
        return Utf16ToCp1252(node_->name);
    }

    std::string Read(std::size_t maxBytes, std::uint64_t offset) const override {
        std::lock_guard lock(tree_->mutex);
        if (offset >= node_->bytes.size()) {
            return {};
        }
        return node_->bytes.substr(static_cast<std::size_t>(offset), maxBytes);
    }

    void Write(std::string_view bytes) override {
        std::lock_guard lock(tree_->mutex);
        std::string& content = node_->bytes;
        if (position_ > content.size()) {
            content.resize(position_);
        }
        const std::size_t overlap = std::min(bytes.size(), content.size() - position_);
        content.replace(position_, overlap, bytes.data(), bytes.size());
        position_ += bytes.size();
        tree_->Changed();
    }

    std::uint64_t Size() const override {
        std::lock_guard lock(tree_->mutex);
        return node_->bytes.size();
    }

    void SetSize(std::uint64_t size) override {
        std::lock_guard lock(tree_->mutex);
        node_->bytes.resize(static_cast<std::size_t>(size));
        tree_->Changed();
    }

private:
    std::shared_ptr<CompoundTree> tree_;
    std::shared_ptr<StreamNode> node_;
    std::size_t position_ = 0;
};

class StorageHandle final : public IStorage {
public:
    StorageHandle(std::shared_ptr<CompoundTree> tree, std::shared_ptr<StorageNode> node)
        : tree_(std::move(tree)), node_(std::move(node)) {}

    std::string Name() const override {
        std::lock_guard lock(tree_->mutex);
        return Utf16ToCp1252(node_->name);
    }

    std::shared_ptr<IStorage> OpenStorage(std::string_view name) override {
        if (!IsValidElementName(name)) {
            return nullptr;
        }
        std::lock_guard lock(tree_->mutex);
        const auto found = node_->children.find(CfbUpperKey(Cp1252ToUtf16(name)));
        if (found == node_->children.end() || !found->second.storage) {
            return nullptr;
        }
        return std::make_shared<StorageHandle>(tree_, found->second.storage);
    }

    std::shared_ptr<IStream> OpenStream(std::string_view name) override {
        if (!IsValidElementName(name)) {
            return nullptr;
        }
        std::lock_guard lock(tree_->mutex);
        const auto found = node_->children.find(CfbUpperKey(Cp1252ToUtf16(name)));
        if (found == node_->children.end() || !found->second.stream) {
            return nullptr;
        }
        return std::make_shared<StreamHandle>(tree_, found->second.stream);
    }

    std::shared_ptr<IStorage> CreateStorage(std::string_view name) override {
        CheckName(name);
        auto child = std::make_shared<StorageNode>();
        child->name = Cp1252ToUtf16(name);
        std::lock_guard lock(tree_->mutex);
        node_->children.insert_or_assign(CfbUpperKey(child->name), ElementNode{child, nullptr});
        tree_->Changed();
        return std::make_shared<StorageHandle>(tree_, child);
    }

    std::shared_ptr<IStream> CreateStream(std::string_view name) override {
        CheckName(name);
        auto child = std::make_shared<StreamNode>();
        child->name = Cp1252ToUtf16(name);
        std::lock_guard lock(tree_->mutex);
        node_->children.insert_or_assign(CfbUpperKey(child->name), ElementNode{nullptr, child});
        tree_->Changed();
        return std::make_shared<StreamHandle>(tree_, child);
    }

    bool DestroyElement(std::string_view name) override {
        if (!IsValidElementName(name)) {
            return false;
        }
        std::lock_guard lock(tree_->mutex);
        if (node_->children.erase(CfbUpperKey(Cp1252ToUtf16(name))) == 0) {
            return false;
        }
        tree_->Changed();
        return true;
    }

    std::vector<StgElement> EnumElements() const override {
        std::lock_guard lock(tree_->mutex);
        std::vector<StgElement> elements;
        elements.reserve(node_->children.size());
        for (const auto& [key, element] : node_->children) {
            if (element.storage) {
                elements.push_back({Utf16ToCp1252(element.storage->name), true, 0});
            } else {
                elements.push_back(
                    {Utf16ToCp1252(element.stream->name), false, element.stream->bytes.size()});
            }
        }
        return elements;
    }

    const std::shared_ptr<CompoundTree>& tree() const { return tree_; }
    const std::shared_ptr<StorageNode>& node() const { return node_; }

private:
    static void CheckName(std::string_view name) {
        if (!IsValidElementName(name)) {
            throw EStorageError(StgError::InvalidName, "\"" + std::string(name) + "\"");
        }
    }

    std::shared_ptr<CompoundTree> tree_;
    std::shared_ptr<StorageNode> node_;
};

} // namespace

std::shared_ptr<IStorage> MakeStorageHandle(std::shared_ptr<CompoundTree> tree,
                                            std::shared_ptr<StorageNode> node) {
    return std::make_shared<StorageHandle>(std::move(tree), std::move(node));
}

std::pair<std::shared_ptr<CompoundTree>, std::shared_ptr<StorageNode>>
StorageHandleParts(const IStorage& storage) {
    const auto* handle = dynamic_cast<const StorageHandle*>(&storage);
    QUARN_ASSERT(handle != nullptr, "CompoundStorage");
    return {handle->tree(), handle->node()};
}

std::string WriteCompoundImage(const IStorage& root) {
    const auto [tree, node] = StorageHandleParts(root);
    std::lock_guard lock(tree->mutex);
    return WriteCompoundImageLocked(*node);
}

std::shared_ptr<IStorage> ReadCompoundImage(std::string_view image) {
    return MakeStorageHandle(std::make_shared<CompoundTree>(),
                             ReadCompoundImageNode(image, CompoundReadMode::Strict).root);
}

} // namespace quarn
