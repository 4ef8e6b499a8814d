#include "foundation/FileStreamKioU.h"

#include "foundation/FileUtilsU.h"
#include "foundation/ProgramGlobals.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace quarn {
namespace {

int OpenFlags(std::uint16_t mode) {
    if ((mode & fmCreate) == fmCreate) {
        return O_RDWR | O_CREAT | O_TRUNC;
    }
    switch (mode & 0x3) {
    case fmOpenRead:
        return O_RDONLY;
    case fmOpenWrite:
        return O_WRONLY;
    case fmOpenReadWrite:
        return O_RDWR;
    default:
        return -1;
    }
}

// The advisory lock a sharing value asks for; 0 for none.
int LockFor(std::uint16_t mode, int openFlags) {
    switch (mode & 0xF0) {
    case fmShareExclusive:
    case fmShareDenyRead:
        return LOCK_EX;
    case fmShareDenyWrite:
        return (openFlags & O_ACCMODE) == O_RDONLY ? LOCK_SH : LOCK_EX;
    default:
        return 0;
    }
}

// Handle() reports 0 for "closed", so an open file must never sit on descriptor 0 (possible when the
// process was started with stdin closed).
int AwayFromZero(int fd) {
    if (fd != 0) {
        return fd;
    }
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

} // namespace

std::int64_t TStream::Size() {
    const std::int64_t position = Position();
    const std::int64_t size = Seek(0, TSeekOrigin::End);
    Seek(position, TSeekOrigin::Beginning);
    return size;
}

TFileStreamKio::~TFileStreamKio() {
    Close();
}

void TFileStreamKio::RequireOpen() const {
    if (!IsOpen()) {
        throw EStreamError("File not open");
    }
}

void TFileStreamKio::RequireClosed() const {
    if (IsOpen()) {
        throw EStreamError("Not while open");
    }
}

void TFileStreamKio::SetFileName(const std::filesystem::path& fileName) {
    RequireClosed();
    fileName_ = fileName;
}

void TFileStreamKio::SetMode(std::uint16_t mode) {
    RequireClosed();
    mode_ = mode;
}

void TFileStreamKio::Open() {
    if (IsOpen()) {
        throw EStreamError("Already open");
    }
    const int flags = OpenFlags(mode_);
    if (flags < 0 || fileName_.empty()) {
        return;
    }
    const bool reads = (flags & O_ACCMODE) != O_WRONLY && (flags & O_CREAT) == 0;
    // Without O_NONBLOCK opening a FIFO would wait for a writer; it only matters until the check below.
    FileDescriptor file(::open(fileName_.c_str(), flags | O_CLOEXEC | (reads ? O_NONBLOCK : 0), 0666));
    if (!file) {
        return;
    }
    if (reads) {
        // A folder, FIFO or device opens for reading too, but has no size and no end to read to.
        struct stat info {};
        if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            return;
        }
        ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    }
    if (const int lock = LockFor(mode_, flags); lock != 0 && ::flock(file.get(), lock | LOCK_NB) != 0) {
        return;
    }
    file_.reset(AwayFromZero(file.release()));
}

void TFileStreamKio::Close() {
    file_.reset();
}

std::size_t TFileStreamKio::Read(void* buffer, std::size_t count) {
    RequireOpen();
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(file_.get(), bytes + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t TFileStreamKio::Write(const void* buffer, std::size_t count) {
    RequireOpen();
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t written = ::write(file_.get(), bytes + done, count - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    return done;
}

std::int64_t TFileStreamKio::Seek(std::int64_t offset, TSeekOrigin origin) {
    RequireOpen();
    const int whence = origin == TSeekOrigin::Beginning ? SEEK_SET
                       : origin == TSeekOrigin::Current ? SEEK_CUR
                                                        : SEEK_END;
    const off_t position = ::lseek(file_.get(), static_cast<off_t>(offset), whence);
    if (position < 0) {
        throw EStreamError(SysErrorText(errno));
    }
    return position;
}

void TFileStreamKio::SetSize(std::int64_t size) {
    RequireOpen();
    if (::ftruncate(file_.get(), static_cast<off_t>(size)) != 0) {
        throw EStreamError(SysErrorText(errno));
    }
}

void TFileStreamKio::DeleteFile() {
    Close();
    if (::unlink(fileName_.c_str()) != 0) {
        throw EStreamError(SysErrorText(errno));
    }
}

bool TFileStreamKio::DeleteIfTemporary() {
    if (!temporary_) {
        return false;
    }
    try {
        DeleteFile();
        return true;
    } catch (const EStreamError&) {
        return false;
    }
}

void TFileStreamKio::Recycle() {
    Close();
    if (!RecycleFile(fileName_)) {
        throw EStreamError("Cannot recycle");
    }
}

} // namespace quarn
