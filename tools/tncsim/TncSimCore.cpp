#include "tools/tncsim/TncSimCore.h"

#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimText.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace quarn::tncsim {

namespace {

constexpr std::string_view kChatter = "cmd:*** Connected to NOCALL\r";
// A simulator left running for hours keeps only the recent part of its logs.
constexpr std::size_t kLogLimit = 100000;
// Monitor items a TNC keeps for a program that does not fetch them.
constexpr std::size_t kMonitorLimit = 4000;

template <typename T> void Bound(std::vector<T>& log) {
    if (log.size() > kLogLimit) {
        log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(kLogLimit / 2));
    }
}

} // namespace

TncSimCore::TncSimCore(TncSimConfig config, const IClock* clock)
    : config_(std::move(config)), clock_(clock != nullptr ? clock : &Clock()) {
    // Channel 255 is a link too where the extended poll is off (or every channel is valid).
    config_.channels = config_.everyChannelValid ? 255 : std::clamp(config_.channels, 1, 255);
    startMs_ = clock_->NowMs();
    hostMode_ = config_.startInHostMode;
    switchesLeft_ = config_.ignoreSwitches;
    frack_ = config_.frackIn10ms ? 400 : 40;
    links_.resize(static_cast<std::size_t>(config_.channels) + 1);
    for (Link& link : links_) {
        link.ownCall = config_.ownCall;
    }
}

TncSimCore::~TncSimCore() {
    const std::lock_guard lock(*mutex_);
    if (air_ != nullptr) {
        air_->DetachLocked(this);
    }
}

std::uint64_t TncSimCore::Now() const {
    return clock_->NowMs();
}

void TncSimCore::Notify() {
    std::function<void()> listener;
    {
        const std::lock_guard lock(*mutex_);
        if (!std::exchange(outputAdded_, false)) {
            return;
        }
        listener = listener_;
    }
    if (listener) {
        listener();
    }
}

void TncSimCore::SetOutputListener(std::function<void()> listener) {
    const std::lock_guard lock(*mutex_);
    listener_ = std::move(listener);
}

// ---- the serial line ----

int TncSimCore::Feed(std::string_view bytes) {
    int frames = 0;
    {
        const std::lock_guard lock(*mutex_);
        RunDueLocked();
        framesTaken_ = 0;
        for (char c : bytes) {
            if (silent_) {
                break;
            }
            if (loseInput_ > 0) {
                --loseInput_;
                continue;
            }
            const auto byte = static_cast<std::uint8_t>(c);
            hostMode_ ? HostByte(byte) : TerminalByte(byte);
        }
        frames = framesTaken_;
    }
    Notify();
    return frames;
}

std::string TncSimCore::Take(std::size_t count) {
    const std::lock_guard lock(*mutex_);
    RunDueLocked();
    if (silent_) {
        return {};
    }
    if (!hostMode_ && config_.chatter && out_.size() < count) {
        const std::size_t want = std::min<std::size_t>(count, 4096);
        while (out_.size() < want) {
            out_ += kChatter;
        }
    }
    std::string bytes = out_.substr(0, count);
    out_.erase(0, bytes.size());
    return bytes;
}

std::size_t TncSimCore::Available() {
    const std::lock_guard lock(*mutex_);
    RunDueLocked();
    if (silent_) {
        return 0;
    }
    return !hostMode_ && config_.chatter ? std::max<std::size_t>(out_.size(), 1) : out_.size();
}

void TncSimCore::DropOutput() {
    const std::lock_guard lock(*mutex_);
    out_.clear();
}

// ---- terminal mode ----

void TncSimCore::TerminalByte(std::uint8_t byte) {
    const auto echo = [this](std::string_view text) {
        if (config_.echo) {
            out_ += text;
            outputAdded_ = true;
        }
    };
    switch (byte) {
    case 0x11: // XON
        return;
    case 0x18: // CAN: the line shown as a dot that is rubbed out again
        line_.clear();
        echo(".\b \b");
        return;
    case 0x1b:
        line_.clear();
        collecting_ = true;
        echo("* ");
        return;
    case '\r': {
        echo("\r\n");
        const bool request = collecting_ && IsJhost(line_, '1');
        collecting_ = false;
        line_.clear();
        if (request) {
            ++switchRequests_;
            if (switchesLeft_ > 0) {
                --switchesLeft_;
            } else {
                hostMode_ = true;
                frame_.clear();
            }
        }
        return;
    }
    default:
        if (!(byte == 0x01 && config_.quietSoh)) {
            echo(std::string_view(reinterpret_cast<const char*>(&byte), 1));
        }
        if (collecting_ && line_.size() < 256) {
            line_ += static_cast<char>(byte);
        }
    }
}

// ---- host mode ----

void TncSimCore::HostByte(std::uint8_t byte) {
    frame_ += static_cast<char>(byte);
    if (frame_.size() < 3) {
        return;
    }
    const std::size_t length = static_cast<std::uint8_t>(frame_[2]) + 1u;
    if (frame_.size() < 3 + length) {
        return;
    }
    const int channel = static_cast<std::uint8_t>(frame_[0]);
    const bool command = frame_[1] != 0;
    std::string data = frame_.substr(3);
    frame_.clear();
    ++framesTaken_;
    FrameLocked(channel, command, std::move(data));
}

void TncSimCore::FrameLocked(int channel, bool command, std::string data) {
    received_.push_back({channel, command, data});
    Bound(received_);
    if (command && channel == 0 && IsJhost(data, '0')) {
        // The firmware still acknowledges it, then speaks terminal mode.
        EmitLocked({0, 0, {}});
        hostMode_ = false;
        collecting_ = false;
        line_.clear();
        return;
    }
    if (const auto reply = AnswerLocked(channel, command, data)) {
        EmitLocked(*reply);
    }
}

void TncSimCore::EmitLocked(const Reply& reply) {
    std::string bytes;
    bytes += static_cast<char>(reply.channel);
    bytes += static_cast<char>(reply.code);
    if (reply.code >= 1 && reply.code <= 5) {
        bytes += reply.text;
        bytes += '\0';
    } else if (reply.code == 6 || reply.code == 7) {
        bytes += static_cast<char>(reply.text.size() - 1);
        bytes += reply.text;
    }
    if (std::exchange(dropNext_, false)) {
        return;
    }
    if (auto replacement = std::exchange(replaceNext_, std::nullopt)) {
        bytes = std::move(*replacement);
    }
    if (const auto code = std::exchange(codeNext_, std::nullopt)) {
        bytes.resize(1);
        bytes += static_cast<char>(*code);
    }
    if (const auto keep = std::exchange(cutNext_, std::nullopt)) {
        bytes.resize(std::min(bytes.size(), *keep));
    }
    out_ += bytes;
    outputAdded_ = true;
}

// ---- timed events ----

void TncSimCore::AfterLocked(std::uint32_t delayMs, std::function<void()> action) {
    timers_.push_back({Now() + delayMs, timerSeq_++, std::move(action)});
}

void TncSimCore::RunDueLocked() {
    const std::uint64_t now = Now();
    for (;;) {
        auto due = std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
            return a.dueMs != b.dueMs ? a.dueMs < b.dueMs : a.seq < b.seq;
        });
        if (due == timers_.end() || due->dueMs > now) {
            break;
        }
        const std::function<void()> action = std::move(due->action);
        timers_.erase(due);
        action();
    }
    for (Link& link : links_) {
        FlowLocked(link, now);
    }
    if (air_ != nullptr) {
        air_->RunLocked();
    }
}

void TncSimCore::FlowLocked(Link& link, std::uint64_t now) {
    if (air_ != nullptr) {
        return; // the air moves the frames
    }
    if (link.state != LinkState::Connected || config_.ackDelayMs == 0) {
        link.flowMs = now;
        return;
    }
    // Each step acknowledges the window in flight and sends the next one.
    while (now - link.flowMs >= config_.ackDelayMs) {
        link.flowMs += config_.ackDelayMs;
        if (link.remoteBusy || (link.unsent == 0 && (link.unacked == 0 || config_.neverAck))) {
            link.flowMs = now;
            break;
        }
        if (!config_.neverAck) {
            link.unacked = 0;
        }
        const int move = std::min(link.unsent, std::max(0, maxframe_ - link.unacked));
        link.unsent -= move;
        link.unacked += move;
        link.tries = link.unacked > 0 ? 1 : 0;
    }
}

std::string TncSimCore::Stamp() const {
    if (!timestamps_) {
        return {};
    }
    // The firmware's clock runs from power-on and has no date set.
    const std::uint64_t seconds = (Now() - startMs_) / 1000;
    char text[32];
    std::snprintf(text, sizeof text, " - 00/00/00 %02u:%02u:%02u", static_cast<unsigned>(seconds / 3600 % 24),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return text;
}

void TncSimCore::StatusLocked(int channel, const std::string& text) {
    links_[static_cast<std::size_t>(channel)].pending.push_back(
        {3, "(" + std::to_string(channel) + ") " + text + Stamp()});
}

void TncSimCore::EndLinkLocked(int channel, const std::string& text) {
    StatusLocked(channel, text);
    Link& link = links_[static_cast<std::size_t>(channel)];
    link.state = LinkState::Free;
    link.remote.clear();
    link.unsent = 0;
    link.unacked = 0;
    link.tries = 0;
    link.remoteBusy = false;
    link.ax = AxLink{};
    // A channel without a link speaks with channel 0's call again.
    link.ownCall = links_[0].ownCall;
    ++link.generation;
}

void TncSimCore::MonitorLocked(char kind, const std::string& header, const std::string& info) {
    if (monitorItems_.find(kind) == std::string::npos) {
        return;
    }
    if (info.empty()) {
        monitor_.push_back({4, header});
    } else {
        monitor_.push_back({5, header});
        monitor_.push_back({6, info.substr(0, 256)});
    }
    // Nobody polling (terminal mode, or no program at all) while beacons go on: the oldest frames make
    // room, as in a TNC whose buffers are full. A header goes with its information.
    while (monitor_.size() > kMonitorLimit) {
        monitor_.pop_front();
        if (!monitor_.empty() && monitor_.front().code == 6) {
            monitor_.pop_front();
        }
    }
}

// ---- the air side ----

bool TncSimCore::IncomingConnect(int channel, std::string_view path) {
    const std::lock_guard lock(*mutex_);
    RunDueLocked();
    if (!ValidLink(channel) || links_[static_cast<std::size_t>(channel)].state != LinkState::Free) {
        return false;
    }
    if (maxIncoming_ >= 0) {
        const auto busy = std::count_if(links_.begin() + 1, links_.end(),
                                        [](const Link& l) { return l.state != LinkState::Free; });
        if (busy >= maxIncoming_) {
            return false;
        }
    }
    Link& link = links_[static_cast<std::size_t>(channel)];
    link.state = LinkState::Connected;
    link.remote = NormalPath(path);
    link.flowMs = Now();
    ++link.generation;
    StatusLocked(channel, "CONNECTED to " + link.remote);
    return true;
}

bool TncSimCore::RemoteData(int channel, std::string_view bytes) {
    const std::lock_guard lock(*mutex_);
    RunDueLocked();
    if (!ValidLink(channel) || links_[static_cast<std::size_t>(channel)].state != LinkState::Connected ||
        bytes.empty()) {
        return false;
    }
    for (std::size_t at = 0; at < bytes.size(); at += 256) {
        links_[static_cast<std::size_t>(channel)].pending.push_back({7, std::string(bytes.substr(at, 256))});
    }
    return true;
}

bool TncSimCore::LinkReset(int channel, bool byRemote) {
    const std::lock_guard lock(*mutex_);
    if (!ValidLink(channel) || links_[static_cast<std::size_t>(channel)].state != LinkState::Connected) {
        return false;
    }
    const std::string call = FirstCall(links_[static_cast<std::size_t>(channel)].remote);
    StatusLocked(channel, std::string(byRemote ? "LINK RESET fm " : "LINK RESET to ") + call);
    return true;
}

bool TncSimCore::FrameReject(int channel) {
    const std::lock_guard lock(*mutex_);
    if (!ValidLink(channel) || links_[static_cast<std::size_t>(channel)].state != LinkState::Connected) {
        return false;
    }
    StatusLocked(channel, "FRAME REJECT fm " + FirstCall(links_[static_cast<std::size_t>(channel)].remote));
    return true;
}

bool TncSimCore::LinkFailure(int channel) {
    const std::lock_guard lock(*mutex_);
    if (!ValidLink(channel) || links_[static_cast<std::size_t>(channel)].state == LinkState::Free) {
        return false;
    }
    EndLinkLocked(channel,
                  "LINK FAILURE with " + FirstCall(links_[static_cast<std::size_t>(channel)].remote));
    return true;
}

bool TncSimCore::RemoteDisconnect(int channel) {
    const std::lock_guard lock(*mutex_);
    if (!ValidLink(channel) || links_[static_cast<std::size_t>(channel)].state == LinkState::Free) {
        return false;
    }
    EndLinkLocked(channel, "DISCONNECTED fm " + FirstCall(links_[static_cast<std::size_t>(channel)].remote));
    return true;
}

bool TncSimCore::ConnectRequestNotice(int channel, std::string_view call) {
    const std::lock_guard lock(*mutex_);
    if (!ValidLink(channel)) {
        return false;
    }
    StatusLocked(channel, "CONNECT REQUEST fm " + std::string(call));
    return true;
}

void TncSimCore::SetRemoteBusy(int channel, bool busy) {
    const std::lock_guard lock(*mutex_);
    if (ValidLink(channel)) {
        RunDueLocked();
        links_[static_cast<std::size_t>(channel)].remoteBusy = busy;
    }
}

bool TncSimCore::SetLinkState(int channel, int state) {
    const std::lock_guard lock(*mutex_);
    if (!ValidLink(channel) || state < -1 || state > 15) {
        return false;
    }
    links_[static_cast<std::size_t>(channel)].forcedState = state;
    return true;
}

void TncSimCore::Monitor(std::string_view header, std::string_view info) {
    const std::lock_guard lock(*mutex_);
    MonitorLocked(FrameKind(header), std::string(header), std::string(info));
}

void TncSimCore::MonitorInfoOnly(std::string_view info) {
    const std::lock_guard lock(*mutex_);
    if (!info.empty()) {
        monitor_.push_back({6, std::string(info.substr(0, 256))});
    }
}

// ---- faults ----

void TncSimCore::DropNextReply() {
    const std::lock_guard lock(*mutex_);
    dropNext_ = true;
}

void TncSimCore::CutNextReply(std::size_t keep) {
    const std::lock_guard lock(*mutex_);
    cutNext_ = keep;
}

void TncSimCore::WrongCodeNextReply(std::uint8_t code) {
    const std::lock_guard lock(*mutex_);
    codeNext_ = code;
}

void TncSimCore::ReplaceNextReply(std::string_view bytes) {
    const std::lock_guard lock(*mutex_);
    replaceNext_ = std::string(bytes);
}

void TncSimCore::Inject(std::string_view bytes) {
    {
        const std::lock_guard lock(*mutex_);
        out_ += bytes;
        outputAdded_ = !bytes.empty();
    }
    Notify();
}

void TncSimCore::LoseInput(std::size_t count) {
    const std::lock_guard lock(*mutex_);
    loseInput_ = count;
}

void TncSimCore::SetSilent(bool silent) {
    const std::lock_guard lock(*mutex_);
    silent_ = silent;
}

void TncSimCore::FallBackToTerminalMode() {
    const std::lock_guard lock(*mutex_);
    hostMode_ = false;
    frame_.clear();
    collecting_ = false;
    line_.clear();
}

// ---- observation ----

std::vector<ReceivedFrame> TncSimCore::Received() const {
    const std::lock_guard lock(*mutex_);
    return received_;
}

int TncSimCore::CountCommand(std::string_view data, int channel) const {
    const std::lock_guard lock(*mutex_);
    return static_cast<int>(std::count_if(received_.begin(), received_.end(), [&](const ReceivedFrame& f) {
        return f.command && f.data == data && (channel < 0 || f.channel == channel);
    }));
}

int TncSimCore::CountInformation(std::string_view prefix, int channel) const {
    const std::lock_guard lock(*mutex_);
    return static_cast<int>(std::count_if(received_.begin(), received_.end(), [&](const ReceivedFrame& f) {
        return !f.command && f.data.starts_with(prefix) && (channel < 0 || f.channel == channel);
    }));
}

bool TncSimCore::HasCommand(std::string_view data, int channel) const {
    return CountCommand(data, channel) > 0;
}

bool TncSimCore::InHostMode() const {
    const std::lock_guard lock(*mutex_);
    return hostMode_;
}

int TncSimCore::SwitchRequests() const {
    const std::lock_guard lock(*mutex_);
    return switchRequests_;
}

ChannelView TncSimCore::Channel(int channel) const {
    const std::lock_guard lock(*mutex_);
    ChannelView view;
    if (channel < 0 || channel > config_.channels) {
        return view;
    }
    const Link& link = links_[static_cast<std::size_t>(channel)];
    const std::deque<Item>& pending = channel == 0 ? monitor_ : link.pending;
    view.state = link.state;
    view.ownCall = link.ownCall;
    view.remote = link.remote;
    view.unsent = Unsent(link);
    view.unacked = Unacked(link);
    view.remoteBusy = link.remoteBusy;
    for (const Item& item : pending) {
        ++(item.code == 6 || item.code == 7 ? view.pendingData : view.pendingStatus);
    }
    return view;
}

std::string TncSimCore::UnprotoDestination() const {
    const std::lock_guard lock(*mutex_);
    return unprotoDestination_;
}

std::vector<std::string> TncSimCore::UiFrames() const {
    const std::lock_guard lock(*mutex_);
    return uiFrames_;
}

int TncSimCore::FreeBuffers() const {
    const std::lock_guard lock(*mutex_);
    return FreeBuffersLocked();
}

int TncSimCore::FreeBuffersLocked() const {
    int queued = 0;
    for (const Link& link : links_) {
        queued += Unsent(link) + Unacked(link);
    }
    return std::max(0, config_.freeBuffers - config_.buffersPerFrame * queued);
}

} // namespace quarn::tncsim
