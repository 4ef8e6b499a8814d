#pragma once

#include "platform/Exception.h"
#include "platform/FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quarn {

// A failed stream operation; the text says what went wrong.
class EStreamError : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "EStreamError"; }
};

enum class TSeekOrigin { Beginning, Current, End };

// A sequence of bytes with a position: the common base of the program's streams (files, memory).
class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to `count` bytes; returns how many were read (0 at the end or on a read error).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Writes `count` bytes; returns how many were written (fewer only on a write error).
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    // The new position, counted from the beginning.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(std::int64_t size) = 0;

    // The size by seeking to the end and back.
    virtual std::int64_t Size();
    std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::Beginning); }
};

// Open modes: one access value, optionally or-ed with one sharing value; fmCreate creates the file or
// empties an existing one and opens it for reading and writing. Linux has no share modes; the sharing
// values become an advisory lock (flock) that binds only the program's own streams: fmShareExclusive
// and fmShareDenyRead lock exclusively, fmShareDenyWrite shares the lock among readers but locks
// exclusively for a writer, fmShareCompat and fmShareDenyNone take no lock. A lock that is held
// elsewhere makes the open fail like any other.
constexpr std::uint16_t fmCreate = 0xFF00;
constexpr std::uint16_t fmOpenRead = 0x0000;
constexpr std::uint16_t fmOpenWrite = 0x0001;
constexpr std::uint16_t fmOpenReadWrite = 0x0002;
constexpr std::uint16_t fmShareCompat = 0x0000;
constexpr std::uint16_t fmShareExclusive = 0x0010;
constexpr std::uint16_t fmShareDenyWrite = 0x0020;
constexpr std::uint16_t fmShareDenyRead = 0x0030;
constexpr std::uint16_t fmShareDenyNone = 0x0040;

// A file stream that is opened and closed explicitly, so a send item or a received file can hold it
// while the file itself is closed, moved or deleted. A failed Open is silent: callers test Handle().
class TFileStreamKio : public TStream {
public:
    TFileStreamKio() = default;
    ~TFileStreamKio() override;
    TFileStreamKio(const TFileStreamKio&) = delete;
    TFileStreamKio& operator=(const TFileStreamKio&) = delete;

    const std::filesystem::path& FileName() const { return fileName_; }
    // Raises EStreamError "Not while open" while open.
    void SetFileName(const std::filesystem::path& fileName);
    std::uint16_t Mode() const { return mode_; }
    // Raises EStreamError "Not while open" while open.
    void SetMode(std::uint16_t mode);
    // A temporary copy made for sending, to be deleted after use.
    bool Temporary() const { return temporary_; }
    void SetTemporary(bool temporary) { temporary_ = temporary; }

    // Raises EStreamError "Already open" when open; a file that cannot be opened leaves it closed.
    void Open();
    void Close();
    // The file descriptor while open, 0 while closed.
    int Handle() const { return file_.valid() ? file_.get() : 0; }
    bool IsOpen() const { return file_.valid(); }

    // While closed these raise EStreamError "File not open".
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    // A seek the system refuses (before the beginning) raises EStreamError with the system's text.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;

    // Closes and deletes the file; a failure raises EStreamError with the system's error text.
    void DeleteFile();
    // When temporary: DeleteFile, true when that succeeded. False when not temporary.
    bool DeleteIfTemporary();
    // Closes and moves the file to the trash; a failure raises EStreamError "Cannot recycle".
    void Recycle();

private:
    void RequireOpen() const;
    void RequireClosed() const;

    std::filesystem::path fileName_;
    std::uint16_t mode_ = 0;
    FileDescriptor file_;
    bool temporary_ = false;
};

} // namespace quarn
