// The About box on the offscreen platform: the slogan count in a store of its own, the pages, the keys
// and dragging, and a screenshot of every page.
#include "controls/PanelKio.h"
#include "controls/UrlLabel.h"
#include "platform/Registry.h"
#include "ui/DlgInfoU.h"
#include "ui/InfoSlogans.h"

#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace quarn {
namespace {

constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

TEST(InfoSlogans, TheStoredValueChoosesTheSloganAndTheNextValue) {
    const struct {
        std::optional<std::uint32_t> stored;
        int index;
        std::uint32_t next;
    } cases[] = {
        {std::nullopt, 0, 1},  {0, 0, 1},           {1, 1, 2}, {27, 27, 28}, {28, 0, 1}, {57, 1, 2},
        {0x80000000u, 16, 17}, {0xFFFFFFFFu, 3, 4},
    };
    for (const auto& c : cases) {
        const TSloganWahl wahl = SloganWaehlen(c.stored);
        EXPECT_EQ(wahl.index, c.index) << c.stored.value_or(0);
        EXPECT_EQ(wahl.naechsterWert, c.next) << c.stored.value_or(0);
    }
    EXPECT_EQ(NaechsterSlogan(26), 27);
    EXPECT_EQ(NaechsterSlogan(27), 0);
}

TEST(InfoSlogans, TheTableHoldsTwentyEightDifferentLines) {
    std::set<QString> texts;
    for (int index = 0; index < kSloganAnzahl; ++index) {
        const QString text = SloganText(index);
        EXPECT_FALSE(text.trimmed().isEmpty()) << index;
        EXPECT_FALSE(text.contains('\n')) << index;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), static_cast<std::size_t>(kSloganAnzahl));
}

class DlgInfoTest : public ::testing::Test {
protected:
    std::optional<std::uint32_t> Gespeichert() const {
        return store_.ReadDWord(Hive::CurrentUser, TDlgInfo::kSloganKey, TDlgInfo::kSloganWert);
    }
    void Speichern(std::uint32_t value) {
        ASSERT_TRUE(store_.WriteDWord(Hive::CurrentUser, TDlgInfo::kSloganKey, TDlgInfo::kSloganWert, value));
    }

    // A mouse event with its screen position, sent as the platform would deliver it: to `widget` first,
    // then up to the parents that do not take it.
    static void Maus(QWidget& widget, QEvent::Type type, QPoint local, Qt::MouseButton button,
                     Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, QPointF(local), QPointF(widget.mapToGlobal(local)), button, buttons,
                          modifiers);
        QApplication::sendEvent(&widget, &event);
    }
    // Presses at `local`, moves the mouse by `offset` in screen coordinates, releases.
    static void Ziehen(QWidget& widget, QPoint local, QPoint offset) {
        const QPoint start = widget.mapToGlobal(local);
        Maus(widget, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton);
        QMouseEvent move(QEvent::MouseMove, QPointF(local + offset), QPointF(start + offset), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(local + offset), QPointF(start + offset),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &release);
    }

    test::TempDir folder_;
    RegistryStore store_{folder_.path()};
};

TEST_F(DlgInfoTest, EachOpeningShowsTheNextSloganAndWrapsAtTheEnd) {
    const struct {
        std::optional<std::uint32_t> stored;
        int shown;
        std::uint32_t after;
    } cases[] = {{std::nullopt, 0, 1}, {27, 27, 28}, {28, 0, 1}, {0xFFFFFFFFu, 3, 4}};
    for (const auto& c : cases) {
        ASSERT_TRUE(store_.DeleteKey(Hive::CurrentUser, TDlgInfo::kSloganKey) || !c.stored);
        if (c.stored) {
            Speichern(*c.stored);
        }
        const TDlgInfo info(nullptr, false, store_);
        EXPECT_EQ(info.SloganIndex(), c.shown) << c.stored.value_or(0);
        EXPECT_EQ(info.Zeile1()->text(), SloganText(c.shown));
        EXPECT_EQ(Gespeichert(), c.after);
    }
    // Opened again: the value it left shows the following line.
    const TDlgInfo again(nullptr, false, store_);
    EXPECT_EQ(again.SloganIndex(), 4);
}

TEST_F(DlgInfoTest, AValueOfAnotherTypeCountsAsZero) {
    ASSERT_TRUE(store_.WriteString(Hive::CurrentUser, TDlgInfo::kSloganKey, TDlgInfo::kSloganWert, "17"));
    const TDlgInfo info(nullptr, false, store_);
    EXPECT_EQ(info.SloganIndex(), 0);
    EXPECT_EQ(Gespeichert(), 1u);
}

TEST_F(DlgInfoTest, CtrlShiftRightClickOnTheSloganShowsTheNextOne) {
    Speichern(27);
    TDlgInfo info(nullptr, false, store_);
    info.show();
    QLabel& zeile1 = *info.Zeile1();
    const QPoint mitte = zeile1.rect().center();
    // Only the exact combination with the right button counts.
    Maus(zeile1, QEvent::MouseButtonPress, mitte, Qt::RightButton, Qt::RightButton, Qt::ControlModifier);
    Maus(zeile1, QEvent::MouseButtonPress, mitte, Qt::RightButton, Qt::RightButton,
         kCtrlShift | Qt::AltModifier);
    EXPECT_EQ(info.SloganIndex(), 27);
    Maus(zeile1, QEvent::MouseButtonPress, mitte, Qt::RightButton, Qt::RightButton, kCtrlShift);
    EXPECT_EQ(info.SloganIndex(), 0);
    EXPECT_EQ(zeile1.text(), SloganText(0));
    EXPECT_EQ(Gespeichert(), 28u) << "the hidden click only shows";
}

TEST_F(DlgInfoTest, APrivateBuildShowsItsNoticeAndDoesNotRotate) {
    TDlgInfo info(nullptr, true, store_);
    info.show();
    QLabel& zeile1 = *info.Zeile1();
    EXPECT_EQ(zeile1.text(), "Nicht zur Weitergabe bestimmt");
    EXPECT_TRUE(zeile1.font().bold());
    EXPECT_EQ(zeile1.palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(Gespeichert(), std::nullopt);
    Maus(zeile1, QEvent::MouseButtonPress, zeile1.rect().center(), Qt::RightButton, Qt::RightButton,
         kCtrlShift);
    EXPECT_EQ(zeile1.text(), "Nicht zur Weitergabe bestimmt");
}

TEST_F(DlgInfoTest, TheVersionPageShowsPictureVersionAndGreySlogan) {
    const TDlgInfo info(nullptr, false, store_);
    EXPECT_EQ(info.Seite(), 1);
    ASSERT_FALSE(info.ImageTitel()->pixmap().isNull()) << "the picture comes from \":/Logo\"";
    EXPECT_TRUE(info.Zeile2()->text().startsWith("Version "));
    EXPECT_TRUE(info.Zeile2()->font().bold());
    EXPECT_EQ(info.Zeile1()->palette().color(QPalette::WindowText), QColor(Qt::gray));
    EXPECT_TRUE(info.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST_F(DlgInfoTest, ThePageItemsSwitchPagesAndPanelColours) {
    TDlgInfo info(nullptr, false, store_);
    info.show();
    const QString screenshots = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(screenshots));
    const char* const shots[] = {"info_version.png", "info_hinweise.png", "info_lizenz.png",
                                 "info_links.png"};
    // Backwards, so that every click changes the page.
    for (int tag = TDlgInfo::kSeiten; tag >= 1; --tag) {
        QAction* item = info.Seitenleiste()->findChild<QAction*>(QStringLiteral("ItemSeite%1").arg(tag));
        ASSERT_NE(item, nullptr) << tag;
        EXPECT_EQ(item->property("Tag").toInt(), tag);
        QTest::mouseClick(info.Seitenleiste()->widgetForAction(item), Qt::LeftButton);
        EXPECT_EQ(info.Seite(), tag);
        EXPECT_EQ(info.SeitenWidget(tag)->objectName(), QStringLiteral("Page%1").arg(tag));
        const QColor face = tag == 1 ? QColor(Qt::white) : QColor(0xE0, 0xE0, 0xE0);
        const TBevelCut bevel = tag == 1 ? TBevelCut::bvNone : TBevelCut::bvRaised;
        for (const TPanelKio* panel : {info.PanelOben(), info.PanelUnten()}) {
            EXPECT_EQ(panel->palette().color(QPalette::Window), face) << tag;
            EXPECT_EQ(panel->BevelOuter(), bevel) << tag;
        }
        EXPECT_TRUE(item->isChecked());
        EXPECT_TRUE(info.grab().save(screenshots + shots[tag - 1]));
    }
}

TEST_F(DlgInfoTest, TheTextPagesAndLinksCarryTheProjectsContent) {
    const TDlgInfo info(nullptr, false, store_);
    EXPECT_TRUE(info.Releasenotes()->isReadOnly());
    EXPECT_TRUE(info.Releasenotes()->toPlainText().contains("Hinweise zu dieser Version"));
    const QString lizenz = info.Lizenz()->toPlainText();
    EXPECT_TRUE(lizenz.contains("GNU GENERAL PUBLIC LICENSE"));
    EXPECT_TRUE(lizenz.contains("Version 3, 29 June 2007"));
    EXPECT_TRUE(lizenz.contains("<https://www.gnu.org/licenses/>")) << "the angle brackets survive as text";
    EXPECT_TRUE(lizenz.contains("END OF TERMS AND CONDITIONS"));
    for (const TUrlLabel* link : {info.Web(), info.EMail()}) {
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0x00, 0x00, 0x80));
        EXPECT_TRUE(link->font().underline());
        EXPECT_TRUE(OpensAsUrl(link->Target())) << link->Target().toStdString();
    }
    EXPECT_EQ(info.Web()->text(), "Web");
    EXPECT_EQ(info.EMail()->text(), "eMail");
    EXPECT_TRUE(info.EMail()->Target().startsWith("mailto:"));
}

TEST_F(DlgInfoTest, EscEnterAndSpaceCloseTheBoxFromAnyControl) {
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool closes;
    } cases[] = {
        {Qt::Key_Escape, Qt::NoModifier, true},    {Qt::Key_Return, Qt::NoModifier, true},
        {Qt::Key_Enter, Qt::KeypadModifier, true}, {Qt::Key_Space, Qt::NoModifier, true},
        {Qt::Key_Space, Qt::ShiftModifier, false}, {Qt::Key_Return, Qt::ControlModifier, false},
        {Qt::Key_A, Qt::NoModifier, false},
    };
    for (const auto& c : cases) {
        TDlgInfo info(nullptr, false, store_);
        info.show();
        info.SeiteZeigen(3);
        // The licence text has the focus, as after a click into it.
        info.Lizenz()->setFocus();
        QTest::keyClick(info.Lizenz(), c.key, c.modifiers);
        EXPECT_EQ(!info.isVisible(), c.closes) << c.key << " " << c.modifiers;
        EXPECT_EQ(info.result() == QDialog::Accepted, c.closes) << c.key;
    }
}

TEST_F(DlgInfoTest, TheClosingItemClosesTheBox) {
    TDlgInfo info(nullptr, false, store_);
    info.show();
    QAction* schliessen = info.Schliessleiste()->actions().value(0);
    ASSERT_NE(schliessen, nullptr);
    EXPECT_EQ(schliessen->property("Tag").toInt(), TDlgInfo::kSchliessenTag);
    QTest::mouseClick(info.Schliessleiste()->widgetForAction(schliessen), Qt::LeftButton);
    EXPECT_FALSE(info.isVisible());
}

TEST_F(DlgInfoTest, DraggingThePicturePagesOrPanelsMovesTheBox) {
    TDlgInfo info(nullptr, false, store_);
    info.move(100, 80);
    info.show();
    Ziehen(*info.ImageTitel(), {10, 10}, {40, 30});
    EXPECT_EQ(info.pos(), QPoint(140, 110)) << "from the picture";
    info.SeiteZeigen(4);
    Ziehen(*info.SeitenWidget(4), {5, 150}, {-20, 5});
    EXPECT_EQ(info.pos(), QPoint(120, 115)) << "from a page";
    Ziehen(*info.PanelUnten(), {2, 2}, {1, -15});
    EXPECT_EQ(info.pos(), QPoint(121, 100)) << "from the page toolbar's panel";
    Ziehen(info, {0, 0}, {-1, 0});
    EXPECT_EQ(info.pos(), QPoint(120, 100)) << "from the frame";
}

TEST_F(DlgInfoTest, ALinkKeepsItsClickAndDoesNotDrag) {
    TDlgInfo info(nullptr, false, store_);
    info.move(100, 80);
    info.SeiteZeigen(4);
    info.show();
    QUrl geoeffnet;
    info.Web()->OpenUrl = [&geoeffnet](const QUrl& url) { geoeffnet = url; };
    Ziehen(*info.Web(), {3, 3}, {0, 0});
    Ziehen(*info.Web(), {3, 3}, {30, 30});
    EXPECT_EQ(info.pos(), QPoint(100, 80));
    EXPECT_EQ(geoeffnet, QUrl(info.Web()->Url()));
}

} // namespace
} // namespace quarn
