// The send preprocessor's files: BinSplit parts read back by a reader of the test's own (and CRC-32 of
// the test's own), whole-file jobs, the operator's choice of parts, and the templates around a file.
#include "PraeprozessorFixture.h"

#include "foundation/CrcU.h"
#include "foundation/MemoryStreamU.h"
#include "foundation/VersionInfo.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <gtest/gtest.h>

namespace quarn::test {
namespace {

// Bitwise reflected CRC-32 (IEEE 802.3), complemented: independent of the program's table.
std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ ((crc & 1U) != 0 ? 0xEDB88320U : 0U);
        }
    }
    return ~crc;
}

std::string Hex8(std::uint32_t value) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%08X", value);
    return text.data();
}

std::string Hex4(std::uint16_t value) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%04X", value);
    return text.data();
}

std::string Muster(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245U + 12345U;
        c = static_cast<char>(state >> 16);
    }
    return bytes;
}

// One part file taken apart field by field.
struct Teil {
    std::vector<std::string> felder; // the header's LF-separated fields before the NUL
    std::string kopf;                // header text including the NUL
    std::string kopfCrc;             // the line after the NUL, LF included
    std::string daten;
    std::string summeZeile;
    std::string teilZeile;
};

// Reads a part as the format lays it out; the data length is whatever lies between the header CRC line
// and the two CRC lines at the end, so a wrong length shows up as wrong data.
Teil Lies(const std::string& bytes) {
    Teil teil;
    const std::size_t nul = bytes.find('\0');
    EXPECT_NE(nul, std::string::npos);
    if (nul == std::string::npos || bytes.size() < nul + 1 + 5 + 18) {
        ADD_FAILURE() << "part too short";
        return teil;
    }
    teil.kopf = bytes.substr(0, nul + 1);
    for (std::size_t start = 0; start < nul;) {
        const std::size_t lf = bytes.find('\n', start);
        if (lf == std::string::npos || lf > nul) {
            break;
        }
        teil.felder.push_back(bytes.substr(start, lf - start));
        start = lf + 1;
    }
    teil.kopfCrc = bytes.substr(nul + 1, 5);
    teil.daten = bytes.substr(nul + 6, bytes.size() - (nul + 6) - 18);
    teil.summeZeile = bytes.substr(bytes.size() - 18, 9);
    teil.teilZeile = bytes.substr(bytes.size() - 9);
    return teil;
}

// Checks everything a part says about itself against the whole file it came from.
void PruefeTeil(const Teil& teil, const std::string& datei, int nummer, int anzahl, std::int64_t teilGroesse,
                const std::string& name, const std::string& datum) {
    SCOPED_TRACE("part " + std::to_string(nummer));
    char nummerText[16];
    char anzahlText[16];
    std::snprintf(nummerText, sizeof nummerText, "%02X", nummer);
    std::snprintf(anzahlText, sizeof anzahlText, "%02X", anzahl);
    const std::vector<std::string> erwartet = {">BS<",
                                               nummerText,
                                               anzahlText,
                                               std::to_string(teilGroesse),
                                               std::to_string(datei.size()),
                                               name,
                                               datum,
                                               "P\rQuarn " + ProgramVersion() + "\r"};
    EXPECT_EQ(teil.felder, erwartet);
    EXPECT_TRUE(teil.kopf.ends_with("\r\n" + std::string(1, '\0')));
    EXPECT_EQ(teil.kopfCrc, Hex4(Crc16Str(teil.kopf, 0)) + "\n");

    const std::size_t anfang = static_cast<std::size_t>(nummer - 1) * static_cast<std::size_t>(teilGroesse);
    const std::size_t laenge =
        std::min<std::size_t>(static_cast<std::size_t>(teilGroesse), datei.size() - anfang);
    EXPECT_TRUE(teil.daten == datei.substr(anfang, laenge)) << teil.daten.size() << " bytes of data";
    EXPECT_EQ(teil.summeZeile, Hex8(Crc32(std::string_view(datei).substr(0, anfang + laenge))) + "\n");
    EXPECT_EQ(teil.teilZeile, Hex8(Crc32(teil.daten + teil.summeZeile)) + "\n");
}

std::string LokalesDatum(std::filesystem::file_time_type zeit) {
    const std::time_t sekunden = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(zeit)));
    std::tm lokal{};
    localtime_r(&sekunden, &lokal);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &lokal);
    return text;
}

class BinSplitTest : public PraeprozessorFixture {
protected:
    // A file of `size` bytes with a fixed modification time; returns its contents.
    std::string MakeFile(const std::string& name, std::size_t size) {
        quelle = dir / name;
        const std::string bytes = Muster(size);
        WriteFile(quelle, bytes);
        const auto zeit = std::chrono::file_clock::from_sys(
            std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                std::chrono::sys_days{std::chrono::year{2024} / 1 / 2} + std::chrono::hours{3} +
                std::chrono::minutes{4} + std::chrono::seconds{5}));
        std::filesystem::last_write_time(quelle, zeit);
        datum = LokalesDatum(std::filesystem::last_write_time(quelle));
        return bytes;
    }

    std::unique_ptr<TDateiSendenPraeprozessor> Make(std::uint8_t protokoll, std::int64_t kib) {
        auto praeprozessor =
            std::make_unique<TDateiSendenPraeprozessor>(OpenSource(quelle), quelle, verbindung, protokoll);
        praeprozessor->SetTeilGroesse(kib);
        return praeprozessor;
    }

    std::vector<std::filesystem::path> TempFiles() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(temp.path())) {
            files.push_back(entry.path());
        }
        return files;
    }

    std::filesystem::path quelle;
    std::string datum;
};

TEST_F(BinSplitTest, HundredThousandBytesAt32KiBMakeFourPartsThatReadBackWhole) {
    const std::string datei = MakeFile("daten.bin", 100000);
    {
        const auto praeprozessor = Make(2, 32);
        praeprozessor->SetAlleTeile(true);
        praeprozessor->SetTextVorher("%o (%p/%q)");
        praeprozessor->SetTextNachher("%n\r\n");
        praeprozessor->Execute();
    }

    const auto items = Items();
    ASSERT_EQ(items.size(), 4u);
    const std::vector<std::size_t> laengen = {32768, 32768, 32768, 1696};
    for (int i = 0; i < 4; ++i) {
        const auto& item = items[static_cast<std::size_t>(i)];
        const std::string teilName = "daten.b0" + std::to_string(i + 1);
        EXPECT_EQ(item->GetAnzeigename(), teilName);
        EXPECT_EQ(item->GetProtokoll(), 2);
        EXPECT_EQ(item->GetTextVorher(), "daten.bin (0" + std::to_string(i + 1) + "/04)\r");
        EXPECT_EQ(item->GetTextNachher(), teilName + "\r");
        auto* stream = dynamic_cast<TFileStreamKio*>(item->GetStream());
        ASSERT_NE(stream, nullptr);
        EXPECT_TRUE(stream->Temporary());
        EXPECT_EQ(stream->FileName().parent_path(), temp.path());
        EXPECT_TRUE(stream->FileName().filename().string().starts_with("qbs"));
        EXPECT_EQ(item->GetDateiname(), stream->FileName());
        EXPECT_EQ(stream->Position(), 0);

        const Teil teil = Lies(StreamBytes(*stream));
        EXPECT_EQ(teil.daten.size(), laengen[static_cast<std::size_t>(i)]);
        EXPECT_EQ(StreamBytes(*stream).size(), teil.kopf.size() + 5 + teil.daten.size() + 18);
        PruefeTeil(teil, datei, i + 1, 4, 32768, "daten.bin", datum);
    }
}

TEST_F(BinSplitTest, PartFilesGoWithTheirItems) {
    MakeFile("daten.bin", 5000);
    const auto praeprozessor = Make(5, 1);
    praeprozessor->SetAlleTeile(true);
    praeprozessor->Execute();
    EXPECT_EQ(TempFiles().size(), 5u);

    verbindung->queue->Release();
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(BinSplitTest, OnePartOrNoPartSizeSendsTheFileWhole) {
    struct Case {
        std::size_t size;
        std::uint8_t protokoll;
        std::int64_t kib;
    };
    // Exactly one part; splitting switched off (0, and a negative size, which must not divide); an empty
    // file; a protocol that does not split.
    const std::vector<Case> cases = {
        {32768, 2, 32}, {100000, 2, 0}, {100000, 5, -4}, {0, 2, 32}, {100000, 3, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " bytes at " + std::to_string(c.kib) + " KiB");
        const std::string datei = MakeFile("ganz.bin", c.size);
        auto source = OpenSource(quelle);
        TStream* const sourceStream = source.get();
        TDateiSendenPraeprozessor praeprozessor(std::move(source), quelle, verbindung, c.protokoll);
        praeprozessor.SetTeilGroesse(c.kib);
        praeprozessor.SetAlleTeile(true);
        praeprozessor.SetTextVorher("%o");
        praeprozessor.Execute();

        const auto items = Items();
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0]->GetStream(), sourceStream);
        EXPECT_EQ(items[0]->GetDateiname(), quelle);
        EXPECT_EQ(items[0]->GetAnzeigename(), "ganz.bin");
        EXPECT_EQ(items[0]->GetProtokoll(), c.protokoll);
        EXPECT_EQ(items[0]->GetTextVorher(), "ganz.bin\r");
        EXPECT_TRUE(TempFiles().empty());
        verbindung->queue->Release();
    }
}

TEST_F(BinSplitTest, ChosenPartsAloneAreQueuedAndPartTenIsB0A) {
    // Eleven parts of 1 KiB, the last one short.
    const std::string datei = MakeFile("Bild.JPG", 10 * 1024 + 77);
    const auto praeprozessor = Make(2, 1);
    praeprozessor->SetTeileAnzahl(11);
    praeprozessor->SetTeil(1, true);
    praeprozessor->SetTeil(9, true);
    praeprozessor->Execute();

    const auto items = Items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->GetAnzeigename(), "Bild.b02");
    EXPECT_EQ(items[1]->GetAnzeigename(), "Bild.b0a");
    const Teil teil2 = Lies(StreamBytes(*items[0]->GetStream()));
    const Teil teil10 = Lies(StreamBytes(*items[1]->GetStream()));
    PruefeTeil(teil2, datei, 2, 11, 1024, "Bild.JPG", datum);
    // The parts passed over still count in the running CRC of part 10.
    PruefeTeil(teil10, datei, 10, 11, 1024, "Bild.JPG", datum);
    ASSERT_GE(teil10.felder.size(), 3u);
    EXPECT_EQ(teil10.felder[1], "0A");
    EXPECT_EQ(teil10.felder[2], "0B");
    // Nothing is left over of the parts not chosen.
    EXPECT_EQ(TempFiles().size(), 2u);
}

TEST_F(BinSplitTest, PartsBeyondAShortSelectionAreNotWanted) {
    const std::string datei = MakeFile("kurz.bin", 100000);
    const auto praeprozessor = Make(2, 32);
    praeprozessor->SetTeileAnzahl(2);
    praeprozessor->SetTeil(0, true);
    praeprozessor->SetTeil(1, true);
    praeprozessor->Execute();

    const auto items = Items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1]->GetAnzeigename(), "kurz.b02");
    PruefeTeil(Lies(StreamBytes(*items[1]->GetStream())), datei, 2, 4, 32768, "kurz.bin", datum);
    EXPECT_EQ(TempFiles().size(), 2u);
}

TEST_F(BinSplitTest, NoPartChosenQueuesNothing) {
    MakeFile("nichts.bin", 100000);
    const auto praeprozessor = Make(2, 32);
    praeprozessor->SetTeileAnzahl(4);
    praeprozessor->Execute();
    EXPECT_TRUE(Items().empty());
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(BinSplitTest, PartsWithoutATemporaryFolderArePassedOver) {
    MakeFile("daten.bin", 5000);
    const ScopedEnv missing("TMPDIR", (dir / "fehlt").string());
    const auto praeprozessor = Make(2, 1);
    praeprozessor->SetAlleTeile(true);
    praeprozessor->Execute();
    EXPECT_TRUE(Items().empty());
    const auto prompts = verbindung->Prompts();
    ASSERT_EQ(prompts.size(), 5u);
    EXPECT_EQ(prompts[4],
              std::make_pair(std::string("Teildatei daten.b05 konnte nicht angelegt werden."), 3));
}

TEST_F(BinSplitTest, SourceEndingBeforeItsSizeStopsTheSplitting) {
    // The file on disk has five parts, but only two and a half arrive through the stream (a file that
    // shrank after its size was taken).
    const std::string datei = MakeFile("schrumpf.bin", 5000);
    TDateiSendenPraeprozessor praeprozessor(std::make_unique<TMemoryStream>(datei.substr(0, 2500)), quelle,
                                            verbindung, 2);
    praeprozessor.SetTeilGroesse(1);
    praeprozessor.SetAlleTeile(true);
    praeprozessor.Execute();

    EXPECT_EQ(Items().size(), 2u);
    EXPECT_EQ(TempFiles().size(), 2u);
    const auto prompts = verbindung->Prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(
        prompts[0],
        std::make_pair(std::string("Datei konnte nicht ganz gelesen werden, Aufteilen abgebrochen."), 3));
}

TEST_F(BinSplitTest, NameInTheHeaderCannotBreakItsFields) {
    const std::string datei = MakeFile("zeile\numbruch?.bin", 3000);
    const auto praeprozessor = Make(2, 1);
    praeprozessor->SetAlleTeile(true);
    praeprozessor->Execute();

    const auto items = Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[2]->GetAnzeigename(), "zeile_umbruch_.b03");
    PruefeTeil(Lies(StreamBytes(*items[2]->GetStream())), datei, 3, 3, 1024, "zeile_umbruch_.bin", datum);
}

TEST_F(BinSplitTest, PartNamesReplaceTheExtension) {
    const std::vector<std::tuple<std::string, std::int64_t, std::string>> cases = {
        {"daten.bin", 1, "daten.b01"},       {"/a/b/daten.bin", 4, "daten.b04"},
        {"x.tar.gz", 10, "x.tar.b0a"},       {"ohne", 2, "ohne.b02"},
        {"groß.TXT", 255, "groß.bff"},       {"viele.bin", 256, "viele.b100"},
        {"/ordner.d/datei", 3, "datei.b03"},
    };
    for (const auto& [name, nummer, erwartet] : cases) {
        EXPECT_EQ(TDateiSendenPraeprozessor::TeilDateiname(name, nummer), erwartet) << name;
    }
}

TEST(BinSplitHeader, HeaderCrcOfTheReferenceHeader) {
    const std::string kopf =
        std::string(">BS<\n01\n02\n1024\n1500\nx.bin\n20240102030405\nP\rQuarn 1.00.000\r\n") + '\0';
    ASSERT_EQ(kopf.size(), 61u);
    EXPECT_EQ(Hex4(Crc16Str(kopf, 0)) + "\n", "8C18\n");
}

TEST(ExpandText, Templates) {
    struct Case {
        std::string vorlage;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"%o (%p/%q)", "ganz.bin (03/12)\r"},
        {"%O (%P/%Q)", "ganz.bin (03/12)\r"},
        {"%n", "ganz.b03\r"},
        {"100%% sicher", "100% sicher\r"},
        {"a%xb%", "ab\r"},
        {"Zeile 1\r\nZeile 2\n", "Zeile 1\rZeile 2\r"},
        {"schon mit CR\r", "schon mit CR\r"},
        {"\n", ""},
        {"", ""},
        {"%x", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TDateiSendenPraeprozessor::ExpandText(c.vorlage, "/tmp/teile/ganz.b03", "/home/op/ganz.bin",
                                                        12, 3),
                  c.expected)
            << c.vorlage;
    }
    EXPECT_EQ(TDateiSendenPraeprozessor::ExpandText("%p/%q", "n", "o", 300, 256), "256/300\r");
}

} // namespace
} // namespace quarn::test
