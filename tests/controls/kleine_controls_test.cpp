#include "Screenshot.h"
#include "controls/MultiCheckBox.h"
#include "controls/PageControlKio.h"
#include "controls/UrlLabel.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTabBar>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <vector>

namespace quarn {
namespace {

TEST(UrlLabel, OnlyWebAndMailAddressesAreOpened) {
    for (const char* text :
         {"http://www.example.org/", "HTTPS://example.org/x?y=1", " mailto:dl1abc@example.org "}) {
        EXPECT_TRUE(OpensAsUrl(text)) << text;
    }
    for (const char* text : {"ftp://x", "/home/op/.bashrc", "file:///etc/passwd", "Stationendatenbank",
                             "http://", "mailto:", ""}) {
        EXPECT_FALSE(OpensAsUrl(text)) << text;
    }
}

class UrlLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        label.setText("www-Seite");
        label.SetUrl(" https://www.example.org/quarn ");
        label.OpenUrl = [this](const QUrl& url) { opened.push_back(url.toString()); };
        label.resize(120, 20);
        label.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    }

    QColor TextColour() const { return label.palette().color(QPalette::WindowText); }

    TUrlLabel label;
    std::vector<QString> opened;
};

TEST_F(UrlLabelTest, PressShowsTheActiveColourAndTheClickOpensTheTrimmedUrl) {
    const QColor normal = TextColour();
    QTest::mousePress(&label, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(TextColour(), QColor(0x80, 0x00, 0x80));
    EXPECT_TRUE(opened.empty());
    QTest::mouseRelease(&label, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(TextColour(), normal);
    EXPECT_EQ(opened, std::vector<QString>{"https://www.example.org/quarn"});
}

TEST_F(UrlLabelTest, ACaptionThatIsNoWebAddressIsNotOpened) {
    for (const char* caption : {"ftp://x", "/home/op/Dokumente"}) {
        label.SetUrl(QString());
        label.setText(caption);
        QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(UrlLabelTest, KopierenPutsTheAddressOnTheClipboard) {
    const QList<QAction*> actions = label.PopupMenu()->actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0]->text(), "&Kopieren");
    actions[0]->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "https://www.example.org/quarn");
}

TEST(MultiCheckBox, TheCaptionWrapsAndAClickOnItsSecondLineToggles) {
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* box = new TMultiCheckBox(
        "Beim Start von Quarn die Verbindungen wiederherstellen, die beim letzten Beenden bestanden", &form);
    auto* single = new TMultiCheckBox("Einzeilig", &form);
    single->SetMultiLine(false);
    layout->addWidget(box);
    layout->addWidget(single);
    form.setFixedWidth(220);
    form.resize(220, form.heightForWidth(220));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    const int line = box->fontMetrics().height();
    EXPECT_GE(box->height(), 2 * line);
    EXPECT_GE(box->height(), box->heightForWidth(box->width()));
    EXPECT_LT(box->heightForWidth(2000), 2 * line);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier,
                      QPoint(box->width() / 2, box->height() - line / 2));
    EXPECT_TRUE(box->isChecked());
    single->setChecked(true);
    EXPECT_TRUE(test::SaveScreenshot(form, "controls_multicheckbox.png"));
}

TEST(PageControlKio, TabsAreButtonsAndSwitchThePages) {
    TPageControlKio pages;
    pages.addTab(new QWidget, "&Allgemein");
    pages.addTab(new QWidget, "&Farben");
    pages.resize(300, 120);
    pages.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pages));
    QTabBar* bar = pages.findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
    EXPECT_EQ(pages.currentIndex(), 1);
    EXPECT_TRUE(pages.documentMode());
}

} // namespace
} // namespace quarn
