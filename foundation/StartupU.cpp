#include "foundation/StartupU.h"

#include "foundation/AutomationStartMode.h"
#include "foundation/DebOutU.h"
#include "foundation/DebugMonitorWatch.h"
#include "foundation/GlobalU.h"
#include "foundation/LanguageU.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/QuarnApplication.h"
#include "foundation/SingleInstance.h"
#include "foundation/StartupSignals.h"
#include "foundation/SynchronizeU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace quarn {
namespace {

// A start that ends before the main block, with its exit code.
struct EarlyExit {
    int code;
};

void BeginUnit(const char* unit) {
    DebOutObj(unit, "initialization", "begin...");
}
void EndUnit(const char* unit) {
    DebOutObj(unit, "initialization", "end.");
}

std::unique_ptr<TInstanceWindow> InitializeCheckInstance() {
    BeginUnit("CheckInstanceU");
    if (!CheckSystemVersion(GetWindowsVersion())) {
        throw EarlyExit{kExitFailure};
    }
    std::unique_ptr<TInstanceWindow> instance = CheckInstance();
    if (!instance) {
        throw EarlyExit{kExitAnotherCopy};
    }
    EndUnit("CheckInstanceU");
    return instance;
}

void TellAppDataFolderFailed(const std::exception& error) {
    std::fprintf(stderr, "Quarn: %s (%s)\n", kAppDataFolderError, error.what());
    if (!HeadlessPlatform()) {
        QMessageBox::critical(nullptr, "Quarn", QString::fromUtf8(kAppDataFolderError));
    }
}

void InitializeGlobals() {
    BeginUnit("GlobalU");
    // Qt took the locale from the environment; numbers are always written and read with ".".
    std::setlocale(LC_NUMERIC, "C");
    RaiseOpenFileLimit();
    QuitEvent();
    InstallThreadExceptionReport();
    try {
        CreateAppDataFolder();
    } catch (const std::exception& error) {
        TellAppDataFolderFailed(error);
        throw EarlyExit{kExitNoAppDataFolder};
    }
    AssociateFileTypes(RegistryStore::Instance(), QApplication::applicationFilePath().toStdString());
    EndUnit("GlobalU");
}

void InitializeLanguage() {
    BeginUnit("SprachenU");
    LoadLanguage(LanguageOptions::OfProgram());
    EndUnit("SprachenU");
}

// One step of the main block: its exception is reported under the step's name and raised again.
template <class Step> auto Guarded(const char* method, Step step) {
    try {
        return step();
    } catch (const EProgrammEnde&) {
        throw; // told already
    } catch (...) {
        ReportUnhandledException(std::current_exception(), "PROJECT", method, "");
        throw;
    }
}

int RunMainBlock(const TMainWindowFactory& createMainWindow) {
    DebOut("Hauptprogramm: begin...");
    Guarded("INIT", [&] { QApplication::setApplicationName("Quarn"); });
    const std::unique_ptr<QWidget> mainWindow = Guarded("CREATEFORM", [&] { return createMainWindow(); });
    // A program the bus started for a client stays hidden until the client shows it.
    if (StartMode() == TStartMode::Standalone) {
        mainWindow->show();
    }
    const int result = Guarded("RUN", [&] {
        // A shut-down asked for while the start ran (inside a dialog) ends the program here.
        const int code = QuitEvent().IsSet() ? 0 : QApplication::exec();
        // An event handler that ended the program ends it here, with its exit code.
        TQuarnApplication::ProgrammEndeWeitergeben();
        return code;
    });
    DebOut("Hauptprogramm: end.");
    return result;
}

// Settings not yet written in the background reach their files now.
void FlushSettings(const char* method) {
    if (!RegistryStore::Instance().Flush()) {
        DebOutObj("Hauptprogramm", method, "FEHLER: Can not write settings");
    }
}

// The same shut-down as closing the program: workers are told, windows close, the loop ends.
void ShutDown() {
    QuitEvent().Set();
    QApplication::closeAllWindows();
    QApplication::quit();
}

// REGSERVER and UNREGSERVER install or remove the activation file and end at once.
int RegisterServer(TStartMode mode) {
    try {
        if (mode == TStartMode::RegServer) {
            RegisterAutomationServer(QApplication::applicationFilePath().toStdString());
        } else {
            UnregisterAutomationServer();
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Quarn: %s\n", error.what());
        return kExitFailure;
    }
}

} // namespace

int RunProgram(QApplication& application, const TMainWindowFactory& createMainWindow) {
    const TSessionEndSignals sessionEnd([](int) {
        // The session may kill the process soon after its signal: the settings go first.
        FlushSettings("OnSignal");
        ShutDown();
    });
    InitializeTrace();
    if (const TStartMode mode = StartMode();
        mode == TStartMode::RegServer || mode == TStartMode::UnregServer) {
        return RegisterServer(mode);
    }
    const TDebugMonitorWatch monitorWatch;
    int exitCode = 0;
    try {
        const std::unique_ptr<TInstanceWindow> instance = InitializeCheckInstance();
        InitializeGlobals();
        InitializeLanguage();
        InitializeSynchronize();
        exitCode = RunMainBlock(createMainWindow);
        FinalizeSynchronize();
    } catch (const EarlyExit& early) {
        exitCode = early.code;
    } catch (const EProgrammEnde& end) {
        DebOutObj("Hauptprogramm", "RunProgram", end.what());
        exitCode = end.ExitCode();
    } catch (const std::exception& error) {
        DebOutObj("Hauptprogramm", "RunProgram", std::string("FEHLER: ") + error.what());
        std::fprintf(stderr, "Quarn: %s\n", error.what());
        exitCode = kExitFailure;
    } catch (...) {
        exitCode = kExitFailure;
    }
    // Whatever ended the program, every worker still waiting is let go.
    QuitEvent().Set();
    UnloadLanguage();
    FlushSettings("RunProgram");
    return exitCode;
}

} // namespace quarn
