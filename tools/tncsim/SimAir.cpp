#include "tools/tncsim/SimAir.h"

#include "tools/tncsim/TncSimCore.h"

#include <algorithm>

namespace quarn::tncsim {

namespace {

// Enough rounds for any burst of traffic that is due at one moment; a guard against a loop without end.
constexpr int kRoundsPerRun = 100000;

} // namespace

SimAir::SimAir(AirOptions options, const IClock* clock)
    : clock_(clock != nullptr ? clock : &Clock()), options_(options), random_(options.seed) {
    options_.loss = std::clamp(options_.loss, 0.0, 1.0);
}

SimAir::~SimAir() {
    const std::lock_guard lock(*mutex_);
    for (TncSimCore* core : cores_) {
        core->LeaveAirLocked();
    }
}

void SimAir::Attach(TncSimCore& core) {
    core.JoinAir(*this);
    const std::lock_guard lock(*mutex_);
    cores_.push_back(&core);
}

void SimAir::DetachLocked(TncSimCore* core) {
    cores_.erase(std::remove(cores_.begin(), cores_.end(), core), cores_.end());
    for (InFlight& frame : flight_) {
        if (frame.sender == core) {
            frame.sender = nullptr;
        }
    }
}

void SimAir::AddStation(StationSpec spec) {
    const std::lock_guard lock(*mutex_);
    stations_.push_back(std::make_unique<SimStation>(*this, std::move(spec), NowMs()));
}

void SimAir::AddBeacon(Beacon beacon) {
    const std::lock_guard lock(*mutex_);
    beacon.periodMs = std::max<std::uint32_t>(beacon.periodMs, 1);
    const std::uint64_t next = NowMs() + beacon.periodMs;
    beacons_.push_back({std::move(beacon), next});
}

void SimAir::Run() {
    const std::lock_guard lock(*mutex_);
    RunLocked();
}

int SimAir::FramesSent() const {
    const std::lock_guard lock(*mutex_);
    return sent_;
}

int SimAir::FramesLost() const {
    const std::lock_guard lock(*mutex_);
    return lost_;
}

std::uint64_t SimAir::BusyUs() const {
    const std::lock_guard lock(*mutex_);
    return busyUs_;
}

void SimAir::TransmitLocked(const AirEndpoint* sender, AirFrame frame) {
    const std::uint64_t nowUs = NowMs() * 1000;
    std::uint64_t endUs = nowUs;
    if (options_.baud > 0) {
        const std::uint64_t takesUs =
            AirBytes(frame) * 8 * 1'000'000ull / static_cast<std::uint64_t>(options_.baud);
        endUs = std::max(nowUs, freeUs_) + takesUs;
        freeUs_ = endUs;
        busyUs_ += takesUs;
    }
    const bool lost =
        options_.loss > 0 && std::uniform_real_distribution<double>(0.0, 1.0)(random_) < options_.loss;
    ++sent_;
    lost_ += lost ? 1 : 0;
    flight_.push_back({std::move(frame), sender, endUs, lost});
}

bool SimAir::InFlightLocked(const std::string& from, const std::string& to) const {
    return std::any_of(flight_.begin(), flight_.end(),
                       [&](const InFlight& f) { return f.frame.from == from && f.frame.to == to; });
}

std::string SimAir::DefaultTargetLocked() const {
    return cores_.empty() ? std::string() : cores_.front()->OwnCallLocked(0);
}

std::vector<AirEndpoint*> SimAir::EndpointsLocked() const {
    std::vector<AirEndpoint*> endpoints(cores_.begin(), cores_.end());
    for (const auto& station : stations_) {
        endpoints.push_back(station.get());
    }
    return endpoints;
}

void SimAir::RunLocked() {
    if (running_) {
        return; // a TNC fed from within the air's own round
    }
    running_ = true;
    for (int round = 0; round < kRoundsPerRun; ++round) {
        const std::uint64_t now = NowMs();
        bool moved = false;
        for (BeaconState& b : beacons_) {
            while (now >= b.nextMs) {
                AirFrame frame;
                frame.from = b.beacon.call;
                frame.to = b.beacon.to;
                frame.type = FrameType::UI;
                frame.info = b.beacon.text + "\r";
                TransmitLocked(nullptr, std::move(frame));
                b.nextMs += b.beacon.periodMs;
            }
        }
        const std::vector<AirEndpoint*> endpoints = EndpointsLocked();
        for (AirEndpoint* endpoint : endpoints) {
            endpoint->OnAirTick(now);
        }
        while (!flight_.empty() && flight_.front().endUs <= now * 1000) {
            const InFlight frame = std::move(flight_.front());
            flight_.pop_front();
            moved = true;
            for (AirEndpoint* endpoint : EndpointsLocked()) {
                const bool own = endpoint == frame.sender;
                if (own || !frame.lost) {
                    endpoint->OnAirFrame(frame.frame, own, !frame.lost);
                }
            }
        }
        if (!moved) {
            break;
        }
    }
    running_ = false;
}

} // namespace quarn::tncsim
