#include "platform/FileDescriptor.h"

#include <unistd.h>

namespace quarn {

void FileDescriptor::reset(int fd) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
}

} // namespace quarn
