// The simulated TNC's channels as AX.25 links on a shared air.
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"
#include "tools/tncsim/TncSimText.h"

#include <algorithm>

namespace quarn::tncsim {

void TncSimCore::JoinAir(SimAir& air) {
    // Before the core is used: from here on the air's lock guards it.
    air_ = &air;
    mutex_ = air.Mutex();
}

std::string TncSimCore::OwnCallLocked(int channel) const {
    return channel >= 0 && channel < static_cast<int>(links_.size())
               ? links_[static_cast<std::size_t>(channel)].ownCall
               : std::string();
}

AxParams TncSimCore::AirParamsLocked() const {
    return {static_cast<std::uint32_t>(FrackMs()), retries_, maxframe_};
}

void TncSimCore::AirLinkEventsLocked(int channel, std::vector<AirFrame>& out, std::vector<AxEvent>& events) {
    for (AirFrame& frame : out) {
        air_->TransmitLocked(this, std::move(frame));
    }
    out.clear();
    Link& link = links_[static_cast<std::size_t>(channel)];
    const std::string peer = link.ax.Peer();
    for (AxEvent& event : events) {
        switch (event.type) {
        case AxEventType::Connected:
            link.state = LinkState::Connected;
            StatusLocked(channel, "CONNECTED to " + link.remote);
            break;
        case AxEventType::Data:
            link.pending.push_back({7, std::move(event.data)});
            break;
        case AxEventType::Reset:
            StatusLocked(channel, "LINK RESET fm " + peer);
            break;
        case AxEventType::Disconnected:
            EndLinkLocked(channel, "DISCONNECTED fm " + peer);
            break;
        case AxEventType::Busy:
            EndLinkLocked(channel, "BUSY fm " + peer);
            break;
        case AxEventType::Failure:
            EndLinkLocked(channel, "LINK FAILURE with " + peer);
            break;
        }
    }
    events.clear();
}

void TncSimCore::AirConnectLocked(int channel, const std::string& path) {
    Link& link = links_[static_cast<std::size_t>(channel)];
    link.state = LinkState::Setup;
    link.remote = path;
    ++link.generation;
    std::vector<AirFrame> out;
    std::vector<AxEvent> events;
    // No digipeaters on this air: the first call of the path is the station itself.
    link.ax.Connect(link.ownCall, FirstCall(path), AirParamsLocked(), Now(), out);
    AirLinkEventsLocked(channel, out, events);
}

void TncSimCore::AirUiLocked(const std::string& data) {
    AirFrame frame;
    frame.from = links_[0].ownCall;
    frame.to = unprotoDestination_.empty() ? "CQ" : FirstCall(unprotoDestination_);
    frame.type = FrameType::UI;
    frame.info = data;
    uiFrames_.push_back("fm " + frame.from + " to " + frame.to + ": " + data);
    if (uiFrames_.size() > 1000) {
        uiFrames_.erase(uiFrames_.begin());
    }
    // Shown in our monitor when it has gone out, like every frame on the air.
    air_->TransmitLocked(this, std::move(frame));
}

void TncSimCore::AirIncomingLocked(const AirFrame& frame) {
    const auto owns = [&](const Link& l) { return l.ownCall == frame.to; };
    if (!std::any_of(links_.begin(), links_.end(), owns)) {
        return; // not ours
    }
    const auto busy = std::count_if(links_.begin() + 1, links_.end(),
                                    [](const Link& l) { return l.state != LinkState::Free; });
    const auto free = std::find_if(links_.begin() + 1, links_.end(),
                                   [&](const Link& l) { return l.state == LinkState::Free && owns(l); });
    if (free == links_.end() || (maxIncoming_ >= 0 && busy >= maxIncoming_)) {
        AirFrame refusal;
        refusal.from = frame.to;
        refusal.to = frame.from;
        refusal.type = FrameType::DM;
        refusal.command = false;
        refusal.pollFinal = true;
        air_->TransmitLocked(this, std::move(refusal));
        return;
    }
    const int channel = static_cast<int>(free - links_.begin());
    Link& link = *free;
    link.state = LinkState::Connected;
    link.remote = frame.from;
    ++link.generation;
    std::vector<AirFrame> out;
    std::vector<AxEvent> events;
    link.ax.Accept(frame.to, frame.from, AirParamsLocked(), Now(), out);
    AirLinkEventsLocked(channel, out, events);
    StatusLocked(channel, "CONNECTED to " + link.remote);
}

void TncSimCore::OnAirFrame(const AirFrame& frame, bool own, bool heard) {
    const std::string header = MonitorHeader(frame);
    const bool withInfo = frame.type == FrameType::I || frame.type == FrameType::UI;
    MonitorLocked(FrameKind(header), header, withInfo ? frame.info : std::string());
    if (own || !heard || frame.type == FrameType::UI) {
        return;
    }
    for (std::size_t channel = 1; channel < links_.size(); ++channel) {
        Link& link = links_[channel];
        if (link.ax.State() != AxState::Free && link.ax.Me() == frame.to && link.ax.Peer() == frame.from) {
            std::vector<AirFrame> out;
            std::vector<AxEvent> events;
            link.ax.Receive(frame, Now(), out, events);
            AirLinkEventsLocked(static_cast<int>(channel), out, events);
            return;
        }
    }
    if (frame.type == FrameType::SABM) {
        AirIncomingLocked(frame);
        return;
    }
    const bool ours =
        std::any_of(links_.begin(), links_.end(), [&](const Link& l) { return l.ownCall == frame.to; });
    if (ours && (frame.type == FrameType::DISC || frame.type == FrameType::I)) {
        // A link we no longer have (our UA went missing): say so, and the other side lets go.
        AirFrame answer;
        answer.from = frame.to;
        answer.to = frame.from;
        answer.type = FrameType::DM;
        answer.command = false;
        answer.pollFinal = true;
        air_->TransmitLocked(this, std::move(answer));
    }
}

void TncSimCore::OnAirTick(std::uint64_t nowMs) {
    for (std::size_t channel = 1; channel < links_.size(); ++channel) {
        Link& link = links_[channel];
        if (link.ax.State() == AxState::Free) {
            continue;
        }
        std::vector<AirFrame> out;
        std::vector<AxEvent> events;
        link.ax.Tick(nowMs, air_->InFlightLocked(link.ax.Peer(), link.ax.Me()),
                     air_->InFlightLocked(link.ax.Me(), link.ax.Peer()), out, events);
        AirLinkEventsLocked(static_cast<int>(channel), out, events);
    }
}

} // namespace quarn::tncsim
