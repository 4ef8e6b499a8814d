#pragma once

#include <QApplication>
#include <exception>
#include <functional>
#include <mutex>

namespace quarn {

// The program's application object. Qt lets no exception leave an event handler, so notify() catches
// what a handler raised and hands it to the exception hook, and the event loop goes on. The default hook
// reports it (ReportUnhandledException, "TQuarnApplication", "notify"); the main window installs its own.
// EProgrammEnde (a failure the operator has been told of, with its exit code) is no error to report: it
// ends the event loop with its exit code, and ProgrammEndeWeitergeben raises it again after the loop, so
// the main block ends the program as it would had the exception come out of the loop itself.
class TQuarnApplication : public QApplication {
public:
    using TExceptionHook = std::function<void(std::exception_ptr error)>;

    TQuarnApplication(int& argc, char** argv);
    ~TQuarnApplication() override;
    TQuarnApplication(const TQuarnApplication&) = delete;
    TQuarnApplication& operator=(const TQuarnApplication&) = delete;

    // The program's application object; null when the running one is a plain QApplication.
    static TQuarnApplication* Instance();

    bool notify(QObject* receiver, QEvent* event) override;

    // An empty hook restores the default; the previous one is returned. Any thread.
    TExceptionHook SetExceptionHook(TExceptionHook hook);

    // After the event loop: raises the EProgrammEnde that ended it, once; otherwise does nothing.
    static void ProgrammEndeWeitergeben();

private:
    void Melden(std::exception_ptr error);

    std::mutex mutex_;
    TExceptionHook hook_;
    std::exception_ptr programmEnde_;
};

// Installs an exception hook on the program's application object for its lifetime and puts the previous
// one back at its end. Does nothing without a TQuarnApplication.
class TScopedExceptionHook {
public:
    explicit TScopedExceptionHook(TQuarnApplication::TExceptionHook hook);
    ~TScopedExceptionHook();
    TScopedExceptionHook(const TScopedExceptionHook&) = delete;
    TScopedExceptionHook& operator=(const TScopedExceptionHook&) = delete;

private:
    TQuarnApplication::TExceptionHook previous_;
    bool installed_ = false;
};

} // namespace quarn
