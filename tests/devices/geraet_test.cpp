// The device base (status, thread, stop sequence) and the device set (loading, saving, status).
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "support/Elapsed.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace quarn::test {
namespace {

// A device kind whose thread body the test decides.
class TestGeraet : public TGeraet {
public:
    explicit TestGeraet(std::string className = "TGeraetTest") : className_(std::move(className)) {}

    std::function<void(TestGeraet&)> body;
    std::string restoredFrom;
    bool saved = false;

    void Run() override {
        if (body) {
            body(*this);
        }
    }
    std::string TypName() const override { return "Test"; }
    std::string KlassenName() const override { return className_; }
    void Init() override {
        restoredFrom = GetRegistryKey();
        TGeraet::Init();
    }
    void Save() override {
        TGeraet::Save();
        RegistryStore::Instance().WriteString(Hive::LocalMachine, GetRegistryKey(), "", className_);
        saved = true;
    }
    int EinstellungenSeite(QWidget*) override { return 0; }
    void EinstellungenSchliessen() override {}
    void EinstellungenUebernehmen() override {}
    int GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>&, int) override { return 0; }
    TConnectResult Verbinde(const std::shared_ptr<IFunkKanal>&, std::string&, std::shared_ptr<IVerbindung>&,
                            const std::shared_ptr<IKanal>&, std::string&) override {
        return TConnectResult::DeviceError;
    }
    void Trenne(const std::shared_ptr<IVerbindung>&) override {}
    void Restore() override {}
    bool SendUI(const std::shared_ptr<IFunkKanal>&, std::string_view, std::string_view,
                std::string_view) override {
        return false;
    }

    void WaitEnded() {
        const auto start = std::chrono::steady_clock::now();
        while (HasThread() && msSince(start) < 5000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

private:
    std::string className_;
};

void RegisterTestKinds() {
    static const bool done = [] {
        RegistriereGeraet({"TGeraetTest", "Test", [] { return std::make_shared<TestGeraet>(); }});
        return true;
    }();
    (void)done;
}

std::string Key(const std::string& name) {
    return std::string(TGeraete::kRegistryKey) + "\\" + name;
}

class GeraeteTest : public ::testing::Test {
protected:
    RegistryStore& store = RegistryStore::Instance();
    void SetUp() override {
        RegisterTestKinds();
        store.DeleteKey(Hive::LocalMachine, TGeraete::kRegistryKey);
        // A serial device must not reach a real port of the machine running the tests.
        store.WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM1", "/nonexistent/tty");
    }
    void Put(const std::string& name, const std::string& kind) {
        store.WriteString(Hive::LocalMachine, Key(name), "", kind);
    }
};

TEST(Geraet, StatusTextWithAndWithoutDetail) {
    auto device = std::make_shared<TestGeraet>();
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Inaktiv);
    EXPECT_EQ(device->GetStatusText(), "Inaktiv");
    device->SetStatus(TGeraetStatus::Fehler, "TFOpen fehlgeschlagen");
    EXPECT_EQ(device->GetStatusText(), "Fehler - TFOpen fehlgeschlagen");
    device->SetStatus(TGeraetStatus::Bereit);
    EXPECT_EQ(device->GetStatusText(), "Bereit");
}

TEST(Geraet, ExceptionInTheThreadEndsItWithStatusFehler) {
    auto device = std::make_shared<TestGeraet>();
    device->SetStatus(TGeraetStatus::Bereit);
    device->body = [](TestGeraet&) { throw std::runtime_error("kaputt"); };
    device->Init();
    device->WaitEnded();
    EXPECT_FALSE(device->HasThread());
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Fehler);
    device->DeInit();
}

TEST(Geraet, StopWakesEveryWaitAtOnce) {
    auto device = std::make_shared<TestGeraet>();
    std::atomic<bool> woke{false};
    device->body = [&](TestGeraet& self) {
        while (self.Warte(60000)) {
        }
        woke = true;
    };
    device->Init();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = std::chrono::steady_clock::now();
    device->DeInit();
    EXPECT_LT(msSince(start), 1000);
    EXPECT_TRUE(woke);
    EXPECT_TRUE(device->IsTerminated());
}

TEST(Geraet, StopLeavesARunningDeviceInaktivAndAFailedOneAsItWas) {
    auto running = std::make_shared<TestGeraet>();
    running->body = [](TestGeraet& self) {
        self.SetStatus(TGeraetStatus::Bereit);
        while (self.Warte(60000)) {
        }
    };
    running->Init();
    const auto start = std::chrono::steady_clock::now();
    while (running->GetStatus() != TGeraetStatus::Bereit && msSince(start) < 5000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    running->DeInit();
    EXPECT_EQ(running->GetStatus(), TGeraetStatus::Inaktiv);
    EXPECT_EQ(running->GetStatusText(), "Inaktiv");

    auto failed = std::make_shared<TestGeraet>();
    failed->body = [](TestGeraet& self) { self.SetStatus(TGeraetStatus::Fehler, "kaputt"); };
    failed->Init();
    failed->WaitEnded();
    failed->DeInit(); // the reason stays until the device is started again
    EXPECT_EQ(failed->GetStatusText(), "Fehler - kaputt");
}

TEST(Geraet, HungThreadIsAbandonedAtItsLimitAndKeepsItsDevice) {
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
    std::weak_ptr<TestGeraet> watch;
    {
        auto device = std::make_shared<TestGeraet>();
        watch = device;
        device->SetStopLimitMs(150);
        device->body = [&](TestGeraet& self) {
            while (!release) { // ignores the stop request
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            self.SetStatus(TGeraetStatus::Inaktiv); // still a live object
            finished = true;
        };
        device->Init();
        const auto start = std::chrono::steady_clock::now();
        device->DeInit();
        const auto elapsed = msSince(start);
        EXPECT_GE(elapsed, 140);
        EXPECT_LT(elapsed, 1000);
        EXPECT_FALSE(device->HasThread());
    }
    EXPECT_FALSE(watch.expired()); // the abandoned thread holds it
    release = true;
    const auto start = std::chrono::steady_clock::now();
    while (!watch.expired() && msSince(start) < 5000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(finished);
    EXPECT_TRUE(watch.expired());
}

TEST_F(GeraeteTest, LoadSkipsUnknownKindsMapsLegacyNamesAndSavesWithoutGaps) {
    Put("0", "TGeraetTest");
    Put("1", "TGeraetUnbekannt");
    Put("2", "1"); // the old number of the FlexNet kind
    Put("3", "tgeraettest");
    {
        TGeraete set;
        ASSERT_EQ(set.Count(), 3);
        EXPECT_EQ(set.Geraete()[1]->KlassenName(), "TGeraetFlexnet");
        EXPECT_EQ(static_cast<TestGeraet&>(*set.Geraete()[0]).restoredFrom, Key("0"));
        // The built-in kind, loaded from its key.
        EXPECT_EQ(set.Geraete()[1]->GetRegistryKey(), Key("2"));
        EXPECT_EQ(static_cast<TestGeraet&>(*set.Geraete()[2]).restoredFrom, Key("3"));
        EXPECT_EQ(set.Geraete()[2]->GetNummer(), 2);
        set.Save();
    }
    EXPECT_EQ(store.SubKeyNames(Hive::LocalMachine, TGeraete::kRegistryKey),
              (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(store.ReadString(Hive::LocalMachine, Key("1"), ""), "TGeraetFlexnet");
    EXPECT_EQ(store.ReadString(Hive::LocalMachine, Key("3"), ""), "TGeraetUnbekannt"); // kept, after them
}

TEST_F(GeraeteTest, SaveKeepsKeysOfOtherKindsAfterItsOwnAndMovesSavedConnectionsWithTheirDevice) {
    Put("0", "TGeraetTest"); // removed on the settings page
    store.WriteDWord(Hive::LocalMachine, Key("0\\Verbindung 0"), "Alt", 1);
    Put("1", "TGeraetAndererBuild");
    store.WriteDWord(Hive::LocalMachine, Key("1"), "Anschluss", 4);
    store.WriteString(Hive::LocalMachine, Key("1\\Verbindung 0"), "Call", "DB0XYZ");
    Put("2", "TGeraetTest");
    store.WriteString(Hive::LocalMachine, Key("2\\Verbindung 0"), "Call", "DB0ABC");
    Put("3", "TGeraetTest");
    {
        TGeraete set;
        ASSERT_EQ(set.Count(), 3);
        set.Geraete().erase(set.Geraete().begin());
        set.Geraete().push_back(TGeraete::GeraetErzeugen(*FindeGeraeteKlasse("TGeraetTest")));
        for (int round = 0; round < 2; ++round) { // saved again, nothing moves
            SCOPED_TRACE(round);
            set.Save();
            EXPECT_EQ(store.SubKeyNames(Hive::LocalMachine, TGeraete::kRegistryKey),
                      (std::vector<std::string>{"0", "1", "2", "3"}));
            EXPECT_EQ(store.ReadString(Hive::LocalMachine, Key("0\\Verbindung 0"), "Call"), "DB0ABC");
            EXPECT_FALSE(store.ReadDWord(Hive::LocalMachine, Key("0\\Verbindung 0"), "Alt").has_value());
            EXPECT_TRUE(store.SubKeyNames(Hive::LocalMachine, Key("1")).empty());
            EXPECT_TRUE(store.SubKeyNames(Hive::LocalMachine, Key("2")).empty());
            EXPECT_EQ(store.ReadString(Hive::LocalMachine, Key("2"), ""), "TGeraetTest");
            EXPECT_EQ(store.ReadString(Hive::LocalMachine, Key("3"), ""), "TGeraetAndererBuild");
            EXPECT_EQ(store.ReadDWord(Hive::LocalMachine, Key("3"), "Anschluss"), 4u);
            EXPECT_EQ(store.ReadString(Hive::LocalMachine, Key("3\\Verbindung 0"), "Call"), "DB0XYZ");
            EXPECT_EQ(set.Geraete()[2]->GetRegistryKey(), Key("2"));
        }
    }
    TGeraete again;
    ASSERT_EQ(again.Count(), 3);
    EXPECT_EQ(static_cast<TestGeraet&>(*again.Geraete()[0]).restoredFrom, Key("0"));
}

TEST_F(GeraeteTest, LegacySerialNamesLoadTheSerialKind) {
    Put("0", "2");
    Put("1", "TGeraetHostmode");
    TGeraete set;
    ASSERT_EQ(set.Count(), 2);
    EXPECT_EQ(set.Geraete()[0]->KlassenName(), "TGeraetHostmodeSerial");
    EXPECT_EQ(set.Geraete()[1]->TypName(), "Hostmode");
}

TEST_F(GeraeteTest, AtMost32DevicesAreLoaded) {
    for (int i = 0; i < 34; ++i) {
        Put(std::to_string(i), "TGeraetTest");
    }
    TGeraete set;
    EXPECT_EQ(set.Count(), TGeraete::kMaxGeraete);
}

TEST_F(GeraeteTest, NotReadyWhileAnyDeviceIsNotReady) {
    Put("0", "TGeraetTest");
    Put("1", "TGeraetTest");
    std::vector<bool> shown; // outlives the set, which announces its devices' stop as well
    TGeraete set;
    set.SetGeraeteStatusAnzeige([&](bool notReady) { shown.push_back(notReady); });
    set.Geraete()[0]->SetStatus(TGeraetStatus::Bereit);
    set.Geraete()[1]->SetStatus(TGeraetStatus::Bereit);
    set.Geraete()[1]->SetStatus(TGeraetStatus::Init);
    EXPECT_EQ(shown, (std::vector<bool>{true, false, true}));
}

TEST(GeraeteKinds, SerialKindIsRegisteredAndTheLibraryKindIsNot) {
    EXPECT_NE(FindeGeraeteKlasse("tgeraethostmodeserial"), nullptr);
    EXPECT_EQ(FindeGeraeteKlasse("TGeraetHostmodeTFWin"), nullptr);
}

} // namespace
} // namespace quarn::test

#include "devices/GeraeteStatusU.h"

#include <QTreeWidget>

namespace quarn::test {
namespace {

TEST_F(GeraeteTest, StatusWindowListsTheDevicesAndFollowsTheirStatus) {
    Put("0", "TGeraetTest");
    Put("1", "TGeraetTest");
    TGeraete set;
    bool checked = false;
    {
        TGeraeteStatus window(set);
        window.SetAktionAnzeige([&](bool shown) { checked = shown; });
        window.show();
        EXPECT_TRUE(checked);
        ASSERT_EQ(window.Liste()->topLevelItemCount(), 2);
        set.Geraete()[1]->SetStatus(TGeraetStatus::Fehler, "kaputt");
        EXPECT_EQ(window.Liste()->topLevelItem(1)->text(2), "Fehler - kaputt");
        EXPECT_EQ(window.Liste()->topLevelItem(0)->text(0), "Test");
        window.hide();
        EXPECT_FALSE(checked);
    }
    EXPECT_TRUE(RegistryStore::Instance().ReadDWord(
        Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Windows\\GeraeteStatus", "X"));
}

} // namespace
} // namespace quarn::test
