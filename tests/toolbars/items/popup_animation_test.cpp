// The pop-up animation: its worker's steps, every way it ends, and the window it leaves behind.
#include "support/RunEvents.h"
#include "toolbars/items/TTKPopupAnimation.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace quarn {
namespace {

using test::RunEventsUntil;

// A pop-up that counts the animation's end.
class Popup : public QWidget {
public:
    Popup() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) { setGeometry(300, 200, 120, 90); }
    int done = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() == AnimationDoneEventType()) {
            ++done;
            return true;
        }
        return QWidget::event(event);
    }
};

class Animation : public ::testing::Test {
protected:
    Animation() { QCursor::setPos(10, 10); }
    ~Animation() override { animation.Finish(); }
    TTKPopupAnimation& animation = TTKPopupAnimation::Instance();
};

TEST_F(Animation, ADurationOfZeroShowsTheWindowAtOnce) {
    Popup popup;
    animation.Start(popup, 0, true, 0);
    EXPECT_TRUE(popup.isVisible());
    EXPECT_FALSE(animation.Running());
    EXPECT_FALSE(animation.WorkerAlive());
    EXPECT_DOUBLE_EQ(popup.windowOpacity(), 1.0);
}

TEST_F(Animation, AFadeStepsUpAndEndsWithTheDoneEventAndNoThreadLeft) {
    Popup popup;
    QElapsedTimer clock;
    clock.start();
    animation.Start(popup, 150, true, 0);
    EXPECT_TRUE(popup.isVisible());
    EXPECT_TRUE(animation.Running());
    int highest = 0;
    ASSERT_TRUE(RunEventsUntil([&] {
        highest = std::max(highest, animation.Step());
        return popup.done > 0;
    }));
    EXPECT_GE(clock.elapsed(), 100);
    EXPECT_GT(highest, 100);
    EXPECT_FALSE(animation.Running());
    EXPECT_FALSE(animation.WorkerAlive());
    EXPECT_EQ(popup.done, 1);
    EXPECT_DOUBLE_EQ(popup.windowOpacity(), 1.0);
}

TEST_F(Animation, ASlideMovesTheVisiblePartInAndClearsTheMaskAtTheEnd) {
    Popup popup;
    animation.Start(popup, 400, false, tkad::Downwards);
    EXPECT_FALSE(popup.mask().isEmpty());
    EXPECT_LT(popup.mask().boundingRect().height(), 10) << "a downward slide starts from the top edge";
    ASSERT_TRUE(RunEventsUntil([&] { return animation.Step() >= 128; }));
    const QRect half = popup.mask().boundingRect();
    EXPECT_EQ(half.top(), 0);
    EXPECT_GT(half.height(), 30);
    EXPECT_LT(half.height(), 90);
    ASSERT_TRUE(RunEventsUntil([&] { return popup.done > 0; }));
    EXPECT_TRUE(popup.mask().isEmpty());
}

TEST_F(Animation, MovingTheMouseIntoTheWindowShowsItFullyAtOnce) {
    Popup popup;
    animation.Start(popup, 5000, true, 0);
    ASSERT_TRUE(RunEventsUntil([&] { return animation.Step() > 0; }));
    QCursor::setPos(350, 240);
    ASSERT_TRUE(RunEventsUntil([&] { return popup.done > 0; }, 1000));
    EXPECT_FALSE(animation.WorkerAlive());
    EXPECT_DOUBLE_EQ(popup.windowOpacity(), 1.0);
}

TEST_F(Animation, HidingFreeingOrStartingAnotherEndsTheRunningOne) {
    Popup first;
    animation.Start(first, 5000, true, 0);
    first.hide();
    EXPECT_EQ(first.done, 1);
    EXPECT_FALSE(animation.WorkerAlive());

    Popup second;
    animation.Start(second, 5000, false, tkad::Leftwards);
    Popup third;
    animation.Start(third, 5000, false, tkad::Upwards);
    EXPECT_EQ(second.done, 1);
    EXPECT_TRUE(second.mask().isEmpty());

    auto fourth = std::make_unique<Popup>();
    animation.Start(*fourth, 5000, true, 0);
    EXPECT_EQ(third.done, 1);
    fourth.reset();
    EXPECT_FALSE(animation.Running());
    EXPECT_FALSE(animation.WorkerAlive());
    // Late steps of the ended animations find nothing to do.
    RunEventsUntil([] { return false; }, 50);
}

} // namespace
} // namespace quarn
