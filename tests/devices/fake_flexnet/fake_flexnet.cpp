// A stand-in for the network kernel's interface library in its raw record layout. Built twice: with
// every entry point, and (FAKE_FLEXNET_TEIL) without "get_tic" and "flxdbg".
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::uint8_t gRecord[128];
std::uint8_t gMonitor[128];
std::vector<std::uint8_t> gFrame;
const char gInfo[] = "monitor info";
int gMonitorOn = 0;

void Encode(const std::string& call, std::uint8_t* out) {
    const std::size_t dash = call.find('-');
    const std::string name = call.substr(0, dash);
    const int ssid = dash == std::string::npos ? 0 : std::stoi(call.substr(dash + 1));
    for (std::size_t i = 0; i < 6; ++i) {
        out[i] = static_cast<std::uint8_t>((i < name.size() ? name[i] : ' ') << 1);
    }
    out[6] = static_cast<std::uint8_t>(0x60 | (ssid << 1));
}

} // namespace

extern "C" {

std::uint8_t ax_init() {
    return 2;
}
void ax_exit() {}
const char* l2_version() {
    return "fake 1.0";
}
int ch_active(int n) {
    return n == 0 ? 1 : 0;
}
const char* get_ident(int n) {
    return n == 0 ? "Fake 0" : nullptr;
}
int l2_stat(int code, std::uint16_t qso) {
    return code * 1000 + qso;
}
void l2_bef(int, std::uint16_t) {}
const std::uint8_t* l2_get_f(std::uint16_t qso) {
    return qso == 1 ? gRecord : nullptr;
}
// Hands back the frame sent last.
const std::uint8_t* l2_get_i(std::uint16_t) {
    return gFrame.empty() ? nullptr : gFrame.data();
}
int l2_ialloc(std::uint16_t, int length) {
    return length <= 256 ? 1 : 0;
}
void l2_send_frame(std::uint16_t, const std::uint8_t* frame) {
    std::uint16_t length = 0;
    std::memcpy(&length, frame, 2);
    gFrame.assign(frame, frame + 3 + length);
}
std::uint16_t l2_get_sabm(const char* call) {
    return std::strcmp(call, "DL1ABC") == 0 ? 9 : 0;
}
// "DEST DIGI ..." from own call.
void build_frame(std::uint8_t* record, const char* myCall, const char* path) {
    std::memset(record, 0, 128);
    std::string text(path);
    std::vector<std::string> words;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find(' ', at);
        words.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    Encode(words.empty() ? "" : words[0], record);
    Encode(myCall, record + 7);
    record[14] = static_cast<std::uint8_t>(words.size() - 1);
    for (std::size_t i = 1; i < words.size(); ++i) {
        Encode(words[i], record + 40 + 7 * (i - 1));
    }
    record[17] = 0x5A; // the kernel's own mark, to be kept
    std::memcpy(gRecord, record, 128);
}
std::uint16_t l2_get_qnum(const std::uint8_t* record) {
    return record[17] == 0x5A ? 77 : 0;
}
// The QSO number tells the test the channel byte it got.
std::uint16_t l2_fconnect(const std::uint8_t* record) {
    return static_cast<std::uint16_t>(40 + record[16]);
}
char* strcall(char* text, const std::uint8_t* address) {
    std::string call;
    for (int i = 0; i < 6; ++i) {
        const char c = static_cast<char>(address[i] >> 1);
        if (c != ' ') {
            call += c;
        }
    }
    const int ssid = (address[6] >> 1) & 0x0F;
    if (ssid != 0) {
        call += "-" + std::to_string(ssid);
    }
    std::strncpy(text, call.c_str(), 15);
    text[15] = '\0';
    return text;
}
char* strpath(char* text, const std::uint8_t* record) {
    std::string path;
    for (int i = 0; i < record[14]; ++i) {
        char call[16];
        strcall(call, record + 40 + 7 * i);
        path += (path.empty() ? "" : " ") + std::string(call);
    }
    std::strncpy(text, path.c_str(), 130);
    text[130] = '\0';
    return text;
}
int l2_send_ui(const char* myCall, const char* portDest, int pid, int, int length, const char* data) {
    return std::strcmp(myCall, "DL1ABC") == 0 && std::strcmp(portDest, "0 CQ") == 0 && pid == 0xF0 &&
           std::string(data, static_cast<std::size_t>(length)) == "hi";
}
void l2_set_monitor(const std::uint8_t* setting) {
    std::int32_t all = 0;
    std::memcpy(&all, setting, 4);
    gMonitorOn = all == -1 && setting[4] == 3 ? 1 : 0;
}
int l2_chk_monitor() {
    return gMonitorOn;
}
void l2_clr_monitor() {
    gMonitorOn = 0;
}
const std::uint8_t* l2_get_monitor() {
    std::memset(gMonitor, 0, sizeof gMonitor);
    Encode("DK0XX", gMonitor);
    Encode("DL2BBB-1", gMonitor + 7);
    gMonitor[14] = 2;
    gMonitor[15] = 1;
    gMonitor[16] = 3;
    gMonitor[18] = 0xF0;
    gMonitor[19] = 10;
    gMonitor[20] = 1;
    gMonitor[21] = 1;
    gMonitor[22] = 4;
    gMonitor[23] = 5;
    gMonitor[24] = 1;
    gMonitor[25] = 2;
    const std::uint16_t length = sizeof gInfo - 1;
    std::memcpy(gMonitor + 30, &length, 2);
    const char* info = gInfo;
    std::memcpy(gMonitor + 32, &info, sizeof info);
    Encode("DB0A", gMonitor + 40);
    Encode("DB0B-2", gMonitor + 47);
    return gMonitor;
}
void l2_ack_monitor() {}

// Required, never called.
void l2_connect() {}
void l2_check_path() {}
void l2_get_ui() {}
void l2_printf() {}
void l2_puts() {}
void l2_send_char() {}
void appl_watchdog() {}
void build_call() {}
void l2_send_f() {}
void l2_set_pid() {}
void ch_state() {}
void set_chmode() {}
void set_txdelay() {}
void calibrate() {}
void get_chbaud() {}
void get_chmode() {}
void get_txdelay() {}
void get_stat() {}
void set_debug_mode() {}
#ifndef FAKE_FLEXNET_TEIL
void get_tic() {}
void flxdbg() {}
#endif
}
