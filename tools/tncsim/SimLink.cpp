#include "tools/tncsim/SimLink.h"

namespace quarn::tncsim {

AirFrame AxLink::Make(FrameType type, bool command, bool pollFinal) const {
    AirFrame frame;
    frame.from = me_;
    frame.to = peer_;
    frame.type = type;
    frame.command = command;
    frame.pollFinal = pollFinal;
    frame.nr = vr_;
    return frame;
}

void AxLink::Connect(const std::string& me, const std::string& peer, const AxParams& params,
                     std::uint64_t nowMs, std::vector<AirFrame>& out) {
    *this = AxLink{};
    me_ = me;
    peer_ = peer;
    params_ = params;
    state_ = AxState::Setup;
    out.push_back(Make(FrameType::SABM, true, true));
    StartTimer(nowMs);
}

void AxLink::Accept(const std::string& me, const std::string& peer, const AxParams& params,
                    std::uint64_t /*nowMs*/, std::vector<AirFrame>& out) {
    *this = AxLink{};
    me_ = me;
    peer_ = peer;
    params_ = params;
    state_ = AxState::Connected;
    out.push_back(Make(FrameType::UA, false, true));
}

void AxLink::Reset(std::uint64_t nowMs, std::vector<AirFrame>& out) {
    if (state_ != AxState::Connected) {
        return;
    }
    // Whatever the peer has not confirmed is sent again on the new link.
    unsent_.insert(unsent_.begin(), unacked_.begin(), unacked_.end());
    unacked_.clear();
    va_ = vr_ = 0;
    tries_ = 0;
    ackPending_ = false;
    resetting_ = true;
    out.push_back(Make(FrameType::SABM, true, true));
    StartTimer(nowMs);
}

void AxLink::Disconnect(std::uint64_t nowMs, std::vector<AirFrame>& out, std::vector<AxEvent>& events) {
    switch (state_) {
    case AxState::Free:
    case AxState::Disconnecting:
        return;
    case AxState::Setup:
        out.push_back(Make(FrameType::DISC, true, true));
        End(AxEventType::Disconnected, events);
        return;
    case AxState::Connected:
        disconnectWanted_ = true;
        Tick(nowMs, false, false, out, events);
        return;
    }
}

void AxLink::End(AxEventType why, std::vector<AxEvent>& events) {
    const std::string me = me_;
    const std::string peer = peer_;
    *this = AxLink{};
    me_ = me;
    peer_ = peer;
    events.push_back({why, {}});
}

void AxLink::Acknowledge(int nr, std::uint64_t nowMs) {
    const int count = (nr - va_ + 8) % 8;
    if (count > static_cast<int>(unacked_.size())) {
        return; // a number we never sent: ignored
    }
    for (int i = 0; i < count; ++i) {
        unacked_.pop_front();
    }
    va_ = nr;
    if (count > 0) {
        tries_ = 0;
        t1DueMs_ = unacked_.empty() ? 0 : nowMs + params_.frackMs;
    }
}

void AxLink::Resend(std::vector<AirFrame>& out) {
    for (std::size_t i = 0; i < unacked_.size(); ++i) {
        AirFrame frame = Make(FrameType::I, true, i + 1 == unacked_.size());
        frame.ns = (va_ + static_cast<int>(i)) % 8;
        frame.info = unacked_[i];
        out.push_back(std::move(frame));
    }
    ackPending_ = false;
}

void AxLink::Receive(const AirFrame& frame, std::uint64_t nowMs, std::vector<AirFrame>& out,
                     std::vector<AxEvent>& events) {
    switch (frame.type) {
    case FrameType::SABM:
        if (state_ == AxState::Setup) {
            // Both ends called at once: one link.
            out.push_back(Make(FrameType::UA, false, true));
            state_ = AxState::Connected;
            t1DueMs_ = 0;
            events.push_back({AxEventType::Connected, {}});
        } else if (state_ == AxState::Connected) {
            // A SABM on a standing link resets it, also when it is only our UA that went missing: the
            // firmware cannot tell the two apart either.
            unsent_.insert(unsent_.begin(), unacked_.begin(), unacked_.end());
            unacked_.clear();
            va_ = vr_ = 0;
            tries_ = 0;
            t1DueMs_ = 0;
            resetting_ = false;
            ackPending_ = false;
            events.push_back({AxEventType::Reset, {}});
            out.push_back(Make(FrameType::UA, false, true));
        } else if (state_ == AxState::Disconnecting) {
            out.push_back(Make(FrameType::DM, false, true));
        }
        return;
    case FrameType::UA:
        if (state_ == AxState::Setup) {
            state_ = AxState::Connected;
            t1DueMs_ = 0;
            tries_ = 0;
            events.push_back({AxEventType::Connected, {}});
        } else if (state_ == AxState::Connected && resetting_) {
            resetting_ = false;
            t1DueMs_ = 0;
            tries_ = 0;
        } else if (state_ == AxState::Disconnecting) {
            End(AxEventType::Disconnected, events);
        }
        return;
    case FrameType::DM:
        if (state_ == AxState::Setup) {
            End(AxEventType::Busy, events);
        } else if (state_ != AxState::Free) {
            End(AxEventType::Disconnected, events);
        }
        return;
    case FrameType::DISC:
        if (state_ != AxState::Free) {
            out.push_back(Make(FrameType::UA, false, true));
            End(AxEventType::Disconnected, events);
        }
        return;
    case FrameType::I:
        if (state_ != AxState::Connected || resetting_) {
            return;
        }
        Acknowledge(frame.nr, nowMs);
        if (frame.ns == vr_) {
            vr_ = (vr_ + 1) % 8;
            events.push_back({AxEventType::Data, frame.info});
        }
        // Out of order or again: dropped, and the expected number said once more.
        if (frame.pollFinal) {
            out.push_back(Make(FrameType::RR, false, true));
            ackPending_ = false;
        } else {
            ackPending_ = true;
        }
        return;
    case FrameType::RR:
        if (state_ == AxState::Connected && !resetting_) {
            Acknowledge(frame.nr, nowMs);
        }
        return;
    case FrameType::UI:
        return;
    }
}

void AxLink::Tick(std::uint64_t nowMs, bool peerSending, bool selfSending, std::vector<AirFrame>& out,
                  std::vector<AxEvent>& events) {
    if (state_ == AxState::Free) {
        return;
    }
    if (selfSending && t1DueMs_ != 0) {
        StartTimer(nowMs);
    }
    if (t1DueMs_ != 0 && nowMs >= t1DueMs_) {
        if (tries_ >= params_.retries) {
            End(state_ == AxState::Disconnecting ? AxEventType::Disconnected : AxEventType::Failure, events);
            return;
        }
        ++tries_;
        // From when it ran out, so a late look does not stretch the retries.
        t1DueMs_ += params_.frackMs;
        if (state_ == AxState::Setup || resetting_) {
            out.push_back(Make(FrameType::SABM, true, true));
        } else if (state_ == AxState::Disconnecting) {
            out.push_back(Make(FrameType::DISC, true, true));
        } else {
            Resend(out);
        }
    }
    if (state_ != AxState::Connected || resetting_) {
        return;
    }
    bool sent = false;
    while (static_cast<int>(unacked_.size()) < params_.maxframe && !unsent_.empty()) {
        AirFrame frame = Make(FrameType::I, true, false);
        frame.ns = (va_ + static_cast<int>(unacked_.size())) % 8;
        frame.info = std::move(unsent_.front());
        unsent_.pop_front();
        unacked_.push_back(frame.info);
        out.push_back(std::move(frame));
        sent = true;
    }
    if (sent) {
        ackPending_ = false; // the frames carry the receive number
        if (t1DueMs_ == 0) {
            StartTimer(nowMs);
        }
    }
    if (ackPending_ && !peerSending) {
        out.push_back(Make(FrameType::RR, false, false));
        ackPending_ = false;
    }
    if (disconnectWanted_ && unsent_.empty() && unacked_.empty()) {
        disconnectWanted_ = false;
        state_ = AxState::Disconnecting;
        tries_ = 0;
        out.push_back(Make(FrameType::DISC, true, true));
        StartTimer(nowMs);
    }
}

} // namespace quarn::tncsim
