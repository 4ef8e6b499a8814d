#pragma once

#include <functional>
#include <memory>

class QApplication;
class QWidget;

namespace quarn {

// Exit codes of the program.
inline constexpr int kExitFailure = 1; // too old a system, an unhandled error, or "Quarn &beenden"
inline constexpr int kExitAnotherCopy = 2;
inline constexpr int kExitNoAppDataFolder = 4;

inline constexpr const char* kAppDataFolderError = "Fehler beim Erstellen des Ordners Anwendungsdaten.";

// Makes the program's main window; the executable hands it in, so the start-up needs nothing of the
// user interface.
using TMainWindowFactory = std::function<std::unique_ptr<QWidget>()>;

// Thrown by the main window's creation when the program cannot go on: the window has told the user and
// freed what it had built, and the program ends with `exitCode` without an exception report.
struct EStartAbbruch {
    int exitCode;
};

// The program from start to end, given the application that main creates first of all. The units
// start in this order, each traced with "<unit>.initialization: begin..." and "end.": the trace log
// (with the watch that attaches a debug monitor started later), the instance check (taken before
// anything can show, so a second copy never shows a window), the process-wide settings, the language,
// the synchronisation object. Then the main block runs its three guarded steps INIT, CREATEFORM (the
// factory's window) and RUN,
// and SIGTERM, SIGINT and SIGHUP shut down like closing the program. The settings are flushed to disk on
// those signals and once more at the end. Returns the exit code.
int RunProgram(QApplication& application, const TMainWindowFactory& createMainWindow);

} // namespace quarn
