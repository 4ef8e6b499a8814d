#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace quarn {

// The central report of an exception caught at a top level (main block, sync object, worker threads,
// shut-down steps). It writes a boxed entry to the trace log, puts the settings not yet written on disk
// (the dialog may end the process outright) and shows the dialog "Uuups...", then returns; it never
// raises. Header: the exception's class name ("[unassigned]" without one), " in ",
// the area and "." when given, the method ("[unknown]" when empty), " (<detail>)" when given. Message:
// the exception's text, or "(no message)".
//
// On a worker the dialog is shown on the GUI thread through Synchronize while the worker waits; with
// no GUI loop there (or no screen to show it on) only the trace is written.
void ReportUnhandledException(std::exception_ptr error, std::string_view area, std::string_view method,
                              std::string_view detail);
void ReportUnhandledException(const std::exception* error, std::string_view area, std::string_view method,
                              std::string_view detail);

// Shows a finished report to the user; runs on the GUI thread. The default shows TDlgUnhandledException
// modally (not on a headless platform such as offscreen or minimal, where nobody could answer it). Tests
// install their own to observe reports. An empty presenter restores the default; the previous one is
// returned.
using TReportPresenter = std::function<void(const std::string& header, const std::string& message)>;
TReportPresenter SetReportPresenter(TReportPresenter presenter);

// Makes the report the platform Thread's handler for exceptions that leave a worker's body (area: the
// thread's name, method "Execute"). Called once at start-up.
void InstallThreadExceptionReport();

} // namespace quarn
