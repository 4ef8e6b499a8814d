#include "Screenshot.h"
#include "controls/ListView4State.h"

#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace quarn {
namespace {

TEST(ListView4State, TheNextStateFollowsGreyAndTheItemsData) {
    struct Case {
        int state;
        bool allowGrayed;
        bool hasData;
        int next;
    };
    for (const Case& c : std::vector<Case>{{0, false, false, 1},
                                           {1, false, true, 0},
                                           {0, true, false, 1},
                                           {1, true, false, 2},
                                           {1, true, true, 3},
                                           {2, true, false, 0},
                                           {3, true, true, 0},
                                           {3, false, true, 0}}) {
        EXPECT_EQ(NextItemState(c.state, c.allowGrayed, c.hasData), c.next)
            << c.state << " grey " << c.allowGrayed << " data " << c.hasData;
    }
}

class ListView4StateTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.setColumnCount(1);
        list.setHeaderHidden(true);
        for (const char* text : {"Begrüßung", "Abschied", "Bakenmeldung", "Verbindungsaufbau"}) {
            auto* item = new QTreeWidgetItem(&list, QStringList{QString::fromUtf8(text)});
            TListView4State::SetItemState(*item, 0);
        }
        list.resize(220, 110);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    // Clicks the item's state picture and tells the state it came to.
    int ClickIcon(int row) {
        QTreeWidgetItem* item = list.topLevelItem(row);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                          list.StateIconRect(*item).center());
        return TListView4State::ItemState(*item);
    }

    TListView4State list;
};

TEST_F(ListView4StateTest, ClicksOnThePictureRunThroughTheStates) {
    EXPECT_EQ(ClickIcon(0), 1);
    EXPECT_EQ(ClickIcon(0), 0);
    EXPECT_EQ(list.currentItem(), list.topLevelItem(0));

    list.SetAllowGrayed(true);
    EXPECT_EQ(ClickIcon(1), 1);
    EXPECT_EQ(ClickIcon(1), 2);
    EXPECT_EQ(ClickIcon(1), 0);

    TListView4State::SetItemData(*list.topLevelItem(2), 42);
    EXPECT_EQ(ClickIcon(2), 1);
    EXPECT_EQ(ClickIcon(2), 3);
    EXPECT_EQ(ClickIcon(2), 0);
}

TEST_F(ListView4StateTest, SpaceAdvancesTheCurrentItemAndAClickBesideThePictureChangesNothing) {
    QTreeWidgetItem* item = list.topLevelItem(3);
    const QRect icon = list.StateIconRect(*item);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(icon.right() + 40, icon.center().y()));
    EXPECT_EQ(TListView4State::ItemState(*item), 0);
    EXPECT_EQ(list.currentItem(), item);

    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(TListView4State::ItemState(*item), 1);
}

TEST_F(ListView4StateTest, ScreenshotOfTheFourStates) {
    list.SetAllowGrayed(true);
    for (int row = 0; row < 4; ++row) {
        TListView4State::SetItemState(*list.topLevelItem(row), row == 0 ? 0 : row == 1 ? 1 : row);
    }
    list.setCurrentItem(list.topLevelItem(1));
    EXPECT_TRUE(test::SaveScreenshot(list, "controls_liste4state.png"));
}

} // namespace
} // namespace quarn
