// Reads a compound-file image into the in-memory tree through libgsf, which knows the format's
// variants (4096-byte sectors, files of other writers) better than we would.

#include "platform/CompoundStorageTree.h"

// libgsf pulls in GLib's headers, which use Qt's keywords as names: no Qt header in this file.
#include <gsf/gsf.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace quarn {
namespace {

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object != nullptr) {
            g_object_unref(object);
        }
    }
};
template <typename T> using GsfPtr = std::unique_ptr<T, GObjectUnref>;

std::u16string NameOf(const char* utf8) {
    if (utf8 == nullptr) {
        return {};
    }
    glong length = 0;
    gunichar2* units = g_utf8_to_utf16(utf8, -1, nullptr, &length, nullptr);
    if (units == nullptr) {
        return {};
    }
    std::u16string name(reinterpret_cast<const char16_t*>(units), static_cast<std::size_t>(length));
    g_free(units);
    return name;
}

[[noreturn]] void Corrupt(const std::string& detail) {
    throw EStorageError(StgError::DocfileCorrupt, detail);
}

std::string ReadStreamBytes(GsfInput* input, std::size_t imageSize) {
    const gsf_off_t size = gsf_input_size(input);
    // No stream can hold more than the whole image; a larger size is a damaged directory entry.
    if (size < 0 || static_cast<std::uint64_t>(size) > imageSize) {
        Corrupt("stream size");
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t piece = std::min<std::size_t>(bytes.size() - done, 65536);
        if (gsf_input_read(input, piece, reinterpret_cast<guint8*>(bytes.data() + done)) == nullptr) {
            Corrupt("stream data");
        }
        done += piece;
    }
    return bytes;
}

class TreeReader {
public:
    TreeReader(std::size_t imageSize, CompoundReadMode mode) : imageSize_(imageSize), mode_(mode) {}

    void ReadChildren(GsfInfile* infile, StorageNode& node, int depth) {
        if (depth > 64) {
            Corrupt("storages nested too deep");
        }
        const int count = gsf_infile_num_children(infile);
        for (int i = 0; i < count; ++i) {
            std::u16string name = NameOf(gsf_infile_name_by_index(infile, i));
            if (name.empty()) {
                continue;
            }
            std::u16string key = CfbUpperKey(name);
            if (node.children.contains(key)) {
                continue; // a second element of the same name cannot be reached on Windows either
            }
            // libgsf makes a storage's child without touching any data, so only a stream fails here.
            GsfPtr<GsfInput> child(gsf_infile_child_by_index(infile, i));
            ElementNode element;
            if (child && GSF_IS_INFILE(child.get()) &&
                gsf_infile_num_children(GSF_INFILE(child.get())) >= 0) {
                element.storage = std::make_shared<StorageNode>();
                element.storage->name = std::move(name);
                ReadChildren(GSF_INFILE(child.get()), *element.storage, depth + 1);
            } else {
                element.stream = std::make_shared<StreamNode>();
                element.stream->name = std::move(name);
                element.stream->bytes = StreamBytes(child.get(), i);
            }
            node.children.emplace(std::move(key), std::move(element));
        }
    }

    std::size_t unreadableStreams() const { return unreadable_; }

private:
    std::string StreamBytes(GsfInput* stream, int index) {
        try {
            if (stream == nullptr) {
                Corrupt("element " + std::to_string(index));
            }
            return ReadStreamBytes(stream, imageSize_);
        } catch (const EStorageError&) {
            if (mode_ != CompoundReadMode::Salvage) {
                throw;
            }
            ++unreadable_;
            return {};
        }
    }

    const std::size_t imageSize_;
    const CompoundReadMode mode_;
    std::size_t unreadable_ = 0;
};

} // namespace

ImageTree ReadCompoundImageNode(std::string_view image, CompoundReadMode mode) {
    static constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (image.size() < sizeof kSignature || std::memcmp(image.data(), kSignature, sizeof kSignature) != 0) {
        throw EStorageError(StgError::FileAlreadyExists, "not a compound file");
    }
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });

    GsfPtr<GsfInput> input(gsf_input_memory_new(reinterpret_cast<const guint8*>(image.data()),
                                                static_cast<gsf_off_t>(image.size()), FALSE));
    if (!input) {
        throw EStorageError(StgError::InsufficientMemory, {});
    }
    GError* error = nullptr;
    GsfPtr<GsfInfile> infile(gsf_infile_msole_new(input.get(), &error));
    if (!infile) {
        std::string detail = error != nullptr && error->message != nullptr ? error->message : "unreadable";
        if (error != nullptr) {
            g_error_free(error);
        }
        Corrupt(detail);
    }
    auto root = std::make_shared<StorageNode>();
    root->name = u"Root Entry";
    TreeReader reader(image.size(), mode);
    reader.ReadChildren(infile.get(), *root, 0);
    return {std::move(root), reader.unreadableStreams()};
}

} // namespace quarn
