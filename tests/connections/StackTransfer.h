#pragma once

// File transfers between two whole stations on a 9,600-baud air. A sends a file the way the send dialog
// does (a send item queued on its connection, which A's standard handler starts); B's standard handler
// recognises the start and receives into a temporary receive folder. Both channels listen to their
// link's status as a shown channel does.
//
// Another protocol needs its handlers registered and one call:
//     Uebertrage(SendeVonA(Quelldatei(name, inhalt, datum), protokoll), {empfang_.path() / name, inhalt,
//     datum});
//
// The air and the TNCs run on a clock kZeitraffer times as fast as the wall clock, so the 9,600 baud
// pass in a fraction of their real time; the devices, connections and the bit-rate tick run in real time.
#include "StackFixture.h"
#include "connections/send/DateiSendenPraeprozessorU.h"
#include "devices/TncSimHostmode.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/OrdnerU.h"
#include "support/FileContents.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <utime.h>
#include <vector>

namespace quarn::test {

constexpr unsigned kZeitraffer = 5;

class ZeitrafferUhr final : public IClock {
public:
    explicit ZeitrafferUhr(unsigned faktor) : faktor_(faktor) {}
    std::uint64_t NowMs() const override {
        const auto real = std::chrono::steady_clock::now() - start_;
        return static_cast<std::uint64_t>(
                   std::chrono::duration_cast<std::chrono::microseconds>(real).count()) *
               faktor_ / 1000;
    }
    void SleepMs(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::microseconds(std::uint64_t(milliseconds) * 1000 / faktor_));
    }

private:
    unsigned faktor_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Lives to the end of the program, past every air and TNC that reads it.
inline const IClock& Zeitraffer() {
    static ZeitrafferUhr uhr(kZeitraffer);
    return uhr;
}

// What B's receive folder must hold when a transfer is through.
struct Ankunft {
    std::filesystem::path datei;
    std::string inhalt;
    std::optional<std::time_t> datum; // modification time, seconds; none for a protocol that keeps no date
};

class StackTransferTest : public StackTest {
protected:
    static constexpr int kBaud = 9600;

    StackTransferTest() : StackTest(tncsim::AirOptions{.baud = kBaud}, &Zeitraffer()) {}

    void SetUp() override {
        StackTest::SetUp();
        TOrdner().SetEmpfang(empfang_.path());
        Start(a_, "DL1AAA");
        Start(b_, "DL2BBB");
        atA_ = std::make_shared<StackKanal>(1);
        ConnectAToB();
        ASSERT_TRUE(atB_);
        atA_->Connection()->GetStatus()->SetListener(atA_);
        atB_->Connection()->GetStatus()->SetListener(atB_);
    }
    void TearDown() override {
        if (atA_ && atA_->Connection()) {
            atA_->Connection()->Disconnect();
            EXPECT_TRUE(PumpUntil([&] { return !atA_->Connection() && (!atB_ || !atB_->Connection()); }));
        }
        atA_.reset();
        atB_.reset();
        b_.Stop();
        a_.Stop();
        StackTest::TearDown();
    }

    // A file in A's folder with the given content and modification time.
    std::filesystem::path Quelldatei(const std::string& name, const std::string& inhalt, std::time_t datum) {
        const std::filesystem::path datei = quelle_.path() / name;
        WriteFile(datei, inhalt);
        const utimbuf zeiten{datum, datum};
        EXPECT_EQ(::utime(datei.c_str(), &zeiten), 0);
        return datei;
    }

    // The send dialog's way: the file whole, as one item on A's send queue, with `protokoll`.
    std::function<void()> SendeVonA(const std::filesystem::path& datei, std::uint8_t protokoll) {
        return [this, datei, protokoll] {
            auto stream = std::make_unique<TFileStreamKio>();
            stream->SetFileName(datei);
            stream->SetMode(fmOpenRead | fmShareDenyWrite);
            stream->Open();
            ASSERT_TRUE(stream->IsOpen()) << datei;
            TDateiSendenPraeprozessor(std::move(stream), datei, atA_->Connection(), protokoll).Execute();
        };
    }

    // Starts a transfer and waits until the receive folder holds the file whole and both sides are done;
    // then checks the file, its date, and (with `anzeige`) what both channels showed of progress and bit
    // rate.
    void Uebertrage(const std::function<void()>& starte, const Ankunft& erwartet, bool anzeige = true,
                    int limitMs = 60000) {
        const auto sender = atA_->Connection();
        const auto empfaenger = atB_->Connection();
        // What the channels showed of an earlier transfer is not this one's.
        const std::size_t fortschritteA = atA_->Fortschritte().size();
        const std::size_t fortschritteB = atB_->Fortschritte().size();
        const std::size_t ratenA = atA_->Bitraten().size();
        const std::size_t ratenB = atB_->Bitraten().size();
        starte();
        const auto size = static_cast<std::int64_t>(erwartet.inhalt.size());
        const bool durch = PumpUntil(
            [&] {
                std::error_code ignored;
                return std::filesystem::file_size(erwartet.datei, ignored) == erwartet.inhalt.size() &&
                       sender->GetDateiSendenQueue()->GetCount() == 0 && !sender->GetDateiSenden() &&
                       !empfaenger->GetDateiSenden();
            },
            limitMs);
        ASSERT_TRUE(durch) << Stand(*atA_) << "\n" << Stand(*atB_);
        EXPECT_TRUE(ReadFile(erwartet.datei) == erwartet.inhalt);
        if (erwartet.datum) {
            struct stat info {};
            ASSERT_EQ(::stat(erwartet.datei.c_str(), &info), 0);
            EXPECT_EQ(info.st_mtim.tv_sec, *erwartet.datum);
        }
        if (!anzeige) {
            return;
        }

        for (const bool amSender : {true, false}) {
            SCOPED_TRACE(amSender ? "sender's channel" : "receiver's channel");
            const StackKanal& kanal = amSender ? *atA_ : *atB_;
            ErwarteFortschritt(kanal, amSender ? fortschritteA : fortschritteB, size);
            // The rate was shown while data flowed, and its end cleared it.
            const std::size_t ab = amSender ? ratenA : ratenB;
            EXPECT_TRUE(PumpUntil([&] {
                const auto raten = kanal.Bitraten();
                return raten.size() > ab && raten.back() == 0;
            })) << Stand(kanal);
            const auto raten = kanal.Bitraten();
            int hoechste = 0;
            for (std::size_t i = ab; i < raten.size(); ++i) {
                hoechste = std::max(hoechste, raten[i]);
            }
            EXPECT_GT(hoechste, 0) << Stand(kanal);
        }
    }

    // The updates from `ab` on: the size throughout, position and percentage never back, a value
    // between 0 and 100 on the way, and the whole size at the end.
    static void ErwarteFortschritt(const StackKanal& kanal, std::size_t ab, std::int64_t size) {
        const auto alle = kanal.Fortschritte();
        std::vector<StackKanal::Fortschritt> laufend;
        std::copy_if(alle.begin() + static_cast<std::ptrdiff_t>(std::min(ab, alle.size())), alle.end(),
                     std::back_inserter(laufend),
                     [](const StackKanal::Fortschritt& f) { return f.zustand == 2; });
        ASSERT_FALSE(laufend.empty());
        bool dazwischen = false;
        for (std::size_t i = 0; i < laufend.size(); ++i) {
            EXPECT_EQ(laufend[i].groesse, size) << i;
            if (i > 0) {
                EXPECT_GE(laufend[i].position, laufend[i - 1].position) << i;
                EXPECT_GE(laufend[i].prozent, laufend[i - 1].prozent) << i;
            }
            dazwischen = dazwischen || (laufend[i].prozent > 0 && laufend[i].prozent < 100);
        }
        EXPECT_TRUE(dazwischen) << laufend.size() << " updates";
        EXPECT_EQ(laufend.back().position, size);
        EXPECT_EQ(laufend.back().prozent, 100.0F);
    }

    static std::string Stand(const StackKanal& kanal) {
        std::ostringstream text;
        const auto fortschritte = kanal.Fortschritte();
        text << "channel " << kanal.GetNummer() << ": " << fortschritte.size() << " progress updates";
        if (!fortschritte.empty()) {
            text << ", last " << int(fortschritte.back().zustand) << ' ' << fortschritte.back().position
                 << '/' << fortschritte.back().groesse;
        }
        const auto raten = kanal.Bitraten();
        text << "; bit rates:";
        for (std::size_t i = 0; i < raten.size(); ++i) {
            // The link's other status changes read a rate of 0 too; only the last of those counts.
            if (raten[i] != 0 || i + 1 == raten.size()) {
                text << ' ' << raten[i];
            }
        }
        text << "; events:";
        for (const std::string& event : kanal.Events()) {
            text << " [" << event << ']';
        }
        return text.str();
    }

    // A calls B as the GUI would; B's channel is the one handed out after the call.
    void ConnectAToB() {
        const std::size_t before = HandedOut().size();
        auto port = std::make_shared<TFunkKanal>(a_.device);
        port->SetNummer(-1);
        std::string path = "DL2BBB";
        std::string myCall = "DL1AAA";
        std::shared_ptr<IVerbindung> connection;
        ASSERT_EQ(a_.device->Verbinde(port, path, connection, atA_, myCall), TConnectResult::Connected);
        connection.reset();
        ASSERT_TRUE(PumpUntil([&] {
            const auto out = HandedOut();
            return atA_->Has("Verbunden") && atA_->Connection() && out.size() > before &&
                   out.back()->Has("Verbunden") && out.back()->Connection();
        })) << Stand(*atA_);
        atB_ = HandedOut().back();
    }

    TempDir quelle_;
    TempDir empfang_;
    StackStation a_;
    StackStation b_;
    std::shared_ptr<StackKanal> atA_;
    std::shared_ptr<StackKanal> atB_;
};

} // namespace quarn::test
