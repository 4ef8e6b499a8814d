// The FlexNet device's settings: what the page shows in each state, the kernel choice it returns, and
// the settings kept in the registry.
#include "FlexnetFixture.h"
#include "devices/flexnet/GeraetFlexnetDialog.h"
#include "platform/Codepage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace quarn::test {
namespace {

TEST_F(FlexnetTest, ThePageShowsTheKernelByTheDevicesState) {
    device = std::make_shared<TestFlexnet>(state);
    // Texts are Windows-1252 bytes.
    EXPECT_EQ(device->KopfText(),
              QStringToCp1252(QStringLiteral("Inaktiv: Schließen Sie dieses Fenster mit OK und "
                                             "klicken Sie dann auf 'übernehmen', um FlexNet zu "
                                             "aktivieren.")));
    EXPECT_TRUE(device->KanalZeilen().empty());

    state->kanaele = {{0, "Port A"}, {3, std::nullopt}};
    ASSERT_TRUE(Starten());
    EXPECT_EQ(device->KopfText(), "PC/FlexNet Kernel Version 3.3g");
    EXPECT_EQ(device->KanalZeilen(), (std::vector<std::string>{"Port A 0", "? 3"}));
    Stoppen();

    device = std::make_shared<TestFlexnet>(state);
    device->ladeFehler = "DLL nicht gefunden";
    device->Init();
    ASSERT_TRUE(WarteBis([this] { return device->GetStatus() == TGeraetStatus::Fehler; }));
    EXPECT_EQ(device->KopfText(), device->GetStatusText());
    EXPECT_NE(device->KopfText().find("DLL nicht gefunden"), std::string::npos);
}

TEST_F(FlexnetTest, TheDialogReturnsTheKernelChoice) {
    TGeraetFlexnetDialog dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "PC/FlexNet - Eigenschaften");
    dialog.SetKopf("Kopf");
    dialog.SetKanaele({"Port A 0", "Port B 1"});
    dialog.SetEinstellungen({});
    EXPECT_EQ(dialog.Kopf()->text(), "Kopf");
    EXPECT_EQ(dialog.Kanaele()->count(), 2);
    EXPECT_FALSE(dialog.HostFeld()->isEnabled());
    EXPECT_EQ(dialog.HostFeld()->text(), "127.0.0.1");
    EXPECT_EQ(dialog.PortFeld()->value(), 8000);
    EXPECT_EQ(dialog.Einstellungen(), TFlexnetEinstellungen{});

    dialog.KernelBox()->setCurrentIndex(1);
    EXPECT_TRUE(dialog.HostFeld()->isEnabled());
    dialog.HostFeld()->setText(" 10.0.0.2 ");
    dialog.PortFeld()->setValue(8010);
    EXPECT_EQ(dialog.Einstellungen(), (TFlexnetEinstellungen{TFlexnetKernelArt::Modem, "10.0.0.2", 8010}));
    // An empty host keeps the local one.
    dialog.HostFeld()->setText("");
    EXPECT_EQ(dialog.Einstellungen().modemHost, "127.0.0.1");
}

TEST_F(FlexnetTest, SettingsAreKeptInTheDevicesKey) {
    const auto saved = std::make_shared<TGeraetFlexnet>();
    saved->SetRegistryKey(registryKey_);
    saved->SetEinstellungen({TFlexnetKernelArt::Modem, "192.168.1.9", 8001});
    saved->Save();
    EXPECT_EQ(RegistryStore::Instance().ReadString(Hive::LocalMachine, registryKey_, ""), "TGeraetFlexnet");

    std::string seen;
    SetFlexnetModemKernelFabrik(
        [&seen](const std::string& host, int port) -> std::unique_ptr<IFlexnetKernel> {
            seen = host + ":" + std::to_string(port);
            return nullptr;
        });
    const auto loaded = std::make_shared<TGeraetFlexnet>();
    loaded->SetRegistryKey(registryKey_);
    loaded->Init();
    ASSERT_TRUE(WarteBis([&] { return loaded->GetStatus() == TGeraetStatus::Fehler; }));
    loaded->DeInit();
    EXPECT_EQ(loaded->Einstellungen(),
              (TFlexnetEinstellungen{TFlexnetKernelArt::Modem, "192.168.1.9", 8001}));
    EXPECT_EQ(seen, "192.168.1.9:8001");
    SetFlexnetModemKernelFabrik(nullptr);
}

TEST_F(FlexnetTest, ApplyingRestartsADeviceThatIsNotReady) {
    device = std::make_shared<TestFlexnet>(state);
    device->ladeFehler = "weg";
    device->Init();
    ASSERT_TRUE(WarteBis([this] { return device->GetStatus() == TGeraetStatus::Fehler; }));
    device->ladeFehler.clear();
    device->EinstellungenUebernehmen();
    ASSERT_TRUE(WarteBis([this] { return device->GetStatus() == TGeraetStatus::Bereit; }));
    // A ready device with unchanged settings keeps running.
    device->EinstellungenUebernehmen();
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Bereit);
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.axExit; }), 0);
}

} // namespace
} // namespace quarn::test
