#pragma once

#include "platform/FileDescriptor.h"

#include <cstdint>
#include <string>

namespace quarn {

// A blocking TCP client stream to a host (a name or a numeric address) and port; an invalid descriptor
// when the name does not resolve or nobody accepts there within 5 s. SendAll, ReceiveAvailable and EndLink of
// platform/LocalSocket.h work on it as on a local socket.
FileDescriptor ConnectTcp(const std::string& host, std::uint16_t port);

} // namespace quarn
