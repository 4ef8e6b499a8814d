#pragma once

#include "platform/Clock.h"
#include "tools/tncsim/SimFrame.h"
#include "tools/tncsim/SimStation.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace quarn::tncsim {

class TncSimCore;

struct AirOptions {
    double loss = 0;        // share of frames lost on the way (0 to 1), drawn from `seed`
    std::uint32_t seed = 1; // the same seed loses the same frames
    int baud = 0;           // > 0: a frame takes its bits at this rate, one frame on the air at a time
};

// Periodic UI traffic of a station: the first frame one period after the air starts.
struct Beacon {
    std::string call;
    std::uint32_t periodMs = 10000;
    std::string text; // sent with a CR at its end
    std::string to = "BEACON";
};

// One radio channel shared by simulated TNCs and remote stations, in-process. It has no thread: it moves
// on when one of its TNCs is fed or read, or when Run is called, all under one lock it shares with the
// TNCs attached to it.
class SimAir {
public:
    explicit SimAir(AirOptions options = {}, const IClock* clock = nullptr);
    ~SimAir();
    SimAir(const SimAir&) = delete;
    SimAir& operator=(const SimAir&) = delete;

    // Puts a TNC on the air; before the TNC is used. The TNC may be destroyed before the air.
    void Attach(TncSimCore& core);
    // A remote station on the air (it lives as long as the air).
    void AddStation(StationSpec spec);
    void AddBeacon(Beacon beacon);
    // Lets whatever is due by now happen.
    void Run();

    int FramesSent() const;
    int FramesLost() const;
    // The time the air was busy with frames, in microseconds.
    std::uint64_t BusyUs() const;

    // ---- for the endpoints, with the lock held ----
    const std::shared_ptr<std::mutex>& Mutex() const { return mutex_; }
    std::uint64_t NowMs() const { return clock_->NowMs(); }
    void TransmitLocked(const AirEndpoint* sender, AirFrame frame);
    // Frames from `from` to `to` still on the air (lost ones too: their air time is taken all the same).
    bool InFlightLocked(const std::string& from, const std::string& to) const;
    void RunLocked();
    void DetachLocked(TncSimCore* core);
    // The call a station connects to when none is named: the first TNC's channel-0 call.
    std::string DefaultTargetLocked() const;

private:
    struct InFlight {
        AirFrame frame;
        const AirEndpoint* sender;
        std::uint64_t endUs;
        bool lost;
    };
    struct BeaconState {
        Beacon beacon;
        std::uint64_t nextMs;
    };

    std::vector<AirEndpoint*> EndpointsLocked() const;

    const IClock* clock_;
    AirOptions options_;
    std::shared_ptr<std::mutex> mutex_ = std::make_shared<std::mutex>();
    std::mt19937 random_;
    std::vector<TncSimCore*> cores_;
    std::vector<std::unique_ptr<SimStation>> stations_;
    std::vector<BeaconState> beacons_;
    std::deque<InFlight> flight_; // in the order they end: one frame on the air at a time
    std::uint64_t freeUs_ = 0;    // when the air is free again
    std::uint64_t busyUs_ = 0;
    int sent_ = 0;
    int lost_ = 0;
    bool running_ = false;
};

} // namespace quarn::tncsim
