// The first-steps window on the offscreen platform, alone and as the main window opens and ends it, and
// the help menu's two windows as an operator reaches them.
#include "controls/PanelKio.h"
#include "platform/Registry.h"
#include "ui/DlgInfoU.h"
#include "ui/ErsteSchritteU.h"
#include "ui/Hauptfenster.h"
#include "ui/InfoSlogans.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest/QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";
constexpr const char* kQuarnKey = "\\Software\\Velmoor\\Quarn";

void Ziehen(QWidget& widget, QPoint local, QPoint offset) {
    const QPoint start = widget.mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), QPointF(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(local + offset), QPointF(start + offset), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(local + offset), QPointF(start + offset),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &release);
}

void Aufraeumen() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(ErsteSchritteOrt, TheWindowSitsInTheWorkAreasBottomRightCorner) {
    const struct {
        QRect area;
        QPoint place;
    } cases[] = {
        {QRect(0, 0, 800, 600), QPoint(610, 243)},
        {QRect(100, 50, 1000, 700), QPoint(910, 393)},    // a panel on the left and at the top
        {QRect(-1280, 0, 1280, 1024), QPoint(-190, 667)}, // a second screen left of the first
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErsteSchritteOrt(c.area, TErsteSchritte::kGroesse), c.place) << c.area.x();
    }
}

TEST(ErsteSchritte, AToolWindowOnTopAtTheBottomRightWithTheText) {
    int geschlossen = 0;
    QPointer<TErsteSchritte> fenster = new TErsteSchritte(nullptr, [&geschlossen] { ++geschlossen; });
    fenster->show();
    EXPECT_EQ(fenster->windowTitle(), "Quarn - Erste Schritte");
    EXPECT_EQ(fenster->size(), QSize(190, 357));
    EXPECT_EQ(fenster->windowType(), Qt::Tool);
    EXPECT_TRUE(fenster->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(fenster->frameGeometry().bottomRight(), area.bottomRight());
    EXPECT_EQ(fenster->Panel()->palette().color(QPalette::Window),
              QGuiApplication::palette().color(QPalette::ToolTipBase));
    const QString text = fenster->Text()->toPlainText();
    EXPECT_TRUE(text.contains("Willkommen bei Quarn")) << text.toStdString();
    EXPECT_TRUE(text.contains("Erste Schritte...")) << "it says how to open it again";
    ASSERT_TRUE(QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots"));
    EXPECT_TRUE(fenster->grab().save(QUARN_BINARY_DIR "/tests/screenshots/erste_schritte.png"));

    fenster->close();
    fenster->close();
    EXPECT_EQ(geschlossen, 1);
    Aufraeumen();
    EXPECT_TRUE(fenster.isNull()) << "it frees itself when closed";
}

TEST(ErsteSchritte, DraggingMovesItByExactlyTheMousesOffset) {
    TErsteSchritte fenster(nullptr);
    fenster.setAttribute(Qt::WA_DeleteOnClose, false);
    fenster.show();
    const QPoint ort = fenster.pos();
    Ziehen(*fenster.Panel(), {2, 2}, {-40, -30});
    EXPECT_EQ(fenster.pos(), ort + QPoint(-40, -30)) << "by its panel";
    Ziehen(fenster, {1, 200}, {15, 25});
    EXPECT_EQ(fenster.pos(), ort + QPoint(-25, -5)) << "by the window";
}

// The main window's start decides by the stored "First steps" key; each test starts it afresh.
class ErsteSchritteHauptfensterTest : public ::testing::Test {
protected:
    static void VersionGeaendert() {
        ASSERT_TRUE(RegistryStore::Instance().WriteString(Hive::CurrentUser, kQuarnKey, "First steps", "00"));
    }
};

TEST_F(ErsteSchritteHauptfensterTest, AStartWithANewVersionShowsItOnceAndTheNextStartDoesNot) {
    VersionGeaendert();
    {
        const THauptfenster window(kFontFile);
        QWidget* fenster = window.ErsteSchritte();
        ASSERT_NE(dynamic_cast<TErsteSchritte*>(fenster), nullptr);
        EXPECT_TRUE(fenster->isVisible());
    }
    Aufraeumen();
    const THauptfenster again(kFontFile);
    EXPECT_EQ(again.ErsteSchritte(), nullptr);
}

TEST_F(ErsteSchritteHauptfensterTest, ClosingItClearsTheMainWindowsPointerAndTheMenuOpensANewOne) {
    VersionGeaendert();
    const THauptfenster window(kFontFile);
    QPointer<QWidget> erstes = window.ErsteSchritte();
    ASSERT_FALSE(erstes.isNull());
    erstes->close();
    EXPECT_EQ(window.ErsteSchritte(), nullptr);
    Aufraeumen();
    EXPECT_TRUE(erstes.isNull());

    QAction* menu = window.Action("ActionHelpFirstSteps");
    ASSERT_TRUE(menu->isEnabled());
    menu->trigger();
    QWidget* neues = window.ErsteSchritte();
    ASSERT_NE(neues, nullptr);
    EXPECT_TRUE(neues->isVisible());
    neues->hide();
    menu->trigger();
    EXPECT_EQ(window.ErsteSchritte(), neues) << "one window, shown again";
    EXPECT_TRUE(neues->isVisible());
}

TEST_F(ErsteSchritteHauptfensterTest, TheEndClosesItAndClearsThePointerWhetherSessionOrDestruction) {
    for (const bool sitzung : {true, false}) {
        VersionGeaendert();
        auto window = std::make_unique<THauptfenster>(kFontFile);
        const QPointer<QWidget> fenster = window->ErsteSchritte();
        ASSERT_FALSE(fenster.isNull());
        if (sitzung) {
            window->SitzungsEnde();
            EXPECT_EQ(window->ErsteSchritte(), nullptr);
            EXPECT_FALSE(!fenster.isNull() && fenster->isVisible());
        }
        window.reset();
        Aufraeumen();
        EXPECT_TRUE(fenster.isNull()) << sitzung;
    }
}

// "Hilfe" > "Info..." as the operator opens it: modal, the next slogan at every opening, Esc closes it.
TEST_F(ErsteSchritteHauptfensterTest, TheHelpMenusInfoShowsTheNextSloganAtEveryOpening) {
    const THauptfenster window(kFontFile);
    QAction* info = nullptr;
    for (QAction* top : window.Menue()->actions()) {
        if (top->text() == "&Hilfe") {
            for (QAction* item : top->menu()->actions()) {
                if (item->text() == "I&nfo...") {
                    info = item;
                }
            }
        }
    }
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(info->isEnabled());

    const std::uint32_t vorher =
        RegistryStore::Instance().ReadDWord(Hive::CurrentUser, kQuarnKey, "Slogan").value_or(0);
    std::vector<QString> gesehen;
    QTimer antwort;
    QObject::connect(&antwort, &QTimer::timeout, [&gesehen] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (auto* dlg = dynamic_cast<TDlgInfo*>(box)) {
            gesehen.push_back(dlg->Zeile1()->text());
            QTest::keyClick(dlg, Qt::Key_Escape);
        }
    });
    antwort.start(10);
    info->trigger();
    info->trigger();
    ASSERT_EQ(gesehen.size(), 2u);
    const int erster = SloganWaehlen(vorher).index;
    EXPECT_EQ(gesehen[0], SloganText(erster));
    EXPECT_EQ(gesehen[1], SloganText(NaechsterSlogan(erster)));
}

} // namespace
} // namespace quarn
