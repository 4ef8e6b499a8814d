#pragma once

#include "foundation/InterfacesU.h"
#include "platform/CriticalSection.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

// The remote-command interpreter of one connection: runs the "//" lines of the peer within its
// permissions and keeps its current folder below the remote folder ("\" between names, no leading or
// trailing "\", empty at first). Replies go back on the connection as typed text. Runs on the
// connection thread. It holds the connection weakly: the connection owns it.
class TRemoteCommands final : public IRemoteCommands {
public:
    explicit TRemoteCommands(std::weak_ptr<IVerbindung> connection);

    void Release() override;
    void Execute(std::string_view line) override;

    std::string GetOrdner() const;
    void SetOrdner(std::string_view folder);

    static constexpr std::string_view kPrefix = "<Quarn>: ";

private:
    mutable CriticalSection lock_;
    std::weak_ptr<IVerbindung> connection_;
    std::string ordner_;
};

// One run of one remote command. Replies go out verbatim: only texts of the operator's own templates
// carry "^" escapes, and those are resolved before the text reaches Send.
class TRemoteCommand {
public:
    TRemoteCommand(std::shared_ptr<IVerbindung> connection, TRemoteCommands& interpreter);
    virtual ~TRemoteCommand() = default;
    TRemoteCommand(const TRemoteCommand&) = delete;
    TRemoteCommand& operator=(const TRemoteCommand&) = delete;

    virtual void Execute(std::string_view parameter) = 0;

protected:
    // Windows-1252 bytes as they go on the air.
    void Send(std::string_view text) const;
    // The prefix, the text given in UTF-8, and CR.
    void Meldung(std::string_view utf8) const;

    IVerbindung& Connection() const { return *connection_; }
    const std::shared_ptr<IVerbindung>& ConnectionPtr() const { return connection_; }
    TRemoteCommands& Interpreter() const { return interpreter_; }

private:
    std::shared_ptr<IVerbindung> connection_;
    TRemoteCommands& interpreter_;
};

// Registers the sixteen commands in their order.
class TRemoteCommandManager;
void RegisterRemoteCommands(TRemoteCommandManager& manager);

// "1.234.567": digits grouped by "." as a German system shows them, whatever the process locale.
std::string DeutscheZahl(std::uint64_t value);

} // namespace quarn
