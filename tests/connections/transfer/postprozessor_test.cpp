// What happens to a received file: plain files move into the receive folder at a free name; BinSplit
// parts wait in the folder of incomplete files until their set is complete and are then joined.
#include "BinSplitTestWriter.h"
#include "connections/transfer/DateiEmpfangenPostprozessorU.h"
#include "connections/send/DateiSendenU.h"
#include "connections/FakeModulVerbindung.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/MemoryStreamU.h"
#include "foundation/OrdnerU.h"
#include "support/FileContents.h"
#include "support/TempDir.h"

#include "platform/Codepage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sys/stat.h>

namespace quarn::test {
namespace {

namespace fs = std::filesystem;

// A connection that records the system lines shown on its channel. The channel gets Windows-1252 text;
// it is kept as UTF-8, so the expected lines read as they do on screen.
class PromptVerbindung final : public FakeModulVerbindung {
public:
    void KanalPrompt(std::string_view text, int kind) override {
        const std::lock_guard lock(mutex_);
        prompts_.emplace_back(Cp1252ToUtf8(text), kind);
    }
    std::vector<std::pair<std::string, int>> Prompts() const {
        const std::lock_guard lock(mutex_);
        return prompts_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::string, int>> prompts_;
};

std::set<std::string> Namen(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class Postprozessor : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(eingang_);
        TOrdner().SetEmpfang(empfang_);
    }
    void TearDown() override {
        for (const auto& item : items_) {
            item->Release();
        }
    }

    // Hands `inhalt`, received as `name`, to the post-processor as a receiver does: the file lies in the
    // incomplete folder and the item's stream holds it locked. The item stays alive, as a receiver's may.
    // Returns the one system line shown.
    std::string Empfange(const std::string& name, const std::string& inhalt,
                         const std::string& anzeige = "") {
        const fs::path datei = eingang_ / name;
        WriteFile(datei, inhalt);
        auto stream = std::make_unique<TFileStreamKio>();
        stream->SetFileName(datei);
        stream->SetMode(fmOpenReadWrite | fmShareExclusive);
        stream->Open();
        EXPECT_TRUE(stream->IsOpen());
        auto item = std::make_shared<TDateiSenden>(verbindung_);
        item->SetDateiname(datei);
        item->SetAnzeigename(anzeige.empty() ? name : anzeige);
        item->SetStream(std::move(stream));
        items_.push_back(item);
        return Verarbeite(item);
    }

    std::string Verarbeite(const std::shared_ptr<TDateiSenden>& item) {
        const std::size_t vorher = verbindung_->Prompts().size();
        gespeichert_ = TDateiEmpfangenPostprozessor(verbindung_).Execute(item);
        const auto prompts = verbindung_->Prompts();
        EXPECT_EQ(prompts.size(), vorher + 1);
        if (prompts.size() != vorher + 1) {
            return {};
        }
        EXPECT_EQ(prompts.back().second, 3);
        return prompts.back().first;
    }

    // The path as the system line shows it.
    std::string Im(const fs::path& folder, const std::string& name) const { return (folder / name).string(); }

    TempDir dir_;
    const fs::path eingang_ = dir_ / "Incomplete Files";
    const fs::path empfang_ = dir_ / "Empfang";
    const std::shared_ptr<PromptVerbindung> verbindung_ = std::make_shared<PromptVerbindung>();
    std::vector<std::shared_ptr<TDateiSenden>> items_;
    // What the last Execute returned.
    bool gespeichert_ = false;
};

std::string Fehlen(const std::string& kopf, const std::string& dez, const std::string& hex) {
    return kopf + "Folgende Teile fehlen noch:\rdez: " + dez + "\rhex: " + hex + "\r";
}

TEST_F(Postprozessor, PartsInAnyOrderTellWhatIsMissingAndJoinWhenComplete) {
    struct Schritt {
        std::size_t teil;
        std::string dez; // empty: the last part, which joins the set
        std::string hex;
    };
    struct Satz {
        std::size_t anzahl;
        std::vector<Schritt> schritte;
    };
    const std::vector<Satz> saetze = {
        {3, {{1, "2..3", "02..03"}, {3, "2", "02"}, {2, "", ""}}},
        {5,
         {{4, "1..3, 5", "01..03, 05"},
          {2, "1, 3, 5", "01, 03, 05"},
          {5, "1, 3", "01, 03"},
          {1, "3", "03"},
          {3, "", ""}}},
        {12,
         {{12, "1..11", "01..0B"},
          {1, "2..11", "02..0B"},
          {11, "2..10", "02..0A"},
          {2, "3..10", "03..0A"},
          {9, "3..8, 10", "03..08, 0A"},
          {3, "4..8, 10", "04..08, 0A"},
          {8, "4..7, 10", "04..07, 0A"},
          {4, "5..7, 10", "05..07, 0A"},
          {7, "5..6, 10", "05..06, 0A"},
          {5, "6, 10", "06, 0A"},
          {6, "10", "0A"},
          {10, "", ""}}},
    };
    for (const Satz& satz : saetze) {
        SCOPED_TRACE(satz.anzahl);
        const std::string name = "satz" + std::to_string(satz.anzahl) + ".bin";
        const std::string datei = binsplit::Muster(satz.anzahl * 1000 - 123);
        const auto teile = binsplit::Teile(datei, 1000, name, "20240102030405");
        ASSERT_EQ(teile.size(), satz.anzahl);
        for (const Schritt& schritt : satz.schritte) {
            const std::string gezeigt =
                Empfange(binsplit::TeilDateiName(name, schritt.teil), teile[schritt.teil - 1]);
            const std::string kopf = "Teil " + std::to_string(schritt.teil) + " von " + name + " empfangen.";
            if (!schritt.dez.empty()) {
                EXPECT_EQ(gezeigt, Fehlen(kopf, schritt.dez, schritt.hex));
                continue;
            }
            EXPECT_EQ(gezeigt, kopf +
                                   "Alle Teile verfügbar. Kombiniere...\r\rEmpfangene Datei gespeichert:\r" +
                                   Im(empfang_, name) + "\r");
        }
        EXPECT_EQ(ReadFile(empfang_ / name), datei);
        EXPECT_TRUE(Namen(eingang_).empty());
    }
}

TEST_F(Postprozessor, PartOfAnotherDateAndASecondFileForAPartAreLeftAlone) {
    const std::string datei = binsplit::Muster(2500);
    const auto teile = binsplit::Teile(datei, 1000, "x.bin", "20240102030405");
    // Same name and sizes, another date: another file.
    const auto fremd =
        binsplit::Teile(binsplit::Muster(2500).replace(0, 3, "abc"), 1000, "x.bin", "20240102030406");
    WriteFile(eingang_ / "aaa.b02", fremd[1]);

    EXPECT_EQ(Empfange("x.b03", teile[2]), Fehlen("Teil 3 von x.bin empfangen.", "1..2", "01..02"));
    EXPECT_EQ(Empfange("x.b02", teile[1]), Fehlen("Teil 2 von x.bin empfangen.", "1", "01"));

    // A damaged copy of part 1 lies where the scan meets it first; the part received is the one used.
    std::string kaputt = teile[0];
    kaputt[kaputt.size() / 2] ^= 0x55;
    WriteFile(eingang_ / "aaa.b01", kaputt);
    EXPECT_EQ(
        Empfange("x.b01", teile[0]),
        "Teil 1 von x.bin empfangen.Alle Teile verfügbar. Kombiniere...\r\rEmpfangene Datei gespeichert:\r" +
            Im(empfang_, "x.bin") + "\r");
    EXPECT_EQ(ReadFile(empfang_ / "x.bin"), datei);
    EXPECT_EQ(Namen(eingang_), (std::set<std::string>{"aaa.b01", "aaa.b02"}));
}

TEST_F(Postprozessor, DamagedPartIsReportedAndABrokenChainJoinsNothing) {
    const std::string datei = binsplit::Muster(2500);
    const auto teile = binsplit::Teile(datei, 1000, "x.bin", "20240102030405");
    std::string kaputt = teile[1];
    kaputt[kaputt.size() / 2] ^= 0x01;

    EXPECT_EQ(Empfange("x.b02", kaputt), "CRC-Fehler:\rx.bin, Teil 2 von 3");
    EXPECT_EQ(Namen(eingang_), (std::set<std::string>{"x.b02"}));

    // Its header is sound, so it fills the gap; only the chain of accumulated CRCs shows the damage.
    EXPECT_EQ(Empfange("x.b01", teile[0]), Fehlen("Teil 1 von x.bin empfangen.", "3", "03"));
    EXPECT_EQ(Empfange("x.b03", teile[2]),
              "Teil 3 von x.bin empfangen.Alle Teile verfügbar. Kombiniere...\r\r"
              "Fehler im akkumulierten CRC von Teil 2.");
    EXPECT_EQ(Namen(eingang_), (std::set<std::string>{"x.b01", "x.b02", "x.b03"}));
    EXPECT_FALSE(fs::exists(empfang_ / "x.bin"));

    // The parts were kept for another try.
    EXPECT_EQ(
        Empfange("x.b02", teile[1]),
        "Teil 2 von x.bin empfangen.Alle Teile verfügbar. Kombiniere...\r\rEmpfangene Datei gespeichert:\r" +
            Im(empfang_, "x.bin") + "\r");
    EXPECT_EQ(ReadFile(empfang_ / "x.bin"), datei);
}

TEST_F(Postprozessor, UnusablePartsAreRefusedAndStay) {
    const std::string gut = binsplit::Teile(binsplit::Muster(1500), 1000, "x.bin", "20240102030405")[0];
    binsplit::Kopf nullTeile{"01", "00", "1000", "1500", "x.bin", "20240102030405"};
    std::uint32_t crc = 0xFFFFFFFF;
    binsplit::Kopf ausserhalb = nullTeile;
    ausserhalb.nummer = "03";
    ausserhalb.anzahl = "02";
    struct Case {
        std::string inhalt;
        std::string gezeigt;
    };
    const std::vector<Case> cases = {
        {">BS<\n" + std::string(6000, 'x'), "FEHLER: Header ungültig oder zu kurz."},
        {gut.substr(0, 64) + "00\n", "FEHLER: Header ungültig oder zu kurz."},
        {binsplit::Teil(nullTeile, binsplit::Muster(1000), crc), "FEHLER: Falsche Daten im Header."},
        {binsplit::Teil(ausserhalb, binsplit::Muster(500), crc), "FEHLER: Falsche Daten im Header."},
        {gut.substr(0, gut.size() - 1), "FEHLER: Falsche Daten im Header."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gezeigt);
        EXPECT_EQ(Empfange("x.b01", c.inhalt), c.gezeigt);
        EXPECT_EQ(ReadFile(eingang_ / "x.b01"), c.inhalt);
    }
}

TEST_F(Postprozessor, IndexFilesAndPartsHeldByAReceiverArePassedOver) {
    const std::string datei = binsplit::Muster(1500);
    const auto teile = binsplit::Teile(datei, 1000, "x.bin", "20240102030405");
    WriteFile(eingang_ / "x.b02", teile[1]);
    WriteFile(eingang_ / "x.QVI", teile[1]);
    {
        TFileStreamKio empfaenger;
        empfaenger.SetFileName(eingang_ / "x.b02");
        empfaenger.SetMode(fmOpenReadWrite | fmShareExclusive);
        empfaenger.Open();
        ASSERT_TRUE(empfaenger.IsOpen());
        EXPECT_EQ(Empfange("x.b01", teile[0]), Fehlen("Teil 1 von x.bin empfangen.", "2", "02"));
    }
    // The first item still lives; its part is open to the next scan all the same.
    EXPECT_EQ(
        Empfange("x.b02", teile[1]),
        "Teil 2 von x.bin empfangen.Alle Teile verfügbar. Kombiniere...\r\rEmpfangene Datei gespeichert:\r" +
            Im(empfang_, "x.bin") + "\r");
    EXPECT_EQ(ReadFile(empfang_ / "x.bin"), datei);
}

TEST_F(Postprozessor, SetNameNeverLeadsOutOfTheReceiveFolderNorOverAFile) {
    fs::create_directories(empfang_);
    WriteFile(empfang_ / "x.bin", "schon da");
    struct Case {
        std::string name;
        std::string gespeichert;
    };
    const std::vector<Case> cases = {
        {"../../x.bin", "x (1).bin"}, {"..\\..\\x.bin", "x (2).bin"}, {"/etc/x.bin", "x (3).bin"},
        {"..", "DL1ABC.dat"},         {"", "DL1ABC (1).dat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string datei = binsplit::Muster(700);
        const auto teile = binsplit::Teile(datei, 1000, c.name, "20240102030405");
        EXPECT_EQ(Empfange("p.b01", teile[0]), "Teil 1 von " + c.name +
                                                   " empfangen.Alle Teile verfügbar. Kombiniere...\r\r"
                                                   "Empfangene Datei gespeichert:\r" +
                                                   Im(empfang_, c.gespeichert) + "\r");
        EXPECT_EQ(ReadFile(empfang_ / c.gespeichert), datei);
    }
    EXPECT_EQ(ReadFile(empfang_ / "x.bin"), "schon da");
    EXPECT_EQ(Namen(dir_.path()), (std::set<std::string>{"Empfang", "Incomplete Files"}));
}

TEST_F(Postprozessor, SetNameTooLongForTheFileSystemIsJoinedShortened) {
    const std::string name = std::string(300, 'n') + ".bin";
    const std::string datei = binsplit::Muster(1500);
    const auto teile = binsplit::Teile(datei, 1000, name, "20240102030405");
    WriteFile(eingang_ / "x.b01", teile[0]);

    const std::string kurz = std::string(251, 'n') + ".bin";
    EXPECT_EQ(Empfange("x.b02", teile[1]), "Teil 2 von " + name +
                                               " empfangen.Alle Teile verfügbar. Kombiniere...\r\r"
                                               "Empfangene Datei gespeichert:\r" +
                                               Im(empfang_, kurz) + "\r");
    EXPECT_TRUE(gespeichert_);
    EXPECT_EQ(ReadFile(empfang_ / kurz), datei);
    EXPECT_TRUE(Namen(eingang_).empty());
}

TEST_F(Postprozessor, JoinedFileThatCannotBeMadeKeepsThePartsAndSaysWhere) {
    // Not even root may make a file there.
    if (!fs::is_directory("/proc/self")) {
        GTEST_SKIP() << "no /proc";
    }
    TOrdner().SetEmpfang("/proc");
    const auto teile = binsplit::Teile(binsplit::Muster(1500), 1000, "x.bin", "20240102030405");
    WriteFile(eingang_ / "x.b01", teile[0]);

    EXPECT_EQ(Empfange("x.b02", teile[1]),
              "Teil 2 von x.bin empfangen.Alle Teile verfügbar. Kombiniere...\r\r"
              "Kann Zieldatei nicht öffnen:\r" +
                  Im("/proc", "x.bin") + "\rDie Teile liegen weiterhin in:\r" + eingang_.string() + "\r");
    EXPECT_FALSE(gespeichert_);
    EXPECT_EQ(Namen(eingang_), (std::set<std::string>{"x.b01", "x.b02"}));
}

TEST_F(Postprozessor, PlainFileTakesAFreeNameBesideATakenOne) {
    fs::create_directories(empfang_);
    WriteFile(empfang_ / "bericht.txt", "alt");

    EXPECT_EQ(Empfange("a1b2.qvf", "neu", "bericht.txt"),
              "Empfangene Datei gespeichert:\r" + Im(empfang_, "bericht (1).txt"));
    EXPECT_EQ(ReadFile(empfang_ / "bericht.txt"), "alt");
    EXPECT_EQ(ReadFile(empfang_ / "bericht (1).txt"), "neu");
    EXPECT_TRUE(Namen(eingang_).empty());

    // A name reading like a path stays inside too.
    EXPECT_EQ(Empfange("c3d4.qvf", "weiter", "../../bericht.txt"),
              "Empfangene Datei gespeichert:\r" + Im(empfang_, "bericht (2).txt"));
}

TEST_F(Postprozessor, PlainFileMovesOntoAnotherFileSystemWithoutReplacing) {
    char vorlage[] = "/dev/shm/quarn-empfang-XXXXXX";
    if (::mkdtemp(vorlage) == nullptr) {
        GTEST_SKIP() << "no /dev/shm to hold a receive folder";
    }
    const fs::path anderes(vorlage);
    struct stat hier {};
    struct stat dort {};
    if (::stat(eingang_.c_str(), &hier) != 0 || ::stat(anderes.c_str(), &dort) != 0 ||
        hier.st_dev == dort.st_dev) {
        fs::remove_all(anderes);
        GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";
    }
    TOrdner().SetEmpfang(anderes);
    WriteFile(anderes / "log.txt", "alt");
    const std::string inhalt = binsplit::Muster(300000);

    const std::string gezeigt = Empfange("e5f6.qvf", inhalt, "log.txt");

    EXPECT_EQ(gezeigt, "Empfangene Datei gespeichert:\r" + Im(anderes, "log (1).txt"));
    EXPECT_EQ(ReadFile(anderes / "log.txt"), "alt");
    EXPECT_EQ(ReadFile(anderes / "log (1).txt"), inhalt);
    EXPECT_TRUE(Namen(eingang_).empty());
    fs::remove_all(anderes);
}

TEST_F(Postprozessor, NothingIsLostWhenTheFileCannotBeStored) {
    WriteFile(dir_ / "datei", "");
    TOrdner().SetEmpfang(dir_ / "datei" / "Empfang");
    EXPECT_EQ(Empfange("a1.qvf", "inhalt", "x.txt"),
              "Empfangene Datei NICHT gespeichert.\rEmpfangs-Ordner konnte nicht angelegt werden:\r" +
                  TOrdner().GetEmpfang().string() + "\rDie Daten liegen weiterhin in:\r" +
                  (eingang_ / "a1.qvf").string());
    EXPECT_FALSE(gespeichert_);
    EXPECT_EQ(ReadFile(eingang_ / "a1.qvf"), "inhalt");

    // Received into memory there is no file to move.
    auto item = std::make_shared<TDateiSenden>(verbindung_);
    item->SetStream(std::make_unique<TMemoryStream>("text"));
    items_.push_back(item);
    TOrdner().SetEmpfang(empfang_);
    EXPECT_EQ(Verarbeite(item), "Empfangene Datei NICHT gespeichert.");
    EXPECT_FALSE(gespeichert_);
}

} // namespace
} // namespace quarn::test
