// The serial line on a real pseudo-terminal: the test holds the master side and plays the TNC.
#include "platform/Event.h"
#include "platform/FileDescriptor.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "support/Elapsed.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace quarn::test {
namespace {

using std::chrono::steady_clock;

// A pseudo-terminal whose slave stays open here, so the port under test may open and close it.
class PseudoTerminal {
public:
    PseudoTerminal() {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            master_.reset(master);
            slave_.reset(slave);
            path_ = name;
            ::fcntl(master, F_SETFL, O_NONBLOCK);
        }
    }
    const std::string& path() const { return path_; }
    int slave() const { return slave_.get(); }

    // The tty hangs up as when a USB adapter is unplugged; false where that needs rights the test lacks.
    bool HangUp() { return ::ioctl(slave_.get(), TIOCVHANGUP) == 0; }
    // The far end goes away as when the program behind the pseudo-terminal dies.
    bool CloseMaster() {
        master_.reset();
        return true;
    }

    void Send(const std::string& bytes) const {
        ASSERT_EQ(::write(master_.get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Everything that arrives within the time limit, up to count bytes.
    std::string Receive(std::size_t count, int limitMs = 1000) const {
        std::string got;
        const auto start = steady_clock::now();
        while (got.size() < count && msSince(start) < limitMs) {
            pollfd fd{master_.get(), POLLIN, 0};
            ::poll(&fd, 1, 10);
            char buffer[512];
            const ssize_t n = ::read(master_.get(), buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0) {
                got.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return got;
    }

private:
    FileDescriptor master_;
    FileDescriptor slave_;
    std::string path_;
};

std::string AllByteValues() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) {
        bytes.push_back(static_cast<char>(i));
    }
    // The values a line discipline or flow control would eat first.
    return bytes + std::string("\x00\x11\x13\x1a\xff\x03\x0d\x0a\x7f", 9);
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(pty.path().empty());
        ASSERT_EQ(port.Open(pty.path(), 38400), "");
    }

    PseudoTerminal pty;
    SerialPort port;
    const Event never{EventReset::Manual};
};

TEST_F(SerialPortTest, EveryByteValuePassesUnchangedBothWays) {
    const std::string bytes = AllByteValues();
    port.SetTimeouts({500, 50, 500, 50, 500});

    std::size_t written = 0;
    ASSERT_TRUE(port.Write(bytes.data(), bytes.size(), written, {never}));
    EXPECT_EQ(written, bytes.size());
    EXPECT_EQ(pty.Receive(bytes.size()), bytes);

    pty.Send(bytes);
    std::string read(bytes.size(), '\0');
    std::size_t count = 0;
    ASSERT_TRUE(port.Read(read.data(), read.size(), count, {never}));
    EXPECT_EQ(count, bytes.size());
    EXPECT_EQ(read, bytes);
}

struct ReadTimeoutCase {
    const char* name;
    SerialTimeouts timeouts;
    std::string sentBefore; // already waiting when the read starts
    std::size_t count;
    std::size_t expectRead;
    int minMs;
    int maxMs;
};

TEST_F(SerialPortTest, ReadTimeouts) {
    const ReadTimeoutCase cases[] = {
        {"total: constant plus per byte", {0, 50, 200, 0, 0}, "", 2, 0, 290, 600},
        {"fast set of the resync", {0, 5, 50, 5, 500}, "", 2, 0, 55, 250},
        {"interval after a byte ends early", {100, 50, 2000, 0, 0}, "x", 4, 1, 95, 600},
        {"complete read does not wait", {500, 50, 500, 50, 500}, "abc", 3, 3, 0, 100},
    };
    for (const ReadTimeoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.sentBefore.empty()) {
            pty.Send(c.sentBefore);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        port.SetTimeouts(c.timeouts);
        char buffer[16];
        std::size_t read = 99;
        const auto start = steady_clock::now();
        EXPECT_TRUE(port.Read(buffer, c.count, read, {never}));
        const auto elapsed = msSince(start);
        EXPECT_EQ(read, c.expectRead);
        EXPECT_GE(elapsed, c.minMs);
        EXPECT_LT(elapsed, c.maxMs);
    }
}

TEST_F(SerialPortTest, ReadSomeTakesWhatHasComeAfterWaitingForTheFirstByte) {
    port.SetTimeouts({500, 50, 200, 50, 500});
    char buffer[64];
    std::size_t read = 99;
    // Nothing comes: the wait for the first byte is the time-out of a one-byte read.
    auto start = steady_clock::now();
    EXPECT_TRUE(port.ReadSome(buffer, sizeof buffer, read, {never}));
    EXPECT_EQ(read, 0u);
    EXPECT_GE(msSince(start), 240);
    EXPECT_LT(msSince(start), 600);
    // A whole reply waiting: taken in one piece, without waiting for the 64 bytes asked for.
    pty.Send(std::string("\x01\x01hello\x00", 8));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    start = steady_clock::now();
    EXPECT_TRUE(port.ReadSome(buffer, sizeof buffer, read, {never}));
    EXPECT_LT(msSince(start), 100);
    EXPECT_EQ(std::string(buffer, read), std::string("\x01\x01hello\x00", 8));
    // No more than asked; the rest stays for the next read.
    pty.Send("abcdef");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(port.ReadSome(buffer, 4, read, {never}));
    EXPECT_EQ(std::string(buffer, read), "abcd");
    EXPECT_TRUE(port.ReadSome(buffer, sizeof buffer, read, {never}));
    EXPECT_EQ(std::string(buffer, read), "ef");
}

TEST_F(SerialPortTest, WakeEventEndsReadAndWriteAtOnce) {
    port.SetTimeouts({500, 50, 5000, 50, 5000});
    const Event stop(EventReset::Manual, true);
    char buffer[8];
    std::size_t read = 0;
    auto start = steady_clock::now();
    EXPECT_TRUE(port.Read(buffer, sizeof buffer, read, {never, stop}));
    EXPECT_LT(msSince(start), 100);

    // Nobody reads the master: the write fills the pseudo-terminal's buffer and would block.
    const std::string big(1 << 20, 'x');
    std::size_t written = 0;
    start = steady_clock::now();
    EXPECT_TRUE(port.Write(big.data(), big.size(), written, {stop}));
    EXPECT_LT(written, big.size());
    EXPECT_LT(msSince(start), 200);
}

TEST_F(SerialPortTest, WriteTimesOutWhenTheLineDoesNotDrain) {
    port.SetTimeouts({0, 0, 0, 0, 150});
    const std::string big(1 << 20, 'x');
    std::size_t written = 0;
    const auto start = steady_clock::now();
    EXPECT_TRUE(port.Write(big.data(), big.size(), written, {never}));
    EXPECT_LT(written, big.size());
    EXPECT_GE(msSince(start), 140);
    EXPECT_LT(msSince(start), 700);
}

TEST_F(SerialPortTest, PurgeDropsWhatIsWaiting) {
    pty.Send("stale bytes");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    port.Purge();
    port.SetTimeouts({0, 0, 50, 0, 0});
    char buffer[16];
    std::size_t read = 0;
    EXPECT_TRUE(port.Read(buffer, sizeof buffer, read, {never}));
    EXPECT_EQ(read, 0u);

    pty.Send("fresh");
    port.SetTimeouts({0, 50, 500, 0, 0});
    EXPECT_TRUE(port.Read(buffer, 5, read, {never}));
    EXPECT_EQ(std::string(buffer, read), "fresh");
}

TEST_F(SerialPortTest, OpenIsExclusiveAndTheLineReopensAfterClose) {
    SerialPort second;
    EXPECT_EQ(second.Open(pty.path(), 38400), "CreateFile fehlgeschlagen");
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.Close());
    EXPECT_FALSE(port.IsOpen());
    ASSERT_EQ(second.Open(pty.path(), 9600), "");

    second.SetTimeouts({0, 50, 500, 50, 500});
    pty.Send("again");
    char buffer[8];
    std::size_t read = 0;
    EXPECT_TRUE(second.Read(buffer, 5, read, {never}));
    EXPECT_EQ(std::string(buffer, read), "again");
}

TEST_F(SerialPortTest, OnlyRatesTheLineCanRunAtAreAccepted) {
    const std::pair<int, speed_t> known[] = {{1200, B1200},   {2400, B2400},     {4800, B4800},
                                             {9600, B9600},   {19200, B19200},   {38400, B38400},
                                             {57600, B57600}, {115200, B115200}, {230400, B230400}};
    for (const auto& [rate, speed] : known) {
        SCOPED_TRACE(rate);
        ASSERT_EQ(port.Open(pty.path(), rate), "");
        termios settings{};
        ASSERT_EQ(::tcgetattr(pty.slave(), &settings), 0);
        EXPECT_EQ(::cfgetospeed(&settings), speed);
    }
    for (const int rate : {0, -9600, 300, 14400, 38401, 1000000}) {
        SCOPED_TRACE(rate);
        EXPECT_EQ(port.Open(pty.path(), rate), "SetCommState fehlgeschlagen");
        EXPECT_FALSE(port.IsOpen());
    }
}

struct HangUpCase {
    const char* name;
    bool (PseudoTerminal::*hangUp)();
    bool writeFirst;
};

TEST(SerialPortLine, LineThatGoesAwayFailsAtOnceAndIsClosed) {
    const HangUpCase cases[] = {
        {"far end gone, read", &PseudoTerminal::CloseMaster, false},
        {"far end gone, write", &PseudoTerminal::CloseMaster, true},
        {"hung up, read", &PseudoTerminal::HangUp, false},
        {"hung up, write", &PseudoTerminal::HangUp, true},
    };
    for (const HangUpCase& c : cases) {
        SCOPED_TRACE(c.name);
        PseudoTerminal pty;
        SerialPort port;
        ASSERT_EQ(port.Open(pty.path(), 38400), "");
        port.SetTimeouts({500, 50, 500, 50, 500});
        if (!(pty.*c.hangUp)()) {
            GTEST_SKIP() << "TIOCVHANGUP needs CAP_SYS_ADMIN";
        }
        const Event never(EventReset::Manual);
        char buffer[4] = {};
        std::size_t moved = 99;
        const auto start = steady_clock::now();
        const std::clock_t cpu = std::clock();
        const bool ok =
            c.writeFirst ? port.Write("abcd", 4, moved, {never}) : port.Read(buffer, 4, moved, {never});
        EXPECT_FALSE(ok);
        EXPECT_EQ(moved, 0u);
        EXPECT_LT(msSince(start), 100);
        EXPECT_LT(double(std::clock() - cpu) / CLOCKS_PER_SEC, 0.05);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_FALSE(port.Close());
    }
}

TEST(SerialPort, RefusesWhatIsNotASerialLine) {
    SerialPort port;
    EXPECT_EQ(port.Open("/nonexistent/ttyQ9", 38400), "CreateFile fehlgeschlagen");
    EXPECT_EQ(port.Open("/dev/null", 38400), "GetFileType fehlgeschlagen: Keine Schnittstelle");
    EXPECT_FALSE(port.IsOpen());
    char buffer[1];
    std::size_t count = 7;
    EXPECT_FALSE(port.Read(buffer, 1, count, {}));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(port.Write(buffer, 1, count, {}));
}

TEST(SerialPort, PortTableNamesAnyPathAndDefaultsToTheUsualDevices) {
    RegistryStore::Instance().WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM3",
                                          "/dev/serial/by-id/usb-tnc");
    EXPECT_EQ(SerialPortPath(3), "/dev/serial/by-id/usb-tnc");
    EXPECT_EQ(SerialPortPath(1), "/dev/ttyS0");
    EXPECT_EQ(SerialPortPath(4), "/dev/ttyS3");
    EXPECT_EQ(SerialPortPath(5), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPortPath(8), "/dev/ttyUSB3");
    EXPECT_EQ(SerialPortPath(9), "/dev/null");
}

} // namespace
} // namespace quarn::test
