#include "controls/MemoKio.h"
#include "controls/Screenshot.h"
#include "platform/Registry.h"
#include "stations/TextKindInfo.h"
#include "stations/TexteU.h"
#include "support/TempDir.h"
#include "ui/editoren/TexteForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

namespace quarn {
namespace {

struct Stored {
    std::string what; // "Save" or "Delete"
    std::string call;
    int kind = 0;
    bool vorher = false;
    std::string text;
    bool operator==(const Stored&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Stored& s) {
    return out << s.what << "(" << s.call << ", " << s.kind << ", " << s.vorher << ", \"" << s.text << "\")";
}

// The texts object with the texts in a table and every store recorded.
class SpyTexte final : public TTexte {
public:
    explicit SpyTexte(RegistryStore& store) : TTexte(store) {}

    bool Load(std::string_view call, int kind, bool& vorher, std::string& text) override {
        const auto it = texts.find({std::string(call), kind});
        vorher = it == texts.end() ? !call.empty() : it->second.first;
        text = it == texts.end() ? std::string() : it->second.second;
        std::erase(text, '\n');
        return true;
    }
    void Save(std::string_view call, int kind, bool vorher, std::string_view text) override {
        stored.push_back({"Save", std::string(call), kind, vorher, std::string(text)});
    }
    void Delete(std::string_view call, int kind) override {
        stored.push_back({"Delete", std::string(call), kind, false, {}});
    }

    std::map<std::pair<std::string, int>, std::pair<bool, std::string>> texts;
    std::vector<Stored> stored;
};

TEST(TextSpeicherArtTest, OnlyABlankStationTextSentAfterTheGlobalOneIsRemoved) {
    struct Fall {
        bool vorher;
        std::string_view text;
        TTextSpeicherArt art;
    };
    const Fall faelle[] = {
        {true, "", TTextSpeicherArt::Loeschen},           {true, "\r\n \r\n  ", TTextSpeicherArt::Loeschen},
        {true, "\r\n.\r\n", TTextSpeicherArt::Speichern}, {true, "\t", TTextSpeicherArt::Speichern},
        {false, "", TTextSpeicherArt::Speichern}, // an empty text in place of the global one
        {false, "\r\n", TTextSpeicherArt::Speichern},
    };
    for (const Fall& fall : faelle) {
        EXPECT_EQ(TextSpeicherArt(fall.vorher, fall.text), fall.art) << fall.vorher << " " << fall.text;
    }
}

class TexteFormTest : public ::testing::Test {
protected:
    void Make(bool global, std::string_view call = {}) {
        form = std::make_unique<TTexteForm>(texte);
        form->resize(420, 300);
        form->Init(global);
        if (!call.empty()) {
            form->SetCall(call);
        }
    }
    QComboBox& Kinds() { return *form->findChild<QComboBox*>(QStringLiteral("TextTypCombobox")); }
    QCheckBox& Vorher() { return *form->findChild<QCheckBox*>(QStringLiteral("VorherCheckBox")); }
    TMemoKio& Memo() {
        return *dynamic_cast<TMemoKio*>(form->findChild<QWidget*>(QStringLiteral("TextMemo")));
    }
    void SelectKind(int kind) { Kinds().setCurrentIndex(Kinds().findData(kind)); }

    test::TempDir dir;
    RegistryStore store{dir / "registry"};
    SpyTexte texte{store};
    std::unique_ptr<TTexteForm> form;
};

TEST_F(TexteFormTest, AStationHasThirteenKindsAndBlankLinesAfterTheGlobalTextRemoveItsOwn) {
    texte.texts[{"DL1ABC", 0}] = {true, "Moin\r"};
    texte.texts[{"DL1ABC", 1}] = {false, "Tschau"};
    Make(false, "DL1ABC");
    ASSERT_EQ(Kinds().count(), 13);
    EXPECT_EQ(Kinds().findData(2), -1); // the station info is global only
    EXPECT_TRUE(Vorher().isVisibleTo(form.get()));
    EXPECT_TRUE(Vorher().isChecked());

    Memo().setPlainText(QStringLiteral("\n  \n"));
    SelectKind(1);
    EXPECT_FALSE(Vorher().isChecked());
    Memo().clear();
    SelectKind(3);
    Memo().setPlainText(QStringLiteral("\n"));
    Vorher().setChecked(false);
    form->Save();
    const std::vector<Stored> expected = {
        {"Delete", "DL1ABC", 0, false, ""},
        {"Save", "DL1ABC", 1, false, ""},
        {"Save", "DL1ABC", 3, false, "\r\n"},
    };
    EXPECT_EQ(texte.stored, expected);
}

TEST_F(TexteFormTest, GlobalTextsAreAlwaysSavedAndKeepTheirLineBreaks) {
    texte.texts[{"", 0}] = {false, "\r\nHallo %n...\r\n"};
    Make(true);
    EXPECT_EQ(Kinds().count(), 14);
    EXPECT_FALSE(Vorher().isVisibleTo(form.get()));
    EXPECT_EQ(Memo().toPlainText(), QStringLiteral("\nHallo %n...\n"));

    Memo().setPlainText(QStringLiteral("erste Zeile\nzweite Zeile\n"));
    SelectKind(4);
    Memo().setPlainText(QStringLiteral(" \n"));
    form->Save();
    const std::vector<Stored> expected = {
        {"Save", "", 0, false, "erste Zeile\r\nzweite Zeile\r\n"},
        {"Save", "", 4, false, " \r\n"},
    };
    EXPECT_EQ(texte.stored, expected);
}

TEST_F(TexteFormTest, ControlShiftLetterTypesTheEscapeTheSendingUnderstands) {
    Make(true);
    Memo().clear();
    QTest::keyClick(&Memo(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    form->Save();
    ASSERT_FALSE(texte.stored.empty());
    EXPECT_EQ(texte.stored[0].text, "^G");
}

TEST_F(TexteFormTest, AnotherStationReadsItsOwnTexts) {
    texte.texts[{"DL1ABC", 0}] = {false, "eins"};
    texte.texts[{"DB0ECH", 0}] = {true, "zwei"};
    Make(false, "DL1ABC");
    Memo().setPlainText(QStringLiteral("verworfen"));
    form->SetCall("DB0ECH");
    EXPECT_EQ(Memo().toPlainText(), QStringLiteral("zwei"));
    EXPECT_TRUE(Vorher().isChecked());
    form->Save();
    const std::vector<Stored> expected = {{"Save", "DB0ECH", 0, true, "zwei"}};
    EXPECT_EQ(texte.stored, expected);
}

TEST_F(TexteFormTest, AStationPageWithoutAStationStoresNothing) {
    texte.texts[{"", 0}] = {false, "global"};
    Make(false);
    EXPECT_EQ(Memo().toPlainText(), QString());
    Memo().setPlainText(QStringLiteral("neu"));
    form->Save();
    EXPECT_TRUE(texte.stored.empty());
}

TEST_F(TexteFormTest, Screenshot) {
    texte.texts[{"DB0ECH", 0}] = {
        true, "\rWillkommen bei DB0ECH, %n!\rDie Mailbox ist rund um die Uhr erreichbar.\r"};
    Make(false, "DB0ECH");
    form->show();
    QCoreApplication::processEvents(); // lets the memo lay its text out before the picture
    EXPECT_TRUE(test::SaveScreenshot(*form, QStringLiteral("texte_editor.png")));
}

} // namespace
} // namespace quarn
