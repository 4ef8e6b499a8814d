#pragma once

#include "platform/CriticalSection.h"
#include "platform/Registry.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

class IVerbindung;
class TRemoteCommand;
class TRemoteCommands;

// Makes the object that runs one remote command once.
using TRemoteCommandFactory = std::unique_ptr<TRemoteCommand> (*)(std::shared_ptr<IVerbindung> connection,
                                                                  TRemoteCommands& interpreter);

// One registered command: its factory, its name (lower case), the shortest abbreviation taken for it
// and its help text (UTF-8).
struct TRemoteCommandEintrag {
    TRemoteCommandFactory factory = nullptr;
    std::string name;
    std::size_t minimum = 0;
    std::string helpText;
};

// The one registry of the remote commands and their permissions. Global permissions are DWORD values
// (1 allowed, 0 locked) named by the command under "\Software\Velmoor\Quarn\Remotes"; a station's own
// values live in the station database, looked up by the exact call. Every operation takes the lock,
// so any thread may call.
class TRemoteCommandManager {
public:
    // Registers the sixteen commands; only one manager may exist at a time.
    explicit TRemoteCommandManager(RegistryStore& store = RegistryStore::Instance());
    virtual ~TRemoteCommandManager();
    TRemoteCommandManager(const TRemoteCommandManager&) = delete;
    TRemoteCommandManager& operator=(const TRemoteCommandManager&) = delete;

    // A missing or unreadable value reads as locked.
    virtual void GetAllowedGlobal(std::string_view name, bool& allowed) const;
    virtual void SetAllowedGlobal(std::string_view name, bool allowed);
    // False when the station has no value of its own (or no database is open).
    virtual bool GetAllowedStation(std::string_view call, std::string_view name, bool& allowed) const;
    virtual void SetAllowedStation(std::string_view call, std::string_view name, bool allowed);
    // Writes the default when the registry has no value of that name yet.
    virtual void RegisterCommand(TRemoteCommandFactory factory, std::string_view name, std::size_t minimum,
                                 bool allowedByDefault, std::string_view helpText);
    // The first command the word abbreviates (at least its minimum length, any case); the word becomes
    // the full name. Null when none.
    virtual const TRemoteCommandEintrag* FindCommand(std::string& word) const;
    // Per command in registration order: the shortest unambiguous start in upper case, the rest lower.
    virtual void GetDisplayNames(std::vector<std::string>& list) const;
    // With a call the station's value (result: whether it has one); without one the global value (true).
    virtual bool IsAllowed(std::string_view call, std::string_view name, bool& allowed) const;
    virtual void SetAllowed(std::string_view call, std::string_view name, bool allowed);
    virtual void ClearOverride(std::string_view call, std::string_view name);

    // The permission a remote station gets: its full call's value, else its call without SSID, else the
    // global one.
    bool IsAllowedFor(std::string_view remoteCall, std::string_view name) const;
    // The registered commands in registration order.
    std::vector<TRemoteCommandEintrag> Commands() const;

    static constexpr std::string_view kKey = "\\Software\\Velmoor\\Quarn\\Remotes";

private:
    void RegisterCommands();

    RegistryStore& store_;
    mutable CriticalSection lock_;
    std::vector<TRemoteCommandEintrag> commands_;
};

// The live manager, null while there is none.
TRemoteCommandManager* RemoteCommandManager();

} // namespace quarn
