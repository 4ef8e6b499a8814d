// The program's application object: exceptions out of event handlers, and the program's end from one.
#include "foundation/QuarnApplication.h"
#include "foundation/StartupU.h"
#include "foundation/SynchronizeU.h"
#include "foundation/UnhandledExceptionU.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarn {
namespace {

constexpr auto kWerfen = static_cast<QEvent::Type>(QEvent::User + 1);
constexpr auto kEnde = static_cast<QEvent::Type>(QEvent::User + 2);

// A widget whose handler raises on two events of its own and counts the others it gets.
class Werfer : public QWidget {
public:
    int gezaehlt = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() == kWerfen) {
            throw std::runtime_error("Handler kaputt");
        }
        if (event->type() == kEnde) {
            throw EProgrammEnde(kExitConsoleBuffer, "TKanal", "Create", "schon gemeldet");
        }
        if (event->type() == QEvent::User) {
            ++gezaehlt;
            return true;
        }
        return QWidget::event(event);
    }
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(TQuarnApplication::Instance(), nullptr) << "the test main makes the program's application";
        InitializeSynchronize();
        previous_ = SetReportPresenter([this](const std::string& header, const std::string& message) {
            reports_.push_back(header + ": " + message);
        });
    }
    void TearDown() override {
        SetReportPresenter(previous_);
        FinalizeSynchronize();
    }

    std::vector<std::string> reports_;
    Werfer werfer_;

private:
    TReportPresenter previous_;
};

TEST_F(ApplicationTest, AnExceptionOutOfAHandlerIsReportedAndTheProgramGoesOn) {
    QEvent werfen(kWerfen);
    QCoreApplication::sendEvent(&werfer_, &werfen);
    QCoreApplication::postEvent(&werfer_, new QEvent(kWerfen));
    QCoreApplication::postEvent(&werfer_, new QEvent(QEvent::User));
    QApplication::processEvents();
    EXPECT_EQ(reports_,
              std::vector<std::string>(2, "std::runtime_error in TQuarnApplication.notify: Handler kaputt"));
    EXPECT_EQ(werfer_.gezaehlt, 1) << "the event after the failing one is still handled";
}

TEST_F(ApplicationTest, AnInstalledHookTakesTheReportUntilItGoes) {
    std::vector<std::string> gesehen;
    {
        const TScopedExceptionHook hook([&](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                gesehen.push_back(e.what());
            }
        });
        QEvent werfen(kWerfen);
        QCoreApplication::sendEvent(&werfer_, &werfen);
    }
    EXPECT_EQ(gesehen, std::vector<std::string>{"Handler kaputt"});
    EXPECT_TRUE(reports_.empty());
    QEvent werfen(kWerfen);
    QCoreApplication::sendEvent(&werfer_, &werfen);
    EXPECT_EQ(reports_.size(), 1U) << "the default is back";
}

TEST_F(ApplicationTest, AnEndOfTheProgramFromAHandlerEndsTheLoopWithItsCodeUnreported) {
    QCoreApplication::postEvent(&werfer_, new QEvent(kEnde));
    // Should the end not end the loop, the test ends it with another code.
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), kExitConsoleBuffer);
    EXPECT_TRUE(reports_.empty());
    try {
        TQuarnApplication::ProgrammEndeWeitergeben();
        ADD_FAILURE() << "the end was not passed on";
    } catch (const EProgrammEnde& end) {
        EXPECT_EQ(end.ExitCode(), kExitConsoleBuffer);
    }
    EXPECT_NO_THROW(TQuarnApplication::ProgrammEndeWeitergeben()) << "passed on once";
}

} // namespace
} // namespace quarn
