// The send templates: the lists in the configuration store, the one-time merge of a new version's
// defaults, and the short menu captions.
#include "connections/send/DateiSendenVorlagenU.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFontMetrics>
#include <gtest/gtest.h>

namespace quarn::test {
namespace {

constexpr std::string_view kKey = "\\Software\\Velmoor\\Quarn\\Vorlagen\\Senden Text Nachher";
const std::vector<std::string> kDefaults = {"***end\r\n", "NNNN\r\n", "/EX\r\n", "^Z\r\n"};

std::vector<std::string> Texts(const TDateiSendenVorlagen& templates) {
    std::vector<std::string> texts;
    for (int i = 0; i < templates.GetCount(); ++i) {
        texts.push_back(templates.GetVorlage(i));
    }
    return texts;
}

class DateiSendenVorlagenTest : public testing::Test {
protected:
    TempDir dir;
    RegistryStore store{dir / "registry"};
};

TEST_F(DateiSendenVorlagenTest, NewVersionAddsMissingDefaultsOnceAndKeepsTheUsersOrder) {
    {
        const TDateiSendenVorlagen first(std::string(kKey), 1, kDefaults, store);
        EXPECT_EQ(Texts(first), kDefaults);
    }
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, kKey, ""), "1");
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, kKey, "03"), "^Z\r\n");

    // The user deletes two defaults and adds one; the same version leaves that alone.
    {
        TDateiSendenVorlagen edited(std::string(kKey), 1, kDefaults, store);
        edited.SetVorlage(0, "73 de DL1ABC\r\n");
        edited.SetVorlage(2, "");
        edited.Save();
    }
    const TDateiSendenVorlagen same(std::string(kKey), 1, kDefaults, store);
    EXPECT_EQ(Texts(same), (std::vector<std::string>{"73 de DL1ABC\r\n", "NNNN\r\n", "^Z\r\n"}));
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, kKey, "02"), "^Z\r\n") << "empty texts take no name";

    // Version 2 brings the deleted defaults back, compared without regard to case, after the user's.
    store.WriteString(Hive::CurrentUser, kKey, "02", "^z\r\n");
    const TDateiSendenVorlagen next(std::string(kKey), 2, kDefaults, store);
    EXPECT_EQ(Texts(next),
              (std::vector<std::string>{"73 de DL1ABC\r\n", "NNNN\r\n", "^z\r\n", "***end\r\n", "/EX\r\n"}));
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, kKey, ""), "2");
    EXPECT_EQ(store.ValueNames(Hive::CurrentUser, kKey).size(), 6u) << "version and five texts";
}

TEST_F(DateiSendenVorlagenTest, CopyAndAssignTakeKeyAndTexts) {
    const TDateiSendenVorlagen source(std::string(kKey), 1, kDefaults, store);
    const TDateiSendenVorlagen copy(source);
    EXPECT_EQ(Texts(copy), kDefaults);
    TDateiSendenVorlagen other("\\Software\\Velmoor\\Quarn\\Vorlagen\\Andere", 1, {"x"}, store);
    other.Assign(source);
    EXPECT_EQ(other.Key(), kKey);
    EXPECT_EQ(Texts(other), kDefaults);
}

TEST_F(DateiSendenVorlagenTest, ShortTextIsOneLineWithoutRunsAndShortenedInTheMiddle) {
    const std::string key = "\\Software\\Velmoor\\Quarn\\Vorlagen\\Kurz";
    TDateiSendenVorlagen templates(key, 1, {"x"}, store);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SP DL1ABC @ DB0ABC\r\n", "SP DL1ABC @ DB0ABC"},
        {"  ***********end  ", "***end"},
        {"a\r\rb\t\tc", "a bc"},
        {"--==--==", "--="},
        {"Gr\xfc\xdf"
         "e!!!!",
         "Gr\u00fc\u00dfe!!!"},
    };
    templates.SetCount(static_cast<int>(cases.size()));
    const QFont font = QApplication::font();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].first);
        templates.SetVorlage(static_cast<int>(i), cases[i].first);
        EXPECT_EQ(templates.Kurztext(static_cast<int>(i), 10000, font).toStdString(), cases[i].second);
    }

    templates.SetVorlage(0, "SB ALLE @ WW < DL1ABC Betreff: Rundspruch der Woche");
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance("SB ALLE @ WW");
    const QString kurz = templates.Kurztext(0, width, font);
    EXPECT_LE(metrics.horizontalAdvance(kurz), width);
    EXPECT_TRUE(kurz.contains("...")) << kurz.toStdString();
    EXPECT_TRUE(kurz.startsWith("SB")) << kurz.toStdString();
    EXPECT_TRUE(kurz.endsWith("he")) << kurz.toStdString();
}

} // namespace
} // namespace quarn::test
