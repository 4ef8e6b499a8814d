// The channel set: how many channels, which one is current, the free-channel search for connects,
// growing and shrinking with their buffer files, and the monitor output.
#include "KanalTestFixture.h"
#include "TncSimHostmode.h"
#include "TraceLines.h"
#include "console/ConsoleU.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "devices/MonitorFrameU.h"
#include "foundation/ProgramGlobals.h"
#include "stations/fake_verbindung.h"

#include <gmock/gmock.h>

#include <atomic>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

namespace quarn {
namespace {

class KanaeleTest : public test::KanalFixture {
protected:
    void SetUp() override {
        KanalFixture::SetUp();
        std::filesystem::remove_all(AppDataFolder() / "Text Buffers");
    }

    std::filesystem::path Puffer(int number) const {
        return KanalPufferDatei(AppDataFolder() / "Text Buffers", number);
    }

    static void Verbinden(TKanaele& kanaele, int number) {
        kanaele.GetTKanal(number)->SetVerbindung(std::make_shared<test::FakeVerbindung>("DB0ABC"));
    }

    // The text of a console's rows, blanks at the ends dropped, empty rows left out.
    static std::vector<std::string> Zeilen(TConsole& console) {
        std::vector<std::string> rows;
        for (int row = 0; row < console.Rows(); ++row) {
            std::string text(reinterpret_cast<const char*>(console.TextPtr(0, row)), console.Cols());
            text.erase(text.find_last_not_of(' ') + 1);
            if (!text.empty()) {
                rows.push_back(text);
            }
        }
        return rows;
    }
};

TEST_F(KanaeleTest, CreatesTheStoredNumberOfChannelsWithChannelOneCurrent) {
    config.SetChannels(3);
    TKanaele kanaele(fenster);
    EXPECT_EQ(TKanaele::Instance(), &kanaele);
    EXPECT_EQ(kanaele.GetAnzahl(), 3);
    EXPECT_EQ(fenster.updates, 0);
    EXPECT_EQ(kanaele.GetAktuellNr(), 1);
    EXPECT_TRUE(kanaele.GetTKanal(1)->IsAktiv());
    EXPECT_EQ(kanaele.GetKontextKanal(), kanaele.GetKanal(1));
    EXPECT_EQ(kanaele.GetTKanal(0)->GetKnopf()->Caption(), "Monitor");
    EXPECT_EQ(kanaele.GetTKanal(2)->GetKnopf()->Caption(), "         ");
    EXPECT_EQ(kanaele.GetFont().family(), "quarn 08x12");
    for (int number = 0; number <= 3; ++number) {
        EXPECT_TRUE(std::filesystem::exists(Puffer(number))) << number;
    }
    EXPECT_EQ(kanaele.GetKanal(4), nullptr);

    kanaele.SetAktuellNr(3);
    EXPECT_EQ(kanaele.GetAktuellNr(), 3);
    EXPECT_FALSE(kanaele.GetTKanal(1)->IsAktiv());
    EXPECT_TRUE(kanaele.GetTKanal(3)->IsAktiv());
    EXPECT_TRUE(kanaele.GetTKanal(3)->GetKnopf()->Checked());
    EXPECT_FALSE(kanaele.GetTKanal(1)->GetKnopf()->Checked());
}

TEST_F(KanaeleTest, StoredCountOutsideTheRangeIsBroughtIntoItAndTraced) {
    for (const auto& [stored, used] : std::map<std::uint32_t, int>{{0, 1}, {99, 40}}) {
        store.WriteDWord(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn", "Channels", stored);
        test::TraceLines trace;
        TKanaele kanaele(fenster);
        EXPECT_EQ(kanaele.GetAnzahl(), used);
        EXPECT_TRUE(trace.Contains("FEHLER: " + std::to_string(stored))) << stored;
    }
}

TEST_F(KanaeleTest, ShrinkingStopsAtAConnectedChannelAndDeletesTheBufferFilesOfTheRest) {
    TKanaele kanaele(fenster);
    ASSERT_EQ(kanaele.GetAnzahl(), 8);
    Verbinden(kanaele, 6);
    kanaele.SetAktuellNr(7);

    kanaele.SetAnzahl(4);

    EXPECT_EQ(kanaele.GetAnzahl(), 6);
    EXPECT_EQ(config.GetChannels(), 6);
    EXPECT_FALSE(std::filesystem::exists(Puffer(7)));
    EXPECT_FALSE(std::filesystem::exists(Puffer(8)));
    EXPECT_TRUE(std::filesystem::exists(Puffer(6)));
    // The current channel went below the new count first.
    EXPECT_EQ(kanaele.GetAktuellNr(), 4);
    EXPECT_EQ(fenster.updates, 0);
}

TEST_F(KanaeleTest, ReservedChannelStopsTheShrinkAndAReleasedContextChannelIsForgotten) {
    config.SetChannels(5);
    TKanaele kanaele(fenster);
    // A device thread has just taken channel 3 for an incoming link.
    kanaele.GetKanal(3)->SetReserviert(true);
    kanaele.SetKontextKanal(kanaele.GetKanal(5));
    const std::shared_ptr<TKanal> fuenf = kanaele.GetTKanal(5);

    kanaele.SetAnzahl(1);

    EXPECT_EQ(kanaele.GetAnzahl(), 3);
    EXPECT_TRUE(fuenf->IsReleased());
    EXPECT_EQ(kanaele.GetKontextKanal(), kanaele.GetAktuell());
    EXPECT_EQ(config.GetChannels(), 3);
}

TEST_F(KanaeleTest, GrowingCreatesChannelsAndTheirFiles) {
    config.SetChannels(2);
    TKanaele kanaele(fenster);
    kanaele.SetAnzahl(5);
    EXPECT_EQ(kanaele.GetAnzahl(), 5);
    EXPECT_EQ(config.GetChannels(), 5);
    for (int number = 3; number <= 5; ++number) {
        ASSERT_NE(kanaele.GetTKanal(number), nullptr);
        EXPECT_EQ(kanaele.GetTKanal(number)->GetNummer(), number);
        EXPECT_TRUE(std::filesystem::exists(Puffer(number))) << number;
        EXPECT_EQ(kanaele.GetTKanal(number)->GetConsole()->font().family(), "quarn 08x12");
    }
    kanaele.SetAnzahl(41);
    EXPECT_EQ(kanaele.GetAnzahl(), 40);
}

TEST_F(KanaeleTest, FreeChannelSearchHandsEveryChannelOutOnceAcrossThreads) {
    TKanaele kanaele(fenster);
    Verbinden(kanaele, 2);
    std::mutex mutex;
    std::map<IKanal*, int> handedOut;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 100; ++i) {
                // Through the source the radio ports use.
                std::shared_ptr<IKanal> channel = kanaele.GetFreienKanal();
                if (channel) {
                    const std::lock_guard lock(mutex);
                    ++handedOut[channel.get()];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(handedOut.size(), 7u); // 1 and 3..8
    for (const auto& [channel, times] : handedOut) {
        EXPECT_EQ(times, 1) << channel->GetNummer();
        EXPECT_TRUE(channel->GetReserviert());
    }
    EXPECT_FALSE(kanaele.GetKanal(2)->GetReserviert());
    EXPECT_FALSE(kanaele.GetKanal(0)->GetReserviert());

    // Every channel taken: none, and nothing more is reserved.
    kanaele.GetKanal(5)->SetReserviert(false);
    Verbinden(kanaele, 5);
    EXPECT_EQ(kanaele.GetFreienKanal(), nullptr);
    EXPECT_FALSE(kanaele.GetKanal(5)->GetReserviert());
}

TEST_F(KanaeleTest, MonitorLinesAndNoticesReachChannelZeroFromDeviceThreads) {
    TKanaele kanaele(fenster);
    std::atomic<bool> done{false};
    std::thread device([&] {
        TMonitorFrame frame;
        frame.from = "DL1ABC";
        frame.to = "DB0XYZ";
        frame.information = "Hallo Welt";
        kanaele.MonitorZeile(frame);
        frame.from.clear(); // no sender: nothing is shown
        kanaele.MonitorZeile(frame);
        kanaele.MonitorMeldung("[TNC 1: Init]", "  Y1: ok");
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    device.join();
    TConsole& monitor = *kanaele.GetTKanal(0)->GetConsole();
    const std::vector<std::string> rows = Zeilen(monitor);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_NE(rows[0].find("DL1ABC"), std::string::npos);
    EXPECT_EQ(rows[1], "Hallo Welt");
    EXPECT_EQ(rows[2], "[TNC 1: Init]");
    EXPECT_EQ(rows[3], "  Y1: ok");
    EXPECT_EQ(*monitor.AttrPtr(0, monitor.GetCursorRow() - 1), kanalfarbe::kMonitorMeldung);
}

// A host-mode device whose monitor notice the test gives.
class MeldendesGeraet : public test::TncSimHostmode {
public:
    using TncSimHostmode::TncSimHostmode;
    void Melden(std::string_view header, std::string_view text) { MonitorMeldung(header, text); }
};

TEST_F(KanaeleTest, HostModeNoticesReachTheMonitorWhileTheSetExistsAndAreTraced) {
    tncsim::TncSimCore tnc;
    auto device = std::make_shared<MeldendesGeraet>(tnc);
    {
        TKanaele kanaele(fenster);
        test::TraceLines trace;
        std::atomic<bool> done{false};
        std::thread worker([&] {
            device->Melden("[TNC Fake: Init]", "  Y4: ok\r");
            done = true;
        });
        EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
        worker.join();
        EXPECT_TRUE(trace.Contains("MonitorMeldung: [TNC Fake: Init]"));
        const std::vector<std::string> rows = Zeilen(*kanaele.GetTKanal(0)->GetConsole());
        EXPECT_EQ(rows, (std::vector<std::string>{"[TNC Fake: Init]", "  Y4: ok"}));
    }
    // Without a channel set only the trace gets it.
    test::TraceLines trace;
    device->Melden("[TNC Fake: Init]", "danach");
    EXPECT_TRUE(trace.Contains("danach"));
}

TEST_F(KanaeleTest, ConsoleBufferThatCannotBeOpenedTellsTheOperatorAndEndsWithCodeFive) {
    // A file where the buffer folder belongs: no buffer can be made.
    std::filesystem::create_directories(AppDataFolder());
    std::ofstream(AppDataFolder() / "Text Buffers") << "kein Ordner";
    // Offscreen nobody could answer a message box: the operator is told on standard error.
    testing::internal::CaptureStderr();
    try {
        TKanaele kanaele(fenster);
        ADD_FAILURE() << "no exception";
    } catch (const EKonsolenpuffer& error) {
        EXPECT_EQ(error.ExitCode(), 5);
    }
    EXPECT_THAT(
        testing::internal::GetCapturedStderr(),
        testing::HasSubstr("Quarn: Fehler beim Öffnen der Textpuffer. Bitte starten Sie Windows neu.\n"));
    EXPECT_EQ(TKanaele::Instance(), nullptr);
    std::filesystem::remove(AppDataFolder() / "Text Buffers");
}

} // namespace
} // namespace quarn
