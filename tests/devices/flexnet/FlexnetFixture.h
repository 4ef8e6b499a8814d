#pragma once

// A FlexNet device on its own thread against the in-process kernel: recording connections with a real
// link status, own calls DL1ABC (SSIDs 0 and 5), a free-channel source the test fills.

#include "FakeFlexnetKernel.h"
#include "FakeVerbindung.h"
#include "HostmodeLoopFixture.h"
#include "connections/StatusU.h"
#include "devices/FunkKanalU.h"
#include "devices/flexnet/GeraetFlexnetU.h"
#include "foundation/SynchronizeU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Registry.h"
#include "stations/MyCallsU.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quarn::test {

// The device with the test's kernel, monitor flags and monitor output.
class TestFlexnet final : public TGeraetFlexnet {
public:
    explicit TestFlexnet(std::shared_ptr<FakeFlexnetState> state) : state_(std::move(state)) {}

    std::string ladeFehler; // set: loading the kernel fails with this text
    std::atomic<std::int32_t> flags{0};

    std::vector<TMonitorFrame> Frames() const {
        const std::lock_guard lock(mutex_);
        return frames_;
    }

protected:
    std::unique_ptr<IFlexnetKernel> KernelLaden(std::string& fehler) override {
        if (!ladeFehler.empty()) {
            fehler = ladeFehler;
            return nullptr;
        }
        return std::make_unique<FakeFlexnetKernel>(state_);
    }
    void MonitorFrameZeigen(const TMonitorFrame& frame) override {
        const std::lock_guard lock(mutex_);
        frames_.push_back(frame);
    }
    std::int32_t MonitorFlags() const override { return flags; }

private:
    std::shared_ptr<FakeFlexnetState> state_;
    mutable std::mutex mutex_;
    std::vector<TMonitorFrame> frames_;
};

// Waits for the condition, letting the GUI thread's queued calls run meanwhile.
inline bool WarteBis(const std::function<bool()>& condition, int ms = 4000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class FlexnetTest : public ::testing::Test {
public:
    FlexnetTest()
        : connections_([this](FakeVerbindung& connection) {
              connection.SetStatus(std::make_shared<TStatus>());
              connection.SetIncoming(rule_.load());
          }) {
        // Links an earlier test saved at its end must not come back.
        RegistryStore::Instance().DeleteKey(Hive::LocalMachine, registryKey_);
        store_.WriteDWord(Hive::CurrentUser, std::string(kEigeneRufzeichenKey) + "\\DL1ABC", "SSIDs", 0x21);
        calls_ = TMyCalls::Create(store_);
        SetFreierKanalQuelle([this]() -> std::shared_ptr<IKanal> {
            if (freeChannels_.fetch_sub(1) <= 0) {
                return nullptr;
            }
            return std::make_shared<TestKanal>(++channelNumber_);
        });
        // Reports reach the presenter through the GUI thread's loop.
        InitializeSynchronize();
        previousPresenter_ = SetReportPresenter([this](const std::string& header, const std::string&) {
            const std::lock_guard lock(reportMutex_);
            reports_.push_back(header);
        });
    }
    ~FlexnetTest() override {
        Stoppen();
        SetFreierKanalQuelle(nullptr);
        SetReportPresenter(previousPresenter_);
        FinalizeSynchronize();
    }

    // Makes and starts the device; true once it is ready.
    bool Starten(std::int32_t flags = 0) {
        device = std::make_shared<TestFlexnet>(state);
        device->flags = flags;
        device->SetRegistryKey(registryKey_);
        device->Restore();
        device->Init();
        return WarteBis([this] { return device->GetStatus() == TGeraetStatus::Bereit; });
    }
    void Stoppen() {
        if (device) {
            device->DeInit();
        }
    }
    std::vector<std::shared_ptr<FakeVerbindung>> Made() const { return connections_.Made(); }
    std::shared_ptr<IFunkKanal> Port(int number) const {
        auto port = std::make_shared<TFunkKanal>(device, true);
        port->SetNummer(number);
        return port;
    }
    std::vector<std::string> Reports() const {
        const std::lock_guard lock(reportMutex_);
        return reports_;
    }

    std::shared_ptr<FakeFlexnetState> state = std::make_shared<FakeFlexnetState>();
    std::shared_ptr<TestFlexnet> device;

protected:
    TempDir dir_;
    RegistryStore store_{dir_ / "registry"};
    std::shared_ptr<TMyCalls> calls_;
    std::string registryKey_ = "\\Software\\Velmoor\\Quarn\\Geraete\\7";
    std::atomic<TIncomingConnects> rule_{TIncomingConnects::Accept};
    std::atomic<int> freeChannels_{8};
    std::atomic<int> channelNumber_{0};
    FakeVerbindungen connections_;
    TReportPresenter previousPresenter_;
    mutable std::mutex reportMutex_;
    std::vector<std::string> reports_;
};

} // namespace quarn::test
