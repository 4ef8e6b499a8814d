// The station window's rules without a window: the stored values of its controls, the call of a new
// station, the prefix search and the order of a password's change.
#include "platform/Codepage.h"
#include "stations/StationenDatenbankU.h"
#include "ui/stationen/StationenListe.h"
#include "ui/stationen/StationenRegeln.h"

#include "support/TempDir.h"
#include "support/TestDatenbank.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

TEST(StationenRegeln, ControlsTurnIntoTheStoredKindAndRule) {
    const struct {
        int row;
        TStationType kind;
    } kinds[] = {{0, TStationType::st_unknown},
                 {2, TStationType::st_box},
                 {5, TStationType::st_cluster},
                 {9, TStationType::st_unknown},
                 {-1, TStationType::st_unknown}};
    for (const auto& c : kinds) {
        EXPECT_EQ(TypAusAuswahl(c.row), c.kind) << c.row;
    }
    const struct {
        bool firewall;
        int row;
        TIncomingConnects rule;
    } rules[] = {{false, 2, TIncomingConnects::None},
                 {true, 0, TIncomingConnects::Accept},
                 {true, 2, TIncomingConnects::Reject},
                 {true, 3, TIncomingConnects::None},
                 {true, -1, TIncomingConnects::None}};
    for (const auto& c : rules) {
        EXPECT_EQ(RegelAusAuswahl(c.firewall, c.row), c.rule) << c.firewall << " " << c.row;
    }
}

TEST(StationenRegeln, AStationWithoutItsOwnRuleShowsTheGlobalOne) {
    EXPECT_EQ(FirewallAnzeige(TIncomingConnects::None, 3).eigeneRegel, false);
    EXPECT_EQ(FirewallAnzeige(TIncomingConnects::None, 3).zeile, 2);
    EXPECT_EQ(FirewallAnzeige(TIncomingConnects::Ignore, 3).eigeneRegel, true);
    EXPECT_EQ(FirewallAnzeige(TIncomingConnects::Ignore, 3).zeile, 1);
    // A stored byte outside the rules counts as none.
    EXPECT_EQ(FirewallAnzeige(static_cast<TIncomingConnects>(7), 1).eigeneRegel, false);
}

TEST(StationenRegeln, NotesAreStoredWithCrLfCutTo16384AndShownBack) {
    EXPECT_EQ(NotizenZumSpeichern("erste\nzweite"), "erste\r\nzweite");
    EXPECT_EQ(NotizenZumZeigen("erste\r\nzweite"), "erste\nzweite");
    EXPECT_EQ(NotizenZumSpeichern(QString(20000, 'n')).size(), kNotizenMax);
    EXPECT_EQ(NotizenZumSpeichern(QString::fromUtf8("Grüße")), "Gr\xFC\xDF"
                                                               "e");
}

TEST(StationenRegeln, ANewCallIsTrimmedAndUpperCasedAndBlanksAreNone) {
    EXPECT_EQ(NeuesRufzeichen(" db0xyz "), std::optional<std::string>("DB0XYZ"));
    EXPECT_EQ(NeuesRufzeichen("dl1abc-5"), std::optional<std::string>("DL1ABC-5"));
    EXPECT_EQ(NeuesRufzeichen("   "), std::nullopt);
    EXPECT_EQ(NeuesRufzeichen(""), std::nullopt);
}

TEST(StationenRegeln, ThePrefixSearchIgnoresCaseAndWrapsFromTheStartRow) {
    const std::vector<std::string> names = {"DB0ABC", "DB0ECH", "DL1ABC", "DL2XYZ", "OE1AAA"};
    const struct {
        const char* prefix;
        int start;
        int row;
    } cases[] = {{"dl", 0, 2}, {"dl", 3, 3}, {"dl", 4, 2}, {"db0e", 0, 1},    {"o", 0, 4},
                 {"db", 4, 0}, {"x", 0, -1}, {"", 0, -1},  {"dl2xyz1", 0, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(StationSuchen(names, c.prefix, c.start), c.row) << c.prefix << " from " << c.start;
    }
    EXPECT_EQ(StationSuchen({}, "D", 0), -1);
}

TEST(StationenRegeln, TheListKeepsItsOrderWhenStationsComeAndGo) {
    TStationenListe liste({"DL1ABC", "DB0ABC"});
    EXPECT_EQ(liste.Namen(), (std::vector<std::string>{"DB0ABC", "DL1ABC"}));
    EXPECT_EQ(liste.Einfuegen("DC0XX"), 1);
    EXPECT_EQ(liste.Einfuegen("DC0XX"), 1);
    EXPECT_EQ(liste.rowCount(), 3);
    EXPECT_EQ(liste.Zeile("DL1ABC"), 2);
    EXPECT_EQ(liste.Zeile("DL9"), -1);
    liste.Entfernen(0);
    EXPECT_EQ(liste.Namen(), (std::vector<std::string>{"DC0XX", "DL1ABC"}));
}

// A real entry whose password writes can be made to fail, as a full disk or a broken file would.
class SchreibsperreEintrag final : public IStationenDatenbankEintrag {
public:
    explicit SchreibsperreEintrag(std::shared_ptr<IStationenDatenbankEintrag> inner)
        : inner_(std::move(inner)) {}
    bool sperren = false;

    std::string GetRufzeichen() const override { return inner_->GetRufzeichen(); }
    void SetName(std::string_view v) override { inner_->SetName(v); }
    std::string GetName() const override { return inner_->GetName(); }
    void SetNotizen(std::string_view v) override { inner_->SetNotizen(v); }
    std::string GetNotizen() const override { return inner_->GetNotizen(); }
    void SetTyp(TStationType v) override { inner_->SetTyp(v); }
    TStationType GetTyp() const override { return inner_->GetTyp(); }
    void SetFirewall(TIncomingConnects v) override { inner_->SetFirewall(v); }
    TIncomingConnects GetFirewall() const override { return inner_->GetFirewall(); }
    void SetPasswort(std::string_view call, TPasswortArt kind, std::string_view pw,
                     TPasswortMethode m) override {
        if (!sperren) {
            inner_->SetPasswort(call, kind, pw, m);
        }
    }
    std::string GetPasswort(std::string_view call, TPasswortArt kind, TPasswortMethode m) const override {
        return inner_->GetPasswort(call, kind, m);
    }
    std::string GetPasswortStream(std::string_view name) const override {
        return inner_->GetPasswortStream(name);
    }
    void DeleteStream(std::string_view name) override { inner_->DeleteStream(name); }
    std::shared_ptr<IStorage> GetStorage() const override { return inner_->GetStorage(); }
    void SetStorage(std::shared_ptr<IStorage> s) override { inner_->SetStorage(std::move(s)); }
    void GetSoundEvent(int e, int& s, int& a, std::string& f) const override {
        inner_->GetSoundEvent(e, s, a, f);
    }
    bool SetSoundEvent(int e, int s, int a, std::string_view f) override {
        return inner_->SetSoundEvent(e, s, a, f);
    }
    void DeleteSoundEvent(int e) override { inner_->DeleteSoundEvent(e); }
    void GetText(int k, std::string& t, bool& g) const override { inner_->GetText(k, t, g); }
    bool SetText(int k, std::string_view t, bool g) override { return inner_->SetText(k, t, g); }
    void DeleteText(int k) override { inner_->DeleteText(k); }
    bool GetRemoteCommand(std::string_view n, bool& a) const override {
        return inner_->GetRemoteCommand(n, a);
    }
    void SetRemoteCommand(std::string_view n, bool a) override { inner_->SetRemoteCommand(n, a); }
    void DeleteRemoteCommand(std::string_view n) override { inner_->DeleteRemoteCommand(n); }

private:
    std::shared_ptr<IStationenDatenbankEintrag> inner_;
};

class PasswortSpeichernTest : public ::testing::Test {
protected:
    std::vector<std::string> Streams() {
        std::vector<std::string> list;
        database->GetPasswortListe(entry, list);
        return list;
    }

    test::TempDir dir;
    std::unique_ptr<TStationenDatenbank> database = test::TestDatenbank(dir.path());
    SchreibsperreEintrag entry{database->CreateEintrag("DB0ABC")};
};

TEST_F(PasswortSpeichernTest, AnEditedKindAndMethodMoveThePasswordToItsNewStream) {
    entry.SetPasswort("DL1ABC", TPasswortArt::Benutzer, "geheim", TPasswortMethode::BayCom);
    ASSERT_TRUE(
        PasswortSpeichern(entry, "PUBDL1ABC", "DL1ABC", TPasswortArt::Sysop, "neu", TPasswortMethode::MD5));
    EXPECT_EQ(Streams(), std::vector<std::string>{"PSMDL1ABC"});
    EXPECT_EQ(entry.GetPasswortStream("PSMDL1ABC"), "neu");
    // Same stream: written in place, nothing removed.
    ASSERT_TRUE(
        PasswortSpeichern(entry, "PSMDL1ABC", "DL1ABC", TPasswortArt::Sysop, "neuer", TPasswortMethode::MD5));
    EXPECT_EQ(entry.GetPasswortStream("PSMDL1ABC"), "neuer");
}

TEST_F(PasswortSpeichernTest, AFailedWriteKeepsTheOldPassword) {
    entry.SetPasswort("DL1ABC", TPasswortArt::Benutzer, "geheim", TPasswortMethode::BayCom);
    entry.sperren = true;
    EXPECT_FALSE(
        PasswortSpeichern(entry, "PUBDL1ABC", "DL1ABC", TPasswortArt::Sysop, "neu", TPasswortMethode::MD5));
    EXPECT_EQ(Streams(), std::vector<std::string>{"PUBDL1ABC"});
    EXPECT_EQ(entry.GetPasswortStream("PUBDL1ABC"), "geheim");
    // An own call no stream name can hold fails the same way on a working entry.
    entry.sperren = false;
    EXPECT_FALSE(
        PasswortSpeichern(entry, "PUBDL1ABC", "DL1/ABC", TPasswortArt::Sysop, "neu", TPasswortMethode::MD5));
    EXPECT_EQ(entry.GetPasswortStream("PUBDL1ABC"), "geheim");
}

} // namespace
} // namespace quarn
