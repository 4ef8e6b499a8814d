// The binding of the network kernel's interface library: where it is looked for, what a missing
// library or missing entry points report, and records crossing the library boundary.
#include "FlexnetFixture.h"
#include "devices/flexnet/FlexnetBibliothek.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

class FlexnetBibliothekTest : public ::testing::Test {
protected:
    FlexnetBibliothekTest() { Home(std::nullopt); }
    ~FlexnetBibliothekTest() override { Home(std::nullopt); }

    static void Home(const std::optional<std::string>& folder) {
        RegistryStore& store = RegistryStore::Instance();
        store.DeleteKey(Hive::LocalMachine, TFlexnetBibliothek::kRegistryKey);
        if (folder) {
            store.CreateKey(Hive::LocalMachine, TFlexnetBibliothek::kRegistryKey);
            store.WriteString(Hive::LocalMachine, TFlexnetBibliothek::kRegistryKey, "Home", *folder);
        }
    }

    ScopedEnv env_{"flexnet", std::nullopt};
    TempDir leer_;
};

TEST_F(FlexnetBibliothekTest, TheLibraryIsLookedForInHomeThenTheEnvironmentThenByName) {
    EXPECT_EQ(TFlexnetBibliothek::Suchpfade(), std::vector<std::string>{"libflxapi32.so"});
    Home("/opt/flex");
    const ScopedEnv env("flexnet", "/usr/flex/");
    EXPECT_EQ(
        TFlexnetBibliothek::Suchpfade(),
        (std::vector<std::string>{"/opt/flex/libflxapi32.so", "/usr/flex/libflxapi32.so", "libflxapi32.so"}));
    EXPECT_EQ(TFlexnetBibliothek::EinsprungNamen().size(), 44u);
}

TEST_F(FlexnetBibliothekTest, FailuresNameWhatIsMissing) {
    struct Row {
        const char* name;
        std::optional<std::string> home;
        std::optional<std::string> env;
        std::string fehler;
    };
    const std::vector<Row> rows = {
        {"nowhere", std::nullopt, std::nullopt, "DLL nicht gefunden"},
        {"empty home", leer_.path().string(), std::nullopt, "DLL nicht gefunden"},
        {"lacking entries", FAKE_FLEXNET_TEIL, std::nullopt, "Nicht in DLL: get_tic / flxdbg"},
        {"home before environment", FAKE_FLEXNET_TEIL, FAKE_FLEXNET_VOLL, "Nicht in DLL: get_tic / flxdbg"},
        {"environment", std::nullopt, FAKE_FLEXNET_VOLL, ""},
        {"environment after empty home", leer_.path().string(), FAKE_FLEXNET_VOLL, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Home(row.home);
        const ScopedEnv env("flexnet", row.env);
        std::string fehler;
        const std::unique_ptr<TFlexnetBibliothek> lib = TFlexnetBibliothek::Laden(fehler);
        EXPECT_EQ(fehler, row.fehler);
        EXPECT_EQ(lib != nullptr, row.fehler.empty());
    }
}

TEST_F(FlexnetBibliothekTest, RecordsCrossTheLibraryBoundaryIntact) {
    Home(FAKE_FLEXNET_VOLL);
    std::string fehler;
    const std::unique_ptr<TFlexnetBibliothek> lib = TFlexnetBibliothek::Laden(fehler);
    ASSERT_NE(lib, nullptr) << fehler;
    EXPECT_EQ(lib->ax_init(), 2);
    EXPECT_EQ(lib->l2_version(), "fake 1.0");
    EXPECT_TRUE(lib->ch_active(0));
    EXPECT_FALSE(lib->ch_active(1));
    EXPECT_EQ(lib->get_ident(0), "Fake 0");
    EXPECT_EQ(lib->get_ident(1), std::nullopt);
    EXPECT_EQ(lib->l2_stat(2, 5), 2005);
    EXPECT_EQ(lib->l2_get_sabm("DL1ABC"), 9);

    FlexnetAdresse record;
    lib->build_frame(record, "DL1ABC", "DK0XX DB0AAA DB0BBB-3");
    EXPECT_EQ(record.ziel, "DK0XX");
    EXPECT_EQ(record.quelle, "DL1ABC");
    EXPECT_EQ(record.digis, (std::vector<std::string>{"DB0AAA", "DB0BBB-3"}));
    EXPECT_EQ(lib->strpath(record), "DB0AAA DB0BBB-3");
    record.kanal = 3;
    // The kernel gets back its own record, with the channel byte set.
    EXPECT_EQ(lib->l2_get_qnum(record), 77);
    EXPECT_EQ(lib->l2_fconnect(record), 43);
    // A record the kernel never made is written from its calls.
    FlexnetAdresse fremd{"DK0YY", "DL1ABC-2", {"DB0CCC"}, 5};
    EXPECT_EQ(lib->strpath(fremd), "DB0CCC");
    EXPECT_EQ(lib->l2_get_qnum(fremd), 0);
    EXPECT_EQ(lib->l2_fconnect(fremd), 45);

    const std::optional<FlexnetAdresse> f = lib->l2_get_f(1);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->ziel, "DK0XX");
    EXPECT_EQ(f->digis.size(), 2u);
    EXPECT_EQ(lib->l2_get_f(2), std::nullopt);

    EXPECT_TRUE(lib->l2_ialloc(1, 256));
    lib->l2_send_frame(1, FlexnetInfo{0xF0, std::string("a\0b", 3)});
    const std::optional<FlexnetInfo> i = lib->l2_get_i(1);
    ASSERT_TRUE(i);
    EXPECT_EQ(i->pid, 0xF0);
    EXPECT_EQ(i->daten, std::string("a\0b", 3));

    EXPECT_TRUE(lib->l2_send_ui("DL1ABC", "0 CQ", 0xF0, 0, "hi"));
    EXPECT_FALSE(lib->l2_send_ui("DL1ABC", "1 CQ", 0xF0, 0, "hi"));
    lib->l2_set_monitor();
    EXPECT_TRUE(lib->l2_chk_monitor());
    lib->l2_clr_monitor();
    EXPECT_FALSE(lib->l2_chk_monitor());

    const std::optional<FlexnetMonitor> m = lib->l2_get_monitor();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->ziel, "DK0XX");
    EXPECT_EQ(m->quelle, "DL2BBB-1");
    EXPECT_EQ(m->digis, (std::vector<std::string>{"DB0A", "DB0B-2"}));
    EXPECT_EQ(m->digisPassiert, 1);
    EXPECT_EQ(m->kanal, 3);
    EXPECT_EQ(m->pid, 0xF0);
    EXPECT_EQ(m->art, 10);
    EXPECT_EQ(m->pollFinal, 1);
    EXPECT_EQ(m->kommando, 1);
    EXPECT_EQ(m->sequenz1, 4);
    EXPECT_EQ(m->sequenz2, 5);
    EXPECT_EQ(m->dama, 1);
    EXPECT_EQ(m->farbe, 2);
    EXPECT_EQ(m->info, "monitor info");
    lib->ax_exit();
}

TEST_F(FlexnetBibliothekTest, TheDeviceReportsALibraryItCannotUse) {
    const std::vector<std::pair<std::optional<std::string>, std::string>> rows = {
        {leer_.path().string(), "DLL nicht gefunden"},
        {FAKE_FLEXNET_TEIL, "Nicht in DLL: get_tic / flxdbg"},
    };
    for (const auto& [home, fehler] : rows) {
        SCOPED_TRACE(fehler);
        Home(home);
        const auto device = std::make_shared<TGeraetFlexnet>();
        device->Init();
        ASSERT_TRUE(WarteBis([&] { return device->GetStatus() == TGeraetStatus::Fehler; }));
        EXPECT_NE(device->GetStatusText().find(fehler), std::string::npos) << device->GetStatusText();
        EXPECT_FALSE(device->KernelVerfuegbar());
        device->DeInit();
    }
    // With the whole library the device comes up with its digipeater port.
    Home(FAKE_FLEXNET_VOLL);
    const auto device = std::make_shared<TGeraetFlexnet>();
    device->Init();
    ASSERT_TRUE(WarteBis([&] { return device->GetStatus() == TGeraetStatus::Bereit; }));
    EXPECT_TRUE(device->DigiModul());
    EXPECT_EQ(device->KopfText(), "PC/FlexNet Kernel Version fake 1.0 mit Digipeater-Modul");
    device->DeInit();
    EXPECT_FALSE(device->KernelVerfuegbar());
}

TEST_F(FlexnetBibliothekTest, TheModemKernelComesFromTheFactoryWithTheSettingsHostAndPort) {
    std::string seen;
    SetFlexnetModemKernelFabrik(
        [&seen](const std::string& host, int port) -> std::unique_ptr<IFlexnetKernel> {
            seen = host + ":" + std::to_string(port);
            return nullptr;
        });
    const auto device = std::make_shared<TGeraetFlexnet>();
    EXPECT_EQ(device->Einstellungen(), TFlexnetEinstellungen{});
    EXPECT_EQ(device->Einstellungen().modemPort, 8000);
    device->SetEinstellungen({TFlexnetKernelArt::Modem, "127.0.0.1", 8001});
    device->Init();
    ASSERT_TRUE(WarteBis([&] { return device->GetStatus() == TGeraetStatus::Fehler; }));
    device->DeInit();
    EXPECT_EQ(seen, "127.0.0.1:8001");
    SetFlexnetModemKernelFabrik(nullptr);
}

} // namespace
} // namespace quarn::test
