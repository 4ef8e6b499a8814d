#include "devices/flexnet/FlexnetBibliothek.h"

#include "devices/GeraetU.h"
#include "foundation/DebOutU.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace quarn {

namespace {

constexpr const char* kClass = "TFlexnetBibliothek";
constexpr std::size_t kCallPuffer = 16;
constexpr std::size_t kPfadPuffer = 131;
constexpr std::size_t kAdresse = 7;
constexpr std::size_t kDigiAnzahl = 14;
constexpr std::size_t kDigisPassiert = 15;
constexpr std::size_t kKanal = 16;
constexpr std::size_t kDigiStart = 40;
constexpr std::size_t kInfoLaenge = 30;
constexpr std::size_t kInfoZeiger = 32;

std::string Ordner(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

// A call text as an AX.25 address: six shifted characters padded with blanks, then the SSID byte.
void AdresseKodieren(std::string_view call, std::uint8_t* out) {
    const std::size_t dash = call.find('-');
    const std::string_view name = call.substr(0, dash);
    int ssid = 0;
    if (dash != std::string_view::npos) {
        ssid = std::atoi(std::string(call.substr(dash + 1)).c_str()) & 0x0F;
    }
    for (std::size_t i = 0; i < 6; ++i) {
        const char c =
            i < name.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(name[i]))) : ' ';
        out[i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) << 1);
    }
    out[6] = static_cast<std::uint8_t>(0x60 | (ssid << 1));
}

bool Gleich(const FlexnetAdresse& a, const FlexnetAdresse& b) {
    return a.ziel == b.ziel && a.quelle == b.quelle && a.digis == b.digis;
}

} // namespace

// The entry points the program calls; the others are only required to be there.
struct TFlexnetBibliothek::Einsprung {
    std::uint8_t (*ax_init)() = nullptr;
    void (*ax_exit)() = nullptr;
    const char* (*l2_version)() = nullptr;
    int (*ch_active)(int) = nullptr;
    const char* (*get_ident)(int) = nullptr;
    int (*l2_stat)(int, std::uint16_t) = nullptr;
    void (*l2_bef)(int, std::uint16_t) = nullptr;
    const std::uint8_t* (*l2_get_f)(std::uint16_t) = nullptr;
    const std::uint8_t* (*l2_get_i)(std::uint16_t) = nullptr;
    int (*l2_ialloc)(std::uint16_t, int) = nullptr;
    void (*l2_send_frame)(std::uint16_t, const std::uint8_t*) = nullptr;
    std::uint16_t (*l2_get_sabm)(const char*) = nullptr;
    void (*build_frame)(std::uint8_t*, const char*, const char*) = nullptr;
    std::uint16_t (*l2_get_qnum)(const std::uint8_t*) = nullptr;
    std::uint16_t (*l2_fconnect)(const std::uint8_t*) = nullptr;
    char* (*strcall)(char*, const std::uint8_t*) = nullptr;
    char* (*strpath)(char*, const std::uint8_t*) = nullptr;
    int (*l2_send_ui)(const char*, const char*, int, int, int, const char*) = nullptr;
    void (*l2_set_monitor)(const std::uint8_t*) = nullptr;
    int (*l2_chk_monitor)() = nullptr;
    void (*l2_clr_monitor)() = nullptr;
    const std::uint8_t* (*l2_get_monitor)() = nullptr;
    void (*l2_ack_monitor)() = nullptr;
};

const std::vector<std::string>& TFlexnetBibliothek::EinsprungNamen() {
    static const std::vector<std::string> names = {
        "ax_init",        "ax_exit",        "l2_version",     "l2_connect",     "l2_check_path",
        "l2_get_sabm",    "l2_send_ui",     "l2_get_ui",      "l2_ialloc",      "l2_printf",
        "l2_puts",        "l2_send_char",   "l2_get_i",       "l2_get_f",       "get_tic",
        "appl_watchdog",  "l2_set_monitor", "l2_clr_monitor", "l2_chk_monitor", "l2_get_monitor",
        "l2_ack_monitor", "strcall",        "strpath",        "build_call",     "build_frame",
        "l2_send_f",      "l2_fconnect",    "l2_send_frame",  "l2_get_qnum",    "l2_bef",
        "l2_stat",        "l2_set_pid",     "ch_state",       "ch_active",      "set_chmode",
        "set_txdelay",    "calibrate",      "get_chbaud",     "get_chmode",     "get_txdelay",
        "get_ident",      "get_stat",       "set_debug_mode", "flxdbg"};
    return names;
}

std::vector<std::string> TFlexnetBibliothek::Suchpfade() {
    std::vector<std::string> paths;
    if (const auto home = RegistryStore::Instance().ReadString(Hive::LocalMachine, kRegistryKey, "Home");
        home && !home->empty()) {
        paths.push_back(Ordner(*home) + kDateiName);
    }
    if (const char* env = std::getenv("flexnet"); env && *env) {
        paths.push_back(Ordner(env) + kDateiName);
    }
    paths.emplace_back(kDateiName);
    return paths;
}

TFlexnetBibliothek::TFlexnetBibliothek() : e_(std::make_unique<Einsprung>()) {}

TFlexnetBibliothek::~TFlexnetBibliothek() = default;

std::unique_ptr<TFlexnetBibliothek> TFlexnetBibliothek::Laden(std::string& fehler) {
    std::unique_ptr<TFlexnetBibliothek> lib(new TFlexnetBibliothek());
    bool loaded = false;
    for (const std::string& path : Suchpfade()) {
        if (lib->library_.Laden(path)) {
            DebOutObj(kClass, "Laden", "Geladen: " + path);
            loaded = true;
            break;
        }
        DebOutObj(kClass, "Laden", path + ": " + lib->library_.Fehler());
    }
    if (!loaded) {
        fehler = GeraetText("DLL nicht gefunden");
        return nullptr;
    }
    std::string missing;
    for (const std::string& name : EinsprungNamen()) {
        if (!lib->library_.Symbol(name)) {
            missing += (missing.empty() ? "" : " / ") + name;
        }
    }
    if (!missing.empty()) {
        fehler = GeraetText("Nicht in DLL: ") + missing;
        return nullptr;
    }
    const auto bind = [&lib](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(lib->library_.Symbol(name));
    };
    Einsprung& e = *lib->e_;
    bind(e.ax_init, "ax_init");
    bind(e.ax_exit, "ax_exit");
    bind(e.l2_version, "l2_version");
    bind(e.ch_active, "ch_active");
    bind(e.get_ident, "get_ident");
    bind(e.l2_stat, "l2_stat");
    bind(e.l2_bef, "l2_bef");
    bind(e.l2_get_f, "l2_get_f");
    bind(e.l2_get_i, "l2_get_i");
    bind(e.l2_ialloc, "l2_ialloc");
    bind(e.l2_send_frame, "l2_send_frame");
    bind(e.l2_get_sabm, "l2_get_sabm");
    bind(e.build_frame, "build_frame");
    bind(e.l2_get_qnum, "l2_get_qnum");
    bind(e.l2_fconnect, "l2_fconnect");
    bind(e.strcall, "strcall");
    bind(e.strpath, "strpath");
    bind(e.l2_send_ui, "l2_send_ui");
    bind(e.l2_set_monitor, "l2_set_monitor");
    bind(e.l2_chk_monitor, "l2_chk_monitor");
    bind(e.l2_clr_monitor, "l2_clr_monitor");
    bind(e.l2_get_monitor, "l2_get_monitor");
    bind(e.l2_ack_monitor, "l2_ack_monitor");
    return lib;
}

std::uint8_t TFlexnetBibliothek::ax_init() {
    return e_->ax_init();
}

void TFlexnetBibliothek::ax_exit() {
    e_->ax_exit();
}

std::optional<std::string> TFlexnetBibliothek::l2_version() {
    const char* text = e_->l2_version();
    return text ? std::optional<std::string>(text) : std::nullopt;
}

bool TFlexnetBibliothek::ch_active(int n) {
    return e_->ch_active(n) != 0;
}

std::optional<std::string> TFlexnetBibliothek::get_ident(int n) {
    const char* text = e_->get_ident(n);
    return text ? std::optional<std::string>(text) : std::nullopt;
}

int TFlexnetBibliothek::l2_stat(int code, FlexnetQso qso) {
    return e_->l2_stat(code, qso);
}

void TFlexnetBibliothek::l2_bef(int code, FlexnetQso qso) {
    e_->l2_bef(code, qso);
}

std::string TFlexnetBibliothek::CallText(const std::uint8_t* address) {
    std::array<char, kCallPuffer> text{};
    e_->strcall(text.data(), address);
    text.back() = '\0';
    return text.data();
}

FlexnetAdresse TFlexnetBibliothek::Lesen(const std::uint8_t* record) {
    FlexnetAdresse result;
    result.ziel = CallText(record);
    result.quelle = CallText(record + kAdresse);
    const int count = std::min<int>(record[kDigiAnzahl], kMaxDigis);
    for (int i = 0; i < count; ++i) {
        result.digis.push_back(CallText(record + kDigiStart + kAdresse * static_cast<std::size_t>(i)));
    }
    result.kanal = record[kKanal];
    return result;
}

void TFlexnetBibliothek::Merken(const FlexnetAdresse& decoded, const std::uint8_t* raw) {
    Record copy{};
    std::memcpy(copy.data(), raw, kRecordGroesse);
    zuletzt_.insert(zuletzt_.begin(), {decoded, copy});
    if (zuletzt_.size() > 8) {
        zuletzt_.pop_back();
    }
}

TFlexnetBibliothek::Record TFlexnetBibliothek::Roh(const FlexnetAdresse& record) const {
    Record raw{};
    const auto known = std::find_if(zuletzt_.begin(), zuletzt_.end(),
                                    [&record](const auto& entry) { return Gleich(entry.first, record); });
    if (known != zuletzt_.end()) {
        raw = known->second;
    } else {
        AdresseKodieren(record.ziel, raw.data());
        AdresseKodieren(record.quelle, raw.data() + kAdresse);
        const std::size_t count = std::min<std::size_t>(record.digis.size(), kMaxDigis);
        raw[kDigiAnzahl] = static_cast<std::uint8_t>(count);
        for (std::size_t i = 0; i < count; ++i) {
            AdresseKodieren(record.digis[i], raw.data() + kDigiStart + kAdresse * i);
        }
    }
    raw[kKanal] = record.kanal;
    return raw;
}

std::optional<FlexnetAdresse> TFlexnetBibliothek::l2_get_f(FlexnetQso qso) {
    const std::uint8_t* raw = e_->l2_get_f(qso);
    if (!raw) {
        return std::nullopt;
    }
    FlexnetAdresse result = Lesen(raw);
    Merken(result, raw);
    return result;
}

std::optional<FlexnetInfo> TFlexnetBibliothek::l2_get_i(FlexnetQso qso) {
    const std::uint8_t* raw = e_->l2_get_i(qso);
    if (!raw) {
        return std::nullopt;
    }
    std::uint16_t length = 0;
    std::memcpy(&length, raw, sizeof length);
    FlexnetInfo frame;
    frame.pid = raw[2];
    frame.daten.assign(reinterpret_cast<const char*>(raw + 3), length);
    return frame;
}

bool TFlexnetBibliothek::l2_ialloc(FlexnetQso qso, int length) {
    return e_->l2_ialloc(qso, length) != 0;
}

void TFlexnetBibliothek::l2_send_frame(FlexnetQso qso, const FlexnetInfo& frame) {
    const auto length = static_cast<std::uint16_t>(std::min<std::size_t>(frame.daten.size(), 0xFFFF));
    std::vector<std::uint8_t> raw(3 + length);
    std::memcpy(raw.data(), &length, sizeof length);
    raw[2] = frame.pid;
    std::memcpy(raw.data() + 3, frame.daten.data(), length);
    e_->l2_send_frame(qso, raw.data());
}

FlexnetQso TFlexnetBibliothek::l2_get_sabm(std::string_view call) {
    return e_->l2_get_sabm(std::string(call).c_str());
}

void TFlexnetBibliothek::build_frame(FlexnetAdresse& record, std::string_view myCall, std::string_view path) {
    Record raw{};
    e_->build_frame(raw.data(), std::string(myCall).c_str(), std::string(path).c_str());
    record = Lesen(raw.data());
    Merken(record, raw.data());
}

FlexnetQso TFlexnetBibliothek::l2_get_qnum(const FlexnetAdresse& record) {
    const Record raw = Roh(record);
    return e_->l2_get_qnum(raw.data());
}

FlexnetQso TFlexnetBibliothek::l2_fconnect(const FlexnetAdresse& record) {
    const Record raw = Roh(record);
    return e_->l2_fconnect(raw.data());
}

std::string TFlexnetBibliothek::strcall(std::string_view address) {
    // Addresses were turned into text by the library when they were read.
    return std::string(address);
}

std::string TFlexnetBibliothek::strpath(const FlexnetAdresse& record) {
    const Record raw = Roh(record);
    std::array<char, kPfadPuffer> text{};
    e_->strpath(text.data(), raw.data());
    text.back() = '\0';
    return text.data();
}

bool TFlexnetBibliothek::l2_send_ui(std::string_view myCall, std::string_view portAndDestination,
                                    std::uint8_t pid, int flags, std::string_view data) {
    return e_->l2_send_ui(std::string(myCall).c_str(), std::string(portAndDestination).c_str(), pid, flags,
                          static_cast<int>(data.size()), data.data()) != 0;
}

void TFlexnetBibliothek::l2_set_monitor() {
    // Every kind of frame on every channel: -1, then the byte 3.
    std::array<std::uint8_t, 5> setting{0xFF, 0xFF, 0xFF, 0xFF, 3};
    e_->l2_set_monitor(setting.data());
}

bool TFlexnetBibliothek::l2_chk_monitor() {
    return e_->l2_chk_monitor() != 0;
}

void TFlexnetBibliothek::l2_clr_monitor() {
    e_->l2_clr_monitor();
}

std::optional<FlexnetMonitor> TFlexnetBibliothek::l2_get_monitor() {
    const std::uint8_t* raw = e_->l2_get_monitor();
    if (!raw) {
        return std::nullopt;
    }
    const FlexnetAdresse address = Lesen(raw);
    FlexnetMonitor frame;
    frame.ziel = address.ziel;
    frame.quelle = address.quelle;
    frame.digis = address.digis;
    frame.digisPassiert = raw[kDigisPassiert];
    frame.kanal = raw[kKanal];
    frame.pid = raw[18];
    frame.art = raw[19];
    frame.pollFinal = raw[20];
    frame.kommando = raw[21];
    frame.sequenz1 = raw[22];
    frame.sequenz2 = raw[23];
    frame.dama = raw[24];
    frame.farbe = raw[25];
    std::uint16_t length = 0;
    std::memcpy(&length, raw + kInfoLaenge, sizeof length);
    const char* info = nullptr;
    std::memcpy(&info, raw + kInfoZeiger, sizeof info);
    if (info && length > 0) {
        frame.info.assign(info, length);
    }
    return frame;
}

void TFlexnetBibliothek::l2_ack_monitor() {
    e_->l2_ack_monitor();
}

} // namespace quarn
