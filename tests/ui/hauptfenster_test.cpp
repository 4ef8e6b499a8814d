// The main window on the offscreen platform with the program's real singletons and channels.
#include "controls/ThemeManagerU.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanaeleU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/StartupU.h"
#include "platform/Registry.h"
#include "stations/KlaengeU.h"
#include "stations/StationenDatenbankU.h"
#include "ui/HauptPanele.h"
#include "ui/Hauptfenster.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QToolBar>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

std::string DirtyGespeichert() {
    return RegistryStore::Instance()
        .ReadString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn", "Dirty")
        .value_or("");
}

// Counts the trace lines that contain a text while it lives.
class TraceCount {
public:
    explicit TraceCount(std::string part) : part_(std::move(part)) {}
    int Count() const {
        const std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::string part_;
    mutable std::mutex mutex_;
    int count_ = 0;
    ScopedTraceCapture capture_{[this](std::string_view line) {
        if (line.find(part_) != std::string_view::npos) {
            const std::lock_guard lock(mutex_);
            ++count_;
        }
    }};
};

TEST(Hauptfenster, SessionEndAndDestructionFreeTheProgramOnce) {
    const TraceCount ends("QuarnDestroy: begin...");
    auto window = std::make_unique<THauptfenster>(kFontFile);
    ASSERT_NE(Config(), nullptr);
    EXPECT_TRUE(Config()->GetDirty());
    EXPECT_NE(TKanaele::Instance(), nullptr);
    EXPECT_NE(TGeraete::Instance(), nullptr);
    EXPECT_NE(StationenDatenbank(), nullptr);
    EXPECT_TRUE(window->IsGestartet());

    window->SitzungsEnde();
    EXPECT_EQ(Config(), nullptr);
    EXPECT_EQ(TKanaele::Instance(), nullptr);
    EXPECT_EQ(StationenDatenbank(), nullptr);
    EXPECT_EQ(DirtyGespeichert(), "0");
    window.reset();
    EXPECT_EQ(ends.Count(), 1);
    EXPECT_EQ(DirtyGespeichert(), "0");
}

TEST(Hauptfenster, AMissingFontEndsTheStartBeforeTheLoopWithDirtyKept) {
    try {
        const THauptfenster window(QUARN_BINARY_DIR "/bin/missing.fon");
        ADD_FAILURE() << "started without its font";
    } catch (const EProgrammEnde& end) {
        EXPECT_EQ(end.ExitCode(), kExitFailure);
        EXPECT_NE(std::string(end.what()).find("\"missing.fon\""), std::string::npos) << end.what();
    }
    EXPECT_EQ(Config(), nullptr);
    EXPECT_EQ(Klaenge(), nullptr);
    EXPECT_EQ(DirtyGespeichert(), "1");
}

TEST(Hauptfenster, TheFirstStepsWindowIsFreedAtTheEndUnlessItWentBefore) {
    for (const bool schonWeg : {false, true}) {
        auto window = std::make_unique<THauptfenster>(kFontFile);
        // It frees itself on close, as the first-steps window does.
        auto* fenster = new QWidget;
        fenster->setAttribute(Qt::WA_DeleteOnClose);
        fenster->show();
        const QPointer<QWidget> ersteSchritte = fenster;
        window->SetErsteSchritte(fenster);
        if (schonWeg) {
            fenster->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ASSERT_TRUE(ersteSchritte.isNull());
        }
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(ersteSchritte.isNull()) << schonWeg;
    }
}

TEST(Hauptfenster, StationChangesReachTheDiskAtTheEnd) {
    {
        const THauptfenster window(kFontFile);
        ASSERT_TRUE(StationenDatenbank()->CreateEintrag("DL1ABC"));
    }
    const THauptfenster again(kFontFile);
    EXPECT_NE(StationenDatenbank()->GetEintrag("DL1ABC"), nullptr);
}

class HauptfensterKanaele : public ::testing::Test {
protected:
    HauptfensterKanaele() {
        window_.resize(800, 700);
        window_.show();
        QApplication::processEvents();
    }
    QWidget* Child(const char* name) const { return window_.findChild<QWidget*>(name); }
    int Y(const QWidget* widget) const { return widget->mapTo(&window_, QPoint()).y(); }

    THauptfenster window_{kFontFile};
};

TEST_F(HauptfensterKanaele, OwnsTheMainThemeManagerWhichHasTakenInTheWindow) {
    auto* manager = dynamic_cast<TThemeManager*>(window_.findChild<QObject*>("ThemeManager"));
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(TThemeManager::MainManager(), manager);
    EXPECT_EQ(manager->Options(), toAllowNonClientArea | toAllowControls | toAllowWebContent |
                                      toSubclassButtons | toSubclassFrame | toSubclassGroupBox |
                                      toSubclassTabSheet | toSubclassSpeedButtons | toSubclassStatusBar |
                                      toSubclassTrackBar | toResetMouseCapture);
    EXPECT_TRUE(manager->IsSubclassed(window_));
}

TEST_F(HauptfensterKanaele, OutputInputAndMonitorStackWithTheChannelButtonsAboveTheMonitor) {
    QWidget* console1 = Child("Console01");
    QWidget* editor1 = Child("Eingabe01");
    QWidget* monitor = Child("Console00");
    ASSERT_TRUE(console1 && editor1 && monitor);
    EXPECT_EQ(console1->parentWidget(), window_.Panel(TKanalPanel::Ausgabe));
    EXPECT_EQ(monitor->parentWidget(), window_.Panel(TKanalPanel::Monitor));
    EXPECT_LT(Y(console1), Y(editor1));
    EXPECT_LT(Y(editor1), Y(window_.KanalLeiste()));
    EXPECT_LT(Y(window_.KanalLeiste()), Y(monitor));
    EXPECT_EQ(window_.KanalLeiste()->parentWidget(), window_.Panele().Splitter2());
    EXPECT_GE(window_.Panele().Layout().splitter2, window_.KanalLeiste()->sizeHint().height());
    const THauptPanele& panele = window_.Panele();
    EXPECT_EQ(panele.Layout().Summe(), panele.height()) << "the panels fill the client area";
    EXPECT_EQ(Child("MenueBar")->parentWidget(), window_.Dock(0));
}

// Drags a splitter with the left button by `dy` pixels.
void Ziehen(QWidget& splitter, int dy) {
    const QPoint start(10, 1);
    const QPointF global = splitter.mapToGlobal(start);
    QMouseEvent press(QEvent::MouseButtonPress, start, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&splitter, &press);
    const QPointF ziel = global + QPointF(0, dy);
    QMouseEvent move(QEvent::MouseMove, splitter.mapFromGlobal(ziel), ziel, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&splitter, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, splitter.mapFromGlobal(ziel), ziel, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&splitter, &release);
}

TEST_F(HauptfensterKanaele, SplittersDraggedPastTheirLimitsStopAtThePanelMinima) {
    THauptPanele& panele = window_.Panele();
    const int summe = panele.Layout().Summe();
    Ziehen(*panele.Splitter1(), -5000);
    EXPECT_EQ(panele.Layout().ausgabe, THauptLayout::kAusgabeMin);
    EXPECT_EQ(window_.Panel(TKanalPanel::Ausgabe)->height(), THauptLayout::kAusgabeMin);
    Ziehen(*panele.Splitter1(), 5000);
    EXPECT_EQ(panele.Layout().eingabe, THauptLayout::kEingabeMin);
    EXPECT_EQ(panele.Layout().monitor, THauptLayout::kMonitorMin);
    Ziehen(*panele.Splitter2(), -5000);
    EXPECT_EQ(panele.Layout().ausgabe, THauptLayout::kAusgabeMin);
    EXPECT_EQ(panele.Layout().eingabe, THauptLayout::kEingabeMin);
    EXPECT_EQ(panele.Layout().Summe(), summe);
    EXPECT_EQ(panele.Splitter2()->y(), panele.Layout().Splitter2Oben());
    // Only the left button drags.
    const THauptLayout vorher = panele.Layout();
    QMouseEvent press(QEvent::MouseButtonPress, QPoint(10, 1),
                      panele.Splitter2()->mapToGlobal(QPointF(10, 1)), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(panele.Splitter2(), &press);
    QMouseEvent move(QEvent::MouseMove, QPoint(10, 50), panele.Splitter2()->mapToGlobal(QPointF(10, 50)),
                     Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panele.Splitter2(), &move);
    EXPECT_EQ(panele.Layout(), vorher);
}

TEST_F(HauptfensterKanaele, FunctionKeysChooseTheChannelAfterTheChannelHadTheKey) {
    auto* editor = Child("Eingabe01");
    ASSERT_NE(editor, nullptr);
    const auto press = [](QWidget* target, int key, Qt::KeyboardModifiers modifiers) {
        QApplication::setActiveWindow(target->window());
        target->setFocus();
        QApplication::processEvents();
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(target, &event);
    };
    press(editor, Qt::Key_F3, Qt::NoModifier);
    EXPECT_EQ(TKanaele::Instance()->GetAktuellNr(), 3);
    press(Child("Eingabe03"), Qt::Key_F3, Qt::ShiftModifier); // 13 of 8 channels: nothing
    EXPECT_EQ(TKanaele::Instance()->GetAktuellNr(), 3);
    press(Child("Eingabe03"), Qt::Key_F12, Qt::NoModifier);
    EXPECT_EQ(TKanaele::Instance()->GetAktuellNr(), 0);
}

} // namespace
} // namespace quarn

namespace quarn {
namespace {

TEST(Hauptfenster, PanelHeightsComeBackAtTheNextStart) {
    THauptLayout vorher;
    {
        THauptfenster window(kFontFile);
        window.resize(800, 700);
        window.show();
        QApplication::processEvents();
        Ziehen(*window.Panele().Splitter2(), 50);
        vorher = window.Panele().Layout();
    }
    THauptfenster window(kFontFile);
    window.resize(800, 700);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.Panele().Layout().monitor, vorher.monitor);
    EXPECT_EQ(window.Panele().Layout().eingabe, vorher.eingabe);
}

} // namespace
} // namespace quarn
