#include "controls/Screenshot.h"
#include "stations/MyCallsU.h"
#include "ui/editoren/EinstellungenRufzeichenForm.h"
#include "ui/editoren/RufzeichenRegel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace quarn {
namespace {

std::array<bool, 16> Boxes(std::initializer_list<int> checked) {
    std::array<bool, 16> boxes{};
    for (int ssid : checked) {
        boxes[static_cast<std::size_t>(ssid)] = true;
    }
    return boxes;
}

TEST(RufzeichenRegelTest, OkFollowsTheTextAndTheBoxes) {
    struct Fall {
        const char* text;
        std::array<bool, 16> boxes;
        bool ok;
        std::string call;
        std::vector<int> ssids;
    };
    const Fall faelle[] = {
        {"ab", Boxes({0}), false, "", {}},
        {"DL1ABC", Boxes({}), false, "", {}},
        {"DL1ABC", Boxes({5, 0}), true, "DL1ABC", {0, 5}},
        {" dl1abc ", Boxes({15}), true, "DL1ABC", {15}},
        {"dl1abc-5", Boxes({}), true, "DL1ABC", {5}}, // the boxes are disabled then
        {"DL1ABC-5", Boxes({1, 2}), true, "DL1ABC", {5}},
        {"DL1ABC-0", Boxes({}), true, "DL1ABC", {0}},
        {"DL1ABC-15", Boxes({}), true, "DL1ABC", {15}},
        {"DL1ABC-16", Boxes({}), false, "", {}},
        {"DL1ABC-", Boxes({0}), false, "", {}},
        {"DL1ABC-x", Boxes({0}), false, "", {}},
        {"DL1ABC--5", Boxes({0}), false, "", {}},
        {"DL1ABC-5-1", Boxes({0}), false, "", {}},
        {"DL1/ABC", Boxes({0}), false, "", {}},
        {"DL1ÄBC", Boxes({0}), false, "", {}},
        {"-15", Boxes({}), false, "", {}}, // no call before the SSID
    };
    for (const Fall& fall : faelle) {
        const auto eingabe = RufzeichenEingabe(fall.text, fall.boxes);
        ASSERT_EQ(eingabe.has_value(), fall.ok) << fall.text;
        if (eingabe) {
            EXPECT_EQ(eingabe->call, fall.call) << fall.text;
            EXPECT_EQ(eingabe->ssids, fall.ssids) << fall.text;
        }
    }
}

class EigenesRufzeichenTest : public ::testing::Test {
protected:
    TEinstellungenRufzeichenForm form;
};

TEST_F(EigenesRufzeichenTest, ADashSwitchesTheBoxesOffAndTheSsidAfterItAloneCounts) {
    form.Zeigen(TMyCall("DL1ABC", {0, 2}));
    EXPECT_TRUE(form.SsidBox(2).isChecked());
    EXPECT_TRUE(form.OkButton().isEnabled());

    QPushButton* keine = nullptr;
    QPushButton* alle = nullptr;
    for (QPushButton* button : form.findChildren<QPushButton*>()) {
        (button->text() == QStringLiteral("&Keine")  ? keine
         : button->text() == QStringLiteral("&Alle") ? alle
                                                     : button) = button;
    }
    ASSERT_TRUE(keine && alle);
    keine->click();
    EXPECT_FALSE(form.OkButton().isEnabled());

    form.RufzeichenEdit().clear();
    QTest::keyClicks(&form.RufzeichenEdit(), QStringLiteral("dl1abc-5"));
    EXPECT_EQ(form.RufzeichenEdit().text(), QStringLiteral("DL1ABC-5"));
    EXPECT_FALSE(form.findChild<QGroupBox*>(QStringLiteral("SsidPanel"))->isEnabled());
    EXPECT_FALSE(alle->isEnabled());
    EXPECT_TRUE(form.OkButton().isEnabled());
    TMyCall call("XX0XX", {1});
    ASSERT_TRUE(form.Uebernehmen(call));
    EXPECT_EQ(call.GetCall(), "DL1ABC");
    EXPECT_EQ(call.GetSSIDs(), std::vector<int>{5});

    QTest::keyClick(&form.RufzeichenEdit(), Qt::Key_1); // "-51"
    EXPECT_FALSE(form.OkButton().isEnabled());
    EXPECT_FALSE(form.Uebernehmen(call));
    EXPECT_EQ(call.GetSSIDs(), std::vector<int>{5});

    QTest::keyClick(&form.RufzeichenEdit(), Qt::Key_Backspace);
    QTest::keyClick(&form.RufzeichenEdit(), Qt::Key_Backspace);
    QTest::keyClick(&form.RufzeichenEdit(), Qt::Key_Backspace);
    EXPECT_TRUE(form.findChild<QGroupBox*>(QStringLiteral("SsidPanel"))->isEnabled());
    EXPECT_FALSE(form.OkButton().isEnabled()); // no box checked
    alle->click();
    EXPECT_TRUE(form.OkButton().isEnabled());
    ASSERT_TRUE(form.Uebernehmen(call));
    EXPECT_EQ(call.GetSSIDs().size(), 16u);
}

TEST_F(EigenesRufzeichenTest, Screenshot) {
    form.Zeigen(TMyCall("DL1ABC", {0, 1, 2, 5, 7, 8}));
    form.show();
    EXPECT_TRUE(test::SaveScreenshot(form, QStringLiteral("eigenes_rufzeichen.png")));
}

} // namespace
} // namespace quarn
