// The host-mode commands of the simulated TNC: one reply for every frame of the program.
#include "tools/tncsim/TncSimCore.h"
#include "tools/tncsim/TncSimText.h"

#include <algorithm>
#include <cctype>

namespace quarn::tncsim {

namespace {

constexpr const char* kInvalidChannel = "INVALID CHANNEL NUMBER";
constexpr const char* kInvalidCommand = "INVALID COMMAND";
constexpr const char* kSimultaneous = "*** SIMULTANEOUS USE OF PACTOR AND PACKET";
constexpr const char* kAlreadyConnected = "CHANNEL ALREADY CONNECTED";
constexpr const char* kNotWhileConnected = "NOT WHILE CONNECTED";

// The firmware names the refused command by its letter.
std::string InvalidCommand(const std::string& data) {
    std::string text = kInvalidCommand;
    if (!data.empty()) {
        text += ": ";
        text += static_cast<char>(std::toupper(static_cast<unsigned char>(data[0])));
    }
    return text;
}

// The number after a command letter, or `fallback` when there is none.
int Number(const std::string& text, int fallback) {
    try {
        return text.empty() ? fallback : std::stoi(text);
    } catch (const std::exception&) {
        return fallback;
    }
}

// Parameter commands the firmware takes with a value and reports without one.
bool IsParameter(char letter) {
    return std::string_view("ABEHPQRSTUWXZ").find(letter) != std::string_view::npos;
}

} // namespace

std::optional<TncSimCore::Reply> TncSimCore::AnswerLocked(int channel, bool command,
                                                          const std::string& data) {
    if (!command) {
        if (channel > config_.channels) {
            return Reply{channel, 2, kInvalidChannel};
        }
        // Information is always taken, with or without a link.
        InformationLocked(channel, data);
        return Reply{channel, 0, {}};
    }
    const std::string upper = Upper(data);
    if (channel == 255 && upper == "G" && config_.extendedPoll) {
        return ExtendedPollLocked();
    }
    // The Pactor channel may lie above the packet channels; "%T" reaches it all the same.
    const bool pactorProbe = config_.ptc && upper == "%T" && channel <= config_.pactorChannel;
    if (channel > config_.channels && !pactorProbe) {
        return Reply{channel, 2, kInvalidChannel};
    }
    if (data.empty()) {
        return Reply{channel, 2, InvalidCommand(data)};
    }
    Reply reply = channel == 0 ? ChannelZeroLocked(data) : CommandLocked(channel, data);
    reply.channel = channel;
    return reply;
}

TncSimCore::Reply TncSimCore::CommandLocked(int channel, const std::string& data) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(data[0])));
    const std::string argument = Trim(std::string_view(data).substr(1));
    switch (letter) {
    case 'C':
        return ConnectLocked(channel, argument);
    case 'D':
        return DisconnectLocked(channel);
    case 'G':
        return PollLocked(channel, argument);
    case 'I':
        return OwnCallLocked(channel, argument);
    case 'L':
        return LinkCountsLocked(channel);
    case '%':
        return PtcLocked(channel, data);
    default:
        return ChannelZeroLocked(data);
    }
}

TncSimCore::Reply TncSimCore::OwnCallLocked(int channel, const std::string& argument) {
    Link& link = links_[static_cast<std::size_t>(channel)];
    if (argument.empty()) {
        return {channel, 1, link.ownCall};
    }
    if (channel != 0 && link.state != LinkState::Free) {
        return {channel, 2, kNotWhileConnected};
    }
    link.ownCall = Upper(argument);
    if (channel == 0) {
        // Channel 0's call is the call of every channel without a link.
        for (std::size_t other = 1; other < links_.size(); ++other) {
            if (links_[other].state == LinkState::Free) {
                links_[other].ownCall = link.ownCall;
            }
        }
    }
    return {channel, 0, {}};
}

TncSimCore::Reply TncSimCore::LinkCountsLocked(int channel) const {
    const Link& link = links_[static_cast<std::size_t>(channel)];
    int status = 0;
    int frames = 0;
    for (const Item& item : link.pending) {
        ++(item.code == 7 ? frames : status);
    }
    int state = link.forcedState;
    if (state < 0) {
        switch (link.state) {
        case LinkState::Free:
            state = 0;
            break;
        case LinkState::Setup:
            state = 1;
            break;
        case LinkState::Connected:
            state = link.remoteBusy ? 8 : 4;
            break;
        case LinkState::Disconnecting:
            state = 3;
            break;
        }
    }
    return {channel, 1,
            std::to_string(status) + " " + std::to_string(frames) + " " + std::to_string(Unsent(link)) + " " +
                std::to_string(Unacked(link)) + " " + std::to_string(Tries(link)) + " " +
                std::to_string(state)};
}

TncSimCore::Reply TncSimCore::ChannelZeroLocked(const std::string& data) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(data[0])));
    const std::string argument = Trim(std::string_view(data).substr(1));
    const std::string upper = Upper(data);
    switch (letter) {
    case 'V':
        return {0, 1, config_.version};
    case 'G':
        return PollLocked(0, argument);
    case 'C':
        if (argument.empty()) {
            return {0, 1, unprotoDestination_};
        }
        unprotoDestination_ = NormalPath(WithoutPort(argument));
        return {0, 0, {}};
    case 'D':
        return {0, 1, TncSimConfig::kNotConnected};
    case 'I':
        return OwnCallLocked(0, argument);
    case 'L': {
        int status = 0;
        int frames = 0;
        for (const Item& item : monitor_) {
            ++(item.code == 6 ? frames : status);
        }
        return {0, 1, std::to_string(status) + " " + std::to_string(frames)};
    }
    case 'M':
        if (argument.empty()) {
            return {0, 1, monitorItems_.empty() ? "N" : monitorItems_};
        }
        monitorItems_ = Upper(argument);
        if (monitorItems_.find_first_of("N-") != std::string::npos) {
            monitorItems_.clear();
        }
        return {0, 0, {}};
    case 'Y':
        if (argument.empty()) {
            return {0, 1, std::to_string(std::max(maxIncoming_, 0))};
        }
        maxIncoming_ = Number(argument, maxIncoming_);
        return {0, 0, {}};
    case 'K':
        if (argument.empty()) {
            return {0, 1, timestamps_ ? "1" : "0"};
        }
        timestamps_ = argument != "0";
        return {0, 0, {}};
    case 'F':
        if (argument.empty()) {
            return {0, 1, std::to_string(frack_)};
        }
        frack_ = std::max(1, Number(argument, frack_));
        return {0, 0, {}};
    case 'N':
        if (argument.empty()) {
            return {0, 1, std::to_string(retries_)};
        }
        retries_ = std::max(0, Number(argument, retries_));
        return {0, 0, {}};
    case 'O':
        if (argument.empty()) {
            return {0, 1, std::to_string(maxframe_)};
        }
        maxframe_ = std::clamp(Number(argument, maxframe_), 1, 7);
        return {0, 0, {}};
    case '@':
        if (upper == "@B") {
            return {0, 1, std::to_string(FreeBuffersLocked())};
        }
        return ParameterLocked(data);
    case '%':
        return PtcLocked(0, data);
    case '#':
        if (config_.ports.empty() || upper.rfind("#PORT", 0) != 0) {
            return {0, 2, InvalidCommand(data)};
        }
        return config_.ports.count(Number(upper.substr(5), -1)) > 0 ? Reply{0, 0, {}}
                                                                    : Reply{0, 2, "INVALID PORT"};
    case 'J':
        return IsJhost(data, '1') ? Reply{0, 0, {}} : Reply{0, 2, InvalidCommand(data)};
    default:
        if (IsParameter(letter)) {
            return ParameterLocked(data);
        }
        return {0, 2, InvalidCommand(data)};
    }
}

TncSimCore::Reply TncSimCore::ParameterLocked(const std::string& data) {
    const std::string key = Upper(data.substr(0, data[0] == '@' && data.size() > 1 ? 2 : 1));
    const std::string argument = Trim(std::string_view(data).substr(key.size()));
    if (argument.empty()) {
        const auto found = parameters_.find(key);
        return {0, 1, found != parameters_.end() ? found->second : "0"};
    }
    parameters_[key] = argument;
    return {0, 0, {}};
}

TncSimCore::Reply TncSimCore::PtcLocked(int channel, const std::string& data) {
    if (!config_.ptc) {
        return {channel, 2, InvalidCommand(data)};
    }
    const std::string sub = Upper(data.substr(1));
    if (sub == "T") {
        if (channel == config_.pactorChannel) {
            return {channel, 1, "PACTOR"};
        }
        return channel < config_.pactorChannel ? Reply{channel, 0, {}} : Reply{channel, 2, kInvalidChannel};
    }
    if (sub == "B") {
        return {channel, 1, config_.ptcModemText};
    }
    if (sub == "P9") {
        return config_.ptcMultiPort ? Reply{channel, 2, "INVALID PORT NUMBER"} : Reply{channel, 0, {}};
    }
    if (sub.size() == 2 && sub[0] == 'P' && std::isdigit(static_cast<unsigned char>(sub[1]))) {
        return config_.ptcPorts.count(sub[1] - '0') > 0 ? Reply{channel, 0, {}}
                                                        : Reply{channel, 2, "INVALID PORT NUMBER"};
    }
    return {channel, 0, {}};
}

TncSimCore::Reply TncSimCore::ConnectLocked(int channel, const std::string& argument) {
    Link& link = links_[static_cast<std::size_t>(channel)];
    if (argument.empty()) {
        if (config_.clashChannels.count(channel) > 0) {
            return {channel, 1, kSimultaneous};
        }
        switch (link.state) {
        case LinkState::Free:
            return {channel, 1, TncSimConfig::kNotConnected};
        case LinkState::Setup:
            if (!config_.setupAnswersTarget) {
                return {channel, 1, TncSimConfig::kNotConnected};
            }
            [[fallthrough]];
        default:
            return {channel, 1, config_.connectedPrefix + (config_.connectedBlank ? " " : "") + link.remote};
        }
    }
    if (link.state != LinkState::Free) {
        // The same station again on a standing link is taken (the firmware sends SABM anew); anything
        // else on a busy channel is refused.
        const bool again = link.state == LinkState::Connected &&
                           FirstCall(NormalPath(WithoutPort(argument))) == FirstCall(link.remote);
        if (!again) {
            return {channel, 2, kAlreadyConnected};
        }
        if (air_ != nullptr) {
            std::vector<AirFrame> out;
            link.ax.Reset(Now(), out);
            std::vector<AxEvent> none;
            AirLinkEventsLocked(channel, out, none);
        }
        return {channel, 0, {}};
    }
    if (config_.clashChannels.count(channel) > 0) {
        return {channel, 2, kSimultaneous};
    }
    // "p:" in front of the path names the radio port.
    const std::string path = NormalPath(WithoutPort(argument));
    const std::string call = FirstCall(path);
    for (std::size_t other = 1; other < links_.size(); ++other) {
        const Link& l = links_[other];
        if (static_cast<int>(other) != channel && l.state != LinkState::Free && l.ownCall == link.ownCall &&
            FirstCall(l.remote) == call) {
            return {channel, 2, "STATION ALREADY CONNECTED"};
        }
    }
    if (air_ != nullptr) {
        AirConnectLocked(channel, path);
        return {channel, 0, {}};
    }
    link.state = LinkState::Setup;
    link.remote = path;
    link.tries = 1;
    const std::uint64_t generation = ++link.generation;
    const auto found = config_.outcomes.find(call);
    const ConnectOutcome outcome = found != config_.outcomes.end() ? found->second : config_.defaultOutcome;
    // A station that never answers costs every retry before the failure shows.
    const auto delay = outcome == ConnectOutcome::LinkFailure
                           ? static_cast<std::uint32_t>((retries_ + 1) * FrackMs())
                           : config_.connectDelayMs;
    AfterLocked(delay, [this, channel, generation, outcome, path, call] {
        Link& l = links_[static_cast<std::size_t>(channel)];
        if (l.generation != generation || l.state != LinkState::Setup) {
            return;
        }
        switch (outcome) {
        case ConnectOutcome::Connected:
            l.state = LinkState::Connected;
            l.tries = 0;
            l.flowMs = Now();
            StatusLocked(channel, "CONNECTED to " + path);
            break;
        case ConnectOutcome::Busy:
            EndLinkLocked(channel, "BUSY fm " + call);
            break;
        case ConnectOutcome::LinkFailure:
            EndLinkLocked(channel, "LINK FAILURE with " + call);
            break;
        }
    });
    return {channel, 0, {}};
}

TncSimCore::Reply TncSimCore::DisconnectLocked(int channel) {
    Link& link = links_[static_cast<std::size_t>(channel)];
    if (link.state == LinkState::Free) {
        return {channel, 1, TncSimConfig::kNotConnected};
    }
    if (link.state == LinkState::Disconnecting) {
        return {channel, 0, {}};
    }
    link.state = LinkState::Disconnecting;
    if (air_ != nullptr) {
        std::vector<AirFrame> out;
        std::vector<AxEvent> events;
        link.ax.Disconnect(Now(), out, events);
        AirLinkEventsLocked(channel, out, events);
        return {channel, 0, {}};
    }
    const std::uint64_t generation = ++link.generation;
    const std::string call = FirstCall(link.remote);
    AfterLocked(config_.disconnectDelayMs, [this, channel, generation, call] {
        if (links_[static_cast<std::size_t>(channel)].generation == generation) {
            EndLinkLocked(channel, "DISCONNECTED fm " + call);
        }
    });
    return {channel, 0, {}};
}

TncSimCore::Reply TncSimCore::PollLocked(int channel, const std::string& argument) {
    std::deque<Item>& pending = channel == 0 ? monitor_ : links_[static_cast<std::size_t>(channel)].pending;
    // "G0" asks for data only, "G1" for status only.
    const auto wanted = [&](const Item& item) {
        const bool data = item.code == 6 || item.code == 7;
        return argument == "0" ? data : argument == "1" ? !data : true;
    };
    const auto found = std::find_if(pending.begin(), pending.end(), wanted);
    if (found == pending.end()) {
        return {channel, 0, {}};
    }
    Reply reply{channel, found->code, found->text};
    pending.erase(found);
    return reply;
}

TncSimCore::Reply TncSimCore::ExtendedPollLocked() {
    std::string list;
    for (std::size_t channel = 0; channel < links_.size(); ++channel) {
        const bool pending = channel == 0 ? !monitor_.empty() : !links_[channel].pending.empty();
        if (pending) {
            list += static_cast<char>(channel + 1);
        }
    }
    return {255, 1, list};
}

void TncSimCore::InformationLocked(int channel, const std::string& data) {
    if (channel == 0 && air_ != nullptr) {
        AirUiLocked(data);
        return;
    }
    if (channel == 0) {
        const std::string source = links_[0].ownCall;
        const std::string destination = unprotoDestination_.empty() ? "CQ" : unprotoDestination_;
        uiFrames_.push_back("fm " + source + " to " + destination + ": " + data);
        if (uiFrames_.size() > 1000) {
            uiFrames_.erase(uiFrames_.begin());
        }
        // The TNC shows its own UI frames in the monitor.
        MonitorLocked('U', "fm " + source + " to " + destination + " ctl UI^ pid F0", data);
        return;
    }
    Link& link = links_[static_cast<std::size_t>(channel)];
    if (link.state != LinkState::Connected) {
        return; // dropped: the firmware does not complain
    }
    if (air_ != nullptr) {
        link.ax.Queue(data);
        return;
    }
    if (link.unsent == 0 && link.unacked == 0) {
        link.flowMs = Now();
    }
    ++link.unsent;
}

} // namespace quarn::tncsim
