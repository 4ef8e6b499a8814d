#pragma once

// Two whole stations on one simulated air: for each a host-mode device on its own simulated TNC, the
// real connections (maker, TStatus, plain handler, thread) and channels that record what a link showed.
// The test's thread is the GUI thread: it connects and disconnects as the GUI would and runs the GUI
// loop whenever it waits.

#include "connections/ConnectionsListU.h"
#include "connections/VerbindungU.h"
#include "connections/VerbindungenAnmelden.h"
#include "devices/FakeKanal.h"
#include "devices/FunkKanalU.h"
#include "devices/TncSimHostmode.h"
#include "devices/VerbindungFabrik.h"
#include "foundation/SynchronizeU.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#if defined(__SANITIZE_THREAD__)
// A longer history keeps both stacks of a report. One header per test program includes this.
extern "C" const char* __tsan_default_options() {
    return "history_size=7";
}
#endif

namespace quarn::test {

// Data in which every byte value occurs, NUL and 0xFF among them, in an order that shows a swap.
inline std::string StackData(std::size_t size, unsigned seed) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<char>((i * 7 + seed + i / 256) & 0xff);
    }
    return data;
}

// A terminal channel of a station: keeps the text received, the link's events and the connection.
class StackKanal final : public FakeKanal, public IKanalFuerVerbindung {
public:
    // A transfer as the status bar shows it, read when its item told of a change.
    struct Fortschritt {
        std::uint8_t zustand;
        std::int64_t groesse;
        std::int64_t position;
        float prozent;
    };

    explicit StackKanal(int number) : FakeKanal(number) {}

    void Notify(void* data) override {
        if (data == nullptr) {
            return;
        }
        const auto* item = static_cast<const IDateiSenden*>(data);
        const Fortschritt now{item->GetZustand(), item->GetGroesse(), item->GetPosition(),
                              item->GetProzent()};
        const std::lock_guard lock(mutex_);
        fortschritte_.push_back(now);
    }
    // As the shown channel does when it listens to its link's status: the bit rate is read.
    void StatusbarAktualisieren(bool) override {
        const auto connection = Connection();
        const auto status = connection ? connection->GetStatus() : nullptr;
        if (status) {
            const int bitrate = status->GetBitrate();
            const std::lock_guard lock(mutex_);
            bitraten_.push_back(bitrate);
        }
    }
    void Release() override {}
    std::uint8_t GetStatus() const override { return 0; }
    void StatusAktualisieren() override {}
    void PromptAusgabe(std::string_view text, int) override { Record("Prompt " + std::string(text)); }
    void Prompt(std::string_view text, int) override { Record("Prompt " + std::string(text)); }
    int TextEmpfangen(std::string_view text) override {
        const std::lock_guard lock(mutex_);
        // The row the text starts on, as a console whose rows are the lines received so far.
        const int row = rows_;
        rows_ += static_cast<int>(std::count(text.begin(), text.end(), '\r'));
        received_.append(text);
        return row;
    }
    void TextGesendet(std::string_view) override {}
    void Verbunden() override { Record("Verbunden"); }
    void SetVerbindung(std::shared_ptr<IVerbindung> connection) override {
        const std::lock_guard lock(mutex_);
        connection_ = std::move(connection);
    }
    void Getrennt(int reason) override { Record("Getrennt " + std::to_string(reason)); }
    void VerbindungGeaendert() override { Record("VerbindungGeaendert"); }
    void CallChange() override {}
    void StopAktualisieren() override {}
    int GetNummer() const override { return FakeKanal::GetNummer(); }
    void MarkiereZeile(int row) override {
        const std::lock_guard lock(mutex_);
        marks_.push_back(row);
    }

    std::string Received() const {
        const std::lock_guard lock(mutex_);
        return received_;
    }
    std::size_t ReceivedSize() const {
        const std::lock_guard lock(mutex_);
        return received_.size();
    }
    std::vector<std::string> Events() const {
        const std::lock_guard lock(mutex_);
        return events_;
    }
    bool Has(const std::string& event) const {
        const auto events = Events();
        return std::find(events.begin(), events.end(), event) != events.end();
    }
    std::shared_ptr<IVerbindung> Connection() const {
        const std::lock_guard lock(mutex_);
        return connection_;
    }
    std::vector<Fortschritt> Fortschritte() const {
        const std::lock_guard lock(mutex_);
        return fortschritte_;
    }
    std::vector<int> Bitraten() const {
        const std::lock_guard lock(mutex_);
        return bitraten_;
    }
    // The console rows the link marked (mailbox-list lines).
    std::vector<int> Marks() const {
        const std::lock_guard lock(mutex_);
        return marks_;
    }

private:
    void Record(std::string event) {
        const std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }

    mutable std::mutex mutex_;
    std::string received_;
    int rows_ = 0;
    std::vector<std::string> events_;
    std::vector<int> marks_;
    std::vector<Fortschritt> fortschritte_;
    std::vector<int> bitraten_;
    std::shared_ptr<IVerbindung> connection_;
};

inline tncsim::TncSimConfig StackTnc() {
    tncsim::TncSimConfig config = tncsim::ConfigFor(tncsim::Identity::Tnc2);
    config.channels = 4;
    config.extendedPoll = true;
    return config;
}

// Runs the GUI loop (the workers' Synchronize calls, timers) until `done` or `limitMs` have passed.
template <typename Done> bool PumpUntil(Done done, int limitMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        DispatchPendingSynchronizeCalls();
    }
    return true;
}

// A station on the air: its simulated TNC and the device on it. The device ends before the TNC.
struct StackStation {
    std::unique_ptr<tncsim::TncSimCore> core;
    std::shared_ptr<TncSimHostmode> device;

    void Stop() {
        if (device) {
            device->DeInit();
            device.reset();
        }
    }
    ~StackStation() { Stop(); }
};

// The air, the connections' maker and list, and the channel set the devices take free channels from.
class StackTest : public ::testing::Test {
protected:
    StackTest() = default;
    // An air with its own pacing and clock; the clock must outlive the test.
    explicit StackTest(tncsim::AirOptions options, const IClock* clock = nullptr)
        : air_(options, clock), clock_(clock) {}

    // Puts a TNC (on the air's clock) on the air and a device for `call` on it; `init` goes to the TNC at
    // start-up, `key` is the device's registry key; with `exchangeMs` each exchange on the line takes that
    // long. Returns when the device is ready.
    void Start(StackStation& station, const std::string& call, const std::vector<std::string>& init = {},
               const std::string& key = {}, std::uint32_t exchangeMs = 0) {
        tncsim::TncSimConfig config = StackTnc();
        config.exchangeDelayMs = exchangeMs;
        station.core = std::make_unique<tncsim::TncSimCore>(config, clock_);
        air_.Attach(*station.core);
        station.device = MakeDevice(*station.core, call, key,
                                    exchangeMs > 0 ? tncsim::SimTiming::Real : tncsim::SimTiming::Instant);
        station.device->Parameter().initListe = init;
        station.device->Init();
        WaitReady(station);
    }
    static std::shared_ptr<TncSimHostmode> MakeDevice(tncsim::TncSimCore& core, const std::string& call,
                                                      const std::string& key = {},
                                                      tncsim::SimTiming timing = tncsim::SimTiming::Instant) {
        auto device = std::make_shared<TncSimHostmode>(core, timing);
        device->calls = {{call, {0}}};
        if (!key.empty()) {
            device->SetRegistryKey(key);
        }
        return device;
    }
    static void WaitReady(StackStation& station) {
        ASSERT_TRUE(PumpUntil([&] {
            return station.device->GetStatus() == TGeraetStatus::Bereit && station.core->HasCommand("U0") &&
                   station.core->CountCommand("G") > 0;
        }));
    }

    void SetUp() override {
        InitializeSynchronize();
        VerbindungenAnmelden();
        SetFreierKanalQuelle([this]() -> std::shared_ptr<IKanal> {
            const std::lock_guard lock(channelMutex_);
            auto channel = std::make_shared<StackKanal>(static_cast<int>(handedOut_.size()) + 11);
            channel->SetReserviert(true);
            handedOut_.push_back(channel);
            return channel;
        });
    }
    void TearDown() override {
        SetFreierKanalQuelle(nullptr);
        SetVerbindungFabrik(nullptr);
        // Whatever a link left behind goes with its channels; then no connection may live on.
        {
            const std::lock_guard lock(channelMutex_);
            handedOut_.clear();
        }
        EXPECT_TRUE(PumpUntil([] { return TVerbindung::InstanceCount() == 0; }, 10000))
            << TVerbindung::InstanceCount() << " connections still alive";
        EXPECT_EQ(list_.Count(), 0);
        FinalizeSynchronize();
    }

    // The channels handed out for incoming links, in order.
    std::vector<std::shared_ptr<StackKanal>> HandedOut() const {
        const std::lock_guard lock(channelMutex_);
        return handedOut_;
    }
    std::shared_ptr<StackKanal> FirstHandedOut() const {
        const auto all = HandedOut();
        return all.empty() ? nullptr : all.front();
    }

    // Declared first, so the TNCs (which may go before it) and the devices go before the air.
    tncsim::SimAir air_;
    TConnectionsList list_;
    const IClock* clock_ = nullptr; // the TNCs' clock; null for the process clock

private:
    mutable std::mutex channelMutex_;
    std::vector<std::shared_ptr<StackKanal>> handedOut_;
};

} // namespace quarn::test
