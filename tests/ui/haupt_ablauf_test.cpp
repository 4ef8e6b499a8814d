// The main window's start and end order, followed through a recording stand-in for the program's parts.
#include "foundation/StartupU.h"
#include "ui/HauptAblauf.h"
#include "ui/HauptTeile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarn {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const char* Name(THauptTeil teil) {
    switch (teil) {
    case THauptTeil::Klaenge:
        return "Klaenge";
    case THauptTeil::Texte:
        return "Texte";
    case THauptTeil::RemoteCommands:
        return "RemoteCommands";
    case THauptTeil::ConnectionsList:
        return "ConnectionsList";
    case THauptTeil::MyCalls:
        return "MyCalls";
    case THauptTeil::Kanaele:
        return "Kanaele";
    case THauptTeil::Geraete:
        return "Geraete";
    case THauptTeil::Automation:
        return "Automation";
    }
    return "?";
}

// Records every call; fails where told to.
class RecordingTeile : public IHauptTeile {
public:
    std::vector<std::string> log;
    bool dirtyGespeichert = false; // the configuration's Dirty, as the next start finds it
    bool forceCheck = false;
    bool schriftFehlt = false;
    bool datenbankFehlt = false;
    std::set<std::string> werfen; // Freigeben steps that raise
    std::vector<QString> meldungen;

    bool ConfigErzeugen() override {
        log.push_back("Config");
        return dirtyGespeichert;
    }
    void SetDirty(bool dirty) override {
        log.push_back(dirty ? "Dirty=1" : "Dirty=0");
        dirtyGespeichert = dirty;
    }
    bool ForceDatabaseCheck() const override { return forceCheck; }
    void ClearForceDatabaseCheck() override { log.push_back("ForceCheck=0"); }
    void ConfigFreigeben() override { log.push_back("~Config"); }
    void DropTargetRegistrieren() override { log.push_back("Drop"); }
    void DropTargetWiderrufen() override { log.push_back("~Drop"); }
    void FensterPositionLaden() override { log.push_back("Position"); }
    void SplashOeffnen() override { log.push_back("Splash"); }
    void SplashStatus(const QString& text) override { log.push_back("Splash: " + text.toStdString()); }
    void SplashSchliessen(bool verzoegert) override {
        log.push_back(verzoegert ? "~Splash later" : "~Splash");
    }
    void Erzeugen(THauptTeil teil) override { log.push_back(Name(teil)); }
    void Freigeben(THauptTeil teil) override {
        const std::string name = std::string("~") + Name(teil);
        log.push_back(name);
        if (werfen.contains(name)) {
            throw std::runtime_error("kaputt");
        }
    }
    bool SchriftLaden() override {
        log.push_back("Schrift");
        return !schriftFehlt;
    }
    QString SchriftDatei() const override { return "quarn.fon"; }
    void SchriftEntladen() override { log.push_back("~Schrift"); }
    void DatenbankOeffnen(bool pruefen) override {
        log.push_back(pruefen ? "Datenbank pruefen" : "Datenbank");
        if (datenbankFehlt) {
            throw std::runtime_error("gesperrt");
        }
    }
    void DatenbankFreigeben() override {
        log.push_back("~Datenbank");
        if (werfen.contains("~Datenbank")) {
            throw std::runtime_error("voll");
        }
    }
    void ErsteSchritteZeigen() override { log.push_back("ErsteSchritte"); }
    void ErsteSchritteFreigeben() override { log.push_back("~ErsteSchritte"); }
    void EndKlang() override { log.push_back("EndKlang"); }
    void LayoutSpeichern() override { log.push_back("Layout"); }
    void QuitEventSetzen() override { log.push_back("Quit"); }
    void Melden(const QString& text) override {
        log.push_back("Melden");
        meldungen.push_back(text);
    }
};

const std::vector<std::string> kEnde{
    "~ErsteSchritte", "~Drop",  "~Automation",     "~Geraete",         "Quit",     "~Kanaele", "~MyCalls",
    "~Datenbank",     "~Texte", "~RemoteCommands", "~ConnectionsList", "~Klaenge",
};

std::vector<std::string> Ab(const std::vector<std::string>& log, const std::string& from) {
    const auto it = std::find(log.begin(), log.end(), from);
    return {it, log.end()};
}

TEST(HauptAblauf, NormalRunBuildsInOrderAndEndsOnceClean) {
    RecordingTeile teile;
    {
        THauptAblauf ablauf(teile);
        ablauf.Start(true);
        EXPECT_THAT(teile.log,
                    ElementsAre("Config", "Dirty=1", "Drop", "Position", "Splash", "Klaenge", "Texte",
                                "RemoteCommands", "ConnectionsList", "Splash: Initialisiere Schriften...",
                                "Schrift", "MyCalls", "Splash: Initialisiere Datenbank...", "Datenbank",
                                "ForceCheck=0", "Splash: Initialisiere Kanäle...", "Kanaele",
                                "Splash: Initialisiere Geräte...", "Geraete", "Automation", "Splash: Bereit.",
                                "~Splash later", "ErsteSchritte"));
        teile.log.clear();
        // The session's end, then the window's destruction: the parts are freed once.
        ablauf.Ende();
        ablauf.Ende();
    }
    std::vector<std::string> erwartet{"EndKlang", "Layout"};
    erwartet.insert(erwartet.end(), kEnde.begin(), kEnde.end());
    erwartet.insert(erwartet.end(), {"Dirty=0", "~Config", "~Schrift"});
    EXPECT_EQ(teile.log, erwartet);
    EXPECT_FALSE(teile.dirtyGespeichert);
}

TEST(HauptAblauf, DirtyOrForcedCheckRebuildsTheDatabase) {
    for (const bool dirty : {false, true}) {
        for (const bool force : {false, true}) {
            RecordingTeile teile;
            teile.dirtyGespeichert = dirty;
            teile.forceCheck = force;
            THauptAblauf ablauf(teile);
            ablauf.Start(false);
            const bool pruefen =
                std::find(teile.log.begin(), teile.log.end(), "Datenbank pruefen") != teile.log.end();
            EXPECT_EQ(pruefen, dirty || force);
            EXPECT_EQ(ablauf.VorherDirty(), dirty);
        }
    }
}

TEST(HauptAblauf, FontOrDatabaseFailureEndsBeforeTheLoopAndKeepsDirty) {
    for (const bool schrift : {true, false}) {
        RecordingTeile teile;
        teile.schriftFehlt = schrift;
        teile.datenbankFehlt = !schrift;
        THauptAblauf ablauf(teile);
        EXPECT_THROW(ablauf.Start(true), EProgrammEnde);
        EXPECT_TRUE(ablauf.InitFehler());
        EXPECT_TRUE(ablauf.Beendet());
        ASSERT_EQ(teile.meldungen.size(), 1U);
        EXPECT_THAT(teile.meldungen[0].toStdString(),
                    schrift ? HasSubstr("Die erforderliche Datei \"quarn.fon\" kann nicht geladen werden.")
                            : HasSubstr("Fehler beim Öffnen der Datenbank. (gesperrt)"));
        // The splash goes before the message; nothing after the failing step was built.
        const std::vector<std::string> ende = Ab(teile.log, "~Splash");
        ASSERT_GE(ende.size(), 2U);
        EXPECT_EQ(ende[1], "Melden");
        EXPECT_EQ(std::count(teile.log.begin(), teile.log.end(), "Kanaele"), 0);
        EXPECT_EQ(std::count(teile.log.begin(), teile.log.end(), "MyCalls"), schrift ? 0 : 1);
        // No end sound, no saved layout, Dirty left set: the next start checks the database.
        EXPECT_EQ(std::count(teile.log.begin(), teile.log.end(), "EndKlang"), 0);
        EXPECT_EQ(std::count(teile.log.begin(), teile.log.end(), "Layout"), 0);
        EXPECT_EQ(std::count(teile.log.begin(), teile.log.end(), "Dirty=0"), 0);
        EXPECT_TRUE(teile.dirtyGespeichert);
        EXPECT_EQ(teile.log.back(), "~Schrift");
        ablauf.Ende();
        EXPECT_EQ(teile.log.back(), "~Schrift");
    }
}

TEST(HauptAblauf, AFreeingStepThatRaisesLetsTheRestRunAndKeepsDirty) {
    for (const char* step : {"~Geraete", "~Kanaele", "~Datenbank", "~Klaenge"}) {
        RecordingTeile teile;
        teile.werfen = {step};
        THauptAblauf ablauf(teile);
        ablauf.Start(false);
        teile.log.clear();
        ablauf.Ende();
        std::vector<std::string> erwartet{"EndKlang", "Layout"};
        erwartet.insert(erwartet.end(), kEnde.begin(), kEnde.end());
        erwartet.insert(erwartet.end(), {"~Config", "~Schrift"});
        EXPECT_EQ(teile.log, erwartet) << step;
        EXPECT_TRUE(teile.dirtyGespeichert) << step;
    }
}

} // namespace
} // namespace quarn
