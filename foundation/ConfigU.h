#pragma once

#include "foundation/VersionInfo.h"
#include "platform/CriticalSection.h"
#include "platform/Exception.h"
#include "platform/Registry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

// A registry key that cannot be opened for writing a number.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "ERegistryException"; }
};

// The one settings object of the program, over the current user's "\Software\Velmoor\Quarn" and fixed
// sub-keys of it. Booleans are stored as the strings "1"/"0", numbers as DWORDs, texts as strings; a
// missing or unreadable value gives the getter's default. Setters write at once; a failed write is traced
// ("FEHLER: ..."), and a number setter whose key cannot be opened raises ERegistryException.
//
// Any thread may call it: the store itself is safe from any thread, and the cached values (the monitor
// flags and the font) are read and changed under the object's lock.
class TConfig {
public:
    // `programVersion` feeds the first-steps check. `colorCapability` gives the screen's colour
    // capability (2 = high colour) for HighColor's default; empty means 2 when the primary screen has at
    // least 16 bits per pixel (or there is no screen to ask), else 0.
    explicit TConfig(RegistryStore& store = RegistryStore::Instance(),
                     const std::string& programVersion = ProgramVersion(),
                     std::function<int()> colorCapability = {});
    // Writes the monitor flags back as a decimal string.
    ~TConfig();
    TConfig(const TConfig&) = delete;
    TConfig& operator=(const TConfig&) = delete;

    // True when the stored "First steps" key did not match this program version at construction.
    bool FirstStepsChanged() const { return firstStepsChanged_; }

    bool GetSplashScreen() const;

    // Cached: read at construction, written back at destruction only.
    std::int32_t GetMonitorFlags() const;
    void SetMonitorFlags(std::int32_t flags);

    bool GetCollectPublicKeys() const;
    void SetCollectPublicKeys(bool value);
    bool GetDetailedOutput() const;
    void SetDetailedOutput(bool value);
    std::string GetComment() const;
    void SetComment(std::string_view value);

    bool GetSendSID() const;
    void SetSendSID(bool value);
    bool GetHideSentSID() const;
    void SetHideSentSID(bool value);
    bool GetHideReceivedSID() const;
    void SetHideReceivedSID(bool value);

    // One of "07x09", "08x09", "08x12", "08x13", "08x15", "10x18"; anything else reads as "08x12". Read
    // once, then cached; the setter does not check the name.
    std::string GetFont() const;
    void SetFont(std::string_view font);

    bool GetHighColor() const;
    void SetHighColor(bool value);
    bool GetTimestamp() const;

    // 1 accept, 2 ignore, 3 reject; any other value is stored as an empty text (and reads as 1).
    std::int32_t GetIncomingConnects() const;
    void SetIncomingConnects(std::int32_t rule);

    // Connection channels, read as 1 to 40 (the range the settings offer).
    std::int32_t GetChannels() const;
    // The number as stored, for a caller that tells when it was out of range.
    std::int32_t GetChannelsStored() const;
    void SetChannels(std::int32_t count);

    // Colour values 0x00BBGGRR; the index is taken modulo 128 and must then be 0 to 12.
    std::uint32_t GetColor(int index) const;
    void SetColor(int index, std::uint32_t colour);
    static constexpr std::array<std::uint32_t, 13> DefaultColors = {
        0xFFFFFF, 0x000000, 0x7F0000, 0x00009F, 0x7F6C00, 0xFFFFFF, 0x000000,
        0x0000C0, 0xFFFFFF, 0x7F0000, 0x00009F, 0x007F00, 0x606060};

    std::int32_t GetInputHeight() const;
    void SetInputHeight(std::int32_t pixels);
    std::int32_t GetMonitorHeight() const;
    void SetMonitorHeight(std::int32_t pixels);
    std::int32_t GetToolbarTheme() const;
    void SetToolbarTheme(std::int32_t theme);
    std::int32_t GetToolbarText() const;
    void SetToolbarText(std::int32_t mode);

    bool GetLocalEcho() const;
    void SetLocalEcho(bool value);
    bool GetDirty() const;
    void SetDirty(bool value);
    bool GetForceDatabaseCheck() const;
    void SetForceDatabaseCheck(bool value);

    std::string GetDestination() const;
    void SetDestination(std::string_view value);
    std::string GetPort() const;
    void SetPort(std::string_view value);
    std::string GetMyCall() const;
    void SetMyCall(std::string_view value);

    // Scroll-back lines per console, read as 500 to 30000 (the range the settings offer).
    std::int32_t GetConsoleRows() const;
    void SetConsoleRows(std::int32_t rows);

private:
    bool ReadBool(std::string_view subKey, std::string_view name, bool fallback) const;
    void WriteBool(std::string_view method, std::string_view subKey, std::string_view name, bool value);
    std::int32_t ReadNumber(std::string_view subKey, std::string_view name, std::int32_t fallback) const;
    void WriteNumber(std::string_view method, std::string_view subKey, std::string_view name,
                     std::uint32_t value);
    std::optional<std::string> ReadText(std::string_view subKey, std::string_view name) const;
    void WriteText(std::string_view method, std::string_view subKey, std::string_view name,
                   std::string_view value);
    void CheckFirstSteps(const std::string& programVersion);

    RegistryStore& store_;
    std::function<int()> colorCapability_;
    mutable CriticalSection lock_;
    std::int32_t monitorFlags_;
    mutable std::optional<std::string> fontCache_;
    bool firstStepsChanged_ = false;
};

// The program's one settings object while a ScopedConfig publishes it (the main window, from its first
// start-up step to the end of its shut-down); null otherwise.
TConfig* Config();

// Publishes a settings object as Config() for its lifetime; there is one at a time.
class ScopedConfig {
public:
    explicit ScopedConfig(TConfig& config);
    ~ScopedConfig();
    ScopedConfig(const ScopedConfig&) = delete;
    ScopedConfig& operator=(const ScopedConfig&) = delete;
};

} // namespace quarn
