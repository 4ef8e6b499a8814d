#pragma once

// What the host-mode test devices share: a thread body a test may put in place, the own calls they
// give the TNC, no settings dialog, and waiting for the device thread.

#include "devices/hostmode/GeraetHostmodeU.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace quarn::test {

template <class Self>
class HostmodeTestDevice : public TGeraetHostmode {
public:
    std::function<void(Self&)> body; // replaces the whole thread body when set
    std::vector<TEigenesRufzeichen> calls;

    int EinstellungenSeite(QWidget*) override { return 0; }
    void EinstellungenSchliessen() override {}
    void EinstellungenUebernehmen() override {}
    void Run() override {
        if (body) {
            body(static_cast<Self&>(*this));
        } else {
            TGeraetHostmode::Run();
        }
    }
    std::unique_ptr<TGeraetHostmodeParameter> ParameterErzeugen() const override {
        return std::make_unique<TGeraetHostmodeParameter>();
    }

    // Runs `work` on the device thread and waits until the thread has ended.
    void RunOnThread(std::function<void(Self&)> work) {
        body = std::move(work);
        Init();
        WaitEnded();
        DeInit();
        body = nullptr;
    }
    void WaitEnded(int limitMs = 20000) {
        const auto start = std::chrono::steady_clock::now();
        while (HasThread() && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(limitMs)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

protected:
    HostmodeTestDevice() { parameter_ = std::make_unique<TGeraetHostmodeParameter>(); }
    std::vector<TEigenesRufzeichen> EigeneRufzeichenHolen() const override { return calls; }
};

} // namespace quarn::test
