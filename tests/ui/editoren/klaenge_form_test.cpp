#include "controls/Screenshot.h"
#include "platform/Codepage.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/audio_test_support.h"
#include "stations/KlaengeU.h"
#include "stations/klaenge_test_support.h"
#include "support/FileContents.h"
#include "support/TempDir.h"
#include "ui/editoren/KlaengeForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <gtest/gtest.h>
#include <map>
#include <tuple>

namespace quarn {
namespace {

namespace fs = std::filesystem;

struct Setting {
    std::uint8_t signal = 0;
    std::string wave;
    std::uint8_t ansage = 0;
    bool operator==(const Setting&) const = default;
};

struct Stored {
    std::string what; // "Save" or "Delete"
    std::string call;
    int event = 0;
    Setting setting;
    bool operator==(const Stored&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Stored& s) {
    return out << s.what << "(" << s.call << ", " << s.event << ", " << int(s.setting.signal) << ", \""
               << s.setting.wave << "\", " << int(s.setting.ansage) << ")";
}

// The sounds object with the settings in a table and every store recorded; trial sounds go to the real
// player, which plays into a recording.
class SpyKlaenge final : public TKlaenge {
public:
    SpyKlaenge(RegistryStore& store, std::shared_ptr<test::Recording> recording)
        : TKlaenge(store, std::make_unique<test::RecordingSink>(std::move(recording))) {}

    void Load(std::string_view call, int event, std::uint8_t& ansage, std::string& wave,
              std::uint8_t& signal) override {
        const auto it = settings.find({std::string(call), event});
        const Setting s = it == settings.end() ? Setting{} : it->second;
        ansage = s.ansage;
        wave = s.wave;
        signal = s.signal;
    }
    void Save(std::string_view call, int event, std::uint8_t ansage, std::string_view wave,
              std::uint8_t signal) override {
        stored.push_back({"Save", std::string(call), event, {signal, std::string(wave), ansage}});
    }
    void DeleteStation(std::string_view call, int event) override {
        stored.push_back({"Delete", std::string(call), event, {}});
    }
    bool PlayWaveFile(int event, std::string_view wave) override {
        played.emplace_back(wave);
        return TKlaenge::PlayWaveFile(event, wave);
    }

    std::map<std::pair<std::string, int>, Setting> settings;
    std::vector<Stored> stored;
    std::vector<std::string> played;
};

class KlaengeFormTest : public ::testing::Test {
protected:
    void Make(bool global, std::string_view call = {}) {
        TEditorDialoge dialoge;
        dialoge.dateiWaehlen = [this](QWidget*, const QString& title, const QString& filter,
                                      const QString& folder, const QString&, bool) {
            dialogs.push_back({title, filter, folder});
            return chosenFile;
        };
        dialoge.melden = [this](QWidget*, const QString& text) { messages.push_back(text); };
        form = std::make_unique<TKlaengeForm>(klaenge, nullptr, dialoge);
        form->resize(420, 330);
        form->Init(global);
        if (!call.empty()) {
            form->SetRufzeichen(call);
        }
    }
    QComboBox& Ereignisse() { return *form->findChild<QComboBox*>(QStringLiteral("EreignisComboBox")); }
    QCheckBox& Box(const char* name) { return *form->findChild<QCheckBox*>(QString::fromLatin1(name)); }
    QLineEdit& WaveEdit() { return *form->findChild<QLineEdit*>(QStringLiteral("KlangWaveEdit")); }
    QToolButton& Button(const char* name) {
        return *form->findChild<QToolButton*>(QString::fromLatin1(name));
    }
    QRadioButton& Radio(const QString& text) {
        for (QRadioButton* radio : form->findChildren<QRadioButton*>()) {
            if (radio->text() == text) {
                return *radio;
            }
        }
        throw std::runtime_error("no radio button " + text.toStdString());
    }
    void SelectEvent(int event) {
        const int index = Ereignisse().findData(event);
        ASSERT_GE(index, 0) << event;
        Ereignisse().setCurrentIndex(index);
    }
    std::vector<int> OfferedEvents() {
        std::vector<int> events;
        for (int i = 0; i < Ereignisse().count(); ++i) {
            events.push_back(Ereignisse().itemData(i).toInt());
        }
        return events;
    }
    std::string Cp(const fs::path& path) { return Utf8ToCp1252(path.generic_string()); }

    struct Dialog {
        QString title, filter, folder;
    };

    test::TempDir dir;
    RegistryStore store{dir / "registry"};
    std::shared_ptr<test::Recording> recording = std::make_shared<test::Recording>();
    SpyKlaenge klaenge{store, recording};
    std::unique_ptr<TKlaengeForm> form;
    QString chosenFile;
    std::vector<Dialog> dialogs;
    std::vector<QString> messages;
};

TEST_F(KlaengeFormTest, GlobalApplyStoresEveryShownEventWithInheritAsNone) {
    klaenge.settings[{"", 1}] = {2, "", 1};
    klaenge.settings[{"", 2}] = {3, "/s/a.wav", 0};
    Make(true);
    EXPECT_EQ(OfferedEvents().size(), 20u);
    EXPECT_FALSE(Box("KlangCheckBox").isVisibleTo(form.get()));
    SelectEvent(1);
    SelectEvent(2);
    Radio(QStringLiteral("PC-Lautsprecher")).click();
    form->Apply();
    const std::vector<Stored> expected = {
        {"Save", "", 0, {1, "", 1}}, // never set: "none", not "inherit"
        {"Save", "", 1, {2, "", 1}},
        {"Save", "", 2, {2, "/s/a.wav", 1}},
    };
    EXPECT_EQ(klaenge.stored, expected); // events never shown are untouched
}

TEST_F(KlaengeFormTest, StationApplySavesOwnSoundsAndDeletesTheOthers) {
    klaenge.settings[{"", 0}] = {2, "", 0};
    klaenge.settings[{"", 1}] = {3, "/g/global.wav", 0};
    klaenge.settings[{"DL1ABC", 0}] = {3, "/st/own.wav", 0};
    Make(false, "DL1ABC");
    EXPECT_TRUE(Box("KlangCheckBox").isChecked());
    EXPECT_EQ(WaveEdit().text(), QStringLiteral("/st/own.wav"));

    Box("KlangCheckBox").click(); // off: the global setting shows, greyed
    EXPECT_TRUE(Radio(QStringLiteral("PC-Lautsprecher")).isChecked());
    EXPECT_FALSE(Radio(QStringLiteral("PC-Lautsprecher")).isEnabled());

    SelectEvent(1);
    EXPECT_FALSE(Box("KlangCheckBox").isChecked());
    EXPECT_EQ(WaveEdit().text(), QStringLiteral("/g/global.wav"));
    Box("KlangCheckBox").click(); // on: starts from the global setting
    EXPECT_TRUE(Radio(QStringLiteral("Wave-Datei")).isEnabled());
    WaveEdit().setText(QStringLiteral("/st/neu.wav"));

    SelectEvent(0);
    Box("KlangCheckBox").click(); // on again: the station's own file is still there
    EXPECT_EQ(WaveEdit().text(), QStringLiteral("/st/own.wav"));
    Box("KlangCheckBox").click();
    form->Apply();
    const std::vector<Stored> expected = {
        {"Delete", "DL1ABC", 0, {}},
        {"Save", "DL1ABC", 1, {3, "/st/neu.wav", 0}},
    };
    EXPECT_EQ(klaenge.stored, expected);
}

TEST_F(KlaengeFormTest, AStationPageWithoutAStationStoresNothing) {
    klaenge.settings[{"", 0}] = {2, "", 1};
    Make(false);
    EXPECT_FALSE(Box("KlangCheckBox").isChecked()); // the global setting is not the station's
    Box("KlangCheckBox").click();
    Radio(QStringLiteral("Wave-Datei")).click();
    form->Apply();
    EXPECT_TRUE(klaenge.stored.empty());
}

TEST_F(KlaengeFormTest, AStationIsOfferedOnlyWhatItMayOverride) {
    Make(false, "DL1ABC");
    const std::vector<int> expected = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    EXPECT_EQ(OfferedEvents(), expected);
    EXPECT_TRUE(Box("KlangCheckBox").isVisibleTo(form.get()));
    for (int event : expected) {
        SelectEvent(event);
        EXPECT_EQ(Box("AnsageCheckBox").isEnabled(), SoundEventInfo(event).HatAnsage) << event;
    }
}

TEST_F(KlaengeFormTest, OnlyAnEnabledCheckedWaveFileOffersEditBrowseAndPlay) {
    klaenge.settings[{"", 3}] = {3, "/g/x.wav", 0};
    Make(false, "DL1ABC");
    struct Fall {
        const char* radio;
        bool enabled;
    };
    for (const Fall& fall :
         {Fall{"keiner", false}, Fall{"Wave-Datei", true}, Fall{"PC-Lautsprecher", false}}) {
        Box("KlangCheckBox").setChecked(false);
        Box("KlangCheckBox").click();
        Radio(QString::fromUtf8(fall.radio)).click();
        EXPECT_EQ(WaveEdit().isEnabled(), fall.enabled) << fall.radio;
        EXPECT_EQ(Button("DurchsuchenButton").isEnabled(), fall.enabled) << fall.radio;
        EXPECT_EQ(Button("AbspielenButton").isEnabled(), fall.enabled) << fall.radio;
    }
    SelectEvent(3); // the global wave file shows greyed
    EXPECT_TRUE(Radio(QStringLiteral("Wave-Datei")).isChecked());
    EXPECT_FALSE(WaveEdit().isEnabled());
    EXPECT_FALSE(Button("AbspielenButton").isEnabled());
}

TEST_F(KlaengeFormTest, PlayGoesThroughTheSoundPlayerAndNotWithAnEmptyEdit) {
    Make(true);
    Radio(QStringLiteral("Wave-Datei")).click();
    WaveEdit().clear();
    Button("AbspielenButton").click();
    EXPECT_TRUE(klaenge.played.empty());

    const fs::path wave = dir / "gong \xC3\xA4.wav";
    test::WriteWave(wave, 8000, 1, std::vector<std::int16_t>(800, 1000));
    chosenFile = QString::fromStdString(wave.string());
    Button("DurchsuchenButton").click();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, QStringLiteral("Klang auswählen..."));
    EXPECT_EQ(dialogs[0].folder, QString::fromStdString(DocumentsFolder().string()));
    EXPECT_EQ(WaveEdit().text(), chosenFile);
    Button("AbspielenButton").click();
    ASSERT_EQ(klaenge.played, std::vector<std::string>{Cp(wave)});
    ASSERT_TRUE(recording->WaitForSounds(1));
    EXPECT_EQ(recording->Sounds()[0].samples.size(), 800u);
}

TEST_F(KlaengeFormTest, ASchemeLoadedForAStationGivesEachEventWithAValueItsOwnSound) {
    klaenge.settings[{"DL1ABC", 5}] = {2, "", 0};
    test::WriteFile(dir / "s.qvs", "[Quarn Sound Scheme]\r\n01=2,\r\n02=sub\\x.wav\r\n03=1,sub/y.wav\r\n");
    Make(false, "DL1ABC");
    form->SchemaLaden(QString::fromStdString((dir / "s.qvs").string()));
    SelectEvent(2);
    EXPECT_TRUE(Box("KlangCheckBox").isChecked());
    EXPECT_TRUE(Radio(QStringLiteral("Wave-Datei")).isChecked());
    EXPECT_TRUE(klaenge.stored.empty()); // nothing before Apply
    form->Apply();
    std::vector<Stored> saved;
    std::vector<int> deleted;
    for (const Stored& s : klaenge.stored) {
        if (s.what == "Save") {
            saved.push_back(s);
        } else {
            deleted.push_back(s.event);
        }
    }
    const std::vector<Stored> expectedSaved = {
        {"Save", "DL1ABC", 1, {2, "", 0}},
        {"Save", "DL1ABC", 2, {3, Cp(dir / "sub/x.wav"), 0}},
        {"Save", "DL1ABC", 3, {3, Cp(dir / "sub/y.wav"), 0}},
    };
    EXPECT_EQ(saved, expectedSaved);
    const std::vector<int> expectedDeleted = {0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}; // 5: not in the scheme
    EXPECT_EQ(deleted, expectedDeleted);
}

TEST_F(KlaengeFormTest, AFileThatIsNoSchemeIsRefusedAndChangesNothing) {
    klaenge.settings[{"", 0}] = {2, "", 1};
    std::string large = "[Quarn Sound Scheme]\r\n00=0,\r\n";
    large.resize(10 * 1024 * 1024, ';');
    const std::pair<const char*, std::string> files[] = {
        {"binary.qvs", std::string("\x00\x01\xFF[\x7F\x00", 6)},
        {"empty.qvs", ""},
        {"large.qvs", large},
        {"other.ini", "[Something]\r\n00=0,\r\n"},
    };
    Make(true);
    for (const auto& [name, bytes] : files) {
        test::WriteFile(dir / name, bytes);
        messages.clear();
        const QString file = QString::fromStdString((dir / name).string());
        form->SchemaLaden(file);
        ASSERT_EQ(messages.size(), 1u) << name;
        EXPECT_EQ(messages[0], QStringLiteral("Die Datei \"%1\" ist kein Quarn-Soundschema.").arg(file));
        EXPECT_TRUE(Radio(QStringLiteral("PC-Lautsprecher")).isChecked()) << name;
    }
    form->Apply();
    const std::vector<Stored> expected = {{"Save", "", 0, {2, "", 1}}};
    EXPECT_EQ(klaenge.stored, expected);
}

TEST_F(KlaengeFormTest, ASavedSchemeLoadsIntoAnotherEditor) {
    klaenge.settings[{"DL1ABC", 1}] = {3, Cp(dir / "sub/a b.wav"), 0};
    klaenge.settings[{"DL1ABC", 4}] = {2, "", 0};
    Make(false, "DL1ABC");
    chosenFile = QString::fromStdString((dir / "station.qvs").string());
    for (QPushButton* button : form->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Speichern...")) {
            button->click();
        }
    }
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, QStringLiteral("Schema speichern"));
    EXPECT_EQ(dialogs[0].filter, QStringLiteral("Quarn Soundschema (*.qvs)"));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(test::ReadFile(dir / "station.qvs"),
              "[Quarn Sound Scheme]\r\n01=1,\"sub/a b.wav\"\r\n04=2,\r\n");

    fs::create_directories(dir / "taken.qvs");
    form->SchemaSpeichern(QString::fromStdString((dir / "taken.qvs").string()));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Das Schema konnte nicht gespeichert werden: ")))
        << messages[0].toStdString();

    Make(true);
    form->SchemaLaden(chosenFile);
    form->Apply();
    EXPECT_EQ(klaenge.stored.size(), 20u);
    EXPECT_EQ(klaenge.stored[1], (Stored{"Save", "", 1, {3, Cp(dir / "sub/a b.wav"), 1}}));
    EXPECT_EQ(klaenge.stored[2], (Stored{"Save", "", 2, {1, "", 1}}));
    EXPECT_EQ(klaenge.stored[4], (Stored{"Save", "", 4, {2, "", 1}}));
}

TEST_F(KlaengeFormTest, Screenshots) {
    klaenge.settings[{"", 1}] = {3, "/usr/share/sounds/quarn/verbunden.wav", 0};
    Make(true);
    SelectEvent(1);
    form->show();
    EXPECT_TRUE(test::SaveScreenshot(*form, QStringLiteral("klaenge_global.png")));

    klaenge.settings[{"DB0ECH", 2}] = {2, "", 0};
    Make(false, "DB0ECH");
    SelectEvent(2);
    form->show();
    EXPECT_TRUE(test::SaveScreenshot(*form, QStringLiteral("klaenge_station.png")));
}

} // namespace
} // namespace quarn
