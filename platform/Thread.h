#pragma once

#include "platform/Event.h"
#include "platform/ThreadMessageQueue.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace quarn {

// A worker thread that is never killed. Its body gets the thread object and is expected to watch
// StopEvent() (and the program's quit event) in every wait. An exception leaving the body is handed
// to the unhandled-exception handler and ends the worker cleanly.
class Thread {
public:
    using Body = std::function<void(Thread&)>;
    using ExceptionHandler = std::function<void(std::exception_ptr, const std::string& threadName)>;

    Thread(std::string name, Body body);
    // Joins a finished worker; one still running is asked to stop and detached (its state stays alive
    // until the body returns).
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void Start();
    void RequestStop();
    const Event& StopEvent() const;
    // Waits at most the time-out for the body to end and joins it; false when it is still running.
    bool Join(std::uint32_t timeoutMs);
    // Lets a worker that missed its time limit run on by itself; traced by the caller.
    void Detach();
    bool IsRunning() const;
    bool IsCurrent() const;
    const std::string& name() const;
    std::thread::id id() const;
    ThreadMessageQueue& Messages();

    // Installed once at start-up by the program (the exception report); without one, the exception is
    // written to stderr.
    static void SetUnhandledExceptionHandler(ExceptionHandler handler);

private:
    struct State;
    // The view of a running worker handed to its body; it shares the state, so it stays valid after
    // the owning object detached and went away.
    explicit Thread(std::shared_ptr<State> state);
    static void Run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

} // namespace quarn
