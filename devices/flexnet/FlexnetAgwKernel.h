#pragma once

#include "devices/flexnet/AgwClient.h"
#include "devices/flexnet/FlexnetKernel.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace quarn {

// The FlexNet kernel's calls answered by a sound-card modem's AGW port (direwolf): the modem does the
// AX.25 link work, this class keeps the QSO numbers, link states, received frames and monitored frames
// the device asks for. The modem accepts incoming connects for registered calls by itself, so a
// "pending connect request" here is an incoming link not yet taken by the device; refusing it ends the
// link. Own calls are registered with the modem the first time the device asks for their requests.
class TFlexnetAgwKernel final : public IFlexnetKernel {
public:
    TFlexnetAgwKernel(std::string host, std::uint16_t port);
    ~TFlexnetAgwKernel() override;

    std::uint8_t ax_init() override;
    void ax_exit() override;
    std::optional<std::string> l2_version() override;
    bool ch_active(int n) override;
    std::optional<std::string> get_ident(int n) override;
    int l2_stat(int code, FlexnetQso qso) override;
    void l2_bef(int code, FlexnetQso qso) override;
    std::optional<FlexnetAdresse> l2_get_f(FlexnetQso qso) override;
    std::optional<FlexnetInfo> l2_get_i(FlexnetQso qso) override;
    bool l2_ialloc(FlexnetQso qso, int length) override;
    void l2_send_frame(FlexnetQso qso, const FlexnetInfo& frame) override;
    FlexnetQso l2_get_sabm(std::string_view call) override;
    void build_frame(FlexnetAdresse& record, std::string_view myCall, std::string_view path) override;
    FlexnetQso l2_get_qnum(const FlexnetAdresse& record) override;
    FlexnetQso l2_fconnect(const FlexnetAdresse& record) override;
    std::string strcall(std::string_view address) override;
    std::string strpath(const FlexnetAdresse& record) override;
    bool l2_send_ui(std::string_view myCall, std::string_view portAndDestination, std::uint8_t pid, int flags,
                    std::string_view data) override;
    void l2_set_monitor() override;
    bool l2_chk_monitor() override;
    void l2_clr_monitor() override;
    std::optional<FlexnetMonitor> l2_get_monitor() override;
    void l2_ack_monitor() override;

    // The modem has already answered a connect the device leaves pending ("ignore"): the station is
    // linked to nobody. Such a link is ended once a station would have given up waiting for an answer
    // to its connect; the default stands for ten tries three seconds apart.
    static constexpr std::chrono::milliseconds kIgnoriertFrist{30000};
    void SetIgnoriertFrist(std::chrono::milliseconds frist);

private:
    using Clock = std::chrono::steady_clock;
    struct Link {
        std::uint8_t port = 0;
        std::string own;
        std::string remote;
        std::vector<std::string> digis;
        int state = 0;
        bool incoming = false;
        bool offered = false;
        Clock::time_point offeredAt{};
        bool taken = false;
        bool endReported = false;
        std::deque<FlexnetInfo> received;
        int outstanding = 0;
        bool queryOpen = false;
        Clock::time_point queryAt{};
        int sentSinceQuery = 0;
    };

    void OnFrame(const AgwFrame& frame);
    void OnClosed();
    void OnConnected(const AgwFrame& frame);
    void OnDisconnected(const AgwFrame& frame);
    void OnMonitored(const AgwFrame& frame);
    Link* Find(FlexnetQso qso);
    // The live link between the own and the remote call on the port, or none.
    FlexnetQso FindLive(std::uint8_t port, std::string_view own, std::string_view remote) const;
    FlexnetQso NewQso();
    bool PortActive(int n) const;
    void SendLocked(const AgwFrame& frame);
    void DropReportedEnds(FlexnetQso keep);
    void EndIgnoredLocked();

    std::string host_;
    std::uint16_t port_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    std::optional<std::string> version_;
    // The modem's ports by number, none for a gap; none at all before the modem listed them.
    std::optional<std::vector<std::optional<std::string>>> ports_;
    std::map<FlexnetQso, Link> links_;
    FlexnetQso lastQso_ = 0;
    std::set<std::string> registered_;
    bool monitorOn_ = false;
    std::deque<FlexnetMonitor> monitored_;
    // How the link of each station pair ("A>B" both ways) counts, once known: true modulo 128. For
    // reading their I and S frames.
    std::map<std::string, bool> modulo128Pairs_;
    std::chrono::milliseconds ignoriertFrist_ = kIgnoriertFrist;
    // Last: its reader thread ends before the state above goes away.
    AgwClient client_;
};

// The kernel over a modem's AGW port, for the FlexNet device's modem choice; none for a port number
// outside 1..65535. Nothing is connected before ax_init.
std::unique_ptr<IFlexnetKernel> MakeFlexnetAgwKernel(const std::string& host, int port);

} // namespace quarn
