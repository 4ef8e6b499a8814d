#include "devices/GeraetHostmodePort.h"

#include "foundation/GlobalU.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/WaitForAny.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace quarn {

namespace {

speed_t SpeedOf(int baudrate) {
    switch (baudrate) {
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B38400;
    }
}

// Waits for the descriptor until the deadline; false on time-out, stop or quit.
bool WaitFd(int fd, short events, std::uint64_t deadline, const Event& stop) {
    const std::uint64_t now = Clock().NowMs();
    if (now >= deadline) {
        return false;
    }
    const auto timeout = static_cast<std::uint32_t>(deadline - now);
    return WaitForAny({WaitHandle::Fd(fd, events), stop, QuitEvent()}, timeout) == 0;
}

} // namespace

std::string SerialPortPath(int comPort) {
    const std::string name = "COM" + std::to_string(comPort);
    if (const auto path = RegistryStore::Instance().ReadString(
            Hive::LocalMachine, "\\Software\\Velmoor\\Quarn\\Anschluesse", name)) {
        return *path;
    }
    if (comPort >= 1 && comPort <= 4) {
        return "/dev/ttyS" + std::to_string(comPort - 1);
    }
    if (comPort >= 5 && comPort <= 8) {
        return "/dev/ttyUSB" + std::to_string(comPort - 5);
    }
    return "/dev/null";
}

std::string TGeraetSerialLine::Open(const std::string& path, int baudrate) {
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        return "CreateFile fehlgeschlagen";
    }
    if (!::isatty(fd.get())) {
        return "GetFileType fehlgeschlagen: Keine Schnittstelle";
    }
    if (::ioctl(fd.get(), TIOCEXCL) != 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        return "CreateFile fehlgeschlagen";
    }
    termios settings{};
    if (::tcgetattr(fd.get(), &settings) != 0) {
        return "SetCommState fehlgeschlagen";
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB);
    ::cfsetispeed(&settings, SpeedOf(baudrate));
    ::cfsetospeed(&settings, SpeedOf(baudrate));
    if (::tcsetattr(fd.get(), TCSANOW, &settings) != 0) {
        return "SetCommState fehlgeschlagen";
    }
    int dtr = TIOCM_DTR;
    ::ioctl(fd.get(), TIOCMBIS, &dtr); // a pseudo-terminal has no modem lines
    fd_ = std::move(fd);
    return {};
}

bool TGeraetSerialLine::Write(const char* data, std::size_t count, std::size_t& written, const Event& stop) {
    written = 0;
    const std::uint64_t deadline = Clock().NowMs() + 500 + (fast_ ? 5 : 50) * count;
    while (written < count) {
        const ssize_t n = ::write(fd_.get(), data + written, count - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        if (!WaitFd(fd_.get(), POLLOUT, deadline, stop)) {
            return true;
        }
    }
    return true;
}

bool TGeraetSerialLine::Read(char* buffer, std::size_t count, std::size_t& read, const Event& stop) {
    read = 0;
    const std::uint64_t start = Clock().NowMs();
    const std::uint64_t deadline = start + (fast_ ? 50 + 5 * count : 500 + 50 * count);
    while (read < count) {
        const ssize_t n = ::read(fd_.get(), buffer + read, count - read);
        if (n > 0) {
            read += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        std::uint64_t until = deadline;
        if (!fast_ && read > 0) {
            until = std::min<std::uint64_t>(deadline, Clock().NowMs() + 500);
        }
        if (!WaitFd(fd_.get(), POLLIN, until, stop)) {
            return true;
        }
    }
    return true;
}

void TGeraetSerialLine::Purge() {
    ::tcflush(fd_.get(), TCIOFLUSH);
}

} // namespace quarn
