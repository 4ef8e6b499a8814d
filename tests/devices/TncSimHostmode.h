#pragma once

// A host-mode device whose transport is the simulator in-process (SimTransport), for fast device tests
// that run the real protocol code against the simulated TNC.

#include "hostmode/HostmodeTestDevice.h"
#include "tools/tncsim/SimTransport.h"

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace quarn::test {

class TncSimHostmode : public HostmodeTestDevice<TncSimHostmode> {
public:
    explicit TncSimHostmode(tncsim::TncSimCore& core, tncsim::SimTiming timing = tncsim::SimTiming::Instant)
        : transport_(core, timing) {}

    tncsim::SimTransport& Transport() { return transport_; }

    std::string TypName() const override { return "Sim"; }
    std::string KlassenName() const override { return "TGeraetHostmodeSim"; }
    bool CommOpen() override {
        if (!transport_.Open()) {
            SetStatus(TGeraetStatus::Fehler, GeraetText("Öffnen der Schnittstelle"));
            return false;
        }
        return true;
    }
    bool CommClose() override { return transport_.Close(); }
    bool CommWrite(const char* data, std::size_t count, std::size_t& written) override {
        return transport_.Write(data, count, written);
    }
    bool CommRead(char* buffer, std::size_t count, std::size_t& read) override {
        return transport_.Read(buffer, count, read, [this] { return IsTransportStopped(); });
    }
    void CommPurge() override { transport_.Purge(); }
    bool CommIsOpen() const override { return transport_.IsOpen(); }
    bool SetTimeouts(bool fast) override {
        transport_.SetFast(fast);
        return true;
    }
    void StatusDetailZeigen() override { SetStatusDetail("Sim"); }

private:
    tncsim::SimTransport transport_;
};

} // namespace quarn::test
