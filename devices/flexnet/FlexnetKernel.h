#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// A QSO (one AX.25 link) as the kernel numbers it; 0 means none.
using FlexnetQso = std::uint16_t;

// An address record: the kernel's raw 7-byte addresses are carried as call texts ("DB0ABC-3").
struct FlexnetAdresse {
    std::string ziel;               // destination
    std::string quelle;             // source
    std::vector<std::string> digis; // digipeater path in order
    std::uint8_t kanal = 0;         // kernel channel (port number) the record belongs to
};

// One information frame: pid and its data bytes.
struct FlexnetInfo {
    std::uint8_t pid = 0xF0;
    std::string daten;
};

// One monitored frame as the kernel hands it out.
struct FlexnetMonitor {
    std::string ziel;
    std::string quelle;
    std::vector<std::string> digis; // all digipeaters of the path
    std::uint8_t digisPassiert = 0; // how many of them the frame has already passed
    std::uint8_t kanal = 0;
    std::uint8_t pid = 0;
    std::uint8_t art = 0; // 1..10 as in TMonitorFrame
    std::uint8_t pollFinal = 0;
    std::uint8_t kommando = 0;
    std::uint8_t sequenz1 = 0;
    std::uint8_t sequenz2 = 0;
    std::uint8_t dama = 0;
    std::uint8_t farbe = 0;
    std::string info;
};

// The network kernel that does the AX.25 link work for a TGeraetFlexnet. One virtual per entry point
// the device uses, named like the kernel's own calls. The device serialises every call through one
// lock, so implementations need not be thread-safe themselves.
class IFlexnetKernel {
public:
    virtual ~IFlexnetKernel() = default;

    // 0 kernel not loaded, 2 kernel with digipeater module, other non-zero kernel without it.
    virtual std::uint8_t ax_init() = 0;
    virtual void ax_exit() = 0;
    virtual std::optional<std::string> l2_version() = 0;
    // Kernel channel n (0..15) exists.
    virtual bool ch_active(int n) = 0;
    virtual std::optional<std::string> get_ident(int n) = 0;
    // code 0 state word, 1 frames outstanding, 2 maxframe, 3 tries, 4 frack.
    virtual int l2_stat(int code, FlexnetQso qso) = 0;
    // Commands: 2 accept a connect request, 3 refuse it, 4/5/6 disconnect (end/cancel/kill), 7 after
    // accepting, 15 after each received information frame, 18 before a link is saved at shut-down.
    virtual void l2_bef(int code, FlexnetQso qso) = 0;
    virtual std::optional<FlexnetAdresse> l2_get_f(FlexnetQso qso) = 0;
    virtual std::optional<FlexnetInfo> l2_get_i(FlexnetQso qso) = 0;
    // Room for an information frame of `length` bytes.
    virtual bool l2_ialloc(FlexnetQso qso, int length) = 0;
    virtual void l2_send_frame(FlexnetQso qso, const FlexnetInfo& frame) = 0;
    // The QSO of a pending connect request for the own call `call`, 0 when none.
    virtual FlexnetQso l2_get_sabm(std::string_view call) = 0;
    // Fills `record` for a connect from `myCall` along `path` ("DEST DIGI1 DIGI2" or with "via").
    virtual void build_frame(FlexnetAdresse& record, std::string_view myCall, std::string_view path) = 0;
    // An existing QSO for that address, 0 when none.
    virtual FlexnetQso l2_get_qnum(const FlexnetAdresse& record) = 0;
    // Starts the connect; 0 when it failed.
    virtual FlexnetQso l2_fconnect(const FlexnetAdresse& record) = 0;
    // An address as the kernel writes it.
    virtual std::string strcall(std::string_view address) = 0;
    // The digipeater path of a record as the kernel writes it ("" when none).
    virtual std::string strpath(const FlexnetAdresse& record) = 0;
    // `portAndDestination` is the port number, a blank and the destination ("0 CQ").
    virtual bool l2_send_ui(std::string_view myCall, std::string_view portAndDestination, std::uint8_t pid,
                            int flags, std::string_view data) = 0;
    virtual void l2_set_monitor() = 0;
    virtual bool l2_chk_monitor() = 0;
    virtual void l2_clr_monitor() = 0;
    // The next monitored frame; it stays the kernel's until l2_ack_monitor.
    virtual std::optional<FlexnetMonitor> l2_get_monitor() = 0;
    virtual void l2_ack_monitor() = 0;
};

} // namespace quarn
