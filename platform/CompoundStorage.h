#pragma once

#include "platform/Exception.h"
#include "platform/FileDescriptor.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// Structured storage (the Windows compound-file format) in place of IStorage/IStream. A file is read
// into an in-memory tree of storages and streams; Commit writes a complete new file beside it
// (owner-only permissions), syncs it and renames it over the old one. While a CompoundFile is open it
// holds an exclusive lock (flock) on the file, so a second opener fails with ShareViolation. Opening and
// creating remove what an interrupted commit left beside the file: files named like its temporary files
// (the file's name, ".", six letters or digits) that no live writer holds locked.
//
// Element names are bytes (Windows-1252) of 1 to 31 characters without "/", "\", ":" or "!"; they are
// compared without regard to case, as the format requires, and kept as written. Storages and streams
// are shared handles into the tree: a handle of an element that was destroyed or replaced still works,
// but what it holds is no longer part of the file. Every tree operation is safe from any thread.

enum class StgError {
    InvalidFunction,
    FileNotFound,
    PathNotFound,
    TooManyOpenFiles,
    AccessDenied,
    InsufficientMemory,
    InvalidPointer,
    FileAlreadyExists, // the file is not a compound file (what StgOpenStorage reports)
    InvalidName,
    InvalidFlag,
    OldFormat,
    OldDll,
    ShareViolation, // another opener holds the lock
    MediumFull,
    WriteFault,
    ReadFault,
    DocfileCorrupt, // the signature is right but the structure is damaged
    Unknown,
};

// "STG_E_ACCESSDENIED" and the like; "unknown error" for Unknown.
const char* StgErrorName(StgError error);
// The error for an errno value of a failed file operation.
StgError StgErrorFromErrno(int errnoValue);

class EStorageError : public Exception {
public:
    EStorageError(StgError error, const std::string& detail);
    StgError error() const { return error_; }
    std::string className() const override { return "EStorageError"; }

private:
    StgError error_;
};

// True for a name an element may have.
bool IsValidElementName(std::string_view name);

struct StgElement {
    std::string name;
    bool isStorage = false;
    std::uint64_t size = 0; // bytes of a stream, 0 for a storage
};

class IStream {
public:
    virtual ~IStream() = default;
    virtual std::string Name() const = 0;
    // At most `maxBytes` from `offset` on.
    virtual std::string Read(std::size_t maxBytes, std::uint64_t offset = 0) const = 0;
    // Appends to what was written since the stream was created or opened (a fresh handle starts at 0,
    // so an opened stream is overwritten from its start).
    virtual void Write(std::string_view bytes) = 0;
    virtual std::uint64_t Size() const = 0;
    virtual void SetSize(std::uint64_t size) = 0;
};

class IStorage {
public:
    virtual ~IStorage() = default;
    virtual std::string Name() const = 0;
    // Null when no element of that name exists or it is of the other kind.
    virtual std::shared_ptr<IStorage> OpenStorage(std::string_view name) = 0;
    virtual std::shared_ptr<IStream> OpenStream(std::string_view name) = 0;
    // Creates the element, replacing any element of that name. Raises EStorageError (InvalidName).
    virtual std::shared_ptr<IStorage> CreateStorage(std::string_view name) = 0;
    virtual std::shared_ptr<IStream> CreateStream(std::string_view name) = 0;
    // False when no element of that name exists.
    virtual bool DestroyElement(std::string_view name) = 0;
    // In the format's order (shorter names first, then by upper-case characters).
    virtual std::vector<StgElement> EnumElements() const = 0;
};

// How Open treats a file whose structure is sound but some of whose streams cannot be read (a file cut
// short): Strict refuses it with DocfileCorrupt; Salvage opens it and gives each such stream empty.
enum class CompoundReadMode { Strict, Salvage };

struct CompoundTree;
struct StorageNode;

class CompoundFile {
public:
    // Opens and locks an existing compound file. Raises EStorageError: FileNotFound, AccessDenied,
    // ShareViolation, FileAlreadyExists (not a compound file), DocfileCorrupt, ...
    static std::unique_ptr<CompoundFile> Open(const std::filesystem::path& fileName,
                                              CompoundReadMode mode = CompoundReadMode::Strict);
    // Writes a new empty compound file, replacing anything of that name when `replace`, else failing
    // with FileAlreadyExists, and opens it.
    static std::unique_ptr<CompoundFile> Create(const std::filesystem::path& fileName, bool replace);
    // True when the file starts with the compound-file signature (StgIsStorageFile).
    static bool IsStorageFile(const std::filesystem::path& fileName);

    // Commits pending changes (best effort; a failure is traced).
    ~CompoundFile();
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    std::shared_ptr<IStorage> Root() const;
    const std::filesystem::path& FileName() const { return fileName_; }
    // The streams a salvaging Open could not read and gave empty.
    std::size_t UnreadableStreams() const { return unreadableStreams_; }

    // Writes the tree as a new file over the old one when anything changed since the last commit.
    // Raises EStorageError (the old file is then unchanged).
    void Commit();
    bool HasChanges() const;
    // Called after every change of the tree, on the changing thread, under the tree's lock: it must
    // only note the change (set an event).
    void SetChangeListener(std::function<void()> listener);

private:
    CompoundFile(std::filesystem::path fileName, FileDescriptor fd, std::shared_ptr<StorageNode> root,
                 std::size_t unreadableStreams);

    std::filesystem::path fileName_;
    FileDescriptor fd_; // the locked file
    std::shared_ptr<CompoundTree> tree_;
    std::shared_ptr<StorageNode> root_;
    std::size_t unreadableStreams_;
    std::mutex commitMutex_;
};

// The complete compound-file image of a tree (format version 3, 512-byte sectors), and the tree of an
// image (parsed with libgsf). Used by CompoundFile; open for tests and benchmarks.
std::string WriteCompoundImage(const IStorage& root);
std::shared_ptr<IStorage> ReadCompoundImage(std::string_view image);

} // namespace quarn
