// The send-file wizard's rules as tables: parts, selection texts, the bytes of a typed text, the file
// walk and the fields each file or text is handed on with.
#include "connections/send/DateiSendenQueueU.h"
#include "connections/send/DateiSendenU.h"
#include "connections/FakeModulVerbindung.h"
#include "connections/send/PraeprozessorFixture.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/MemoryStreamU.h"
#include "platform/Codepage.h"
#include "support/FileContents.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "ui/DateiSendenModell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quarn {
namespace {

TDateiSendenEintrag Eintrag(std::int64_t groesse, std::vector<bool> auswahl = {}) {
    TDateiSendenEintrag e;
    e.name = "/tmp/x.bin";
    e.groesse = groesse;
    e.alleTeile = auswahl.empty();
    e.teile = auswahl.empty() ? 0 : static_cast<std::int64_t>(auswahl.size());
    e.auswahl = std::move(auswahl);
    return e;
}

TEST(DateiSendenModell, PartsOfAFileFollowThePartSize) {
    struct Fall {
        std::int64_t bytes;
        int kib;
        std::int64_t teile;
    };
    constexpr std::int64_t k5GiB = 5LL * 1024 * 1024 * 1024;
    for (const Fall& f :
         {Fall{100000, 32, 4}, Fall{100000, 5, 20}, Fall{32768, 32, 1}, Fall{32769, 32, 2}, Fall{0, 32, 1},
          Fall{1, 10240, 1}, Fall{k5GiB, 32, 163840}, Fall{k5GiB + 1, 10240, 513}}) {
        EXPECT_EQ(TeileAnzahl(f.bytes, f.kib), f.teile) << f.bytes << " at " << f.kib;
    }
    EXPECT_EQ(GroesseText(100000), "98 kB");
    EXPECT_EQ(GroesseText(0), "0 kB");
    EXPECT_EQ(GroesseText(1024), "1 kB");
    EXPECT_EQ(GroesseText(k5GiB), "5242880 kB");
}

TEST(DateiSendenModell, PartSizeOutsideItsRangeIsRefusedAndClampedAtFinish) {
    struct Fall {
        const char* text;
        std::optional<int> gelesen;
        int geklemmt;
    };
    for (const Fall& f :
         {Fall{"32", 32, 32}, Fall{" 5 ", 5, 5}, Fall{"10240", 10240, 10240}, Fall{"4", std::nullopt, 5},
          Fall{"0", std::nullopt, 5}, Fall{"-3", std::nullopt, 5}, Fall{"10241", std::nullopt, 10240},
          Fall{"99999999999", std::nullopt, 10240}, Fall{"abc", std::nullopt, 32}, Fall{"", std::nullopt, 32},
          Fall{"3k", std::nullopt, 32}}) {
        EXPECT_EQ(TeilGroesseLesen(f.text), f.gelesen) << f.text;
        EXPECT_EQ(TeilGroesseKlemmen(f.text), f.geklemmt) << f.text;
    }
}

TEST(DateiSendenModell, SelectionTextsNameRunsAndSingleParts) {
    struct Fall {
        std::vector<bool> auswahl;
        const char* text;
    };
    const bool x = true;
    const bool o = false;
    for (const Fall& f :
         {Fall{{x, x, x, o, x, o}, "nur Teile 1..3, 5."}, Fall{{o, o, o, x, o, o}, "nur Teil 4."},
          Fall{{o, o, o}, "keine Teile ausgewählt"}, Fall{{x, x, o, x}, "nur Teile 1..2, 4."},
          Fall{{o, x, o, x, x}, "nur Teile 2, 4..5."}}) {
        EXPECT_EQ(AuswahlText(Eintrag(1, f.auswahl)).toStdString(), f.text);
    }
    EXPECT_EQ(AuswahlText(Eintrag(100000)), "");
}

TEST(DateiSendenModell, SelectionFollowsThePartCountAndEveryPartSelectedMeansAll) {
    TDateiSendenEintrag e = Eintrag(100000);
    TeileSetzen(e, 32);
    EXPECT_EQ(e.teile, 4);
    EXPECT_TRUE(e.auswahl.empty());
    EXPECT_EQ(AuswahlFuerDialog(e), std::vector<bool>(4, true));

    AuswahlUebernehmen(e, {false, true, false, false});
    EXPECT_FALSE(e.alleTeile);
    TeileSetzen(e, 5); // 20 parts: the new ones are not selected
    EXPECT_EQ(e.auswahl.size(), 20U);
    EXPECT_EQ(AuswahlText(e), "nur Teil 2.");
    TeileSetzen(e, 64);
    EXPECT_EQ(e.auswahl, (std::vector<bool>{false, true}));

    AuswahlUebernehmen(e, {true, true});
    EXPECT_TRUE(e.alleTeile);
    EXPECT_TRUE(e.auswahl.empty());
}

TEST(DateiSendenModell, PartRowsShowTheNumberAndThePartFilesExtension) {
    EXPECT_EQ(TeilBeschriftung(1), "Teil 001 (.B01)");
    EXPECT_EQ(TeilBeschriftung(10), "Teil 010 (.B0A)");
    EXPECT_EQ(TeilBeschriftung(256), "Teil 256 (.B100)");
}

TEST(DateiSendenModell, TypedTextGoesOutAsLinesEndingInOneCr) {
    struct Fall {
        std::string memo;
        std::string gesendet;
    };
    for (const Fall& f :
         {Fall{"a\r\nb", "a\rb\r"}, Fall{"a\r\n\r\nb\r\n", "a\r\rb\r"}, Fall{"a\nb\n\n", "a\rb\r\r"},
          Fall{"\r\n", "\r"}, Fall{"a\rb", "a\rb\r"}, Fall{"", ""}}) {
        EXPECT_EQ(TextZumSenden(f.memo, true), f.gesendet);
    }
}

TEST(DateiSendenModell, LongLinesAreWrappedAtBlanksOnlyWhenAsked) {
    std::string zeile;
    for (int i = 0; zeile.size() < 100; ++i) {
        zeile += "wort" + std::to_string(i) + " ";
    }
    zeile.resize(100);
    const std::string umbrochen = TextZumSenden(zeile, true);
    ASSERT_GT(std::count(umbrochen.begin(), umbrochen.end(), '\r'), 1);
    std::string woerter;
    for (std::size_t start = 0; start < umbrochen.size();) {
        const std::size_t ende = umbrochen.find('\r', start);
        std::string teil = umbrochen.substr(start, ende - start);
        while (!teil.empty() && teil.back() == ' ') {
            teil.pop_back();
        }
        EXPECT_LE(teil.size(), 78U) << teil;
        woerter += teil + " ";
        start = ende + 1;
    }
    EXPECT_EQ(woerter.substr(0, zeile.size()), zeile) << "no word lost or split";

    EXPECT_EQ(TextZumSenden(zeile, false), zeile + "\r");
}

TEST(DateiSendenModell, MemoTextsRoundTripAndMailboxTextsEndInCr) {
    const QString memo = QString::fromUtf8("s rubrik@dl\nläuft\n");
    const std::string bytes = MemoBytes(memo);
    EXPECT_EQ(bytes, Utf8ToCp1252("s rubrik@dl\r\nläuft\r\n"));
    EXPECT_EQ(MemoText(bytes), memo);
    EXPECT_EQ(MailboxText("s rubrik@dl\r\n/EX", true), "s rubrik@dl\r/EX\r");
    EXPECT_EQ(MailboxText("NNNN\r\n", true), "NNNN\r");
    EXPECT_EQ(MailboxText("NNNN\r\n", false), "");
    EXPECT_EQ(MailboxText("", true), "");
}

TEST(DateiSendenModell, ListedFilesKeepTheirRecordsAndNewOnesGetTheirSize) {
    test::TempDir dir;
    const auto a = dir.path() / "a.bin";
    const auto b = dir.path() / "B.bin";
    test::WriteFile(a, std::string(3000, 'a'));
    test::WriteFile(b, std::string(10, 'b'));
    TDateiSendenEintrag alt = Eintrag(3000, {true, false});
    alt.name = a;

    const auto neu = EintraegeAbgleichen({alt}, {b, a, dir.path() / "fehlt"});
    ASSERT_EQ(neu.size(), 3U);
    EXPECT_EQ(neu[0].name, b);
    EXPECT_EQ(neu[0].groesse, 10);
    EXPECT_TRUE(neu[0].alleTeile);
    EXPECT_EQ(neu[0].teile, 0);
    EXPECT_EQ(neu[1].auswahl, (std::vector<bool>{true, false})) << "kept with its part settings";
    EXPECT_EQ(neu[2].groesse, 0);
    EXPECT_EQ(EintraegeAbgleichen({alt}, {dir.path() / "A.bin"})[0].auswahl.size(), 0U)
        << "another case is another file";
}

TEST(DateiSendenModell, FolderWalkTakesRegularFilesOnlyAndEndsOnALinkLoop) {
    test::TempDir dir;
    const auto root = dir.path() / "senden";
    std::filesystem::create_directories(root / "a" / "b" / "c");
    std::filesystem::create_directories(root / ".versteckt");
    test::WriteFile(root / "eins.txt", "1");
    test::WriteFile(root / "a" / "zwei.bin", "2");
    test::WriteFile(root / "a" / "b" / "c" / "drei.bin", "3");
    test::WriteFile(root / ".hidden", "h");
    test::WriteFile(root / ".versteckt" / "vier.bin", "4");
    std::filesystem::create_directory_symlink(root, root / "a" / "b" / "schleife");
    std::filesystem::create_symlink(root / "eins.txt", root / "a" / "verweis.txt");
    ASSERT_EQ(::mkfifo((root / "a" / "fifo").c_str(), 0600), 0);

    const std::vector<std::filesystem::path> erwartet{root / "a" / "b" / "c" / "drei.bin",
                                                      root / "a" / "verweis.txt", root / "a" / "zwei.bin",
                                                      root / "eins.txt"};
    EXPECT_EQ(DateienSammeln({root}), erwartet);

    // Named directly: a regular file is taken, a pipe, a missing name and nothing else are not.
    EXPECT_EQ(DateienSammeln({root / "eins.txt", root / "a" / "fifo", root / "fehlt", root / ".hidden"}),
              (std::vector<std::filesystem::path>{root / "eins.txt", root / ".hidden"}));
}

// ---- hand-off fields -------------------------------------------------------------------------------

TSendenWahl Wahl(std::uint8_t protokoll, bool teilen, bool signieren) {
    TSendenWahl w;
    w.protokoll = protokoll;
    w.teilen = teilen;
    w.teilGroesse = 5;
    w.textVorher = "s rubrik@dl\r";
    w.textNachher = "/EX\r";
    w.signieren = signieren;
    if (signieren) {
        w.key = "ABCDEF";
        w.passwort = "geheim";
        w.kommentar = "Kommentar";
    }
    return w;
}

TEST(DateiSendenModell, HandOffFieldsOfTextAndFiles) {
    const auto verbindung = std::make_shared<test::FakeModulVerbindung>();
    TDateiSendenEintrag e = Eintrag(100000);
    TeileSetzen(e, 5);
    AuswahlUebernehmen(e, std::vector<bool>(20, false));
    e.auswahl[3] = true;

    struct Fall {
        const char* name;
        bool text;
        TSendenWahl wahl;
        std::int64_t teilGroesse;
        std::int64_t teile;
        bool signieren;
    };
    for (const Fall& f : {Fall{"text", true, Wahl(1, false, false), 0, 0, false},
                          Fall{"signed text", true, Wahl(1, false, true), 0, 0, true},
                          Fall{"AutoBIN whole", false, Wahl(2, false, false), 0, 0, false},
                          Fall{"AutoBIN split", false, Wahl(2, true, false), 5, 20, false},
                          Fall{"DIDADIT whole", false, Wahl(5, false, false), 0, 0, false},
                          Fall{"DIDADIT split", false, Wahl(5, true, false), 5, 20, false}}) {
        SCOPED_TRACE(f.name);
        TSendenUebergabe u =
            f.text ? TextUebergabe(f.wahl, "hallo\r", verbindung)
                   : DateiUebergabe(f.wahl, e, std::make_unique<TMemoryStream>("x"), verbindung);
        ASSERT_TRUE(u.stream);
        EXPECT_EQ(u.verbindung, verbindung);
        EXPECT_EQ(u.dateiname, f.text ? std::filesystem::path("???") : e.name);
        EXPECT_EQ(u.protokoll, f.wahl.protokoll);
        EXPECT_EQ(u.textVorher, "s rubrik@dl\r");
        EXPECT_EQ(u.textNachher, "/EX\r");
        EXPECT_EQ(u.teilGroesse, f.teilGroesse);
        EXPECT_EQ(u.teileAnzahl, f.teile);
        EXPECT_FALSE(u.alleTeile);
        EXPECT_EQ(u.auswahl.size(), static_cast<std::size_t>(f.teile));
        EXPECT_EQ(u.signieren, f.signieren);
        EXPECT_EQ(u.key, f.signieren ? "ABCDEF" : "");
        EXPECT_EQ(u.passwort, f.signieren ? "geheim" : "");
        EXPECT_EQ(u.kommentar, f.signieren ? "Kommentar" : "");
    }
}

// The program's hand-off: the preprocessor queues the chosen part only.
TEST(DateiSendenModell, ThePreprocessorGetsTheChosenParts) {
    test::TempDir dir;
    test::TempDir temp;
    const test::ScopedEnv tmpdir{"TMPDIR", temp.path().string()};
    const auto datei = dir.path() / "bild.bin";
    test::WriteFile(datei, std::string(100000, 'x'));
    auto verbindung = std::make_shared<test::QueueVerbindung>();
    TDateiSendenEintrag e = EintraegeAbgleichen({}, {datei})[0];
    TeileSetzen(e, 32);
    AuswahlUebernehmen(e, {false, false, true, false});
    auto stream = std::make_unique<TFileStreamKio>();
    stream->SetFileName(datei);
    stream->SetMode(fmOpenRead | fmShareDenyWrite);
    stream->Open();
    ASSERT_TRUE(stream->IsOpen());

    PraeprozessorAusfuehren(DateiUebergabe(Wahl(2, true, false), e, std::move(stream), verbindung));
    ASSERT_EQ(verbindung->queue->GetCount(), 1);
    EXPECT_EQ(verbindung->queue->GetItems(0)->GetAnzeigename(), "bild.b03");
    verbindung->queue->Release();
}

} // namespace
} // namespace quarn
