#pragma once

// A connection among fakes: a device that records what it was asked to do, a channel that records
// what it was shown, settings in a private registry, the GUI hand-off open and the connections list.
#include "connections/ConnectionsListU.h"
#include "connections/VerbindungThreadU.h"
#include "connections/VerbindungU.h"
#include "devices/GeraetU.h"
#include "foundation/ConfigU.h"
#include "foundation/SynchronizeU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quarn::test {

// A device that only records its Trenne calls.
class FakeGeraet final : public TGeraet {
public:
    void Run() override {}
    std::string TypName() const override { return "Fake"; }
    std::string KlassenName() const override { return "TFakeGeraet"; }
    int EinstellungenSeite(QWidget*) override { return 0; }
    void EinstellungenSchliessen() override {}
    void EinstellungenUebernehmen() override {}
    int GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>&, int) override { return 0; }
    TConnectResult Verbinde(const std::shared_ptr<IFunkKanal>&, std::string&, std::shared_ptr<IVerbindung>&,
                            const std::shared_ptr<IKanal>&, std::string&) override {
        return TConnectResult::UnknownError;
    }
    void Trenne(const std::shared_ptr<IVerbindung>& connection) override {
        trennen.fetch_add(1);
        lastLevel.store(connection->GetDiscLevel());
    }
    void Restore() override {}
    bool SendUI(const std::shared_ptr<IFunkKanal>&, std::string_view, std::string_view,
                std::string_view) override {
        return false;
    }

    std::atomic<int> trennen{0};
    std::atomic<int> lastLevel{-1};
};

// A channel that records every call as one line ("Verbunden", "Getrennt 1", "Gesendet <text>", ...).
class RecordingKanal final : public IKanalFuerVerbindung {
public:
    explicit RecordingKanal(int number = 3) : number_(number) {}

    void Notify(void*) override {}
    void Release() override {}
    std::uint8_t GetStatus() const override { return 0; }
    void StatusAktualisieren() override { Record("Status"); }
    void PromptAusgabe(std::string_view text, int kind) override {
        Record("Notify " + std::to_string(kind) + " " + std::string(text));
    }
    void Prompt(std::string_view text, int kind) override {
        Record("Prompt " + std::to_string(kind) + " " + std::string(text));
    }
    int TextEmpfangen(std::string_view text) override {
        Record("Empfangen " + std::string(text));
        return 7; // a console row a test can recognise
    }
    void TextGesendet(std::string_view text) override { Record("Gesendet " + std::string(text)); }
    void Verbunden() override { Record("Verbunden"); }
    void SetVerbindung(std::shared_ptr<IVerbindung> connection) override {
        const std::lock_guard lock(mutex_);
        connection_ = std::move(connection);
    }
    void Getrennt(int reason) override { Record("Getrennt " + std::to_string(reason)); }
    void VerbindungGeaendert() override { Record("VerbindungGeaendert"); }
    void CallChange() override { Record("CallChange"); }
    void StopAktualisieren() override { Record("Stop"); }
    int GetNummer() const override { return number_; }
    void MarkiereZeile(int) override {}

    std::vector<std::string> Lines() const {
        const std::lock_guard lock(mutex_);
        return lines_;
    }
    bool Has(const std::string& line) const {
        const auto lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::shared_ptr<IVerbindung> Connection() const {
        const std::lock_guard lock(mutex_);
        return connection_;
    }

private:
    void Record(std::string line) {
        const std::lock_guard lock(mutex_);
        lines_.push_back(std::move(line));
    }

    int number_;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    std::shared_ptr<IVerbindung> connection_;
};

class VerbindungFixture : public ::testing::Test {
protected:
    void SetUp() override {
        InitializeSynchronize();
        previousPresenter_ = SetReportPresenter([this](const std::string& header, const std::string&) {
            const std::lock_guard lock(reportMutex_);
            reports_.push_back(header);
        });
    }
    void TearDown() override {
        for (const auto& connection : made_) {
            connection->Release();
        }
        made_.clear();
        TVerbindungThread::SetHandlerForTests({});
        // No cycle may keep a connection alive after its release.
        EXPECT_TRUE(PumpUntil([] { return TVerbindung::InstanceCount() == 0; }))
            << TVerbindung::InstanceCount() << " connections still alive";
        SetReportPresenter(previousPresenter_);
        FinalizeSynchronize();
    }

    // A connection of the fake device, released at the end of the test.
    std::shared_ptr<TVerbindung> Make(bool withDevice = true) {
        auto connection = TVerbindung::Create(withDevice ? device : nullptr, &store);
        made_.push_back(connection);
        return connection;
    }

    // Runs the GUI loop (workers' calls, timers) until `done` or ten seconds have passed.
    template <typename Done> static bool PumpUntil(Done done) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > 10000) {
                return false;
            }
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    std::vector<std::string> Reports() {
        const std::lock_guard lock(reportMutex_);
        return reports_;
    }

    TempDir dir;
    RegistryStore store{dir / "registry"};
    TConfig config{store};
    ScopedConfig scopedConfig{config};
    TConnectionsList connections;
    std::shared_ptr<FakeGeraet> device = std::make_shared<FakeGeraet>();

private:
    std::vector<std::shared_ptr<TVerbindung>> made_;
    TReportPresenter previousPresenter_;
    std::mutex reportMutex_;
    std::vector<std::string> reports_;
};

} // namespace quarn::test
