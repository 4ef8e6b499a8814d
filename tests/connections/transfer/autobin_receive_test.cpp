// Receiving AutoBIN: the header, the answers, the checks at the end, chat and the recorded sessions.
#include "AutobinFixture.h"
#include "connections/transfer/AutobinKopfU.h"
#include "connections/transfer/DosDatumU.h"
#include "connections/transfer/EmpfangsGroesseU.h"
#include "connections/transfer/VerbindungAutobinReceiveU.h"
#include "foundation/CrcU.h"

#include <chrono>
#include <sys/stat.h>
#include <thread>

namespace quarn::test {
namespace {

namespace fs = std::filesystem;
using enum TStationType;

class OffenReceive final : public TVerbindungAutobinReceive {
public:
    using TVerbindungAutobinReceive::ReceiveData;
    using TVerbindungAutobinReceive::TVerbindungAutobinReceive;
};

std::string Kopf(const std::string& daten, const std::string& rest) {
    return "#BIN#" + std::to_string(daten.size()) + "#|" +
           std::to_string(Crc16Buf(daten.data(), daten.size(), 0)) + rest + "\r";
}

std::time_t Zeit(const fs::path& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    return info.st_mtim.tv_sec;
}

class AutobinEmpfang : public AutobinFixture {
protected:
    void TearDown() override {
        if (receiver) {
            receiver->Release();
        }
        AutobinFixture::TearDown();
    }
    // The header, then each piece on its own, then the loop that ends it.
    void Empfange(const std::string& kopf, const std::vector<std::string>& pieces) {
        connection->receive.PushString(kopf);
        receiver = TVerbindungAbstract::Erzeuge<OffenReceive>(nullptr, connection);
        for (const auto& piece : pieces) {
            connection->receive.PushString(piece);
            receiver->ReceiveData();
        }
        receiver->EventLoop();
    }
    std::shared_ptr<OffenReceive> receiver;
};

TEST(AutobinKopf, FieldsAreReadInOrderAndEachMayBeMissing) {
    struct Fall {
        std::string kopf;
        std::int64_t laenge;
        bool crcGegeben;
        std::uint16_t crc;
        bool datumGegeben;
        std::uint32_t datum;
        std::string name;
    };
    const Fall faelle[] = {
        {"#BIN#123\r", 123, false, 0, false, 0, ""},
        {"#BIN#123#name.txt", 123, false, 0, false, 0, "name.txt"},
        {"#BIN#5000#|50088#$58221883#test.bin\r", 5000, true, 50088, true, 0x58221883, "test.bin"},
        {"#BIN#5#|65541#$1EDEADF0#X", 5, true, 5, true, 0x1EDEADF0, "X"},
        {"#BIN#5#|abc#$1EDEADF0#X", 5, false, 0, true, 0x1EDEADF0, "X"},
        {"#BIN#5#|7#$XYZ#X", 5, true, 7, false, 0, "X"},
        {"#BIN#5#|7#$FFFFFFFF#X", 5, true, 7, false, 0, "X"},
        {"#BIN#5#|7#$1ab", 5, true, 7, true, 0x1AB, ""},
        {"#BIN#5#$1#C:\\dos\\path/unix/datei.bin", 5, false, 0, true, 1, "datei.bin"},
        {"#BIN#5#D:name", 5, false, 0, false, 0, "name"},
        {"#BIN#5#|7#$1#", 5, true, 7, true, 1, ""},
        {"#BIN#abc#|7#x", -1, true, 7, false, 0, "x"},
        {"#BIN#-5#x", -1, false, 0, false, 0, "x"},
        {"#BIN##x", -1, false, 0, false, 0, "x"},
        {"#BIN#99999999999999999999999#x", -1, false, 0, false, 0, "x"},
        {"#BIN", -1, false, 0, false, 0, ""},
    };
    for (const Fall& fall : faelle) {
        const TAutobinKopf kopf = LiesAutobinKopf(fall.kopf);
        EXPECT_EQ(kopf.laenge, fall.laenge) << fall.kopf;
        EXPECT_EQ(kopf.crcGegeben, fall.crcGegeben) << fall.kopf;
        EXPECT_EQ(kopf.crc, fall.crc) << fall.kopf;
        EXPECT_EQ(kopf.datumGegeben, fall.datumGegeben) << fall.kopf;
        EXPECT_EQ(kopf.datum, fall.datum) << fall.kopf;
        EXPECT_EQ(kopf.name, fall.name) << fall.kopf;
    }
}

TEST(DosDatum, LayoutRoundTripAndTimesOutsideTheFormat) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(DosDatum(1704164646), 0x58221883u); // 2024-01-02 03:04:06
    EXPECT_EQ(DosDatum(1704164647), 0x58221883u); // odd seconds round down
    std::time_t zeit = 0;
    ASSERT_TRUE(DosDatumZeit(0x58221883u, zeit));
    EXPECT_EQ(zeit, 1704164646);
    EXPECT_EQ(DosDatum(315532799), kKeinDosDatum);  // 1979-12-31 23:59:59
    EXPECT_EQ(DosDatum(4354819200), kKeinDosDatum); // 2108-01-01
    EXPECT_FALSE(DosDatumZeit(0x00000000u, zeit));  // month 0, day 0
    EXPECT_FALSE(DosDatumZeit(0x5A5F0000u, zeit));  // 31 February
    EXPECT_FALSE(DosDatumZeit(0x5822BFFFu, zeit));  // 23:63
    EXPECT_EQ(DosDatumDatei(-1), kKeinDosDatum);
    ::unsetenv("TZ");
    ::tzset();
}

TEST_F(AutobinEmpfang, FileArrivesWithItsNameAndDateAndTheAnswers) {
    connection->typ = st_terminal;
    const std::string daten = "Daten\r#BIN#3\rmehr" + std::string(300, '\0');
    Empfange(Kopf(daten, "#$58221883#C:\\x\\ziel.bin"), {daten.substr(0, 7), daten.substr(7)});
    const fs::path ziel = empfang / "ziel.bin";
    ASSERT_TRUE(fs::exists(ziel));
    EXPECT_EQ(ReadFile(ziel), daten);
    EXPECT_EQ(Zeit(ziel), 1704164646);
    EXPECT_EQ(connection->sent, (std::vector<std::string>{"#OK#\r", "<Quarn>: Autobin-Empfang ok.\r"}));
    EXPECT_TRUE(Unfertig().empty());
    EXPECT_EQ(connection->job, nullptr);
}

TEST_F(AutobinEmpfang, OnlyTheLengthNeedsNoCrcAndNamesTheFileAfterTheRemoteCall) {
    connection->typ = st_terminal;
    Empfange("#BIN#4\r", {"abcd"});
    EXPECT_EQ(ReadFile(empfang / "DB0ABC-8.dat"), "abcd");
    EXPECT_EQ(connection->sent.back(), "<Quarn>: " + TVerbindungAutobinReceive::OhneCrc() + "\r");
}

TEST(EmpfangsGroesse, WhatTheFormatsOrTheFolderCannotHoldIsRefused) {
    using enum TEmpfangsGroesse;
    struct Fall {
        std::int64_t groesse;
        std::int64_t vorhanden;
        std::int64_t frei;
        TEmpfangsGroesse ergebnis;
    };
    const Fall faelle[] = {
        {0, 0, -1, Leer},
        {100, 0, 100, Passt},
        {101, 0, 100, KeinPlatz},
        {1, 0, 0, KeinPlatz},
        {3000, 2000, 1000, Passt}, // a resumed file holds its room already
        {3001, 2000, 1000, KeinPlatz},
        {0x7FFFFFFF, 0, -1, Passt}, // free space unknown: only the limit counts
        {0x80000000LL, 0, -1, ZuGross},
        {4294967301LL, 0, 1LL << 50, ZuGross},
    };
    for (const Fall& fall : faelle) {
        EXPECT_EQ(PruefeEmpfangsGroesse(fall.groesse, fall.vorhanden, fall.frei), fall.ergebnis)
            << fall.groesse << " " << fall.vorhanden << " " << fall.frei;
    }
    EXPECT_EQ(GroessenMeldung("Autobin", KeinPlatz, "5000", 1000, "/x/Incomplete Files"),
              "Autobin-Empfang abgelehnt: 5000 Bytes, aber nur 1000 Bytes frei in:\r/x/Incomplete Files");
}

TEST_F(AutobinEmpfang, LengthThatCannotBeStoredIsRefusedWithTheReasonAndTakesNothingAfterIt) {
    const std::string zuGross = " sind zu gro\xdf (h\xf6"
                                "chstens 2147483647 Bytes).";
    struct Fall {
        std::string kopf;
        std::string zeile;
    };
    const Fall faelle[] = {
        {"#BIN#99999999999#|1#gross.bin\r", "3 Autobin-Empfang abgelehnt: 99999999999 Bytes" + zuGross},
        {"#BIN#4294967301#|1#$58221883#gross.bin\r",
         "3 Autobin-Empfang abgelehnt: 4294967301 Bytes" + zuGross},
        {"#BIN#2147483648\r", "3 Autobin-Empfang abgelehnt: 2147483648 Bytes" + zuGross},
        {"#BIN#0#|0#leer.txt\r", "3 Autobin-Empfang abgelehnt: leere Datei (0 Bytes)."},
    };
    for (const Fall& fall : faelle) {
        connection->sent.clear();
        connection->prompts.clear();
        connection->receive.PushString(fall.kopf);
        receiver = TVerbindungAbstract::Erzeuge<OffenReceive>(nullptr, connection);
        // Refused at once: a reception that took the header would wait for its bytes for ever.
        ASSERT_EQ(connection->sent, std::vector<std::string>{"#NO#\r"}) << fall.kopf;
        connection->receive.PushString("Hallo\r");
        receiver->EventLoop();
        EXPECT_TRUE(Prompted(fall.zeile)) << fall.kopf;
        EXPECT_TRUE(Prompted("3 Autobin-Empfang abgebrochen.")) << fall.kopf;
        // What follows is the conversation again, for the standard handler.
        ASSERT_FALSE(connection->receive.IsEmpty()) << fall.kopf;
        EXPECT_EQ(connection->receive.PopString(), "Hallo\r") << fall.kopf;
        receiver->Release();
        receiver.reset();
    }
    EXPECT_TRUE(Dateien(empfang.path()).empty());
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(AutobinEmpfang, UnusableLengthIsRefusedAndLeavesNoFileAnywhere) {
    for (const std::string kopf : {"#BIN#abc#|1#x\r", "#BIN#-5#|1#x\r", "#BIN#\r"}) {
        connection->sent.clear();
        Empfange(kopf, {});
        EXPECT_EQ(connection->sent, std::vector<std::string>{"#NO#\r"}) << kopf;
        receiver->Release();
        receiver.reset();
    }
    EXPECT_TRUE(Dateien(empfang.path()).empty());
    EXPECT_TRUE(Unfertig().empty());
    EXPECT_EQ(NeuImTrash(), 0U);
}

TEST_F(AutobinEmpfang, IncompleteFileThatCannotBeCreatedIsRefusedWithoutRaising) {
    fs::create_directories(IncompleteFilesFolder().parent_path());
    WriteFile(IncompleteFilesFolder(), "kein Ordner");
    EXPECT_NO_THROW(Empfange("#BIN#3#|1#x\r", {"abc"}));
    EXPECT_EQ(connection->sent.front(), "#NO#\r");
    EXPECT_TRUE(Prompted("3 Autobin-Empfang abgebrochen."));
    EXPECT_TRUE(Dateien(empfang.path()).empty());
    fs::remove(IncompleteFilesFolder());
}

TEST_F(AutobinEmpfang, CrcMismatchKeepsTheFileOutOfTheReceiveFolder) {
    const std::string daten(600, 'x');
    Empfange("#BIN#600#|" + std::to_string(Crc16Buf(daten.data(), daten.size(), 0) ^ 1) + "#x.bin\r",
             {daten});
    EXPECT_TRUE(Prompted("3 Autobin-Empfang CRC-Fehler."));
    EXPECT_TRUE(Dateien(empfang.path()).empty());
    EXPECT_TRUE(Unfertig().empty());
    EXPECT_EQ(NeuImTrash(), 1U);
}

TEST_F(AutobinEmpfang, NameTooLongForTheFileSystemIsStoredShortenedAndReportedOk) {
    connection->typ = st_terminal;
    const std::string daten = "lang";
    Empfange(Kopf(daten, "#" + std::string(300, 'n') + ".bin"), {daten});
    EXPECT_EQ(ReadFile(empfang / (std::string(251, 'n') + ".bin")), daten);
    EXPECT_EQ(connection->sent.back(), "<Quarn>: Autobin-Empfang ok.\r");
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(AutobinEmpfang, StoreThatFailsIsReportedAsAFailureAndSaysWhereTheDataIs) {
    connection->typ = st_terminal;
    WriteFile(empfang / "datei", "");
    TOrdner().SetEmpfang(empfang / "datei" / "Empfang");
    const std::string daten(700, 'd');
    Empfange(Kopf(daten, "#x.bin"), {daten});
    EXPECT_EQ(connection->sent.back(), "\r<Quarn>: Autobin-Empfang abgebrochen.\r");
    const auto unfertig = Unfertig();
    ASSERT_EQ(unfertig.size(), 1U);
    EXPECT_EQ(ReadFile(unfertig[0]), daten);
    const bool gesagt =
        std::any_of(connection->prompts.begin(), connection->prompts.end(), [&](const auto& p) {
            return p.ends_with("Die Daten liegen weiterhin in:\r" + unfertig[0].string());
        });
    EXPECT_TRUE(gesagt);
    EXPECT_EQ(NeuImTrash(), 0U);
}

TEST_F(AutobinEmpfang, LinkGoingDownTellsTheChannelThatTheReceptionFailed) {
    connection->receive.PushString("#BIN#5000#x.bin\r");
    receiver = TVerbindungAbstract::Erzeuge<OffenReceive>(nullptr, connection);
    connection->receive.PushString("abc");
    receiver->ReceiveData();
    connection->disconnect.Set();
    receiver->EventLoop();
    connection->disconnect.Reset();
    EXPECT_TRUE(Prompted("3 Autobin-Empfang abgebrochen."));
    EXPECT_TRUE(Dateien(empfang.path()).empty());
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(AutobinEmpfang, ChatPiecesAreShownAndNotStoredAndAnAbortPieceEndsIt) {
    connection->typ = st_terminal;
    // A piece is looked at only as far as the file still reaches, so the chat comes while enough is due.
    const std::string daten = std::string(50, 'a') + std::string(50, 'b');
    Empfange(Kopf(daten, "#c.bin"), {daten.substr(0, 50), "SP\\-Hallo du\r", daten.substr(50)});
    EXPECT_EQ(ReadFile(empfang / "c.bin"), daten);
    EXPECT_EQ(connection->Shown(), std::vector<std::string>{"Hallo du\r"});
    receiver->Release();

    connection->sent.clear();
    Empfange(Kopf(daten, "#d.bin"), {daten.substr(0, 50), "#ABORT#\r"});
    EXPECT_FALSE(fs::exists(empfang / "d.bin"));
    EXPECT_EQ(connection->sent.back(), "\r<Quarn>: Autobin-Empfang abgebrochen.\r");
    EXPECT_TRUE(Unfertig().empty());
    EXPECT_EQ(NeuImTrash(), 1U); // the part that came
    receiver->Release();

    // Aborted before any data: the empty file is deleted, not put into the trash.
    Empfange(Kopf(daten, "#e.bin"), {"#ABORT#\r"});
    EXPECT_TRUE(Unfertig().empty());
    EXPECT_EQ(NeuImTrash(), 1U);
}

TEST_F(AutobinEmpfang, LocalStopDropsWhatTheRemoteStationStillSends) {
    // A mailbox that reads no input while it sends: every byte still comes after our "#ABORT#".
    const auto frames = LiesTrace("autobin_dl_box_abort.trace");
    std::string peer;
    for (const auto& frame : frames) {
        if (frame.richtung == '<') {
            peer += frame.bytes;
        }
    }
    const std::size_t kopf = peer.find("#BIN#");
    const std::size_t daten = peer.find('\r', kopf) + 1;
    connection->receive.PushString(peer.substr(kopf, daten - kopf));
    receiver = TVerbindungAbstract::Erzeuge<OffenReceive>(nullptr, connection);
    connection->receive.PushString(peer.substr(daten, 1000));
    receiver->ReceiveData();
    receiver->Stop();
    connection->receive.PushString(peer.substr(daten + 1000));
    receiver->EventLoop();
    EXPECT_EQ(connection->transmit.PopString(), "#ABORT#\r");
    ASSERT_FALSE(connection->receive.IsEmpty());
    EXPECT_EQ(connection->receive.PopString(), peer.substr(daten + 5000));
    EXPECT_TRUE(Dateien(empfang.path()).empty());
    EXPECT_TRUE(Unfertig().empty());
}

TEST_F(AutobinEmpfang, SecondStopOrLostLinkEndsTheDropping) {
    for (const bool link : {false, true}) {
        connection->receive.PushString("#BIN#5000#x\r");
        receiver = TVerbindungAbstract::Erzeuge<OffenReceive>(nullptr, connection);
        connection->receive.PushString("abc");
        receiver->ReceiveData();
        receiver->Stop();
        std::thread zweiter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (link) {
                connection->disconnect.Set();
            } else if (const auto modul = connection->GetModul()) {
                modul->Stop();
            }
        });
        receiver->EventLoop();
        zweiter.join();
        connection->disconnect.Reset();
        receiver->Release();
        receiver.reset();
    }
    EXPECT_TRUE(Unfertig().empty());
}

class AutobinAufzeichnung : public AutobinFixture {
protected:
    // Everything the peer sent, in its frames, after the standard handler started.
    void Abspielen(const std::string& trace) {
        Start();
        for (const auto& frame : LiesTrace(trace)) {
            if (frame.richtung == '<') {
                connection->receive.PushString(frame.bytes);
            }
        }
        handler->ReceiveData();
    }
};

TEST_F(AutobinAufzeichnung, MailboxThatDoesNotWaitForTheAnswerDeliversTheFile) {
    Abspielen("autobin_dl_box.trace");
    EXPECT_EQ(ReadFile(empfang / "test.bin"), TestDaten("autobin_dl_box.bin"));
    EXPECT_EQ(Zeit(empfang / "test.bin"), 1704164646);
    EXPECT_NE(std::find(connection->sent.begin(), connection->sent.end(), "#OK#\r"), connection->sent.end());
    EXPECT_NE(ShownText().find("BIN-RX OK"), std::string::npos); // the text after the file is lines again
}

TEST_F(AutobinAufzeichnung, OtherTerminalProgramsHeaderWithItsFixedDate) {
    Abspielen("autobin_tnt_to_terminal.trace");
    const fs::path ziel = empfang / "TEST.BIN";
    EXPECT_EQ(ReadFile(ziel), TestDaten("autobin_tnt_to_terminal.bin"));
    std::time_t erwartet = 0;
    ASSERT_TRUE(DosDatumZeit(0x1EDEADF0u, erwartet));
    EXPECT_EQ(Zeit(ziel), erwartet);
}

TEST_F(AutobinAufzeichnung, RealMailboxDataGivesTheHeadersCrc) {
    connection->typ = st_terminal;
    const std::string daten = TestDaten("bcm_bcmtest.bin");
    connection->receive.PushString("#BIN#6000#|63678#$5D89B0D7#bcmtest.bin\r");
    const auto receiver = TVerbindungAbstract::Erzeuge<OffenReceive>(nullptr, connection);
    for (std::size_t i = 0; i < daten.size(); i += 256) {
        connection->receive.PushString(daten.substr(i, 256));
    }
    receiver->ReceiveData();
    receiver->EventLoop();
    receiver->Release();
    EXPECT_EQ(connection->sent.back(), "<Quarn>: Autobin-Empfang ok.\r");
    EXPECT_EQ(ReadFile(empfang / "bcmtest.bin"), daten);
}

} // namespace
} // namespace quarn::test
