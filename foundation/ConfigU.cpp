#include "foundation/ConfigU.h"

#include "foundation/DebOutU.h"
#include "foundation/ProgramGlobals.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TConfig";
constexpr std::string_view kRoot = "\\Software\\Velmoor\\Quarn";
constexpr std::string_view kMain = "";
constexpr std::string_view kPgp = "\\PGP";
constexpr std::string_view kSid = "\\SID";
constexpr std::string_view kColors = "\\Colors";
constexpr std::string_view kWindowsMain = "\\Windows\\Main";
constexpr std::string_view kToolbar = "\\Toolbar";
constexpr std::string_view kUi = "\\UI";

constexpr std::int32_t kDefaultMonitorFlags = 350;
constexpr std::string_view kDefaultFont = "08x12";
constexpr std::array<std::string_view, 6> kFonts = {"07x09", "08x09", "08x12", "08x13", "08x15", "10x18"};

std::atomic<TConfig*> published{nullptr};

std::string KeyOf(std::string_view subKey) {
    std::string key(kRoot);
    key.append(subKey);
    return key;
}

// "Monitor" holds a decimal string; a 1 (an old placeholder) or anything unparsable means the default.
std::int32_t ParseMonitorFlags(const std::optional<std::string>& text) {
    if (!text) {
        return kDefaultMonitorFlags;
    }
    std::int32_t value = 0;
    const char* end = text->data() + text->size();
    const auto [rest, error] = std::from_chars(text->data(), end, value);
    if (text->empty() || error != std::errc() || rest != end || value == 1) {
        return kDefaultMonitorFlags;
    }
    return value;
}

std::string ColorName(int index) {
    char name[8];
    std::snprintf(name, sizeof name, "%2.2d", index);
    return name;
}

int ColorIndex(int index) {
    const int masked = index & 0x7F;
    QUARN_ASSERT(masked < static_cast<int>(TConfig::DefaultColors.size()), "ConfigU");
    return masked;
}

} // namespace

TConfig::TConfig(RegistryStore& store, const std::string& programVersion,
                 std::function<int()> colorCapability)
    : store_(store), colorCapability_(colorCapability ? std::move(colorCapability) : ColorCapability),
      monitorFlags_(ParseMonitorFlags(ReadText(kMain, "Monitor"))) {
    CheckFirstSteps(programVersion);
}

TConfig::~TConfig() {
    std::int32_t flags;
    {
        Locker lock(lock_);
        flags = monitorFlags_;
    }
    WriteText("Destroy", kMain, "Monitor", std::to_string(flags));
}

void TConfig::CheckFirstSteps(const std::string& programVersion) {
    const std::string key =
        programVersion.size() < 3 ? std::string("00") : std::string{programVersion[0], programVersion[2]};
    if (ReadText(kMain, "First steps").value_or(std::string()) == key) {
        firstStepsChanged_ = false;
        return;
    }
    WriteText("Create", kMain, "First steps", key);
    firstStepsChanged_ = true;
}

// --- storage rules ---

bool TConfig::ReadBool(std::string_view subKey, std::string_view name, bool fallback) const {
    const auto text = ReadText(subKey, name);
    if (!text || text->empty()) {
        return fallback;
    }
    return *text == "1";
}

void TConfig::WriteBool(std::string_view method, std::string_view subKey, std::string_view name, bool value) {
    WriteText(method, subKey, name, value ? "1" : "0");
}

std::int32_t TConfig::ReadNumber(std::string_view subKey, std::string_view name,
                                 std::int32_t fallback) const {
    const auto value = store_.ReadDWord(Hive::CurrentUser, KeyOf(subKey), name);
    return value ? static_cast<std::int32_t>(*value) : fallback;
}

void TConfig::WriteNumber(std::string_view method, std::string_view subKey, std::string_view name,
                          std::uint32_t value) {
    const std::string key = KeyOf(subKey);
    if (!store_.CreateKey(Hive::CurrentUser, key)) {
        DebOutObj(kClass, method, "FEHLER: Can not open key " + key);
        throw ERegistryException("Can not open key");
    }
    if (!store_.WriteDWord(Hive::CurrentUser, key, name, value, false)) {
        DebOutObj(kClass, method, "FEHLER: Can not write value " + std::string(name));
    }
}

std::optional<std::string> TConfig::ReadText(std::string_view subKey, std::string_view name) const {
    return store_.ReadString(Hive::CurrentUser, KeyOf(subKey), name);
}

void TConfig::WriteText(std::string_view method, std::string_view subKey, std::string_view name,
                        std::string_view value) {
    if (!store_.WriteString(Hive::CurrentUser, KeyOf(subKey), name, value, true)) {
        DebOutObj(kClass, method, "FEHLER: Can not write value " + std::string(name));
    }
}

// --- accessors ---

bool TConfig::GetSplashScreen() const {
    return ReadBool(kMain, "SplashScreen", true);
}

std::int32_t TConfig::GetMonitorFlags() const {
    Locker lock(lock_);
    return monitorFlags_;
}

void TConfig::SetMonitorFlags(std::int32_t flags) {
    Locker lock(lock_);
    monitorFlags_ = flags;
}

bool TConfig::GetCollectPublicKeys() const {
    return ReadBool(kPgp, "CollectPublicKeys", true);
}
void TConfig::SetCollectPublicKeys(bool value) {
    WriteBool("SetCollectPublicKeys", kPgp, "CollectPublicKeys", value);
}
bool TConfig::GetDetailedOutput() const {
    return ReadBool(kPgp, "DetailedOutput", false);
}
void TConfig::SetDetailedOutput(bool value) {
    WriteBool("SetDetailedOutput", kPgp, "DetailedOutput", value);
}
std::string TConfig::GetComment() const {
    return ReadText(kPgp, "Comment").value_or(std::string());
}
void TConfig::SetComment(std::string_view value) {
    WriteText("SetComment", kPgp, "Comment", value);
}

bool TConfig::GetSendSID() const {
    return ReadBool(kSid, "SendSID", true);
}
void TConfig::SetSendSID(bool value) {
    WriteBool("SetSendSID", kSid, "SendSID", value);
}
bool TConfig::GetHideSentSID() const {
    return ReadBool(kSid, "HideSentSID", true);
}
void TConfig::SetHideSentSID(bool value) {
    WriteBool("SetHideSentSID", kSid, "HideSentSID", value);
}
bool TConfig::GetHideReceivedSID() const {
    return ReadBool(kSid, "HideReceivedSID", true);
}
void TConfig::SetHideReceivedSID(bool value) {
    WriteBool("SetHideReceivedSID", kSid, "HideReceivedSID", value);
}

std::string TConfig::GetFont() const {
    Locker lock(lock_);
    if (!fontCache_) {
        const std::string stored = ReadText(kMain, "Font").value_or(std::string());
        const bool known = std::find(kFonts.begin(), kFonts.end(), stored) != kFonts.end();
        fontCache_ = known ? stored : std::string(kDefaultFont);
    }
    return *fontCache_;
}

void TConfig::SetFont(std::string_view font) {
    Locker lock(lock_);
    fontCache_ = std::string(font);
    WriteText("SetFont", kMain, "Font", font);
}

bool TConfig::GetHighColor() const {
    return ReadBool(kMain, "HighColor", colorCapability_() == 2);
}
void TConfig::SetHighColor(bool value) {
    WriteBool("SetHighColor", kMain, "HighColor", value);
}
bool TConfig::GetTimestamp() const {
    return ReadBool(kMain, "Timestamp", false);
}

std::int32_t TConfig::GetIncomingConnects() const {
    const std::string text = ReadText(kMain, "IncomingConnects").value_or(std::string());
    if (text == "2") {
        return 2;
    }
    if (text == "3") {
        return 3;
    }
    return 1;
}

void TConfig::SetIncomingConnects(std::int32_t rule) {
    const std::string text = rule >= 1 && rule <= 3 ? std::to_string(rule) : std::string();
    WriteText("SetIncomingConnects", kMain, "IncomingConnects", text);
}

std::int32_t TConfig::GetChannels() const {
    return std::clamp(GetChannelsStored(), 1, 40);
}
std::int32_t TConfig::GetChannelsStored() const {
    return ReadNumber(kMain, "Channels", 8);
}
void TConfig::SetChannels(std::int32_t count) {
    WriteNumber("SetChannels", kMain, "Channels", static_cast<std::uint32_t>(count));
}

std::uint32_t TConfig::GetColor(int index) const {
    const int masked = ColorIndex(index);
    const auto value = store_.ReadDWord(Hive::CurrentUser, KeyOf(kColors), ColorName(masked));
    return value.value_or(DefaultColors[static_cast<std::size_t>(masked)]);
}

void TConfig::SetColor(int index, std::uint32_t colour) {
    WriteNumber("SetColor", kColors, ColorName(ColorIndex(index)), colour);
}

std::int32_t TConfig::GetInputHeight() const {
    return ReadNumber(kWindowsMain, "InputHeight", 64);
}
void TConfig::SetInputHeight(std::int32_t pixels) {
    WriteNumber("SetInputHeight", kWindowsMain, "InputHeight", static_cast<std::uint32_t>(pixels));
}
std::int32_t TConfig::GetMonitorHeight() const {
    return ReadNumber(kWindowsMain, "MonitorHeight", 64);
}
void TConfig::SetMonitorHeight(std::int32_t pixels) {
    WriteNumber("SetMonitorHeight", kWindowsMain, "MonitorHeight", static_cast<std::uint32_t>(pixels));
}
std::int32_t TConfig::GetToolbarTheme() const {
    return ReadNumber(kToolbar, "Theme", 1);
}
void TConfig::SetToolbarTheme(std::int32_t theme) {
    WriteNumber("SetToolbarTheme", kToolbar, "Theme", static_cast<std::uint32_t>(theme));
}
std::int32_t TConfig::GetToolbarText() const {
    return ReadNumber(kToolbar, "Text", 1);
}
void TConfig::SetToolbarText(std::int32_t mode) {
    WriteNumber("SetToolbarText", kToolbar, "Text", static_cast<std::uint32_t>(mode));
}

bool TConfig::GetLocalEcho() const {
    return ReadBool(kMain, "LocalEcho", true);
}
void TConfig::SetLocalEcho(bool value) {
    WriteBool("SetLocalEcho", kMain, "LocalEcho", value);
}
bool TConfig::GetDirty() const {
    return ReadBool(kMain, "Dirty", false);
}
void TConfig::SetDirty(bool value) {
    WriteBool("SetDirty", kMain, "Dirty", value);
}
bool TConfig::GetForceDatabaseCheck() const {
    return ReadBool(kMain, "ForceDatabaseCheck", false);
}
void TConfig::SetForceDatabaseCheck(bool value) {
    WriteBool("SetForceDatabaseCheck", kMain, "ForceDatabaseCheck", value);
}

std::string TConfig::GetDestination() const {
    return ReadText(kUi, "Destination").value_or(std::string());
}
void TConfig::SetDestination(std::string_view value) {
    WriteText("SetDestination", kUi, "Destination", value);
}
std::string TConfig::GetPort() const {
    return ReadText(kUi, "Port").value_or(std::string());
}
void TConfig::SetPort(std::string_view value) {
    WriteText("SetPort", kUi, "Port", value);
}
std::string TConfig::GetMyCall() const {
    return ReadText(kUi, "MyCall").value_or(std::string());
}
void TConfig::SetMyCall(std::string_view value) {
    WriteText("SetMyCall", kUi, "MyCall", value);
}

std::int32_t TConfig::GetConsoleRows() const {
    return std::clamp(ReadNumber(kMain, "ConsoleRows", 1250), 500, 30000);
}
void TConfig::SetConsoleRows(std::int32_t rows) {
    WriteNumber("SetConsoleRows", kMain, "ConsoleRows", static_cast<std::uint32_t>(rows));
}

// --- the published object ---

TConfig* Config() {
    return published.load(std::memory_order_acquire);
}

ScopedConfig::ScopedConfig(TConfig& config) {
    TConfig* expected = nullptr;
    const bool first = published.compare_exchange_strong(expected, &config, std::memory_order_acq_rel);
    QUARN_ASSERT(first, "ConfigU");
}

ScopedConfig::~ScopedConfig() {
    published.store(nullptr, std::memory_order_release);
}

} // namespace quarn
