#pragma once

#include "tools/tncsim/SimFrame.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace quarn::tncsim {

enum class AxState { Free, Setup, Connected, Disconnecting };

// What a link tells its owner (a TNC channel or a simulated station).
enum class AxEventType { Connected, Data, Reset, Disconnected, Busy, Failure };

struct AxEvent {
    AxEventType type;
    std::string data; // Data only
};

struct AxParams {
    std::uint32_t frackMs = 3000;
    int retries = 10;
    int maxframe = 7;
};

// One end of an AX.25 link, reduced to what the simulated air needs: set-up with SABM/UA, refusal with
// DM, information frames numbered modulo 8 within the window, acknowledged by RR (or by the numbers of
// the other side's frames), re-sent from the first unacknowledged one when FRACK runs out, and the link
// given up after the retries. Frames to send go to `out`, what the owner must know to `events`.
class AxLink {
public:
    AxState State() const { return state_; }
    const std::string& Me() const { return me_; }
    const std::string& Peer() const { return peer_; }
    // A SABM anew on a standing link is waiting for its UA.
    bool Resetting() const { return resetting_; }
    int Unsent() const { return static_cast<int>(unsent_.size()); }
    int Unacked() const { return static_cast<int>(unacked_.size()); }
    int Tries() const { return tries_; }

    void Connect(const std::string& me, const std::string& peer, const AxParams& params, std::uint64_t nowMs,
                 std::vector<AirFrame>& out);
    // An incoming SABM taken: UA.
    void Accept(const std::string& me, const std::string& peer, const AxParams& params, std::uint64_t nowMs,
                std::vector<AirFrame>& out);
    // SABM on a standing link; the frames not yet acknowledged go out again afterwards.
    void Reset(std::uint64_t nowMs, std::vector<AirFrame>& out);
    // During set-up: DISC once and the link is gone. Connected: DISC once all data is acknowledged.
    void Disconnect(std::uint64_t nowMs, std::vector<AirFrame>& out, std::vector<AxEvent>& events);
    void Queue(std::string info) { unsent_.push_back(std::move(info)); }
    // A frame from the peer to this link.
    void Receive(const AirFrame& frame, std::uint64_t nowMs, std::vector<AirFrame>& out,
                 std::vector<AxEvent>& events);
    // Timers and sending. `peerSending`: more frames of the peer to us are still on the air, so the
    // acknowledgement waits for the last of them. `selfSending`: ours are, and FRACK runs from their end.
    void Tick(std::uint64_t nowMs, bool peerSending, bool selfSending, std::vector<AirFrame>& out,
              std::vector<AxEvent>& events);

private:
    AirFrame Make(FrameType type, bool command, bool pollFinal) const;
    void Acknowledge(int nr, std::uint64_t nowMs);
    void Resend(std::vector<AirFrame>& out);
    void End(AxEventType why, std::vector<AxEvent>& events);
    void StartTimer(std::uint64_t nowMs) { t1DueMs_ = nowMs + params_.frackMs; }

    AxState state_ = AxState::Free;
    std::string me_;
    std::string peer_;
    AxParams params_;
    bool resetting_ = false;
    bool disconnectWanted_ = false;
    bool ackPending_ = false;
    int va_ = 0; // the oldest unacknowledged send number
    int vr_ = 0; // the next receive number expected
    int tries_ = 0;
    std::uint64_t t1DueMs_ = 0; // 0: not running
    std::deque<std::string> unsent_;
    std::deque<std::string> unacked_; // send numbers va_, va_ + 1, ...
};

} // namespace quarn::tncsim
