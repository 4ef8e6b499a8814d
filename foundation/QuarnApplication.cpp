#include "foundation/QuarnApplication.h"

#include "foundation/DebOutU.h"
#include "foundation/StartupU.h"
#include "foundation/UnhandledExceptionU.h"

#include <utility>

namespace quarn {
namespace {

constexpr const char* kClass = "TQuarnApplication";

} // namespace

TQuarnApplication::TQuarnApplication(int& argc, char** argv) : QApplication(argc, argv) {}

TQuarnApplication::~TQuarnApplication() = default;

TQuarnApplication* TQuarnApplication::Instance() {
    return dynamic_cast<TQuarnApplication*>(QCoreApplication::instance());
}

bool TQuarnApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const EProgrammEnde& end) {
        DebOutObj(kClass, "notify", end.what());
        {
            const std::lock_guard lock(mutex_);
            if (!programmEnde_) {
                programmEnde_ = std::current_exception();
            }
        }
        // Every loop of the GUI thread ends, a modal dialog's too.
        QCoreApplication::exit(end.ExitCode());
    } catch (...) {
        Melden(std::current_exception());
    }
    return false;
}

void TQuarnApplication::Melden(std::exception_ptr error) {
    TExceptionHook hook;
    {
        const std::lock_guard lock(mutex_);
        hook = hook_;
    }
    if (!hook) {
        ReportUnhandledException(std::move(error), kClass, "notify", "");
        return;
    }
    try {
        hook(std::move(error));
    } catch (...) {
        // A hook that fails leaves the loop running all the same.
        DebOutObj(kClass, "notify", "FEHLER: exception hook failed");
    }
}

TQuarnApplication::TExceptionHook TQuarnApplication::SetExceptionHook(TExceptionHook hook) {
    const std::lock_guard lock(mutex_);
    return std::exchange(hook_, std::move(hook));
}

void TQuarnApplication::ProgrammEndeWeitergeben() {
    TQuarnApplication* application = Instance();
    if (application == nullptr) {
        return;
    }
    std::exception_ptr end;
    {
        const std::lock_guard lock(application->mutex_);
        end = std::exchange(application->programmEnde_, nullptr);
    }
    if (end) {
        std::rethrow_exception(end);
    }
}

TScopedExceptionHook::TScopedExceptionHook(TQuarnApplication::TExceptionHook hook) {
    if (TQuarnApplication* application = TQuarnApplication::Instance()) {
        previous_ = application->SetExceptionHook(std::move(hook));
        installed_ = true;
    }
}

TScopedExceptionHook::~TScopedExceptionHook() {
    if (TQuarnApplication* application = TQuarnApplication::Instance();
        application != nullptr && installed_) {
        application->SetExceptionHook(std::move(previous_));
    }
}

} // namespace quarn
