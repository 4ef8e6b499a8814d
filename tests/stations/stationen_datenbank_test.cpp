#include "stationen_test_fixture.h"

#include "platform/CompoundStorage.h"

#include <chrono>
#include <sys/stat.h>
#include <thread>

namespace quarn {
namespace {

using test::StationenDatenbankFixture;
using DatabaseTest = StationenDatenbankFixture;

TEST_F(DatabaseTest, EveryFieldSurvivesReopening) {
    Open();
    {
        auto entry = database->CreateEintrag("dl1abc-3");
        ASSERT_TRUE(entry);
        entry->SetName("Hans \xC4rger");
        entry->SetNotizen("line 1\r\nline 2, \"quoted\"");
        entry->SetTyp(TStationType::st_box);
        entry->SetFirewall(TIncomingConnects::Reject);
        entry->SetPasswort("DB0XYZ", TPasswortArt::Sysop, "s3cr3t", TPasswortMethode::MD5);
        entry->SetPasswort("DB0XYZ-1", TPasswortArt::Benutzer, "", TPasswortMethode::DieBox);
        EXPECT_TRUE(entry->SetSoundEvent(7, 2, 1, "/home/op/sounds/ring tone.wav"));
        EXPECT_TRUE(entry->SetText(3, "Hallo %N, \"willkommen\"", false));
        EXPECT_TRUE(entry->SetText(4, std::string(10000, 'x') + "end", true));
        entry->SetRemoteCommand("dir", true);
        entry->SetRemoteCommand("read", false);
    }
    Reopen();
    auto entry = database->GetEintrag("DL1ABC-3");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->GetRufzeichen(), "DL1ABC-3");
    EXPECT_EQ(entry->GetName(), "Hans \xC4rger");
    EXPECT_EQ(entry->GetNotizen(), "line 1\r\nline 2, \"quoted\"");
    EXPECT_EQ(entry->GetTyp(), TStationType::st_box);
    EXPECT_EQ(entry->GetFirewall(), TIncomingConnects::Reject);
    EXPECT_EQ(entry->GetPasswort("DB0XYZ", TPasswortArt::Sysop, TPasswortMethode::MD5), "s3cr3t");
    EXPECT_EQ(entry->GetPasswortStream("PSMDB0XYZ"), "s3cr3t");
    EXPECT_EQ(entry->GetPasswort("DB0XYZ", TPasswortArt::Benutzer, TPasswortMethode::MD5), "");
    int signal = -1;
    int announcement = -1;
    std::string wave;
    entry->GetSoundEvent(7, signal, announcement, wave);
    EXPECT_EQ(signal, 2);
    EXPECT_EQ(announcement, 1);
    EXPECT_EQ(wave, "/home/op/sounds/ring tone.wav");
    std::string text;
    bool globalFirst = true;
    entry->GetText(3, text, globalFirst);
    EXPECT_EQ(text, "Hallo %N, \"willkommen\"");
    EXPECT_FALSE(globalFirst);
    entry->GetText(4, text, globalFirst); // a long macro comes back whole
    EXPECT_EQ(text, std::string(10000, 'x') + "end");
    bool allowed = false;
    EXPECT_TRUE(entry->GetRemoteCommand("DIR", allowed));
    EXPECT_TRUE(allowed);
    EXPECT_TRUE(entry->GetRemoteCommand("read", allowed));
    EXPECT_FALSE(allowed);
    EXPECT_FALSE(entry->GetRemoteCommand("help", allowed));

    // The stored forms other programs' files hold.
    auto storage = entry->GetStorage();
    EXPECT_EQ(storage->OpenStream("T")->Read(10), std::string("\x02\x03", 2));
    EXPECT_EQ(storage->OpenStream("R")->Read(100), "dir=1,read=0");
    EXPECT_EQ(storage->OpenStream("S07")->Read(100), "2,\"/home/op/sounds/ring tone.wav\",1");
    EXPECT_EQ(storage->OpenStream("PUDDB0XYZ-1")->Size(), 0u);

    entry->DeleteSoundEvent(7);
    entry->DeleteText(3);
    entry->DeleteRemoteCommand("dir");
    entry->GetSoundEvent(7, signal, announcement, wave);
    EXPECT_EQ(signal, 0);
    EXPECT_FALSE(entry->GetRemoteCommand("dir", allowed));
}

TEST_F(DatabaseTest, StreamsAreReadUpToTheirLimits) {
    Open();
    auto entry = database->CreateEintrag("DL2XYZ");
    struct Case {
        std::string stream;
        std::size_t limit;
    };
    for (const Case& c :
         {Case{"N", 200}, Case{"C", 16384}, Case{"PUBDB0ABC", 4096}, Case{"X01", 4096}, Case{"S02", 4096}}) {
        entry->GetStorage()->CreateStream(c.stream)->Write(std::string(c.limit + 1000, 'a'));
    }
    EXPECT_EQ(entry->GetName().size(), 200u);
    EXPECT_EQ(entry->GetNotizen().size(), 16384u);
    EXPECT_EQ(entry->GetPasswort("DB0ABC", TPasswortArt::Benutzer, TPasswortMethode::BayCom).size(), 4096u);
    std::string text;
    bool globalFirst = false;
    entry->GetText(1, text, globalFirst); // one item only: padded, then the flag
    EXPECT_EQ(text, "");
    EXPECT_TRUE(globalFirst);
    entry->GetStorage()->CreateStream("R")->Write("help=1," + std::string(4090, 'a') + ",dir=1");
    bool allowed = false;
    EXPECT_TRUE(entry->GetRemoteCommand("help", allowed));
    EXPECT_FALSE(entry->GetRemoteCommand("dir", allowed)) << "past the read limit";
}

TEST_F(DatabaseTest, SoundAndTextStreamsOfOtherShapes) {
    Open();
    auto entry = database->CreateEintrag("DL3SND");
    auto storage = entry->GetStorage();
    struct SoundCase {
        std::string stored;
        int signal;
        std::string wave;
        int announcement;
    };
    for (const SoundCase& c : {SoundCase{"1,a.wav", 0, "", 0}, SoundCase{"1,a.wav,2,3", 0, "", 0},
                               SoundCase{"x,a.wav,2", 0, "", 0}, SoundCase{"4,a.wav,y", 4, "a.wav", 0},
                               SoundCase{"4,a.wav,2", 4, "a.wav", 2}}) {
        SCOPED_TRACE(c.stored);
        storage->CreateStream("S05")->Write(c.stored);
        int signal = -1;
        int announcement = -1;
        std::string wave = "old";
        entry->GetSoundEvent(5, signal, announcement, wave);
        EXPECT_EQ(signal, c.signal);
        EXPECT_EQ(wave, c.wave);
        EXPECT_EQ(announcement, c.announcement);
    }
    struct TextCase {
        std::string stored;
        std::string text;
        bool globalFirst;
    };
    for (const TextCase& c : {TextCase{"0", "", false}, TextCase{"1", "", true}, TextCase{"0,", "", false},
                              TextCase{"0,hi", "hi", false}, TextCase{"0,a,b", "", true}}) {
        SCOPED_TRACE(c.stored);
        storage->CreateStream("X02")->Write(c.stored);
        std::string text = "old";
        bool globalFirst = !c.globalFirst;
        entry->GetText(2, text, globalFirst);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(globalFirst, c.globalFirst);
    }
    std::string text;
    bool globalFirst = false;
    entry->GetText(9, text, globalFirst); // missing stream
    EXPECT_TRUE(globalFirst);
}

TEST_F(DatabaseTest, LookupTriesTheFullCallFirstThenTheCallWithoutSsid) {
    Open();
    for (const char* call : {"DL1ABC", "DL1ABC-0", "DL1ABC-3", "DB0BOX"}) {
        database->CreateEintrag(call)->SetName(call);
    }
    struct Case {
        std::string call;
        bool baseCall;
        std::string found; // empty: nothing
    };
    for (const Case& c :
         {Case{"dl1abc", false, "DL1ABC-0"}, Case{"DL1ABC-3", false, "DL1ABC-3"}, Case{"DL1ABC-5", false, ""},
          Case{"DL1ABC-5", true, "DL1ABC"}, Case{"db0box", false, "DB0BOX"}, Case{"DB0BOX-2", true, "DB0BOX"},
          Case{"DB0BOX-2", false, ""}, Case{"", true, ""}}) {
        SCOPED_TRACE(c.call);
        auto entry = database->FindEintrag(c.call, c.baseCall);
        EXPECT_EQ(entry ? entry->GetName() : "", c.found);
    }
    EXPECT_TRUE(database->GetEintrag("db0box"));
    EXPECT_FALSE(database->GetEintrag("DB0BOX-0"));
}

TEST_F(DatabaseTest, AHeldEntryIsSharedAndCannotBeDeleted) {
    Open();
    database->CreateEintrag("DL4DEL");
    auto first = database->GetEintrag("DL4DEL");
    auto second = database->FindEintrag("dl4del", true);
    EXPECT_EQ(first.get(), second.get());
    first->SetTyp(TStationType::st_digi);
    EXPECT_FALSE(database->DeleteEintrag("DL4DEL"));
    second.reset();
    EXPECT_FALSE(database->DeleteEintrag("dl4del"));
    first.reset();
    EXPECT_TRUE(database->DeleteEintrag("dl4del"));
    EXPECT_FALSE(database->GetEintrag("DL4DEL"));
    EXPECT_FALSE(database->DeleteEintrag("DL4DEL"));
}

std::string StreamOf(const std::shared_ptr<IStorage>& station, const char* stream) {
    const auto found = station ? station->OpenStream(stream) : nullptr;
    return found ? found->Read(100) : std::string("<missing>");
}

TEST_F(DatabaseTest, KindAndRuleAreStoredTogetherAndEachKeepsTheOthersValue) {
    Open();
    auto entry = database->CreateEintrag("DL5TYP");
    entry->SetFirewall(TIncomingConnects::Ignore);
    EXPECT_EQ(StreamOf(entry->GetStorage(), "T"), std::string("\x00\x02", 2));
    entry.reset();
    entry = database->GetEintrag("DL5TYP");
    entry->SetTyp(TStationType::st_convers); // the rule keeps its stored value
    EXPECT_EQ(StreamOf(entry->GetStorage(), "T"), std::string("\x03\x02", 2));
}

// A station stays held for as long as a connection to it lasts: what changes meanwhile must not wait for
// its release to reach the file.
TEST_F(DatabaseTest, ChangesOfAHeldEntryReachTheFileWhileItIsHeld) {
    Open();
    auto entry = database->CreateEintrag("DL5HLD");
    entry->SetTyp(TStationType::st_box);
    entry->SetFirewall(TIncomingConnects::Reject);
    entry->SetRemoteCommand("dir", true);
    const auto onDisk = [&](const char* stream) {
        return StreamOf(ReadCompoundImage(FileBytes(file))->OpenStorage("DL5HLD"), stream);
    };
    for (int i = 0; i < 500 && (onDisk("T") == "<missing>" || onDisk("R") == "<missing>"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(onDisk("T"), std::string("\x02\x03", 2));
    EXPECT_EQ(onDisk("R"), "dir=1");

    entry->SetTyp(TStationType::st_digi);
    entry->DeleteRemoteCommand("dir");
    database->Flush();
    EXPECT_EQ(onDisk("T"), std::string("\x01\x03", 2));
    EXPECT_EQ(onDisk("R"), "");
}

TEST_F(DatabaseTest, CreatingAStationThatExistsEmptiesItAndKeepsOneObject) {
    Open();
    {
        auto entry = database->CreateEintrag("DL6NEW");
        entry->SetName("old");
        entry->SetPasswort("ME", TPasswortArt::Benutzer, "pw", TPasswortMethode::BayCom);
    }
    auto holder = database->GetEintrag("DL6NEW");
    holder->SetTyp(TStationType::st_cluster); // pending write-back of the old object
    auto created = database->CreateEintrag("dl6new");
    EXPECT_EQ(created.get(), holder.get());
    EXPECT_EQ(created->GetName(), "");
    EXPECT_EQ(created->GetTyp(), TStationType::st_unknown);
    created->SetName("new");
    holder.reset();
    created.reset();
    Reopen();
    auto entry = database->GetEintrag("DL6NEW");
    EXPECT_EQ(entry->GetName(), "new");
    EXPECT_EQ(entry->GetTyp(), TStationType::st_unknown);
    std::vector<std::string> passwords;
    EXPECT_TRUE(database->GetPasswortListe(*entry, passwords));
    EXPECT_TRUE(passwords.empty());
    // A station not in use is replaced by an empty one.
    entry.reset();
    database->CreateEintrag("DL6NEW");
    EXPECT_EQ(database->GetEintrag("DL6NEW")->GetName(), "");
}

TEST_F(DatabaseTest, CallsThatCannotNameAStorageGiveNoEntry) {
    Open();
    EXPECT_FALSE(database->CreateEintrag("DL1ABC/P"));
    EXPECT_FALSE(database->CreateEintrag(std::string(32, 'A')));
    EXPECT_FALSE(database->CreateEintrag(""));
    EXPECT_FALSE(database->GetEintrag("DL1ABC/P"));
    EXPECT_TRUE(database->CreateEintrag(std::string(31, 'A')));
}

TEST_F(DatabaseTest, PasswordListSkipsNamesTooShortToSplit) {
    Open();
    auto entry = database->CreateEintrag("DL7PWD");
    for (const char* name : {"P", "PU", "PUB", "PUBDL1ABC", "PSDDB0X-2", "N", "QUBX"}) {
        entry->GetStorage()->CreateStream(name)->Write("x");
    }
    entry->GetStorage()->CreateStorage("PUMNESTED");
    std::vector<std::string> names;
    ASSERT_TRUE(database->GetPasswortListe(*entry, names));
    EXPECT_EQ(names, (std::vector<std::string>{"PSDDB0X-2", "PUBDL1ABC"}));
    std::string myCall;
    TPasswortArt kind{};
    TPasswortMethode method{};
    ParsePasswortStreamName(names[0], myCall, kind, method);
    EXPECT_EQ(myCall, "DB0X-2");
    EXPECT_EQ(kind, TPasswortArt::Sysop);
    EXPECT_EQ(method, TPasswortMethode::DieBox);
    ParsePasswortStreamName("P??ME", myCall, kind, method);
    EXPECT_EQ(kind, TPasswortArt::Benutzer);
    EXPECT_EQ(method, TPasswortMethode::BayCom);
    EXPECT_THROW(ParsePasswortStreamName("PUB", myCall, kind, method), EAssertionFailed);
    EXPECT_EQ(MakePasswortStreamName("ME-1", TPasswortArt::Sysop, TPasswortMethode::MD5), "PSMME-1");
}

TEST_F(DatabaseTest, StationListIsSortedAndHoldsEveryRootElement) {
    Open();
    for (const char* call : {"OE1X", "DL1ABC-0", "DB0ABC", "DL1ABC"}) {
        database->CreateEintrag(call);
    }
    std::vector<std::string> list{"stale"};
    EXPECT_TRUE(database->GetRufzeichenListe(list));
    EXPECT_EQ(list, (std::vector<std::string>{"DB0ABC", "DL1ABC", "DL1ABC-0", "OE1X"}));
}

TEST_F(DatabaseTest, ASecondDatabaseIsAnAssertionFailure) {
    Open();
    EXPECT_EQ(StationenDatenbank(), database.get());
    EXPECT_THROW(TStationenDatenbank(false, Options()), EAssertionFailed);
    EXPECT_EQ(StationenDatenbank(), database.get());
    Close();
    EXPECT_EQ(StationenDatenbank(), nullptr);
}

TEST_F(DatabaseTest, AFileInUseEndsTheOpeningWithAClearError) {
    WriteFile({{"DL1ABC", {{"N", "kept"}}}});
    auto other = CompoundFile::Open(file);
    try {
        Open();
        ADD_FAILURE() << "opened";
    } catch (const EStationenDatenbank& error) {
        EXPECT_STREQ(error.what(), "OpenStorage/CreateDocfile: STG_E_SHAREVIOLATION");
    }
    EXPECT_EQ(StationenDatenbank(), nullptr);
    other.reset();
    Open();
    EXPECT_EQ(database->GetEintrag("DL1ABC")->GetName(), "kept");
}

TEST_F(DatabaseTest, ADamagedFileIsMovedAsideAndAnEmptyDatabaseStarts) {
    std::filesystem::create_directories(folder);
    const std::string garbage = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(3000, 'z');
    std::ofstream(file, std::ios::binary) << garbage;
    Open();
    ASSERT_EQ(notices.size(), 1u);
    const auto aside = folder / "Stations.defekt.qvd";
    EXPECT_EQ(FileBytes(aside), garbage);
    EXPECT_NE(notices[0].find(aside.string()), std::string::npos);
    std::vector<std::string> list;
    database->GetRufzeichenListe(list);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(database->CreateEintrag("DL1NEW"));
    // A second damaged file does not overwrite the first one kept aside.
    Close();
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "plain text";
    Open();
    EXPECT_EQ(FileBytes(aside), garbage);
    EXPECT_EQ(FileBytes(folder / "Stations.defekt (1).qvd"), "plain text");
}

TEST_F(DatabaseTest, TheOlderFileIsTakenOverOnce) {
    WriteFile({{"DL1OLD", {{"N", "from the old file"}}}});
    std::filesystem::rename(file, dir / "quarn-S.DAT");
    Open();
    EXPECT_FALSE(std::filesystem::exists(dir / "quarn-S.DAT"));
    EXPECT_EQ(database->GetEintrag("DL1OLD")->GetName(), "from the old file");
    Close();
    std::ofstream(dir / "quarn-S.DAT") << "not taken";
    Open();
    EXPECT_TRUE(database->GetEintrag("DL1OLD"));
    EXPECT_EQ(FileBytes(dir / "quarn-S.DAT"), "not taken");
}

TEST_F(DatabaseTest, OpeningRemovesTheAllStationsElementAndProtectsTheFile) {
    WriteFile({{"[ alle ]", {{"N", "x"}}}, {"DL1ABC", {}}});
    ::chmod(folder.c_str(), 0755);
    Open();
    std::vector<std::string> list;
    database->GetRufzeichenListe(list);
    EXPECT_EQ(list, std::vector<std::string>{"DL1ABC"});
    database->Flush();
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(DatabaseTest, ChangesReachTheFileShortlyWithoutAnExplicitFlush) {
    Open();
    database->CreateEintrag("DL8BG")->SetName("background");
    std::shared_ptr<IStorage> onDisk;
    for (int i = 0; i < 200; ++i) {
        onDisk = ReadCompoundImage(FileBytes(file))->OpenStorage("DL8BG");
        if (onDisk && onDisk->OpenStream("N")) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(onDisk);
    ASSERT_TRUE(onDisk->OpenStream("N"));
    EXPECT_EQ(onDisk->OpenStream("N")->Read(100), "background");
}

TEST_F(DatabaseTest, AnEntryHeldPastTheDatabaseIsWrittenAtTheEndAndStaysUsable) {
    Open();
    auto entry = database->CreateEintrag("DL9END");
    entry->SetTyp(TStationType::st_terminal);
    Close();
    entry->SetName("after the end"); // in memory only
    EXPECT_EQ(entry->GetTyp(), TStationType::st_terminal);
    entry.reset();
    Open();
    auto reopened = database->GetEintrag("DL9END");
    EXPECT_EQ(reopened->GetTyp(), TStationType::st_terminal);
    EXPECT_EQ(reopened->GetName(), "");
}

} // namespace
} // namespace quarn
