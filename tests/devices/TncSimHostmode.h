#pragma once

// A host-mode device whose transport is the simulator in-process (SimTransport), for fast device tests
// that run the real protocol code against the simulated TNC.

#include "devices/GeraetHostmodeU.h"
#include "tools/tncsim/SimTransport.h"

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace quarn::test {

class TncSimHostmode : public TGeraetHostmode {
public:
    explicit TncSimHostmode(tncsim::TncSimCore& core, tncsim::SimTiming timing = tncsim::SimTiming::Instant)
        : transport_(core, timing) {
        parameter_ = ParameterErzeugen();
    }

    std::function<void(TncSimHostmode&)> body; // replaces the thread body when set
    std::vector<TEigenesRufzeichen> calls;

    tncsim::SimTransport& Transport() { return transport_; }

    std::string TypName() const override { return "Sim"; }
    std::string KlassenName() const override { return "TGeraetHostmodeSim"; }
    int EinstellungenSeite(QWidget*) override { return 0; }
    void EinstellungenSchliessen() override {}
    void EinstellungenUebernehmen() override {}
    void Run() override {
        if (body) {
            body(*this);
        } else {
            TGeraetHostmode::Run();
        }
    }
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
        return transport_.Read(buffer, count, read, [this] { return IsTerminated(); });
    }
    void CommPurge() override { transport_.Purge(); }
    bool CommIsOpen() const override { return transport_.IsOpen(); }
    std::unique_ptr<TGeraetHostmodeParameter> ParameterErzeugen() const override {
        return std::make_unique<TGeraetHostmodeParameter>();
    }
    bool SetTimeouts(bool fast) override {
        transport_.SetFast(fast);
        return true;
    }
    void StatusDetailZeigen() override { SetStatusDetail("Sim"); }

    // Runs `work` on the device thread and waits until the thread has ended.
    void RunOnThread(std::function<void(TncSimHostmode&)> work) {
        body = std::move(work);
        Init();
        WaitEnded();
        DeInit();
        body = nullptr;
    }
    void WaitEnded(int limitMs = 10000) {
        const auto start = std::chrono::steady_clock::now();
        while (HasThread() && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(limitMs)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

protected:
    std::vector<TEigenesRufzeichen> EigeneRufzeichenHolen() const override { return calls; }

private:
    tncsim::SimTransport transport_;
};

} // namespace quarn::test
