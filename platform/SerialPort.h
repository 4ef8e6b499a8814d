#pragma once

#include "platform/FileDescriptor.h"
#include "platform/WaitForAny.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace quarn {

// Read and write time-outs with the meaning serial-port code expects from its Windows origin:
// a read ends after multiplier * count + constant milliseconds, or when the gap after a received byte
// exceeds the interval (0: no interval limit); a write ends after its own total. All read values 0 means
// a read waits until the count is complete.
struct SerialTimeouts {
    std::uint32_t readInterval = 0;
    std::uint32_t readTotalMultiplier = 0;
    std::uint32_t readTotalConstant = 0;
    std::uint32_t writeTotalMultiplier = 0;
    std::uint32_t writeTotalConstant = 0;

    bool operator==(const SerialTimeouts&) const = default;
};

// The machine hive's port table: value "COM<n>" names the device path of that port.
inline constexpr std::string_view kSerialPortTableKey = "\\Software\\Velmoor\\Quarn\\Anschluesse";

// The device path of "COM<n>": the port table's entry, else COM1-4 = /dev/ttyS0-3 and
// COM5-8 = /dev/ttyUSB0-3. An entry may name any path, a pseudo-terminal included.
std::string SerialPortPath(int comPort);

// Whether a line can be set to this rate (1200 to 230400 baud in the usual steps).
bool IsSerialBaudrate(int baudrate);

// A serial line in raw 8N1 with DTR on, opened exclusively. Reads and writes keep their time-outs with
// poll deadlines on the steady clock and end early when any of the given wake events is signalled
// (the bytes moved so far are reported); a wake event wins over a line that is ready at the same time.
//
// A line that goes away (a USB adapter unplugged, the far end of a pseudo-terminal gone, a hang-up)
// can never carry data again: the read or write that finds it so fails at once and the port is
// closed, so IsOpen() turns false and the path may be opened anew.
class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Empty on success, else the step that failed ("CreateFile fehlgeschlagen", ...; a rate the line
    // cannot run at gives "SetCommState fehlgeschlagen"). A port that is open already is closed first.
    std::string Open(const std::string& path, int baudrate);
    // Waits (bounded) for queued output to leave, then closes; false when it was not open.
    bool Close();
    bool IsOpen() const { return fd_.valid(); }

    void SetTimeouts(const SerialTimeouts& timeouts) { timeouts_ = timeouts; }
    const SerialTimeouts& GetTimeouts() const { return timeouts_; }

    // False on a line error (the port is closed then); a time-out or a wake event gives true with
    // fewer bytes.
    bool Read(char* buffer, std::size_t count, std::size_t& read, std::initializer_list<WaitHandle> wakeOn);
    // As Read for one byte, then whatever else the line holds at that moment, up to count.
    bool ReadSome(char* buffer, std::size_t count, std::size_t& read,
                  std::initializer_list<WaitHandle> wakeOn);
    bool Write(const char* data, std::size_t count, std::size_t& written,
               std::initializer_list<WaitHandle> wakeOn);
    // Drops what is queued in both directions.
    void Purge();

private:
    // Gives the tty free and closes the descriptor, without waiting for output.
    void Release();

    FileDescriptor fd_;
    SerialTimeouts timeouts_;
};

} // namespace quarn
