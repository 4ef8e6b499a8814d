#include "platform/SerialPort.h"

#include "platform/Registry.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace quarn {

namespace {

using SteadyClock = std::chrono::steady_clock;
using Deadline = std::optional<SteadyClock::time_point>;

constexpr std::uint32_t kCloseDrainMs = 500;

std::optional<speed_t> SpeedOf(int baudrate) {
    switch (baudrate) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return std::nullopt;
    }
}

SteadyClock::time_point After(std::uint64_t milliseconds) {
    return SteadyClock::now() + std::chrono::milliseconds(milliseconds);
}

Deadline Earlier(const Deadline& a, const Deadline& b) {
    if (!a) {
        return b;
    }
    if (!b) {
        return a;
    }
    return std::min(*a, *b);
}

enum class WaitOutcome { Ready, TimedOut, Woken };

// Waits for the descriptor until the deadline (none: no limit) or one of the wake events. The wake
// events come first, so a stop request wins over a line that is ready too (a hung-up line always is).
WaitOutcome WaitFd(int fd, short events, const Deadline& deadline, std::initializer_list<WaitHandle> wakeOn) {
    std::uint32_t timeout = std::numeric_limits<std::uint32_t>::max();
    if (deadline) {
        const auto now = SteadyClock::now();
        if (now >= *deadline) {
            return WaitOutcome::TimedOut;
        }
        // Round up so the loop does not spin on a sub-millisecond remainder.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now).count();
        timeout = static_cast<std::uint32_t>(std::min<std::int64_t>(left, timeout - 1));
    }
    std::vector<WaitHandle> handles(wakeOn.begin(), wakeOn.end());
    handles.push_back(WaitHandle::Fd(fd, events));
    const int index = WaitForAny(handles, timeout);
    if (index == kWaitTimeout) {
        return WaitOutcome::TimedOut;
    }
    return static_cast<std::size_t>(index) == wakeOn.size() ? WaitOutcome::Ready : WaitOutcome::Woken;
}

bool Waiting(ssize_t result) {
    return result < 0 && (errno == EAGAIN || errno == EINTR);
}

} // namespace

bool IsSerialBaudrate(int baudrate) {
    return SpeedOf(baudrate).has_value();
}

std::string SerialPortPath(int comPort) {
    const std::string name = "COM" + std::to_string(comPort);
    if (const auto path =
            RegistryStore::Instance().ReadString(Hive::LocalMachine, kSerialPortTableKey, name)) {
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

SerialPort::~SerialPort() {
    Close();
}

std::string SerialPort::Open(const std::string& path, int baudrate) {
    Close();
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        return "CreateFile fehlgeschlagen";
    }
    if (!::isatty(fd.get())) {
        return "GetFileType fehlgeschlagen: Keine Schnittstelle";
    }
    // TIOCEXCL keeps other openers out (root excepted); flock also covers a second open by root.
    if (::ioctl(fd.get(), TIOCEXCL) != 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        return "CreateFile fehlgeschlagen";
    }
    const std::optional<speed_t> speed = SpeedOf(baudrate);
    termios settings{};
    if (!speed || ::tcgetattr(fd.get(), &settings) != 0) {
        return "SetCommState fehlgeschlagen";
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // With VMIN 1 a non-blocking read of an empty line fails with EAGAIN, so a read of 0 bytes
    // means the line hung up.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, *speed);
    ::cfsetospeed(&settings, *speed);
    if (::tcsetattr(fd.get(), TCSANOW, &settings) != 0) {
        return "SetCommState fehlgeschlagen";
    }
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd.get(), TIOCMBIS, &lines); // a pseudo-terminal has no modem lines
    fd_ = std::move(fd);
    return {};
}

bool SerialPort::Close() {
    if (!fd_) {
        return false;
    }
    // Let queued output leave, but never hang on a line that does not drain (flow control, no peer).
    const auto deadline = After(kCloseDrainMs);
    int queued = 0;
    while (::ioctl(fd_.get(), TIOCOUTQ, &queued) == 0 && queued > 0 && SteadyClock::now() < deadline) {
        ::usleep(2000);
    }
    Release();
    return true;
}

void SerialPort::Release() {
    // The exclusive flag belongs to the tty, not to this descriptor: clear it so a reopen works while
    // another descriptor (a pseudo-terminal's owner) keeps the tty alive.
    ::ioctl(fd_.get(), TIOCNXCL);
    ::flock(fd_.get(), LOCK_UN);
    fd_.reset();
}

bool SerialPort::Read(char* buffer, std::size_t count, std::size_t& read,
                      std::initializer_list<WaitHandle> wakeOn) {
    read = 0;
    if (!fd_) {
        return false;
    }
    const SerialTimeouts& t = timeouts_;
    Deadline total;
    if (t.readTotalMultiplier != 0 || t.readTotalConstant != 0) {
        total = After(std::uint64_t(t.readTotalMultiplier) * count + t.readTotalConstant);
    }
    Deadline interval;
    while (read < count) {
        const ssize_t n = ::read(fd_.get(), buffer + read, count - read);
        if (n > 0) {
            read += static_cast<std::size_t>(n);
            if (t.readInterval != 0) {
                interval = After(t.readInterval);
            }
            continue;
        }
        if (!Waiting(n)) {
            Release(); // 0 bytes: hung up; an error: the line is gone as well
            return false;
        }
        if (WaitFd(fd_.get(), POLLIN, Earlier(total, interval), wakeOn) != WaitOutcome::Ready) {
            return true;
        }
    }
    return true;
}

bool SerialPort::ReadSome(char* buffer, std::size_t count, std::size_t& read,
                          std::initializer_list<WaitHandle> wakeOn) {
    read = 0;
    if (count == 0) {
        return fd_.valid();
    }
    if (!Read(buffer, 1, read, wakeOn) || read == 0) {
        return fd_.valid() || read > 0;
    }
    const ssize_t n = ::read(fd_.get(), buffer + 1, count - 1);
    if (n > 0) {
        read += static_cast<std::size_t>(n);
    } else if (!Waiting(n)) {
        Release(); // hung up after the byte
    }
    return true;
}

bool SerialPort::Write(const char* data, std::size_t count, std::size_t& written,
                       std::initializer_list<WaitHandle> wakeOn) {
    written = 0;
    if (!fd_) {
        return false;
    }
    Deadline total;
    if (timeouts_.writeTotalMultiplier != 0 || timeouts_.writeTotalConstant != 0) {
        total = After(std::uint64_t(timeouts_.writeTotalMultiplier) * count + timeouts_.writeTotalConstant);
    }
    while (written < count) {
        const ssize_t n = ::write(fd_.get(), data + written, count - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && !Waiting(n)) {
            Release();
            return false;
        }
        if (WaitFd(fd_.get(), POLLOUT, total, wakeOn) != WaitOutcome::Ready) {
            return true;
        }
    }
    return true;
}

void SerialPort::Purge() {
    if (fd_) {
        ::tcflush(fd_.get(), TCIOFLUSH);
    }
}

} // namespace quarn
