// Sending AutoBIN: the header, waiting for the answer, the data, the ends, and both ways over a link.
#include "AutobinFixture.h"
#include "connections/send/DateiSendenU.h"
#include "connections/transfer/DosDatumU.h"
#include "connections/transfer/VerbindungAutobinSendU.h"
#include "foundation/FileStreamKioU.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <thread>

namespace quarn::test {
namespace {

namespace fs = std::filesystem;
using enum TStationType;
using namespace std::chrono_literals;

class OffenSend final : public TVerbindungAutobinSend {
public:
    using TVerbindungAutobinSend::ReceiveData;
    using TVerbindungAutobinSend::SendData;
    using TVerbindungAutobinSend::TransmitQueueEmpty;
    using TVerbindungAutobinSend::TVerbindungAutobinSend;
};

// A send item on a file whose date stamp is `datum`.
std::shared_ptr<TDateiSenden> Auftrag(const std::shared_ptr<IVerbindung>& connection, const fs::path& file,
                                      std::uint32_t datum) {
    auto item = std::make_shared<TDateiSenden>(connection);
    auto stream = std::make_unique<TFileStreamKio>();
    stream->SetFileName(file);
    stream->SetMode(fmOpenRead | fmShareDenyWrite);
    stream->Open();
    EXPECT_TRUE(SetDosDatumDatei(stream->Handle(), datum));
    item->SetStream(std::move(stream));
    item->SetProtokoll(2);
    item->SetAnzeigename(file.filename().string());
    return item;
}

class AutobinSenden : public AutobinFixture {
protected:
    void TearDown() override {
        if (sender) {
            sender->Release();
        }
        AutobinFixture::TearDown();
    }
    void Beginne(const std::string& name, const std::string& daten, std::uint32_t datum) {
        const fs::path file = quelle / name;
        WriteFile(file, daten);
        connection->SetDateiSenden(Auftrag(connection, file, datum));
        sender = TVerbindungAbstract::Erzeuge<OffenSend>(nullptr, connection);
    }
    // Plays the device after "#OK#": takes what was queued until the file is through.
    std::string Daten() {
        std::string sent;
        for (int runde = 0; runde < 100000 && sender->GetActive(); ++runde) {
            sender->TransmitQueueEmpty();
            if (connection->transmit.IsEmpty()) {
                break;
            }
            while (!connection->transmit.IsEmpty()) {
                sent += connection->transmit.PopString();
            }
        }
        return sent;
    }
    void Antwort(const std::string& line) {
        connection->receive.PushString(line);
        sender->ReceiveData();
    }

    TempDir quelle;
    std::shared_ptr<OffenSend> sender;
};

TEST_F(AutobinSenden, HeaderMatchesWhatRealStationsWroteByteForByte) {
    struct Fall {
        const char* name;
        const char* daten;
        std::uint32_t datum;
        const char* kopf;
    };
    const Fall faelle[] = {
        {"bcmtest.bin", "bcm_bcmtest.bin", 0x5D89B0D7u, "#BIN#6000#|63678#$5D89B0D7#bcmtest.bin\r"},
        {"test.bin", "autobin_terminal_to_tnt.bin", 0x58221883u, "#BIN#5000#|50088#$58221883#test.bin\r"},
    };
    for (const Fall& fall : faelle) {
        Beginne(fall.name, TestDaten(fall.daten), fall.datum);
        EXPECT_EQ(connection->transmit.PopString(), fall.kopf);
        EXPECT_TRUE(connection->transmit.IsEmpty());
        sender->AbortTransfer();
        sender->EventLoop();
        sender->Release();
    }
    // What we sent to another terminal program, as recorded.
    std::string kopf;
    std::string daten;
    for (const auto& frame : LiesTrace("autobin_terminal_to_tnt.trace")) {
        if (frame.richtung == '>') {
            (kopf.empty() ? kopf : daten) += frame.bytes;
        }
    }
    EXPECT_EQ(kopf, faelle[1].kopf);
    EXPECT_EQ(daten.substr(0, 5000), TestDaten("autobin_terminal_to_tnt.bin"));
}

TEST_F(AutobinSenden, DataFlowsOnlyAfterTheAnswerInPiecesOfAtMostFiveTimes256) {
    const std::string inhalt = TestDaten("autobin_terminal_to_tnt.bin");
    Beginne("test.bin", inhalt, 0x58221883u);
    connection->transmit.PopString();
    std::thread loop([&] { sender->EventLoop(); });
    std::this_thread::sleep_for(50ms);
    connection->receive.PushString("Irgendwas\r#OK");
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(connection->transmit.IsEmpty()); // nothing before the answer
    connection->receive.PushString("#\r");
    std::string daten;
    std::size_t groesstesStueck = 0;
    int meisteStuecke = 0; // the sender fills the queue only once it ran empty
    for (auto bis = std::chrono::steady_clock::now() + 10s;
         daten.size() < inhalt.size() && std::chrono::steady_clock::now() < bis;) {
        meisteStuecke = std::max(meisteStuecke, connection->transmit.Count());
        while (!connection->transmit.IsEmpty()) {
            const std::string stueck = connection->transmit.PopString();
            groesstesStueck = std::max(groesstesStueck, stueck.size());
            daten += stueck;
        }
        std::this_thread::sleep_for(1ms);
    }
    loop.join();
    EXPECT_EQ(daten, inhalt);
    EXPECT_LE(groesstesStueck, 256U);
    EXPECT_LE(meisteStuecke, 5);
    EXPECT_EQ(connection->job, nullptr);
}

TEST_F(AutobinSenden, RefusalAbortAndStopEndTheTransfer) {
    struct Fall {
        const char* ende;
        bool daten; // the answer comes after data began
        TStationType typ;
        std::vector<std::string> gesendet;
        std::vector<std::string> prompts;
    };
    const std::string abbruch = "Autobin-Senden abgebrochen.";
    const Fall faelle[] = {
        {"#NO#\r", false, st_box, {}, {"3 " + abbruch}},
        {"#ABORT#\r", true, st_box, {}, {"3 " + abbruch}},
        {"stop", true, st_terminal, {"\r<Quarn>: " + abbruch + "\r"}, {}},
        {"#NO#\r", true, st_terminal, {"<Quarn>: Autobin-Senden ok.\r"}, {}}, // ignored once data flows
    };
    for (const Fall& fall : faelle) {
        connection->typ = fall.typ;
        connection->sent.clear();
        connection->prompts.clear();
        Beginne("x.bin", std::string(3000, 'x'), 0x58221883u);
        connection->transmit.PopString();
        if (fall.daten) {
            Antwort("#OK#\r");
            sender->TransmitQueueEmpty();
        }
        if (std::string(fall.ende) == "stop") {
            sender->Stop();
        } else {
            Antwort(fall.ende);
        }
        if (fall.gesendet.size() == 1 && fall.gesendet[0].find("ok") != std::string::npos) {
            Daten();
        }
        sender->EventLoop();
        std::string rest;
        while (!connection->transmit.IsEmpty()) {
            rest += connection->transmit.PopString();
        }
        EXPECT_EQ(rest.ends_with("#ABORT#\r"), std::string(fall.ende) == "stop") << fall.ende;
        connection->sent.erase(connection->sent.begin()); // the text before
        if (!fall.gesendet.empty() && fall.gesendet[0].find("ok") != std::string::npos) {
            connection->sent.erase(connection->sent.begin()); // the text after
        }
        EXPECT_EQ(connection->sent, fall.gesendet) << fall.ende;
        EXPECT_EQ(connection->prompts, fall.prompts) << fall.ende;
        sender->Release();
    }
}

TEST_F(AutobinSenden, TypedLinesGoToATerminalAsChatBetweenTheData) {
    connection->typ = st_terminal;
    Beginne("x.bin", std::string(600, 'x'), 0x58221883u);
    connection->transmit.PopString();
    Antwort("#OK#\r");
    sender->TransmitQueueEmpty();
    connection->typed.PushString("Hallo du\r");
    sender->SendData();
    std::string gesendet;
    while (!connection->transmit.IsEmpty()) {
        gesendet += connection->transmit.PopString();
    }
    EXPECT_EQ(gesendet, std::string(600, 'x') + "SP\\-Hallo du\r");
    sender->Stop();
    sender->EventLoop();
}

TEST_F(AutobinSenden, EmptyFileEndsAtTheFirstEmptyQueue) {
    Beginne("leer", "", 0x58221883u);
    EXPECT_EQ(connection->transmit.PopString(), "#BIN#0#|0#$58221883#leer\r");
    Antwort("#OK#\r");
    sender->TransmitQueueEmpty();
    EXPECT_TRUE(connection->transmit.IsEmpty());
    sender->EventLoop(); // Finish was called: the loop ends at once
}

// ---- both ways over a link that cuts and joins the pieces at random ----

// A connection whose texts go onto its own queues, as the real one's do.
class LinkVerbindung final : public FakeModulVerbindung {
public:
    std::string Get_Call() const override { return "DB0ABC-8"; }
    std::string Get_MyCall() const override { return "DL1XYZ-2"; }
    std::shared_ptr<IKanalFuerVerbindung> GetKanal() const override { return kanal_; }
    std::shared_ptr<IRemoteCommands> GetRemoteCommands() const override { return remote_; }
    void SendeText(std::string_view text, bool, bool, bool, bool typed) override {
        (typed ? this->typed : transmit).PushString(text);
    }
    void SetDateiSenden(std::shared_ptr<IDateiSenden> job) override {
        const std::lock_guard lock(jobLock_);
        job_ = std::move(job);
    }
    std::shared_ptr<IDateiSenden> GetDateiSenden() const override {
        const std::lock_guard lock(jobLock_);
        return job_;
    }

private:
    std::shared_ptr<MarkKanal> kanal_ = std::make_shared<MarkKanal>();
    std::shared_ptr<FakeRemote> remote_ = std::make_shared<FakeRemote>();
    mutable std::mutex jobLock_;
    std::shared_ptr<IDateiSenden> job_;
};

class Strecke {
public:
    Strecke(LinkVerbindung& a, LinkVerbindung& b, unsigned seed) : a_(a), b_(b), zufall_(seed) {
        pumpe_ = std::thread([this] { Pumpen(); });
    }
    ~Strecke() {
        stop_ = true;
        pumpe_.join();
    }

private:
    void Pumpen() {
        while (!stop_) {
            Richtung(a_, b_, pufferAb_);
            Richtung(b_, a_, pufferBa_);
            std::this_thread::sleep_for(200us);
        }
    }
    void Richtung(LinkVerbindung& von, LinkVerbindung& nach, std::string& puffer) {
        while (!von.transmit.IsEmpty()) {
            puffer += von.transmit.PopString();
        }
        while (!puffer.empty()) {
            // Mostly single frames; now and then two arrive as one piece.
            std::size_t n = std::uniform_int_distribution<std::size_t>(1, 256)(zufall_);
            if (zufall_() % 8 == 0) {
                n += std::uniform_int_distribution<std::size_t>(1, 256)(zufall_);
            }
            n = std::min(n, puffer.size());
            nach.receive.PushString(std::string_view(puffer).substr(0, n));
            puffer.erase(0, n);
        }
    }
    LinkVerbindung& a_;
    LinkVerbindung& b_;
    std::mt19937 zufall_;
    std::string pufferAb_;
    std::string pufferBa_;
    std::atomic<bool> stop_{false};
    std::thread pumpe_;
};

TEST_F(AutobinSenden, BothWaysOverARechunkingLinkTheFileArrivesWithItsDate) {
    std::mt19937 zufall(4711);
    std::string inhalt(70000, '\0');
    for (char& c : inhalt) {
        c = static_cast<char>(zufall());
    }
    inhalt.replace(1000, 14, "\r#BIN#5#x\r#OK#");
    auto eins = std::make_shared<LinkVerbindung>();
    auto zwei = std::make_shared<LinkVerbindung>();
    for (const bool hin : {true, false}) {
        auto& sendend = hin ? eins : zwei;
        auto& empfangend = hin ? zwei : eins;
        const std::string name = hin ? "hin.bin" : "zurueck.bin";
        WriteFile(quelle / name, inhalt);
        const Strecke strecke(*eins, *zwei, hin ? 1 : 2);

        std::thread empfaenger([&] {
            const auto standard = TVerbindungAbstract::Erzeuge<OffenerStandard>(nullptr, empfangend);
            empfangend->SetModul(standard);
            standard->EventLoop();
            standard->Release();
        });
        std::thread absender([&] {
            sendend->SetDateiSenden(Auftrag(sendend, quelle / name, 0x58221883u));
            const auto handler = TVerbindungAbstract::Erzeuge<TVerbindungAutobinSend>(nullptr, sendend);
            handler->EventLoop();
            handler->Release();
        });
        absender.join();
        const fs::path ziel = empfang / name;
        for (auto bis = std::chrono::steady_clock::now() + 20s;
             !(fs::exists(ziel) && Unfertig().empty()) && std::chrono::steady_clock::now() < bis;) {
            std::this_thread::sleep_for(5ms);
        }
        empfangend->disconnect.Set();
        empfaenger.join();
        empfangend->disconnect.Reset();
        EXPECT_TRUE(ReadFile(ziel) == inhalt) << name;
        struct stat info {};
        ::stat(ziel.c_str(), &info);
        EXPECT_EQ(info.st_mtim.tv_sec, 1704164646) << name;
    }
}

} // namespace
} // namespace quarn::test
