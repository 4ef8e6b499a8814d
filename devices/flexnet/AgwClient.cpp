#include "devices/flexnet/AgwClient.h"

#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "platform/LocalSocket.h"
#include "platform/TcpSocket.h"
#include "platform/Thread.h"
#include "platform/WaitForAny.h"

#include <poll.h>

namespace quarn {
namespace {

constexpr std::size_t kReadChunk = 4096;
// A blocked engine must not hang the caller for ever; a message this late ends the link.
constexpr std::uint32_t kSendTimeoutMs = 5000;
// The reader ends at once on the stop request; this only bounds a handler that hangs.
constexpr std::uint32_t kReaderJoinMs = 5000;

} // namespace

AgwClient::AgwClient(FrameHandler onFrame, ClosedHandler onClosed)
    : onFrame_(std::move(onFrame)), onClosed_(std::move(onClosed)) {}

AgwClient::~AgwClient() {
    Close();
}

bool AgwClient::Open(const std::string& host, std::uint16_t port) {
    Close();
    FileDescriptor socket = ConnectTcp(host, port);
    if (!socket) {
        return false;
    }
    SetSendTimeout(socket.get(), kSendTimeoutMs);
    {
        const std::lock_guard lock(sendMutex_);
        socket_ = std::move(socket);
        open_ = true;
    }
    reader_ = std::make_unique<Thread>("AgwClient", [this](Thread& thread) { Read(thread); });
    reader_->Start();
    return true;
}

bool AgwClient::Send(const AgwFrame& frame) {
    const std::lock_guard lock(sendMutex_);
    if (!open_) {
        return false;
    }
    if (!SendAll(socket_.get(), EncodeAgwFrame(frame))) {
        // The reader sees the link end and tells it.
        EndLink(socket_.get());
        return false;
    }
    return true;
}

bool AgwClient::IsOpen() const {
    const std::lock_guard lock(sendMutex_);
    return open_;
}

void AgwClient::Close() {
    if (reader_) {
        reader_->RequestStop();
        if (!reader_->Join(kReaderJoinMs)) {
            DebOut("AgwClient: reader did not end in time");
            reader_->Detach();
        }
        reader_.reset();
    }
    const std::lock_guard lock(sendMutex_);
    open_ = false;
    socket_.reset();
}

void AgwClient::Read(Thread& thread) {
    int fd;
    {
        const std::lock_guard lock(sendMutex_);
        fd = socket_.get();
    }
    AgwFrameReader reader;
    std::string chunk;
    for (;;) {
        const int signalled =
            WaitForAny({thread.StopEvent(), QuitEvent(), WaitHandle::Fd(fd, POLLIN)}, kInfinite);
        if (signalled != 2) {
            return;
        }
        chunk.clear();
        if (!ReceiveAvailable(fd, chunk, kReadChunk)) {
            break;
        }
        reader.Feed(chunk);
        while (auto frame = reader.Next()) {
            onFrame_(*frame);
        }
        if (reader.Broken()) {
            DebOut("AgwClient: message length out of range, link ended");
            break;
        }
    }
    {
        const std::lock_guard lock(sendMutex_);
        open_ = false;
        EndLink(fd);
    }
    onClosed_();
}

} // namespace quarn
