#pragma once

#include "platform/Event.h"
#include "platform/FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quarn {

// The path of "COM<n>": the machine hive's port table ("\Software\Velmoor\Quarn\Anschluesse", value
// "COM<n>") or the defaults COM1-4 = /dev/ttyS0-3, COM5-8 = /dev/ttyUSB0-3.
std::string SerialPortPath(int comPort);

// A TNC's serial line: raw 8N1 with DTR on, opened exclusively, with the host-mode time-outs
// (normal: 500 ms + 50 ms per byte, 500 ms between bytes; fast: 50 ms + 5 ms per byte) kept by poll
// deadlines. Every wait also ends on the given stop event and on the program's quit event.
class TGeraetSerialLine {
public:
    // Empty on success, else the step that failed.
    std::string Open(const std::string& path, int baudrate);
    bool Write(const char* data, std::size_t count, std::size_t& written, const Event& stop);
    bool Read(char* buffer, std::size_t count, std::size_t& read, const Event& stop);
    void Purge();
    void SetFast(bool fast) { fast_ = fast; }

private:
    FileDescriptor fd_;
    bool fast_ = false;
};

} // namespace quarn
