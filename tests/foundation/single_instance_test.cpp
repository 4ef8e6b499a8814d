#include "foundation/SingleInstance.h"
#include "platform/LocalSocket.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <poll.h>

namespace quarn {
namespace {

namespace fs = std::filesystem;

// Runs the GUI thread's event loop until `done` holds; false when that took longer than 10 s.
bool RunEventsUntil(const std::function<bool()>& done) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    check.start(5);
    QTimer::singleShot(10000, &loop, [&] { loop.exit(1); });
    return loop.exec() == 0;
}

// True while the other end keeps the connection open: nothing to read and no hang-up.
bool StillConnected(const FileDescriptor& socket) {
    pollfd entry{socket.get(), POLLIN, 0};
    return ::poll(&entry, 1, 0) == 0;
}

// The window a request is for: found by its title, it shows itself on WM_AKTIVIEREN.
class TargetWindow : public QWidget {
public:
    TargetWindow() { setWindowTitle(kMainWindowTitle); }

protected:
    bool event(QEvent* event) override {
        if (event->type() == static_cast<QEvent::Type>(WM_AKTIVIEREN)) {
            show();
            return true;
        }
        return QWidget::event(event);
    }
};

// The running copy: its instance lock in a private runtime folder and its (hidden) main window.
class SingleInstanceTest : public ::testing::Test {
protected:
    test::TempDir runtime_;
    std::unique_ptr<TInstanceWindow> instance_ = CheckInstance(runtime_.path());
    TargetWindow mainWindow_;
    const fs::path socket_ = runtime_ / kInstanceName;
};

TEST_F(SingleInstanceTest, ASilentClientHoldsUpNeitherTheEventLoopNorALaterCopy) {
    ASSERT_TRUE(instance_);
    const FileDescriptor silent = ConnectLocalSocket(socket_);
    ASSERT_TRUE(silent);

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    ASSERT_TRUE(RunEventsUntil([&] { return ticks >= 5; }));
    EXPECT_TRUE(StillConnected(silent)) << "the GUI thread waited for the silent client";

    ASSERT_TRUE(SendToRunningInstance(runtime_.path(), kInstanceName, WM_AKTIVIEREN, 3000));
    EXPECT_TRUE(RunEventsUntil([&] { return mainWindow_.isVisible(); }));
    EXPECT_TRUE(StillConnected(silent));

    // In the end it is let go.
    EXPECT_TRUE(RunEventsUntil([&] { return !StillConnected(silent); }));
}

TEST_F(SingleInstanceTest, ARequestArrivingInPiecesIsServed) {
    ASSERT_TRUE(instance_);
    const FileDescriptor client = ConnectLocalSocket(socket_);
    ASSERT_TRUE(client);

    ASSERT_TRUE(SendAll(client.get(), std::string("\0\0", 2)));
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    ASSERT_TRUE(RunEventsUntil([&] { return ticks >= 3; }));
    EXPECT_FALSE(mainWindow_.isVisible());

    ASSERT_TRUE(SendAll(client.get(), "\x44\x21"));
    EXPECT_TRUE(RunEventsUntil([&] { return mainWindow_.isVisible(); }));
}

} // namespace
} // namespace quarn
