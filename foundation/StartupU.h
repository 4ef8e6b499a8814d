#pragma once

#include "foundation/QuarnException.h"

#include <functional>
#include <memory>
#include <string_view>

class QApplication;
class QWidget;

namespace quarn {

// Exit codes of the program.
inline constexpr int kExitFailure = 1; // too old a system, an unhandled error, or "Quarn &beenden"
inline constexpr int kExitAnotherCopy = 2;
inline constexpr int kExitNoAppDataFolder = 4;
inline constexpr int kExitConsoleBuffer = 5;

// A failure the operator has already been told of and that ends the program with its own exit code. It
// passes the main block's steps without an exception report.
class EProgrammEnde : public QuarnException {
public:
    EProgrammEnde(int exitCode, std::string_view className, std::string_view method,
                  std::string_view message = {})
        : QuarnException(className, method, message), exitCode_(exitCode) {}
    std::string className() const override { return "EProgrammEnde"; }
    int ExitCode() const { return exitCode_; }

private:
    int exitCode_;
};

inline constexpr const char* kAppDataFolderError = "Fehler beim Erstellen des Ordners Anwendungsdaten.";

// Makes the program's main window; the executable hands it in, so the start-up needs nothing of the
// user interface.
using TMainWindowFactory = std::function<std::unique_ptr<QWidget>()>;

// The program from start to end, given the application that main creates first of all. The units
// start in this order, each traced with "<unit>.initialization: begin..." and "end.": the trace log
// (with the watch that attaches a debug monitor started later), the instance check (taken before
// anything can show, so a second copy never shows a window), the process-wide settings, the language,
// the synchronisation object. Then the main block runs its three guarded steps INIT, CREATEFORM (the
// factory's window) and RUN, and SIGTERM, SIGINT and SIGHUP shut down like closing the program. The settings
// are flushed to disk on those signals and once more at the end. Returns the exit code.
int RunProgram(QApplication& application, const TMainWindowFactory& createMainWindow);

} // namespace quarn
