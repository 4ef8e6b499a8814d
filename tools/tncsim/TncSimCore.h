#pragma once

#include "platform/Clock.h"
#include "tools/tncsim/SimFrame.h"
#include "tools/tncsim/SimLink.h"
#include "tools/tncsim/TncSimConfig.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn::tncsim {

class SimAir;

enum class LinkState { Free, Setup, Connected, Disconnecting };

// One frame the program sent in host mode.
struct ReceivedFrame {
    int channel = 0;
    bool command = false;
    std::string data;
};

// What a test sees of one channel.
struct ChannelView {
    LinkState state = LinkState::Free;
    std::string ownCall;
    std::string remote;
    int unsent = 0;
    int unacked = 0;
    int pendingStatus = 0;
    int pendingData = 0;
    bool remoteBusy = false;
};

// A host-mode TNC as a byte state machine: the program's bytes go in through Feed, the TNC's come out
// through Take. It has no thread; timed events (connects, acknowledgements, disconnects) happen when a
// call finds the clock past them. All calls may come from any thread.
//
// Alone, a connect ends as the configuration says. Attached to a SimAir (SimAir::Attach), its channels
// are AX.25 links on that air: a connect reaches whoever owns the call, information goes out in frames
// within the window, and the monitor shows the frames on the air, its own ones too.
class TncSimCore final : public AirEndpoint {
public:
    // `clock` defaults to the process clock; it must outlive the core.
    explicit TncSimCore(TncSimConfig config = {}, const IClock* clock = nullptr);
    ~TncSimCore() override;
    TncSimCore(const TncSimCore&) = delete;
    TncSimCore& operator=(const TncSimCore&) = delete;

    // ---- the serial line ----
    // Returns how many whole host-mode frames the bytes completed (each is one exchange).
    int Feed(std::string_view bytes);
    // Up to `count` bytes the TNC has sent by now.
    std::string Take(std::size_t count = SIZE_MAX);
    std::size_t Available();
    // The output not yet taken is lost, as a purge of the line does.
    void DropOutput();
    // Called (outside the lock) whenever output appears; the adapters wake their readers with it.
    void SetOutputListener(std::function<void()> listener);

    // ---- the air side as a test plays it (for a TNC on no SimAir) ----
    // A remote station connects on `channel`; false when the channel is busy or "Y" forbids it.
    bool IncomingConnect(int channel, std::string_view path);
    bool RemoteData(int channel, std::string_view bytes);
    bool LinkReset(int channel, bool byRemote);
    bool FrameReject(int channel);
    bool LinkFailure(int channel);
    bool RemoteDisconnect(int channel);
    bool ConnectRequestNotice(int channel, std::string_view call);
    void SetRemoteBusy(int channel, bool busy);
    // The link state "L" reports on `channel` (0-15) from now on; -1 gives the state of the link back.
    // False for a channel that is no link or a state out of range.
    bool SetLinkState(int channel, int state);
    // A monitored frame: code 4 without information, else code 5 and code 6. Filtered by "M".
    void Monitor(std::string_view header, std::string_view info = {});
    // Monitor information without its header (code 6 alone).
    void MonitorInfoOnly(std::string_view info);

    // ---- faults ----
    void DropNextReply();
    // The next reply stops after `keep` bytes.
    void CutNextReply(std::size_t keep);
    // The next reply carries this code byte in place of its own (and nothing after it).
    void WrongCodeNextReply(std::uint8_t code);
    // These bytes go out in place of the next reply.
    void ReplaceNextReply(std::string_view bytes);
    // Bytes appear on the line as if the TNC had sent them.
    void Inject(std::string_view bytes);
    // The next `count` bytes of the program are lost on the way.
    void LoseInput(std::size_t count);
    // A silent TNC takes nothing and answers nothing.
    void SetSilent(bool silent);
    // A reset to terminal mode, as after a power cycle.
    void FallBackToTerminalMode();

    // ---- observation ----
    // The frames the program sent (the last 50,000 at least).
    std::vector<ReceivedFrame> Received() const;
    bool HasCommand(std::string_view data, int channel = -1) const;
    int CountCommand(std::string_view data, int channel = -1) const;
    // Information frames whose data starts with `prefix`.
    int CountInformation(std::string_view prefix, int channel = -1) const;
    bool InHostMode() const;
    int SwitchRequests() const;
    ChannelView Channel(int channel) const;
    std::string UnprotoDestination() const;
    // The UI frames sent on channel 0, as "fm A to B: text".
    std::vector<std::string> UiFrames() const;
    int FreeBuffers() const;
    // The time one exchange takes on the line (TncSimConfig::exchangeDelayMs); the transports wait it.
    std::uint32_t ExchangeDelayMs() const { return config_.exchangeDelayMs; }

    // ---- on an air: SimAir::Attach calls JoinAir, the rest runs with the air's lock held ----
    void OnAirFrame(const AirFrame& frame, bool own, bool heard) override;
    void OnAirTick(std::uint64_t nowMs) override;
    std::string OwnCallLocked(int channel) const;
    void JoinAir(SimAir& air);
    void LeaveAirLocked() { air_ = nullptr; }

private:
    struct Item {
        int code = 0;
        std::string text;
    };
    struct Link {
        LinkState state = LinkState::Free;
        std::string ownCall;
        std::string remote;
        std::deque<Item> pending;
        int unsent = 0;
        int unacked = 0;
        int tries = 0;
        bool remoteBusy = false;
        int forcedState = -1; // set by a test: what "L" reports in place of the link's own state
        std::uint64_t flowMs = 0;
        std::uint64_t generation = 0; // timed events of an older link do not apply
        AxLink ax;                    // the link's frames when on an air
    };
    struct Timer {
        std::uint64_t dueMs;
        std::uint64_t seq;
        std::function<void()> action;
    };
    struct Reply {
        int channel = 0;
        int code = 0;
        std::string text;
    };

    std::uint64_t Now() const;
    void RunDueLocked();
    void AfterLocked(std::uint32_t delayMs, std::function<void()> action);
    void TerminalByte(std::uint8_t byte);
    void HostByte(std::uint8_t byte);
    void FrameLocked(int channel, bool command, std::string data);
    std::optional<Reply> AnswerLocked(int channel, bool command, const std::string& data);
    Reply CommandLocked(int channel, const std::string& data);
    Reply ChannelZeroLocked(const std::string& data);
    Reply ConnectLocked(int channel, const std::string& argument);
    Reply OwnCallLocked(int channel, const std::string& argument);
    Reply LinkCountsLocked(int channel) const;
    Reply DisconnectLocked(int channel);
    Reply PollLocked(int channel, const std::string& argument);
    Reply ExtendedPollLocked();
    Reply ParameterLocked(const std::string& data);
    Reply PtcLocked(int channel, const std::string& data);
    void InformationLocked(int channel, const std::string& data);
    void EmitLocked(const Reply& reply);
    void StatusLocked(int channel, const std::string& text);
    void EndLinkLocked(int channel, const std::string& text);
    void MonitorLocked(char kind, const std::string& header, const std::string& info);
    void FlowLocked(Link& link, std::uint64_t now);
    bool ValidLink(int channel) const { return channel >= 1 && channel <= config_.channels; }
    std::string Stamp() const;
    int FreeBuffersLocked() const;
    int FrackMs() const { return config_.frackIn10ms ? frack_ * 10 : frack_ * 100; }
    void Notify();
    // The counts of "L" and "@B": of the link's frames on an air, else of the timed stand-in.
    int Unsent(const Link& link) const { return air_ != nullptr ? link.ax.Unsent() : link.unsent; }
    int Unacked(const Link& link) const { return air_ != nullptr ? link.ax.Unacked() : link.unacked; }
    int Tries(const Link& link) const { return air_ != nullptr ? link.ax.Tries() : link.tries; }
    AxParams AirParamsLocked() const;
    void AirConnectLocked(int channel, const std::string& path);
    void AirIncomingLocked(const AirFrame& frame);
    void AirLinkEventsLocked(int channel, std::vector<AirFrame>& out, std::vector<AxEvent>& events);
    void AirUiLocked(const std::string& data);

    TncSimConfig config_;
    const IClock* clock_;
    std::uint64_t startMs_;
    // Shared with the air and its other TNCs once attached: one lock for all of the air.
    std::shared_ptr<std::mutex> mutex_ = std::make_shared<std::mutex>();
    SimAir* air_ = nullptr;
    std::function<void()> listener_;
    bool outputAdded_ = false;

    bool hostMode_ = false;
    bool silent_ = false;
    int switchesLeft_ = 0;
    int switchRequests_ = 0;
    bool collecting_ = false;
    std::string line_;
    std::string frame_;
    int framesTaken_ = 0;
    std::string out_;
    std::size_t loseInput_ = 0;
    bool dropNext_ = false;
    std::optional<std::size_t> cutNext_;
    std::optional<std::uint8_t> codeNext_;
    std::optional<std::string> replaceNext_;

    std::vector<Link> links_;  // index 0: the monitor / unproto channel
    std::deque<Item> monitor_; // channel 0's pending items
    std::vector<Timer> timers_;
    std::uint64_t timerSeq_ = 0;
    std::vector<ReceivedFrame> received_;
    std::vector<std::string> uiFrames_;
    std::string unprotoDestination_;
    std::string monitorItems_ = "IUSC";
    std::map<std::string, std::string> parameters_;
    int maxIncoming_ = -1; // "Y": -1 no limit
    bool timestamps_ = false;
    int frack_ = 0; // in the firmware's unit
    int retries_ = 10;
    int maxframe_ = 7;
};

} // namespace quarn::tncsim
