#pragma once

#include "connections/remote/RemoteCommandsU.h"

#include <memory>

namespace quarn {

// The commands that work on the remote folder; the others are made where they are registered.
std::unique_ptr<TRemoteCommand> MakeRemoteCommandCD(std::shared_ptr<IVerbindung> connection,
                                                    TRemoteCommands& interpreter);
std::unique_ptr<TRemoteCommand> MakeRemoteCommandDir(std::shared_ptr<IVerbindung> connection,
                                                     TRemoteCommands& interpreter);
std::unique_ptr<TRemoteCommand> MakeRemoteCommandRead(std::shared_ptr<IVerbindung> connection,
                                                      TRemoteCommands& interpreter);

} // namespace quarn
