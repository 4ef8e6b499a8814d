#include "Screenshot.h"
#include "controls/GroupboxKio.h"
#include "controls/PanelKio.h"
#include "controls/UxTheme.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace quarn {
namespace {

// Runs one test under a named application style and brings the previous one back.
class ThemeTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        previous_ = QApplication::style()->name();
        QApplication::setStyle(GetParam());
    }
    void TearDown() override { QApplication::setStyle(previous_); }

    static bool Themed() { return QString(GetParam()) != "Windows"; }

private:
    QString previous_;
};

TEST_P(ThemeTest, AThemeIsActiveUnderEveryStyleButTheClassicOne) {
    EXPECT_EQ(IsThemeActive(), Themed());
    QWidget widget;
    EXPECT_EQ(OpenThemeData(&widget, "BUTTON") != nullptr, Themed());
    EXPECT_EQ(OpenThemeData(&widget, "Tab") != nullptr, Themed());
    EXPECT_EQ(OpenThemeData(&widget, "Clock;tab") != nullptr, Themed());
    EXPECT_EQ(OpenThemeData(&widget, "Clock"), nullptr);
}

// A column of the picture that runs through the caption's middle, from the top to below the frame line.
bool ColumnIsPlain(const QImage& image, int x, int toY, QRgb background) {
    for (int y = 0; y < toY; ++y) {
        if (image.pixel(x, y) != background) {
            return false;
        }
    }
    return true;
}

TEST_P(ThemeTest, NoFrameLineRunsBehindTheGroupBoxCaption) {
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    // A caption of blanks leaves the place where a line would show empty.
    auto* box = new TGroupboxKio("        ", &form);
    new QVBoxLayout(box);
    box->layout()->addWidget(new QLabel("Inhalt", box));
    layout->addWidget(box);
    form.resize(200, 90);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    const QImage image = box->grab().toImage();
    const QRect caption = box->CaptionRect();
    const int h = box->fontMetrics().height();
    const QRgb background = image.pixel(1, 1);
    ASSERT_GT(caption.width(), 8);
    EXPECT_TRUE(ColumnIsPlain(image, caption.center().x(), h, background));
    // Left of the caption the line is there.
    EXPECT_FALSE(ColumnIsPlain(image, 4, h, background));
}

TEST_P(ThemeTest, AStyleChangeDropsTheHandlesAndTheNextPaintFollowsTheNewStyle) {
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* box = new TGroupboxKio("        ", &form);
    layout->addWidget(box);
    form.resize(200, 90);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QImage before = box->grab().toImage();

    QApplication::setStyle(Themed() ? "Windows" : "Fusion");
    const QImage after = box->grab().toImage();
    EXPECT_NE(before, after);
    const QRgb background = after.pixel(1, 1);
    EXPECT_TRUE(
        ColumnIsPlain(after, box->CaptionRect().center().x(), box->fontMetrics().height(), background));
}

TEST_P(ThemeTest, ScreenshotsOfPanelsAndGroupBoxes) {
    QWidget form;
    auto* grid = new QGridLayout(&form);
    const auto panel = [&](const QString& caption, TThemeMode mode, TBevelCut outer, TBevelCut inner, int row,
                           int column) {
        auto* p = new TPanelKio(&form);
        p->SetCaption(caption);
        p->SetThemeMode(mode);
        p->SetBevelOuter(outer);
        p->SetBevelInner(inner);
        p->SetBorderWidth(inner == TBevelCut::bvNone ? 0 : 2);
        p->setMinimumSize(150, 60);
        grid->addWidget(p, row, column);
        return p;
    };
    panel("tmDefault, erhaben", TThemeMode::tmDefault, TBevelCut::bvRaised, TBevelCut::bvNone, 0, 0);
    panel("tmDefault, doppelt", TThemeMode::tmDefault, TBevelCut::bvRaised, TBevelCut::bvLowered, 0, 1);
    panel("tmNoPaint", TThemeMode::tmNoPaint, TBevelCut::bvLowered, TBevelCut::bvNone, 1, 0);
    auto* body = panel(QString(), TThemeMode::tmTabBody, TBevelCut::bvNone, TBevelCut::bvNone, 1, 1);
    auto* onBody = new QVBoxLayout(body);
    onBody->addWidget(new QLabel("tmTabBody", body));
    form.resize(340, 150);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    if (Themed()) {
        EXPECT_TRUE(test::SaveScreenshot(form, "controls_panel.png"));
    }

    QWidget boxes;
    auto* column = new QVBoxLayout(&boxes);
    auto* protokoll = new TGroupboxKio("&Protokoll", &boxes);
    auto* inBox = new QVBoxLayout(protokoll);
    inBox->addWidget(new QCheckBox("Mit &Prüfsumme", protokoll));
    inBox->addWidget(new QCheckBox("&Nachricht nach der Übertragung", protokoll));
    auto* leer = new TGroupboxKio(QString(), &boxes);
    leer->setMinimumHeight(40);
    auto* aus = new TGroupboxKio("Gesperrt", &boxes);
    aus->setMinimumHeight(40);
    aus->setEnabled(false);
    column->addWidget(protokoll);
    column->addWidget(leer);
    column->addWidget(aus);
    boxes.resize(260, 200);
    boxes.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&boxes));
    EXPECT_TRUE(test::SaveScreenshot(boxes, Themed() ? "controls_groupbox_themed.png"
                                                     : "controls_groupbox_classic.png"));
}

INSTANTIATE_TEST_SUITE_P(Styles, ThemeTest, ::testing::Values("Fusion", "Windows"));

TEST(PanelKio, ANonDefaultModeSwitchesParentColourOff) {
    TPanelKio panel;
    panel.SetParentColor(true);
    panel.SetThemeMode(TThemeMode::tmNoPaint);
    EXPECT_FALSE(panel.ParentColor());
}

} // namespace
} // namespace quarn
