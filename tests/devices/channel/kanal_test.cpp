// One channel: text from worker threads into its console and capture file, system lines and notices,
// the status bar of the active channel, transfer progress, the typed line going out, and calls that
// race the channel's release.
#include "KanalTestFixture.h"
#include "TraceLines.h"
#include "connections/StatusU.h"
#include "console/ConsoleU.h"
#include "console/RichEditQuarnU.h"
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanalU.h"
#include "foundation/DlgMessageU.h"
#include "platform/FontFile.h"
#include "stations/KlaengeU.h"
#include "stations/fake_verbindung.h"
#include "stations/klaenge_test_support.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

namespace quarn {
namespace {

using test::FakeVerbindung;

// A send item as far as a channel reads it.
class FakeDateiSenden final : public IDateiSenden {
public:
    FakeDateiSenden(std::string name, std::int64_t size) : name_(std::move(name)), size_(size) {}
    std::uint8_t zustand = 2;
    float prozent = 0.0F;

    std::string GetAnzeigename() override { return name_; }
    std::uint8_t GetZustand() const override { return zustand; }
    float GetProzent() const override { return prozent; }
    std::int64_t GetGroesse() const override { return size_; }

    void Subscribe(const std::shared_ptr<ISubscriber>&) override {}
    void Unsubscribe(const std::shared_ptr<ISubscriber>&) override {}
    void Release() override {}
    void SetStream(std::unique_ptr<TStream>) override {}
    TStream* GetStream() const override { return nullptr; }
    void SetDateiname(const std::filesystem::path&) override {}
    std::filesystem::path GetDateiname() const override { return {}; }
    void SetAnzeigename(std::string_view) override {}
    std::string GetTextVorher() const override { return {}; }
    void SetTextVorher(std::string_view) override {}
    std::string GetTextNachher() const override { return {}; }
    void SetTextNachher(std::string_view) override {}
    void SetZustand(std::uint8_t) override {}
    void SetProtokoll(std::uint8_t) override {}
    std::uint8_t GetProtokoll() const override { return 2; }
    void SetPosition(std::int64_t) override {}
    std::int64_t GetPosition() const override { return 0; }
    void SetGroesse(std::int64_t) override {}
    void Warten() override {}
    void Starten() override {}
    void Beenden() override {}
    void AddBytes(std::int64_t) override {}

private:
    std::string name_;
    std::int64_t size_;
};

class KanalTest : public test::KanalFixture {
protected:
    std::shared_ptr<TKanal> Kanal(int number) {
        TKanal::TUmgebung umgebung;
        umgebung.fenster = &fenster;
        umgebung.pufferOrdner = dir.path();
        auto kanal = TKanal::Erzeugen(number, std::move(umgebung));
        kanaele.push_back(kanal);
        return kanal;
    }
    std::shared_ptr<FakeVerbindung> Verbindung(const std::shared_ptr<TKanal>& kanal) {
        auto connection = std::make_shared<FakeVerbindung>("DB0ABC");
        connection->myCall = "DL1XYZ";
        connection->digis = "DB0RELAY";
        kanal->SetVerbindung(connection);
        return connection;
    }
    void TearDown() override {
        for (const auto& kanal : kanaele) {
            kanal->Release();
        }
        KanalFixture::TearDown();
    }

    static std::string Zeile(TConsole& console, int row) {
        std::string text(reinterpret_cast<const char*>(console.TextPtr(0, row)), console.Cols());
        text.erase(text.find_last_not_of(' ') + 1);
        return text;
    }
    // The rows that hold text, from the oldest on.
    static std::vector<std::string> Zeilen(TConsole& console) {
        std::vector<std::string> rows;
        for (int row = 0; row < console.Rows(); ++row) {
            if (std::string text = Zeile(console, row); !text.empty()) {
                rows.push_back(text);
            }
        }
        return rows;
    }
    static int ZeileMit(TConsole& console, std::string_view part) {
        for (int row = 0; row < console.Rows(); ++row) {
            if (Zeile(console, row).find(part) != std::string::npos) {
                return row;
            }
        }
        return -1;
    }

    std::vector<std::shared_ptr<TKanal>> kanaele;
};

TEST_F(KanalTest, ReceivedTextFromTwoWorkersArrivesInOrderWhileTheGuiPaints) {
    const auto kanal = Kanal(1);
    kanal->SetAktiv(true);
    fenster.window.show();
    const std::filesystem::path captureFile = dir / "mitschrift.txt";
    ASSERT_TRUE(kanal->MitschreibenStarten(captureFile, false));
    TConsole& console = *kanal->GetConsole();

    std::atomic<int> running{2};
    std::atomic<int> wrongRows{0};
    auto worker = [&](char name, bool withRows) {
        for (int i = 0; i < 500; ++i) {
            char line[16];
            std::snprintf(line, sizeof line, "%c%04d\r", name, i);
            if (withRows) {
                // Ausgabe tells the row the text went to.
                const int row = kanal->Ausgabe(kanalfarbe::kEmpfangen, line);
                if (row < 0 || row >= console.Rows()) {
                    ++wrongRows;
                }
            } else {
                kanal->TextEmpfangen(line);
            }
        }
        --running;
    };
    std::thread a(worker, 'A', false);
    std::thread b(worker, 'B', true);
    EXPECT_TRUE(PumpUntil([&] {
        console.viewport()->repaint();
        return running.load() == 0;
    }));
    a.join();
    b.join();

    EXPECT_EQ(wrongRows.load(), 0);
    int next[2] = {0, 0};
    for (const std::string& row : Zeilen(console)) {
        ASSERT_EQ(row.size(), 5u) << row;
        const int thread = row[0] == 'A' ? 0 : 1;
        EXPECT_EQ(std::stoi(row.substr(1)), next[thread]) << row;
        ++next[thread];
    }
    EXPECT_EQ(next[0], 500);
    EXPECT_EQ(next[1], 500);

    // The row a text went to holds it (until the next line moves the rows up).
    const int row = kanal->Ausgabe(kanalfarbe::kGesendet, "Ende");
    EXPECT_EQ(Zeile(console, row), "Ende");

    kanal->Speichern(); // closes the capture file
    EXPECT_TRUE(kanal->GetMitschriebDatei().empty());
    std::ifstream in(captureFile, std::ios::binary);
    const std::string captured((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(captured.size(), 1000u * 7 + 4);
    // Every CR became CR LF.
    EXPECT_EQ(std::count(captured.begin(), captured.end(), '\r'), 1000);
    EXPECT_EQ(std::count(captured.begin(), captured.end(), '\n'), 1000);
    EXPECT_NE(captured.find("A0499\r\n"), std::string::npos);
    EXPECT_EQ(captured.substr(captured.size() - 4), "Ende");
}

TEST_F(KanalTest, ConnectAndDisconnectNoticesAndSystemLines) {
    store.WriteString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn", "Timestamp", "1");
    const auto kanal = Kanal(2);
    TConsole& console = *kanal->GetConsole();
    kanal->SetReserviert(true);
    const auto connection = Verbindung(kanal);
    EXPECT_EQ(kanal->GetKnopf()->Caption(), "DB0ABC");
    EXPECT_TRUE(kanal->GetKnopf()->Hint().endsWith("Typ: Automatisch|"));
    fenster.sichtbar = false;

    kanal->Verbunden();
    const int connected = ZeileMit(console, "DL1XYZ: Verbunden mit DB0ABC (via DB0RELAY)");
    ASSERT_GE(connected, 0);
    EXPECT_EQ(console.Buffer().GutterImage(connected, 10), 5);
    EXPECT_TRUE(QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$")
                    .match(QString::fromStdString(Zeile(console, connected + 1)))
                    .hasMatch());
    EXPECT_EQ(fenster.aufmerksamkeit, 1);
    EXPECT_EQ(kanal->GetKnopf()->Image(), 2); // unseen, not active

    // The row it answers is where the text was written: the standard handler marks list lines by it.
    const int row = kanal->TextEmpfangen("abc");
    EXPECT_EQ(Zeile(console, row), "abc");
    kanal->Prompt("Hallo", 2);
    const int prompt = ZeileMit(console, "<Quarn>: Hallo");
    ASSERT_GT(prompt, 0);
    EXPECT_EQ(Zeile(console, prompt), "<Quarn>: Hallo");
    EXPECT_EQ(Zeile(console, prompt - 1), "abc"); // the prompt began on a line of its own
    EXPECT_EQ(*console.AttrPtr(0, prompt), kanalfarbe::kGesendet);

    kanal->Getrennt(1);
    const int disconnected =
        ZeileMit(console, "DL1XYZ: Verbindungsfehler. Getrennt von DB0ABC (via DB0RELAY)");
    ASSERT_GT(disconnected, ZeileMit(console, "<Quarn>: Hallo"));
    EXPECT_EQ(console.Buffer().GutterImage(disconnected, 10), 6);
    EXPECT_EQ(kanal->GetKnopf()->Caption(), "         ");
    EXPECT_EQ(kanal->GetKnopf()->Hint(), "|");
    EXPECT_FALSE(kanal->IsVerbunden());
    EXPECT_FALSE(kanal->GetReserviert());
    EXPECT_TRUE(kanal->IsFrei());
}

TEST_F(KanalTest, ActiveChannelShowsStatusValuesAndMonitorSettings) {
    config.SetDestination("CQ");
    config.SetMyCall("DL1XYZ-2");
    const auto monitor = Kanal(0);
    monitor->SetAktiv(true);
    EXPECT_EQ(fenster.StatusPanel(0), "Monitor");
    EXPECT_EQ(fenster.StatusPanel(7), "CQ");
    EXPECT_EQ(fenster.StatusPanel(8), "DL1XYZ-2");
    monitor->SetAktiv(false);
    EXPECT_TRUE(monitor->GetConsole()->isVisibleTo(&fenster.window));

    const auto kanal = Kanal(1);
    const auto connection = Verbindung(kanal);
    auto status = std::make_shared<TStatus>();
    connection->status = status;
    // Written as a device would, before the channel listens; Outstanding not yet.
    status->SetTries(2);
    status->SetFrack(0);
    status->SetMaxframe(7);
    status->SetLinkStatus(0x17);
    status->SetBitrate(1500);
    kanal->SetAktiv(true);
    EXPECT_EQ(status->GetListener().get(), static_cast<IKanal*>(kanal.get()));
    const std::map<int, QString> expected = {
        {0, "Verbunden"}, {2, "1.50kbit/s"},    {3, "T2"},    {4, ""}, {5, "dama"},
        {6, "M7"},        {7, "polling rbusy"}, {8, "DL1XYZ"}};
    for (const auto& [panel, text] : expected) {
        EXPECT_EQ(fenster.StatusPanel(panel), text) << panel;
    }
    // The status's refresh shows only values written so far: one never written keeps its panel.
    fenster.panels[4] = "alt";
    kanal->StatusbarAktualisieren(false);
    EXPECT_EQ(fenster.StatusPanel(4), "alt");
    // A value the device writes from its thread reaches the panel through the status's timer.
    std::thread device([&] { status->SetOutstanding(150); });
    device.join();
    EXPECT_TRUE(PumpUntil([&] { return fenster.StatusPanel(4) == "150"; }));

    kanal->SetAktiv(false);
    EXPECT_EQ(status->GetListener(), nullptr);
    EXPECT_FALSE(kanal->GetConsole()->isVisibleTo(&fenster.window));
}

TEST_F(KanalTest, TransferProgressShowsOneTransferAndTracesASecond) {
    const auto kanal = Kanal(1);
    Verbindung(kanal);
    kanal->SetAktiv(true);
    FakeDateiSenden erste("TEST.ZIP", 2048);
    FakeDateiSenden zweite("ANDERE.TXT", 10);
    erste.prozent = 42.46F;

    std::thread transfer([&] { kanal->Notify(&erste); });
    EXPECT_TRUE(PumpUntil([&] { return fenster.progressVisible; }));
    transfer.join();
    EXPECT_EQ(fenster.StatusPanel(1), "TEST.ZIP (2k)");
    EXPECT_EQ(fenster.progressLabel, "42.5%");
    EXPECT_EQ(fenster.progressPercent, 42);

    test::TraceLines trace;
    zweite.prozent = 99.0F;
    kanal->Notify(&zweite);
    EXPECT_TRUE(trace.Contains("DateiSenden = "));
    EXPECT_TRUE(trace.Contains("          D = "));
    EXPECT_EQ(fenster.StatusPanel(1), "TEST.ZIP (2k)");
    EXPECT_EQ(fenster.progressLabel, "42.5%");

    erste.zustand = 0;
    kanal->Notify(&erste);
    EXPECT_FALSE(fenster.progressVisible);
}

// A device with one radio port that records the UI frames it is given.
class UIPort final : public IFunkKanal {
public:
    std::vector<std::string> sent;
    bool deviceRunning = true;
    std::string GetName() const override { return "Port 1"; }
    bool SendUI(std::string_view destination, std::string_view myCall, std::string_view text) override {
        if (!deviceRunning)
            return false;
        sent.push_back(std::string(destination) + ">" + std::string(myCall) + ":" + std::string(text));
        return true;
    }
    std::string GetBezeichnung() const override { return {}; }
    void SetBezeichnung(std::string_view) override {}
    void SetNummer(int) override {}
    int GetNummer() const override { return 0; }
    TConnectResult VerbindeKurz(std::string&, std::string&, std::shared_ptr<IKanal>&) override {
        return TConnectResult::NoDevice;
    }
    TConnectResult Verbinde(std::string&, std::string&, std::shared_ptr<IVerbindung>&,
                            std::shared_ptr<IKanal>&) override {
        return TConnectResult::NoDevice;
    }
    bool IsFlexnet() const override { return false; }
    void SetName(std::string_view) override {}
};

class UIGeraet final : public TGeraet {
public:
    std::shared_ptr<UIPort> port = std::make_shared<UIPort>();
    void Run() override {}
    std::string TypName() const override { return "Test"; }
    std::string KlassenName() const override { return "TGeraetUITest"; }
    int EinstellungenSeite(QWidget*) override { return 0; }
    void EinstellungenSchliessen() override {}
    void EinstellungenUebernehmen() override {}
    int GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>& ports, int) override {
        ports.push_back(port);
        return 1;
    }
    TConnectResult Verbinde(const std::shared_ptr<IFunkKanal>&, std::string&, std::shared_ptr<IVerbindung>&,
                            const std::shared_ptr<IKanal>&, std::string&) override {
        return TConnectResult::NoDevice;
    }
    void Trenne(const std::shared_ptr<IVerbindung>&) override {}
    void Restore() override {}
    bool SendUI(const std::shared_ptr<IFunkKanal>&, std::string_view, std::string_view,
                std::string_view) override {
        return false;
    }
};

TEST_F(KanalTest, TypedLineOnTheMonitorGoesOutAsUIFrameOrTellsWhatIsMissing) {
    TGeraete geraete;
    auto device = std::make_shared<UIGeraet>();
    geraete.Geraete().push_back(device);
    const auto monitor = Kanal(0);

    QString shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<TDlgMessage*>(QApplication::activeModalWidget())) {
            shown = box->Label()->text() + " / " + box->windowTitle();
            box->Buttons().front()->click();
        }
    });
    answer.start(10);
    const auto typed = [&] {
        shown.clear();
        monitor->TextEingegeben("CQ de DL1XYZ\r");
        return shown;
    };

    config.SetPort("Port 1");
    config.SetMyCall("DL1XYZ");
    EXPECT_EQ(typed(), "Kein Ziel für UI-Pakete ausgewählt. / Quarn");
    config.SetDestination("CQ");
    config.SetMyCall("");
    EXPECT_EQ(typed(), "Kein eigenes Rufzeichen für UI-Pakete ausgewählt. / Quarn");
    config.SetMyCall("DL1XYZ");
    config.SetPort("Port 2");
    EXPECT_EQ(typed(), "Kein Kanal für UI-Pakete ausgewählt. / Quarn");
    EXPECT_TRUE(device->port->sent.empty());

    config.SetPort("Port 1");
    EXPECT_EQ(typed(), "");
    EXPECT_EQ(device->port->sent, std::vector<std::string>{"CQ>DL1XYZ:CQ de DL1XYZ\r"});
    geraete.Geraete().clear();
}

TEST_F(KanalTest, AUiLineTheDeviceRefusesIsToldOnTheMonitor) {
    TGeraete geraete;
    auto device = std::make_shared<UIGeraet>();
    device->port->deviceRunning = false;
    geraete.Geraete().push_back(device);
    const auto monitor = Kanal(0);
    config.SetPort("Port 1");
    config.SetMyCall("DL1XYZ");
    config.SetDestination("CQ");

    monitor->TextEingegeben("CQ de DL1XYZ\r");

    TConsole& console = *monitor->GetConsole();
    const int row = ZeileMit(console, "<Quarn>: UI-Paket nicht gesendet");
    ASSERT_GE(row, 0);
    EXPECT_NE(Zeile(console, row).find("Port 1"), std::string::npos);
    EXPECT_EQ(*console.AttrPtr(0, row), kanalfarbe::kPrompt3);
    geraete.Geraete().clear();
}

TEST_F(KanalTest, TypedLineOnAConnectedChannelGoesToTheConnectionWithItsSound) {
    store.WriteDWord(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Klaenge\\09", "Signal", 2);
    auto recording = std::make_shared<test::Recording>();
    TKlaenge klaenge(store, std::make_unique<test::RecordingSink>(recording));
    const auto kanal = Kanal(1);
    const auto connection = Verbindung(kanal);

    kanal->SetDosUmlaute(true);
    kanal->TextEingegeben("\xE4 Gr\xFC\xDF"
                          "e\r");
    connection->stationTyp = TStationType::st_box;
    kanal->SetDosUmlaute(false);
    kanal->TextEingegeben("\xE4\r");
    connection->stationTyp = TStationType::st_digi;
    kanal->TextEingegeben("x\r");
    kanal->TextEingegeben("");

    ASSERT_EQ(connection->sent.size(), 3u);
    EXPECT_EQ(connection->sent[0].text, "\x84 Gr\x81\xE1"
                                        "e\r"); // the DOS code page
    EXPECT_FALSE(connection->sent[0].wrap);
    EXPECT_TRUE(connection->sent[0].echo && connection->sent[0].escapes && connection->sent[0].typed);
    EXPECT_EQ(connection->sent[1].text, "\xE4\r");
    EXPECT_TRUE(connection->sent[1].wrap);
    EXPECT_FALSE(connection->sent[2].wrap);
    EXPECT_TRUE(recording->WaitUntil([](const std::vector<test::RecordedSound>& sounds) {
        return !sounds.empty() && test::MelodyEvent(sounds.front()) == 9;
    }));
}

// Workers keep calling while the channel is released on the GUI thread: nothing reaches a widget that
// is gone, and nothing more is shown afterwards.
TEST_F(KanalTest, CallsRacingTheReleaseEndQuietly) {
    const auto kanal = Kanal(1);
    kanal->SetAktiv(true);
    std::atomic<bool> stop{false};
    std::atomic<int> running{0};
    std::atomic<int> calls{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        ++running;
        workers.emplace_back([&, w] {
            const std::shared_ptr<IKanalFuerVerbindung> channel = kanal;
            while (!stop.load()) {
                switch ((calls++ + w) % 8) {
                case 0:
                    channel->TextEmpfangen("text\r");
                    break;
                case 1:
                    channel->Prompt("Hallo", 0);
                    break;
                case 2:
                    kanal->MonitorAusgabe("[kopf]", "info", false);
                    break;
                case 3:
                    kanal->Ausgabe(1, "aus\r");
                    break;
                case 4:
                    channel->SetVerbindung(std::make_shared<FakeVerbindung>("DB0ABC"));
                    break;
                case 5:
                    channel->Verbunden();
                    break;
                case 6:
                    channel->Getrennt(0);
                    break;
                default:
                    channel->MarkiereZeile(3);
                    channel->StatusAktualisieren();
                    channel->StopAktualisieren();
                    break;
                }
            }
            --running;
        });
    }
    EXPECT_TRUE(PumpUntil([&] { return calls.load() > 400; }));
    kanal->Release();
    EXPECT_TRUE(kanal->IsReleased());
    const int atRelease = calls.load();
    EXPECT_TRUE(PumpUntil([&] { return calls.load() > atRelease + 400; }));
    stop = true;
    EXPECT_TRUE(PumpUntil([&] { return running.load() == 0; }));
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(kanal->Ausgabe(1, "spaet\r"), -1);
    EXPECT_EQ(kanal->GetConsole(), nullptr);
    EXPECT_FALSE(kanal->IsFrei());
    EXPECT_EQ(kanal->GetVerbindung(), nullptr);
    kanal->Release(); // a second release only traces
}

TEST_F(KanalTest, ConfiguredColoursResolveSystemColours) {
    config.SetColor(0, 0x80000005); // the window colour of the system
    config.SetColor(2, 0x0000FF);   // red as 0x00BBGGRR
    config.SetColor(5, 0x00FF00);
    const auto kanal = Kanal(1);
    EXPECT_EQ(kanal->GetConsole()->Color(), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(kanal->GetConsole()->GetPaletteColor(kanalfarbe::kEmpfangen), QColor(255, 0, 0));
    EXPECT_EQ(kanal->GetEingabe()->palette().color(QPalette::Base), QColor(0, 255, 0));
}

TEST_F(KanalTest, ScreenshotOfAConnectedChannel) {
    const std::filesystem::path fontFile = QUARN_BINARY_DIR "/bin/quarn.fon";
    const bool haveFont = std::filesystem::exists(fontFile) && AddFontResource(fontFile) > 0;
    const auto monitor = Kanal(0);
    const auto kanal = Kanal(1);
    if (haveFont) {
        monitor->SetFont(TerminalFont("08x12"));
        kanal->SetFont(TerminalFont("08x12"));
    }
    monitor->MonitorAusgabe("[DL1ABC > DB0XYZ UI+]", "Hallo Welt", false);
    monitor->MonitorAusgabe("[DB0XYZ > DL1ABC RR3v]", "", true);
    kanal->SetAktiv(true);
    const auto connection = Verbindung(kanal);
    kanal->Verbunden();
    kanal->TextEmpfangen("[DP-6.0-AB1DFHM$]\rHallo, hier ist die Mailbox DB0ABC in Musterstadt.\r");
    kanal->TextEmpfangen("DB0ABC (DL1XYZ)>\r");
    kanal->TextGesendet("l\r");
    kanal->Prompt("Die Datei wurde empfangen und unter dem Namen TEST.ZIP im Empfangsordner abgelegt, "
                  "bitte pruefen.",
                  0);
    kanal->Getrennt(0);
    fenster.window.show();
    QApplication::processEvents();
    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(fenster.window.grab().save(folder + "kanal_verbunden.png"));
    if (haveFont) {
        RemoveFontResource(fontFile);
    }
}

} // namespace
} // namespace quarn
