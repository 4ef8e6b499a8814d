#include "foundation/UnhandledExceptionU.h"

#include "foundation/DebOutU.h"
#include "foundation/DlgUnhandledException.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/SynchronizeU.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "platform/Thread.h"

#include <QApplication>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <mutex>
#include <typeinfo>
#include <utility>

namespace quarn {
namespace {

struct Report {
    std::string header;
    std::string message;
};

std::string Demangled(const std::type_info& type) {
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(type.name());
}

// The class name the report shows for an exception, and its text.
void DescribeException(const std::exception* error, std::string& className, std::string& message) {
    if (const auto* own = dynamic_cast<const Exception*>(error)) {
        className = own->className();
        message = own->what();
    } else if (error != nullptr) {
        className = Demangled(typeid(*error));
        message = error->what();
    }
}

Report MakeReport(std::string className, std::string message, std::string_view area, std::string_view method,
                  std::string_view detail) {
    Report report;
    report.header = className.empty() ? "[unassigned]" : std::move(className);
    report.header.append(" in ");
    if (!area.empty()) {
        report.header.append(area).append(".");
    }
    report.header.append(method.empty() ? std::string_view("[unknown]") : method);
    if (!detail.empty()) {
        report.header.append(" (").append(detail).append(")");
    }
    report.message = message.empty() ? "(no message)" : std::move(message);
    return report;
}

void ShowDialog(const std::string& header, const std::string& message) {
    // Without widgets, or where nobody could answer the dialog, the trace is the whole report.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr || HeadlessPlatform()) {
        return;
    }
    TDlgUnhandledException dialog;
    dialog.SetReport(header, message);
    dialog.exec();
}

std::mutex& PresenterMutex() {
    static std::mutex mutex;
    return mutex;
}

TReportPresenter& InstalledPresenter() {
    static TReportPresenter presenter;
    return presenter;
}

TReportPresenter CurrentPresenter() {
    const std::lock_guard lock(PresenterMutex());
    const TReportPresenter& presenter = InstalledPresenter();
    return presenter ? presenter : TReportPresenter(&ShowDialog);
}

void Trace(const Report& report) {
    DebOut("");
    DebOut("---------------------------- EXCEPTION ----------------------------");
    DebOut(report.header);
    DebOut(report.message);
    DebOut("-------------------------------------------------------------------");
    DebOut("");
}

void Present(const Report& report) {
    const TReportPresenter presenter = CurrentPresenter();
    const auto show = [&] {
        try {
            presenter(report.header, report.message);
        } catch (...) {
            // A report that cannot be shown is dropped; the trace has it.
        }
    };
    // A worker never creates widgets: the GUI thread shows the dialog while the worker waits, and
    // without a running GUI loop Synchronize returns at once.
    Synchronize(show);
}

void Deliver(const Report& report) {
    try {
        Trace(report);
    } catch (...) {
    }
    try {
        // The dialog's "Quarn &beenden" ends the process outright: the settings go to disk first.
        RegistryStore::Instance().Flush();
    } catch (...) {
    }
    try {
        Present(report);
    } catch (...) {
    }
}

} // namespace

void ReportUnhandledException(std::exception_ptr error, std::string_view area, std::string_view method,
                              std::string_view detail) {
    try {
        std::string className;
        std::string message;
        if (error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                DescribeException(&e, className, message);
            } catch (...) {
                const std::type_info* type = abi::__cxa_current_exception_type();
                className = type != nullptr ? Demangled(*type) : std::string("Exception");
            }
        }
        Deliver(MakeReport(std::move(className), std::move(message), area, method, detail));
    } catch (...) {
        // The report itself never raises.
    }
}

void ReportUnhandledException(const std::exception* error, std::string_view area, std::string_view method,
                              std::string_view detail) {
    try {
        std::string className;
        std::string message;
        DescribeException(error, className, message);
        Deliver(MakeReport(std::move(className), std::move(message), area, method, detail));
    } catch (...) {
    }
}

TReportPresenter SetReportPresenter(TReportPresenter presenter) {
    const std::lock_guard lock(PresenterMutex());
    return std::exchange(InstalledPresenter(), std::move(presenter));
}

void InstallThreadExceptionReport() {
    Thread::SetUnhandledExceptionHandler([](std::exception_ptr error, const std::string& threadName) {
        ReportUnhandledException(std::move(error), threadName, "Execute", "");
    });
}

} // namespace quarn
