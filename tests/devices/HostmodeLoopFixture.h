#pragma once

// The host-mode run loop against the simulator in-process: a device that records its monitor lines,
// recording connections with a real link status, a free-channel source the test fills, and a way to
// run cycles one by one on the device thread.

#include "FakeKanal.h"
#include "FakeVerbindung.h"
#include "TncSimHostmode.h"
#include "connections/StatusU.h"
#include "devices/FunkKanalU.h"
#include "tools/tncsim/TncSimCore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quarn::test {

// A device whose monitor lines are kept for the test.
class LoopDevice : public TncSimHostmode {
public:
    using TncSimHostmode::TncSimHostmode;

    std::vector<TMonitorFrame> Frames() const {
        const std::lock_guard lock(mutex_);
        return frames_;
    }

protected:
    void MonitorFrameZeigen(const TMonitorFrame& frame) override {
        const std::lock_guard lock(mutex_);
        frames_.push_back(frame);
    }

private:
    mutable std::mutex mutex_;
    std::vector<TMonitorFrame> frames_;
};

// A channel an accepted link is shown on; it only counts what it was told.
class TestKanal final : public FakeKanal, public IKanalFuerVerbindung {
public:
    explicit TestKanal(int number) : FakeKanal(number) {}

    void Release() override {}
    std::uint8_t GetStatus() const override { return 0; }
    void StatusAktualisieren() override {}
    void PromptAusgabe(std::string_view, int) override {}
    void Prompt(std::string_view, int) override {}
    int TextEmpfangen(std::string_view) override { return 0; }
    void TextGesendet(std::string_view) override {}
    void Verbunden() override {}
    void SetVerbindung(std::shared_ptr<IVerbindung>) override {}
    void Getrennt(int) override {}
    void VerbindungGeaendert() override {}
    void CallChange() override {}
    void StopAktualisieren() override {}
    int GetNummer() const override { return FakeKanal::GetNummer(); }
    void MarkiereZeile(int) override {}
    void Notify(void*) override {}
};

inline const std::vector<TEigenesRufzeichen> kLoopCalls = {{"DL1AAA", {0, 1}}};

inline tncsim::TncSimConfig LoopTnc(bool extended = false, int channels = 4) {
    tncsim::TncSimConfig config = tncsim::ConfigFor(tncsim::Identity::Tnc2);
    config.channels = channels;
    config.extendedPoll = extended;
    config.startInHostMode = true;
    return config;
}

class LoopTest : public ::testing::Test {
public:
    LoopTest()
        : connections_([this](FakeVerbindung& connection) {
              connection.SetStatus(std::make_shared<TStatus>());
              connection.SetIncoming(rule_.load());
          }) {
        SetFreierKanalQuelle([this]() -> std::shared_ptr<IKanal> {
            if (freeChannels_.fetch_sub(1) <= 0) {
                return nullptr;
            }
            return std::make_shared<TestKanal>(++channelNumber_);
        });
    }
    ~LoopTest() override { SetFreierKanalQuelle(nullptr); }

    // Starts the device on its thread (start-up and one cycle), runs `body` there, ends the thread and
    // drops the device.
    void Run(tncsim::TncSimCore& core, const std::function<void(LoopDevice&)>& body) {
        madeBefore_ = connections_.Made().size();
        device_ = std::make_shared<LoopDevice>(core);
        device_->calls = kLoopCalls;
        device_->RunOnThread([&](TncSimHostmode& sim) {
            auto& d = static_cast<LoopDevice&>(sim);
            ASSERT_TRUE(d.Hochfahren());
            d.Zyklus();
            body(d);
        });
        // The device goes with the test's simulator; its entries are left to the test unreleased.
        for (int c = 0; c < TGeraetHostmode::kKanaele; ++c) {
            device_->KanalFreigeben(c);
        }
        device_.reset();
    }

    std::vector<std::shared_ptr<FakeVerbindung>> Made() const { return connections_.Made(); }
    // The connections made since the last Run began (rows of a table share the fixture).
    std::vector<std::shared_ptr<FakeVerbindung>> NewlyMade() const {
        std::vector<std::shared_ptr<FakeVerbindung>> made = connections_.Made();
        made.erase(made.begin(), made.begin() + static_cast<std::ptrdiff_t>(madeBefore_));
        return made;
    }
    std::shared_ptr<FakeVerbindung> Fake(const std::shared_ptr<IVerbindung>& connection) const {
        return std::dynamic_pointer_cast<FakeVerbindung>(connection);
    }
    // An outgoing connection as a connect leaves it, stored in entry c.
    std::shared_ptr<FakeVerbindung> Outgoing(LoopDevice& d, int c, const std::string& path) {
        auto connection = std::make_shared<FakeVerbindung>(device_);
        connection->SetStatus(std::make_shared<TStatus>());
        connection->Set_Path(path);
        connection->Set_RealPath(path);
        connection->Set_Handle(c);
        connection->SetAusgehend(true);
        EXPECT_TRUE(d.KanalEintragen(c, connection));
        return connection;
    }

    std::atomic<TIncomingConnects> rule_{TIncomingConnects::Accept};
    std::atomic<int> freeChannels_{10};
    std::atomic<int> channelNumber_{0};
    FakeVerbindungen connections_;
    std::shared_ptr<LoopDevice> device_;
    std::size_t madeBefore_ = 0;
};

} // namespace quarn::test
