// Reading BinSplit part files: the header and its CRC line, the fields, the data length, both CRC-32
// lines, and the headers that describe no usable part.
#include "BinSplitTestWriter.h"
#include "connections/transfer/BinSplitPartU.h"
#include "foundation/DebOutU.h"
#include "foundation/MemoryStreamU.h"
#include "support/FileContents.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

namespace quarn::test {
namespace {

using binsplit::Kopf;

const Kopf kBeispiel{"01", "02", "1024", "1500", "x.bin", "20240102030405"};

// Every trace line while it lives, to tell which refusal a reader gave.
class TraceLines {
public:
    bool Contains(std::string_view text) const {
        for (const auto& line : lines_) {
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

private:
    std::vector<std::string> lines_;
    ScopedTraceCapture capture_{[this](std::string_view line) { lines_.emplace_back(line); }};
};

std::string TeilMit(const Kopf& kopf, std::string_view daten) {
    std::uint32_t crc = 0xFFFFFFFF;
    return binsplit::Teil(kopf, daten, crc);
}

TEST(BinSplitPart, KnownHeaderHasItsCrcLineAndReadsBack) {
    const std::string text = kBeispiel.Text();
    ASSERT_EQ(text,
              std::string(">BS<\n01\n02\n1024\n1500\nx.bin\n20240102030405\nP\rQuarn 1.00.000\r\n\0", 61));
    EXPECT_EQ(binsplit::HeaderCrcZeile(text), "8C18\n");

    const std::string daten = binsplit::Muster(1500);
    const auto teile = binsplit::Teile(daten, 1024, "x.bin", "20240102030405");
    ASSERT_EQ(teile.size(), 2U);
    TMemoryStream stream(teile[0]);
    TBinSplitPart teil(stream);
    ASSERT_TRUE(teil.ReadHeader());
    EXPECT_EQ(teil.HeaderText(), text);
    EXPECT_EQ(teil.DatenOffset(), 66);
    ASSERT_TRUE(teil.Parse());
    EXPECT_EQ(teil.TeilNummer(), 1);
    EXPECT_EQ(teil.TeileAnzahl(), 2);
    EXPECT_EQ(teil.TeilGroesse(), 1024);
    EXPECT_EQ(teil.DateiGroesse(), 1500);
    EXPECT_EQ(teil.DateiName(), "x.bin");
    EXPECT_EQ(teil.Datum(), "20240102030405");
    EXPECT_EQ(teil.DatenLaenge(), 1024);
    EXPECT_TRUE(teil.CheckPartCRC());

    TMemoryStream letzter(teile[1]);
    TBinSplitPart zwei(letzter);
    ASSERT_TRUE(zwei.ReadHeader() && zwei.Parse());
    EXPECT_EQ(zwei.DatenLaenge(), 476);
    EXPECT_TRUE(zwei.CheckPartCRC());
}

TEST(BinSplitPart, HexFieldsReadInEitherCaseAndAShortHeaderIsAccepted) {
    Kopf klein = kBeispiel;
    klein.nummer = "0a";
    klein.anzahl = "0B";
    klein.dateiGroesse = std::to_string(10 * 1024 + 7);
    TMemoryStream stream(TeilMit(klein, binsplit::Muster(1024)));
    TBinSplitPart teil(stream);
    ASSERT_TRUE(teil.ReadHeader() && teil.Parse());
    EXPECT_EQ(teil.TeilNummer(), 10);
    EXPECT_EQ(teil.TeileAnzahl(), 11);

    // Name, date and program field missing: the header ends after the file size.
    const std::string kurz = std::string(">BS<\n01\n01\n10\n5\n", 16) + '\0';
    TMemoryStream kurzStream(kurz + binsplit::HeaderCrcZeile(kurz) + "abcde" + "00000000\n00000000\n");
    TBinSplitPart kurzTeil(kurzStream);
    ASSERT_TRUE(kurzTeil.ReadHeader());
    ASSERT_TRUE(kurzTeil.Parse());
    EXPECT_EQ(kurzTeil.DateiName(), "");
    EXPECT_EQ(kurzTeil.DatenLaenge(), 5);
}

TEST(BinSplitPart, RefusesHeadersThatDescribeNoUsablePart) {
    const std::string daten = binsplit::Muster(1024);
    const auto mit = [&](const std::function<void(Kopf&)>& change) {
        Kopf kopf = kBeispiel;
        change(kopf);
        return TeilMit(kopf, daten);
    };
    const std::string gut = TeilMit(kBeispiel, daten);
    const std::string grenze = "FEHLER: Teilnummer, Teilanzahl oder Größen im Header ungültig.";
    struct Case {
        const char* what;
        std::string file;
        bool headerOk;
        std::string trace;
    };
    std::string kleinHex = gut;
    kleinHex.replace(61, 4, "8c18");
    const std::vector<Case> cases = {
        {"lower-case header CRC", kleinHex, false, "Header-CRC falsch"},
        {"header CRC without LF", gut.substr(0, 65) + "X" + gut.substr(66), false, "Header-CRC falsch"},
        {"nothing after the NUL", gut.substr(0, 63), false, "Kann Header-CRC nicht lesen"},
        {"no NUL in the first 4 KiB", std::string(5000, 'A') + '\0' + "0000\n", false, "Keine Null gefunden"},
        {"no NUL at all", ">BS<\n01\n02\n", false, "Keine Null gefunden"},
        {"one byte short", gut.substr(0, gut.size() - 1), true, "FEHLER: Datei zu kurz"},
        {"not a BinSplit header", mit([](Kopf& k) { k.kennung = ">BX<"; }), true,
         "FEHLER beim Parsen des Headers."},
        {"number not hexadecimal", mit([](Kopf& k) { k.nummer = "0G"; }), true,
         "FEHLER beim Parsen des Headers."},
        {"signed size", mit([](Kopf& k) { k.teilGroesse = "-1024"; }), true,
         "FEHLER beim Parsen des Headers."},
        {"size with a blank", mit([](Kopf& k) { k.teilGroesse = "1024 "; }), true,
         "FEHLER beim Parsen des Headers."},
        {"size past 64 bits", mit([](Kopf& k) { k.dateiGroesse = "99999999999999999999"; }), true,
         "FEHLER beim Parsen des Headers."},
        {"part size 0", mit([](Kopf& k) { k.teilGroesse = "0"; }), true, grenze},
        {"part count 0", mit([](Kopf& k) { k.anzahl = "00"; }), true, grenze},
        {"part number 0", mit([](Kopf& k) { k.nummer = "00"; }), true, grenze},
        {"part number above the count", mit([](Kopf& k) { k.nummer = "03"; }), true, grenze},
        {"file size 0", mit([](Kopf& k) { k.dateiGroesse = "0"; }), true, grenze},
        {"count that does not follow from the sizes", mit([](Kopf& k) { k.anzahl = "7FFFFFFF"; }), true,
         grenze},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TraceLines trace;
        TMemoryStream stream(c.file);
        TBinSplitPart teil(stream);
        if (c.headerOk) {
            ASSERT_TRUE(teil.ReadHeader());
            EXPECT_FALSE(teil.Parse());
        } else {
            EXPECT_FALSE(teil.ReadHeader());
            EXPECT_EQ(teil.DatenOffset(), -1);
            EXPECT_FALSE(teil.Parse());
        }
        EXPECT_TRUE(trace.Contains(c.trace));
    }
}

TEST(BinSplitPart, PartCrcLineCatchesDamage) {
    const std::string gut = TeilMit(kBeispiel, binsplit::Muster(1024));
    const std::size_t daten = 66;
    const std::size_t teilCrc = gut.size() - 9;
    struct Case {
        const char* what;
        std::string file;
        std::string trace;
    };
    std::string datenFehler = gut;
    datenFehler[daten + 500] ^= 0x01;
    std::string ohneLf = gut;
    ohneLf.back() = '\r';
    std::string keineZahl = gut;
    keineZahl.replace(teilCrc, 8, "12345XYZ");
    const std::vector<Case> cases = {
        {"a data byte changed", datenFehler, "CRC falsch ("},
        {"line without LF", ohneLf, "CRC ist nicht mit LF abgeschlossen."},
        {"line without a number", keineZahl, "CRC in der Datei ungültig (12345XYZ)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TraceLines trace;
        TMemoryStream stream(c.file);
        TBinSplitPart teil(stream);
        ASSERT_TRUE(teil.ReadHeader() && teil.Parse());
        EXPECT_FALSE(teil.CheckPartCRC());
        EXPECT_TRUE(trace.Contains(c.trace));
    }

    // The stored value may be written in lower case: it is read as a number.
    std::string klein = gut;
    for (std::size_t i = teilCrc; i < teilCrc + 8; ++i) {
        klein[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(klein[i])));
    }
    TMemoryStream stream(klein);
    TBinSplitPart teil(stream);
    ASSERT_TRUE(teil.ReadHeader() && teil.Parse());
    EXPECT_TRUE(teil.CheckPartCRC());
}

TEST(BinSplitPart, AccumulatedCrcChainsThePartsAndTheirDataJoinToTheFile) {
    const std::string datei = binsplit::Muster(100000);
    const auto teile = binsplit::Teile(datei, 32 * 1024, "daten.bin", "20240102030405");
    ASSERT_EQ(teile.size(), 4U);

    std::uint32_t crc = 0xFFFFFFFF;
    TMemoryStream ziel;
    std::vector<std::int64_t> laengen;
    for (const auto& inhalt : teile) {
        TMemoryStream stream(inhalt);
        TBinSplitPart teil(stream);
        ASSERT_TRUE(teil.ReadHeader() && teil.Parse());
        laengen.push_back(teil.DatenLaenge());
        EXPECT_TRUE(teil.CheckAccumulatedCRC(crc));
        EXPECT_TRUE(teil.CopyData(ziel));
    }
    EXPECT_EQ(laengen, (std::vector<std::int64_t>{32768, 32768, 32768, 1696}));
    EXPECT_EQ(ziel.Bytes(), datei);

    // Out of order the chain breaks at once.
    TMemoryStream zwei(teile[1]);
    TBinSplitPart teil(zwei);
    ASSERT_TRUE(teil.ReadHeader() && teil.Parse());
    std::uint32_t frisch = 0xFFFFFFFF;
    EXPECT_FALSE(teil.CheckAccumulatedCRC(frisch));
}

TEST(BinSplitPart, FileThatAReceiverHoldsDoesNotOpen) {
    TempDir dir;
    const auto name = dir / "x.b01";
    WriteFile(name, TeilMit(kBeispiel, binsplit::Muster(1024)));

    EXPECT_FALSE(TBinSplitPart(dir / "fehlt.b01").IsOpen());
    EXPECT_FALSE(TBinSplitPart(dir.path()).IsOpen());
    {
        TFileStreamKio empfaenger;
        empfaenger.SetFileName(name);
        empfaenger.SetMode(fmOpenReadWrite | fmShareExclusive);
        empfaenger.Open();
        ASSERT_TRUE(empfaenger.IsOpen());
        EXPECT_FALSE(TBinSplitPart(name).IsOpen());
    }
    TBinSplitPart teil(name);
    ASSERT_TRUE(teil.IsOpen());
    EXPECT_TRUE(teil.ReadHeader() && teil.Parse() && teil.CheckPartCRC());
    // Two readers share the file; a writer stays out while one reads.
    EXPECT_TRUE(TBinSplitPart(name).IsOpen());
    TFileStreamKio schreiber;
    schreiber.SetFileName(name);
    schreiber.SetMode(fmOpenReadWrite | fmShareExclusive);
    schreiber.Open();
    EXPECT_FALSE(schreiber.IsOpen());
}

} // namespace
} // namespace quarn::test
