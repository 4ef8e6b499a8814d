#include "Screenshot.h"
#include "controls/GroupboxKio.h"
#include "controls/PanelKio.h"
#include "controls/ThemeHandlers.h"
#include "controls/ThemeManagerU.h"
#include "platform/Exception.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <stdexcept>

namespace quarn {
namespace {

TEST(ElementPartState, DetailValuesBecomePartAndState) {
    struct Case {
        TThemedElement element;
        int detail;
        int part;
        int state;
    };
    const Case cases[] = {
        {TThemedElement::teButton, 2, 1, 1},     {TThemedElement::teButton, 6, 1, 5},
        {TThemedElement::teButton, 7, 2, 1},     {TThemedElement::teButton, 14, 2, 8},
        {TThemedElement::teButton, 15, 3, 1},    {TThemedElement::teButton, 19, 3, 5},
        {TThemedElement::teButton, 26, 3, 12},   {TThemedElement::teButton, 27, 4, 1},
        {TThemedElement::teButton, 28, 4, 2},    {TThemedElement::teButton, 29, 5, 1},
        {TThemedElement::teButton, 30, 0, 31},   {TThemedElement::teButton, 0, 0, 1},
        {TThemedElement::teEdit, 8, 1, 7},       {TThemedElement::teEdit, 9, 2, 1},
        {TThemedElement::teRebar, 4, 3, 1},      {TThemedElement::teRebar, 17, 5, 4},
        {TThemedElement::teStatus, 1, 0, 2},     {TThemedElement::teStatus, 3, 2, 1},
        {TThemedElement::teStatus, 4, 3, 1},     {TThemedElement::teTab, 6, 1, 5},
        {TThemedElement::teTab, 41, 8, 5},       {TThemedElement::teTab, 42, 9, 1},
        {TThemedElement::teTab, 43, 10, 1},      {TThemedElement::teToolBar, 7, 1, 6},
        {TThemedElement::teToolBar, 37, 6, 6},   {TThemedElement::teTrackBar, 33, 8, 5},
        {TThemedElement::teTrackBar, 35, 10, 1}, {TThemedElement::teClock, 3, 0, 4},
    };
    for (const Case& c : cases) {
        const TThemedElementDetails details = ElementPartState(c.element, c.detail);
        EXPECT_EQ(details.part, c.part) << ThemedElementClassName(c.element) << " " << c.detail;
        EXPECT_EQ(details.state, c.state) << ThemedElementClassName(c.element) << " " << c.detail;
    }
}

TEST(ThemeOptions, BitsInTheirOrderAndTheDefault) {
    EXPECT_EQ(kDefaultThemeOptions, 0x3FFF7U);
    EXPECT_EQ(toSubclassAnimate, 1U << 3);
    EXPECT_EQ(toSubclassWinControl, 1U << 15);
    EXPECT_EQ(toSetTransparency, 1U << 17);
}

TEST(ThemeStyleState, StatesBecomeStyleFlags) {
    using S = QStyle::StateFlag;
    struct Case {
        TThemeClass themeClass;
        int part;
        int state;
        QStyle::State expected;
    };
    const Case cases[] = {
        {TThemeClass::Button, 1, 2, S::State_Enabled | S::State_MouseOver},
        {TThemeClass::Button, 1, 3, S::State_Enabled | S::State_Sunken},
        {TThemeClass::Button, 1, 4, S::State_None},
        {TThemeClass::Button, 1, 5, S::State_Enabled | S::State_HasFocus},
        {TThemeClass::Button, 3, 1, S::State_Enabled | S::State_Off},
        {TThemeClass::Button, 3, 8, S::State_On},
        {TThemeClass::Button, 3, 11, S::State_Enabled | S::State_Sunken | S::State_NoChange},
        {TThemeClass::Button, 2, 6, S::State_Enabled | S::State_MouseOver | S::State_On},
        {TThemeClass::Toolbar, 1, 6, S::State_Enabled | S::State_On | S::State_MouseOver},
        {TThemeClass::Edit, 1, 4, S::State_None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ThemeStyleState(c.themeClass, c.part, c.state), c.expected) << c.part << "/" << c.state;
    }
}

TEST(SpeedButtonDetails, DisabledBeforePressedBeforeHot) {
    EXPECT_EQ(SpeedButtonDetails(true, false, true, true), ElementPartState(TThemedElement::teToolBar, 5));
    EXPECT_EQ(SpeedButtonDetails(true, true, true, true), ElementPartState(TThemedElement::teToolBar, 4));
    EXPECT_EQ(SpeedButtonDetails(false, true, false, true), ElementPartState(TThemedElement::teButton, 3));
    EXPECT_EQ(SpeedButtonDetails(false, true, false, false), ElementPartState(TThemedElement::teButton, 2));
}

TEST(WindowProcList, FindsEveryControlAfterRemovalsAroundTheCachedOne) {
    QWidget parent;
    std::vector<QWidget*> controls;
    TWindowProcList list([](const QWidget&) { return true; }, [](QWidget&, QEvent&) { return false; },
                         [](QWidget&) {});
    for (int i = 0; i < 20; ++i) {
        controls.push_back(new QWidget(&parent));
        list.Add(*controls.back());
    }
    list.Add(*controls[3]);
    EXPECT_EQ(list.Count(), 20U);
    // The cache holds the last one found; taking out an entry before it moves every later index.
    ASSERT_GE(list.IndexOf(controls[10]), 0);
    list.Remove(*controls[2]);
    delete controls[5];
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(list.Contains(controls[i]), i != 2 && i != 5) << i;
    }
    EXPECT_EQ(list.Count(), 18U);
}

// Runs one test under a themed style and brings the previous one back.
class ThemeManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = QApplication::style()->name();
        QApplication::setStyle("Fusion");
    }
    void TearDown() override {
        QApplication::setStyle(previous_);
        QCoreApplication::processEvents();
    }
    static void TurnLoop() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

private:
    QString previous_;
};

TEST_F(ThemeManagerTest, TheFirstManagerIsTheMainOneAndTheOthersForwardToIt) {
    auto first = std::make_unique<TThemeManager>();
    TThemeManager second;
    EXPECT_EQ(TThemeManager::MainManager(), first.get());
    EXPECT_FALSE(second.IsMainManager());

    second.SetOptions(kDefaultThemeOptions & ~toSubclassButtons);
    EXPECT_EQ(first->Options(), kDefaultThemeOptions & ~toSubclassButtons);

    QWidget form;
    auto* button = new QPushButton("OK", &form);
    form.show();
    TurnLoop();
    ASSERT_TRUE(first->IsSubclassed(form));
    EXPECT_FALSE(second.IsSubclassed(form));

    first.reset();
    EXPECT_EQ(TThemeManager::MainManager(), nullptr);
    TurnLoop();
    EXPECT_EQ(TThemeManager::MainManager(), &second);
    EXPECT_TRUE(second.IsSubclassed(form));
    EXPECT_TRUE(second.IsSubclassed(*button));
}

TEST_F(ThemeManagerTest, CollectingWithoutAParentIsAnAssertion) {
    TThemeManager manager;
    try {
        manager.CollectControls(nullptr);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& error) {
        EXPECT_NE(std::string(error.what()).find("Parent of controls to be collected must be valid."),
                  std::string::npos);
    }
}

// A form that notes whether the manager had taken it in by the end of its constructor.
class LateForm : public QWidget {
public:
    explicit LateForm(TThemeManager& manager) {
        button = new QPushButton("Abbrechen", this);
        box = new QGroupBox("Gruppe", this);
        subclassedInConstructor = manager.IsSubclassed(*this) || manager.IsSubclassed(*button);
    }
    QPushButton* button;
    QGroupBox* box;
    bool subclassedInConstructor;
};

TEST_F(ThemeManagerTest, AFormCreatedLaterIsCollectedAfterTheNextTurnOfTheLoop) {
    TThemeManager manager;
    LateForm form(manager);
    EXPECT_FALSE(form.subclassedInConstructor);
    EXPECT_EQ(manager.WaitingForms(), 1U);
    TurnLoop();
    EXPECT_EQ(manager.WaitingForms(), 0U);
    EXPECT_TRUE(manager.IsSubclassed(form));
    EXPECT_TRUE(manager.IsSubclassed(*form.button));

    // Controls that join the form or one of its controls later are taken in too, and one moved out of
    // the form is let go.
    auto* late = new QCheckBox("Später", &form);
    auto* inBox = new QRadioButton("Darin", form.box);
    TurnLoop();
    EXPECT_TRUE(manager.IsSubclassed(*late));
    EXPECT_TRUE(manager.IsSubclassed(*inBox));
    QWidget elsewhere;
    form.button->setParent(&elsewhere);
    EXPECT_FALSE(manager.IsSubclassed(*form.button));
}

// A control that asks not to be themed once `refuse` is set.
class Refusing : public QPushButton {
public:
    using QPushButton::QPushButton;
    bool refuse = true;

protected:
    bool event(QEvent* event) override {
        if (event->type() == kDoNotThemeEvent) {
            event->setAccepted(refuse);
            return true;
        }
        return QPushButton::event(event);
    }
};

TEST_F(ThemeManagerTest, AControlThatRefusesIsNeverFilteredAndLeavesWhenItStartsRefusing) {
    TThemeManager manager;
    int seen = 0;
    QWidget form;
    auto* refusing = new Refusing("Nein", &form);
    auto* willing = new Refusing("Ja", &form);
    willing->refuse = false;
    manager.OnControlMessage = [&](TThemeManager&, QWidget& control, QEvent&, bool&) {
        seen += &control == refusing ? 1 : 0;
    };
    manager.CollectForms(&form);
    EXPECT_FALSE(manager.IsSubclassed(*refusing));
    EXPECT_TRUE(manager.IsSubclassed(*willing));
    QEvent probe(QEvent::User);
    QCoreApplication::sendEvent(refusing, &probe);
    EXPECT_EQ(seen, 0);

    willing->refuse = true;
    manager.CollectControls(&form);
    EXPECT_FALSE(manager.IsSubclassed(*willing));
}

// A parent that paints its face blue while its colour stays the style's.
class BlueFace : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::blue); }
};

TEST_F(ThemeManagerTest, OnlyAPanelOfItsParentsColourIsThemed) {
    TThemeManager manager;
    BlueFace form;
    auto* same = new TPanelKio(&form);
    auto* other = new TPanelKio(&form);
    QPalette red = other->palette();
    red.setColor(QPalette::Window, Qt::red);
    other->setPalette(red);
    same->setGeometry(10, 10, 80, 60);
    other->setGeometry(100, 10, 80, 60);
    form.resize(200, 80);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    manager.CollectForms(&form);
    ASSERT_TRUE(manager.IsSubclassed(*other));

    // Themed, the parent's own face shows through; otherwise the panel paints its colour.
    EXPECT_EQ(QColor(same->grab().toImage().pixel(40, 30)), QColor(Qt::blue));
    EXPECT_EQ(QColor(other->grab().toImage().pixel(40, 30)), QColor(Qt::red));
}

TEST_F(ThemeManagerTest, AListenerThatThrowsIsDroppedAndTheNextStillSeesTheEvent) {
    TThemeManager manager;
    int thrown = 0;
    int seen = 0;
    manager.AddListener([&](TThemeManager&, QWidget&, QEvent& message, bool&) {
        if (message.type() == QEvent::User) {
            ++thrown;
            throw std::runtime_error("listener broke");
        }
    });
    manager.AddListener([&](TThemeManager&, QWidget&, QEvent& message, bool&) {
        seen += message.type() == QEvent::User ? 1 : 0;
    });
    QWidget form;
    auto* button = new QPushButton("OK", &form);
    manager.CollectForms(&form);
    QEvent probe(QEvent::User);
    QCoreApplication::sendEvent(button, &probe);
    QCoreApplication::sendEvent(button, &probe);
    EXPECT_EQ(thrown, 1);
    EXPECT_EQ(seen, 2);
}

// A group box that counts its own paints.
class CountingBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        QGroupBox::paintEvent(event);
    }
};

TEST_F(ThemeManagerTest, SwitchingToTheClassicStyleClosesHandlesAndControlsPaintClassically) {
    TThemeManager manager;
    int changes = 0;
    manager.OnThemeChange = [&](TThemeManager&) { ++changes; };
    QWidget form;
    auto* box = new CountingBox("Gruppe", &form);
    box->setGeometry(5, 5, 150, 80);
    form.resize(160, 90);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // The services of a window hear of the change through that window.
    TThemeServices windowServices(&form);
    int windowChanges = 0;
    windowServices.OnThemeChange = [&] { ++windowChanges; };
    manager.CollectForms(&form);
    box->grab();
    EXPECT_EQ(box->paints, 0);
    EXPECT_TRUE(manager.Services().HandleOpen(TThemedElement::teButton));

    QApplication::setStyle("Windows");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(windowChanges, 1);
    EXPECT_FALSE(windowServices.ThemingActive());
    EXPECT_FALSE(manager.ThemingActive());
    EXPECT_FALSE(manager.Services().HandleOpen(TThemedElement::teButton));
    box->grab();
    EXPECT_GT(box->paints, 0);
    EXPECT_TRUE(manager.IsSubclassed(*box));
}

TEST_F(ThemeManagerTest, TabOrAnArrowShowsFocusCuesAndAltShowsAcceleratorCues) {
    TThemeManager manager;
    struct Case {
        Qt::Key key;
        bool focus;
        bool accelerator;
    };
    for (const Case c : {Case{Qt::Key_Tab, true, false}, Case{Qt::Key_Down, true, false},
                         Case{Qt::Key_Alt, false, true}, Case{Qt::Key_A, false, false}}) {
        QWidget form;
        auto* button = new QPushButton("&OK", &form);
        manager.CollectForms(&form);
        QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &press);
        EXPECT_EQ(FocusCuesShown(form), c.focus) << c.key;
        EXPECT_EQ(AcceleratorCuesShown(form), c.accelerator) << c.key;
    }
}

// One form with group boxes, a tab page, panels and buttons, as an operator sees it.
void BuildShowcase(QWidget& form) {
    auto* grid = new QGridLayout(&form);
    auto* box = new QGroupBox("&Protokoll", &form);
    auto* inBox = new QVBoxLayout(box);
    inBox->addWidget(new QCheckBox("Mit &Prüfsumme", box));
    auto* mixed = new QCheckBox("Teilweise", box);
    mixed->setTristate(true);
    mixed->setCheckState(Qt::PartiallyChecked);
    inBox->addWidget(mixed);
    auto* radio = new QRadioButton("&AutoBIN", box);
    radio->setChecked(true);
    inBox->addWidget(radio);
    inBox->addWidget(new QRadioButton("&DIDADIT", box));
    grid->addWidget(box, 0, 0);

    auto* kioBox = new TGroupboxKio("Eigene Gruppe", &form);
    auto* inKio = new QVBoxLayout(kioBox);
    inKio->addWidget(new QLineEdit("DB0ABC-3", kioBox));
    auto* off = new QGroupBox("Gesperrt", kioBox);
    off->setEnabled(false);
    off->setMinimumHeight(36);
    inKio->addWidget(off);
    grid->addWidget(kioBox, 0, 1);

    auto* tabs = new QTabWidget(&form);
    auto* page = new QWidget;
    auto* onPage = new QVBoxLayout(page);
    auto* panel = new TPanelKio(page);
    panel->SetCaption("Panel auf der Seite");
    panel->setMinimumHeight(40);
    onPage->addWidget(panel);
    auto* pageBox = new QGroupBox("Auf der Seite", page);
    new QVBoxLayout(pageBox);
    pageBox->layout()->addWidget(new QCheckBox("Aktiv", pageBox));
    onPage->addWidget(pageBox);
    tabs->addTab(page, "&Allgemein");
    tabs->addTab(new QWidget, "&Erweitert");
    grid->addWidget(tabs, 1, 0);

    auto* panels = new QVBoxLayout;
    auto* raised = new TPanelKio(&form);
    raised->SetCaption("Erhaben");
    raised->setMinimumHeight(34);
    panels->addWidget(raised);
    auto* coloured = new TPanelKio(&form);
    coloured->SetCaption("Eigene Farbe");
    coloured->SetBevelOuter(TBevelCut::bvLowered);
    QPalette palette = coloured->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 200));
    coloured->setPalette(palette);
    coloured->setMinimumHeight(34);
    panels->addWidget(coloured);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton("OK", &form);
    ok->setDefault(true);
    buttons->addWidget(ok);
    auto* disabled = new QPushButton("Gesperrt", &form);
    disabled->setEnabled(false);
    buttons->addWidget(disabled);
    panels->addLayout(buttons);
    auto* tools = new QHBoxLayout;
    auto* flat = new QToolButton(&form);
    flat->setText("Flach");
    flat->setAutoRaise(true);
    tools->addWidget(flat);
    auto* down = new QToolButton(&form);
    down->setText("Gedrückt");
    down->setCheckable(true);
    down->setChecked(true);
    tools->addWidget(down);
    auto* plain = new QToolButton(&form);
    plain->setText("Erhaben");
    tools->addWidget(plain);
    panels->addLayout(tools);
    grid->addLayout(panels, 1, 1);

    auto* status = new QStatusBar(&form);
    status->showMessage("Bereit.");
    grid->addWidget(status, 2, 0, 1, 2);
    form.resize(520, 360);
}

TEST_F(ThemeManagerTest, ScreenshotsOfAFormThemedAndClassic) {
    TThemeManager manager;
    for (const char* style : {"Fusion", "Windows"}) {
        QApplication::setStyle(style);
        QWidget form;
        BuildShowcase(form);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        TurnLoop();
        ASSERT_TRUE(manager.IsSubclassed(form));
        EXPECT_EQ(manager.ThemingActive(), QString(style) == "Fusion");
        EXPECT_TRUE(test::SaveScreenshot(
            form, QString("theme_form_%1.png").arg(QString(style) == "Fusion" ? "fusion" : "classic")));
    }
}

} // namespace
} // namespace quarn
