// The registry of hook clients: what each kind hears, the use counts that install and remove the
// application filter, and a client that throws.
#include "controls/HookClients.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace quarn {
namespace {

struct Heard {
    THookKind kind;
    QObject* target;
    QEvent::Type type;
    bool active;
};

std::vector<Heard>& HeardByFirst() {
    static std::vector<Heard> heard;
    return heard;
}

std::vector<Heard>& HeardBySecond() {
    static std::vector<Heard> heard;
    return heard;
}

void First(const THookEvent& event) {
    HeardByFirst().push_back(
        {event.kind, event.target, event.event ? event.event->type() : QEvent::None, event.active});
}

void Second(const THookEvent& event) {
    HeardBySecond().push_back(
        {event.kind, event.target, event.event ? event.event->type() : QEvent::None, event.active});
}

void Throwing(const THookEvent&) {
    throw std::runtime_error("faulty client");
}

bool HasHeard(const std::vector<Heard>& heard, THookKind kind, const QObject* target) {
    return std::any_of(heard.begin(), heard.end(),
                       [&](const Heard& h) { return h.kind == kind && (!target || h.target == target); });
}

class HookClientsTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeardByFirst().clear();
        HeardBySecond().clear();
    }
    void TearDown() override {
        for (THookProc proc : {&First, &Second, &Throwing}) {
            while (clients_.UseCount(proc) > 0) {
                clients_.Unsubscribe(proc);
            }
        }
    }
    THookClients& clients_ = THookClients::Instance();
};

TEST_F(HookClientsTest, TheFilterIsThereWhileAnyClientNeedsItAndCountsAreKeptPerClient) {
    ASSERT_FALSE(clients_.IsFilterInstalled());
    clients_.Subscribe(&First, HookKindBit(THookKind::MessageRetrieved), true);
    EXPECT_FALSE(clients_.IsFilterInstalled()) << "only counted";
    clients_.Subscribe(&First, HookKindBit(THookKind::MessageRetrieved));
    EXPECT_TRUE(clients_.IsFilterInstalled());
    EXPECT_EQ(clients_.UseCount(&First), 2);
    clients_.Subscribe(&Second, HookKindBit(THookKind::AppActivation));
    EXPECT_TRUE(clients_.IsActivationWatched());

    clients_.Unsubscribe(&First);
    EXPECT_TRUE(clients_.IsFilterInstalled()) << "still used once";
    clients_.Unsubscribe(&First);
    EXPECT_EQ(clients_.UseCount(&First), 0);
    EXPECT_FALSE(clients_.IsFilterInstalled()) << "the activation client needs no filter";
    EXPECT_TRUE(clients_.IsActivationWatched());
    clients_.Unsubscribe(&Second);
    EXPECT_FALSE(clients_.IsActivationWatched());
}

TEST_F(HookClientsTest, EachClientHearsOnlyTheKindsItAskedFor) {
    clients_.Subscribe(&First,
                       HookKindBit(THookKind::WindowPosChanged) | HookKindBit(THookKind::WindowDestroyed));
    clients_.Subscribe(&Second,
                       HookKindBit(THookKind::MessageRetrieved) | HookKindBit(THookKind::AppActivation));
    auto form = std::make_unique<QWidget>();
    form->resize(100, 60);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    auto* child = new QWidget(form.get());
    child->setGeometry(10, 10, 20, 20);
    child->show();

    child->move(30, 10);
    EXPECT_TRUE(HasHeard(HeardByFirst(), THookKind::WindowPosChanged, child));
    QTest::mouseClick(child, Qt::LeftButton);
    EXPECT_TRUE(HasHeard(HeardBySecond(), THookKind::MessageRetrieved, child));
    EXPECT_FALSE(HasHeard(HeardByFirst(), THookKind::MessageRetrieved, nullptr));
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    ASSERT_TRUE(HasHeard(HeardBySecond(), THookKind::AppActivation, nullptr));
    EXPECT_FALSE(HeardBySecond().back().active);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(HeardBySecond().back().active);

    QObject* gone = child;
    delete child;
    EXPECT_TRUE(HasHeard(HeardByFirst(), THookKind::WindowDestroyed, gone));
    EXPECT_FALSE(HasHeard(HeardBySecond(), THookKind::WindowDestroyed, nullptr));
}

TEST_F(HookClientsTest, AClientThatThrowsIsPassedOverAndTheEventStillArrives) {
    clients_.Subscribe(&Throwing, HookKindBit(THookKind::MessageRetrieved));
    clients_.Subscribe(&Second, HookKindBit(THookKind::MessageRetrieved));
    struct Target : QWidget {
        int presses = 0;
        void mousePressEvent(QMouseEvent*) override { ++presses; }
    } target;
    target.resize(20, 20);
    target.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&target));
    QTest::mousePress(&target, Qt::LeftButton);
    EXPECT_TRUE(HasHeard(HeardBySecond(), THookKind::MessageRetrieved, &target));
    EXPECT_EQ(target.presses, 1);
    QTest::mouseRelease(&target, Qt::LeftButton);
}

} // namespace
} // namespace quarn
