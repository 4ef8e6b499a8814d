#include "stationen_test_fixture.h"

namespace quarn {
namespace {

using CheckTest = test::StationenDatenbankFixture;

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

TEST_F(CheckTest, TheRebuildCopiesStationsStreamByStream) {
    WriteFile(
        {{"DL1ABC", {{"N", "Hans"}, {"BIG", Pattern(70000)}}}, {"DB0BOX", {{"PUBME", "pw"}}}, {"EMPTY", {}}});
    {
        auto compound = CompoundFile::Open(file);
        compound->Root()->CreateStream("ROOTSTREAM")->Write("gone");
        compound->Root()->OpenStorage("DL1ABC")->CreateStorage("NESTED")->CreateStream("X")->Write("gone");
    }
    std::vector<bool> progress;
    auto options = Options();
    options.progress = [&](bool visible) { progress.push_back(visible); };
    TStationenDatenbank::DoCheck(file, options);
    EXPECT_EQ(progress, (std::vector<bool>{true, false}));
    EXPECT_FALSE(std::filesystem::exists(TStationenDatenbank::CheckFile(file)));

    auto root = CompoundFile::Open(file)->Root();
    std::vector<std::string> names;
    for (const StgElement& element : root->EnumElements()) {
        names.push_back(element.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"EMPTY", "DB0BOX", "DL1ABC"}));
    auto station = root->OpenStorage("DL1ABC");
    EXPECT_EQ(station->OpenStream("N")->Read(100), "Hans");
    EXPECT_EQ(station->OpenStream("BIG")->Read(100000), Pattern(65536));
    EXPECT_FALSE(station->OpenStorage("NESTED"));
    EXPECT_EQ(root->OpenStorage("DB0BOX")->OpenStream("PUBME")->Read(10), "pw");
}

TEST_F(CheckTest, WithoutAFileTheCheckDoesNothing) {
    TStationenDatenbank::DoCheck(file, Options());
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(TStationenDatenbank::CheckFile(file)));
}

TEST_F(CheckTest, TooLittleFreeSpaceLeavesTheFileAndFailsTheOpening) {
    WriteFile({{"DL1ABC", {{"N", "Hans"}}}});
    const std::string before = FileBytes(file);
    auto options = Options();
    std::vector<bool> progress;
    options.progress = [&](bool visible) { progress.push_back(visible); };
    options.freeSpace = [&](const std::filesystem::path&) { return before.size() + 0x80000 - 1; };
    try {
        TStationenDatenbank database(true, options);
        ADD_FAILURE() << "opened";
    } catch (const EStationenDatenbank& error) {
        EXPECT_STREQ(error.what(), "Auf der Festplatte ist nicht genügend freier Speicherplatz vorhanden");
    }
    EXPECT_EQ(progress, (std::vector<bool>{true, false}));
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_EQ(StationenDatenbank(), nullptr);
    options.freeSpace = [&](const std::filesystem::path&) { return before.size() + 0x80000; };
    TStationenDatenbank database(true, options);
    EXPECT_EQ(database.GetEintrag("DL1ABC")->GetName(), "Hans");
}

TEST_F(CheckTest, ADamagedFileIsKeptAsideAndReplacedByAnEmptyOne) {
    std::filesystem::create_directories(folder);
    std::ofstream(file, std::ios::binary) << "no compound file";
    std::ofstream(TStationenDatenbank::CheckFile(file)) << "left over from an earlier rebuild";
    Open(true);
    EXPECT_EQ(FileBytes(folder / "Stations.defekt.qvd"), "no compound file");
    EXPECT_EQ(notices.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(TStationenDatenbank::CheckFile(file)));
    std::vector<std::string> list;
    database->GetRufzeichenListe(list);
    EXPECT_TRUE(list.empty());
}

TEST_F(CheckTest, AFileInUseIsNeitherCopiedNorReplaced) {
    WriteFile({{"DL1ABC", {{"N", "Hans"}}}});
    const std::string before = FileBytes(file);
    auto other = CompoundFile::Open(file);
    EXPECT_THROW(TStationenDatenbank::DoCheck(file, Options()), EStationenDatenbank);
    other.reset();
    EXPECT_EQ(FileBytes(file), before);
}

// 300 stations; every tenth holds notes too long for the mini stream, so their data lies at the end of
// the file, where a file cut short loses it.
std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> ManyStations() {
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> stations;
    for (int i = 0; i < 300; ++i) {
        const std::string call = "DL" + std::to_string(i) + "CUT";
        std::vector<std::pair<std::string, std::string>> streams{
            {"N", "name " + call}, {"T", std::string("\x02\x01", 2)}, {"PUBDB0BOX", "pw " + call}};
        if (i % 10 == 0) {
            streams.emplace_back("C", Pattern(5000 + i));
        }
        stations.emplace_back(call, std::move(streams));
    }
    return stations;
}

TEST_F(CheckTest, AFileCutShortKeepsEveryReadableStationAndIsKeptAside) {
    for (const bool check : {true, false}) {
        SCOPED_TRACE(check ? "with the check" : "at a plain opening");
        std::filesystem::remove_all(folder);
        notices.clear();
        WriteFile(ManyStations());
        const std::string whole = FileBytes(file);
        const std::string cut = whole.substr(0, whole.size() - 6000);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << cut;

        Open(check);
        EXPECT_EQ(FileBytes(folder / "Stations.defekt.qvd"), cut);
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_NE(notices[0].find("300 Stationen"), std::string::npos) << notices[0];
        std::vector<std::string> list;
        database->GetRufzeichenListe(list);
        EXPECT_EQ(list.size(), 300u);
        int lostNotes = 0;
        for (int i = 0; i < 300; ++i) {
            const std::string call = "DL" + std::to_string(i) + "CUT";
            auto entry = database->GetEintrag(call);
            ASSERT_TRUE(entry) << call;
            EXPECT_EQ(entry->GetName(), "name " + call);
            EXPECT_EQ(entry->GetTyp(), TStationType::st_box);
            EXPECT_EQ(entry->GetFirewall(), TIncomingConnects::Accept);
            EXPECT_EQ(entry->GetPasswort("DB0BOX", TPasswortArt::Benutzer, TPasswortMethode::BayCom),
                      "pw " + call);
            if (i % 10 == 0) {
                const std::string notes = entry->GetNotizen();
                // A stream that could not be read comes back empty, never as some other bytes.
                if (notes.empty()) {
                    ++lostNotes;
                } else {
                    EXPECT_EQ(notes, Pattern(5000 + i).substr(0, kStationNotesLimit)) << call;
                }
            }
        }
        EXPECT_GE(lostNotes, 1);
        EXPECT_LE(lostNotes, 2);
        Close();
    }
}

} // namespace
} // namespace quarn
