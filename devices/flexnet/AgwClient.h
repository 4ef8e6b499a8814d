#pragma once

#include "devices/flexnet/AgwFrame.h"
#include "platform/FileDescriptor.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace quarn {

class Thread;

// A link to a packet engine's AGW port. A reader thread cuts what arrives into messages and hands each
// to the frame handler; the end of the link (the engine went away, or a stream out of step) is told
// once through the closed handler. Sending is safe from any thread.
class AgwClient {
public:
    using FrameHandler = std::function<void(const AgwFrame&)>;
    using ClosedHandler = std::function<void()>;

    AgwClient(FrameHandler onFrame, ClosedHandler onClosed);
    ~AgwClient();
    AgwClient(const AgwClient&) = delete;
    AgwClient& operator=(const AgwClient&) = delete;

    // Connects and starts reading; false when nobody accepts at host and port.
    bool Open(const std::string& host, std::uint16_t port);
    // False when the link is not open or the engine does not take the bytes.
    bool Send(const AgwFrame& frame);
    bool IsOpen() const;
    // Ends the link and waits for the reader; no handler is called after it returns.
    void Close();

private:
    void Read(Thread& thread);

    FrameHandler onFrame_;
    ClosedHandler onClosed_;
    mutable std::mutex sendMutex_;
    FileDescriptor socket_;
    // False once the link ended, even while the descriptor is still held.
    bool open_ = false;
    std::unique_ptr<Thread> reader_;
};

} // namespace quarn
